// Job tables: one selection of files below the folders a pattern names, which the measuring,
// deleting and wiping calls all walk the same way.
#pragma once

#include "hostfn/WalkScope.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// One job as a script's table gave it, its paths expanded.
struct FileJob {
    // The folder, rooted at a drive or share. "*" and "?" inside a component below the drive or
    // share match within that one component (never across "\"); every matching folder is a root.
    std::string folder;
    std::string masks;                // matched against full paths, as GetFolderSize's
    // When not empty (and `masks` is): ";"-separated masks matched against each file's own
    // listed name only, never against a folder; no folder is ever taken whole. With removeSelf,
    // every folder below a root goes once the job has emptied it, as the root does.
    std::string files;
    bool recurse = false;             // as GetFolderSize's
    std::vector<std::string> exclude; // patterns matched against full paths ("*" crosses "\")
    double minAgeHours = 0;           // files last written within this many hours stay
    bool removeSelf = false;          // each root goes once the job has emptied it
};

// The folder pattern split for matching: the part opened by its path (up to the last component
// before the first one with a wildcard) and the components after it. False when the pattern
// names nothing: not rooted, a wildcard in the drive or share, or "." or ".." after a wildcard.
struct FolderPattern {
    std::wstring base;                    // without a trailing backslash, except a drive's root
    std::vector<std::wstring> components; // empty without wildcards
};
bool SplitFolderPattern(const std::wstring& pattern, FolderPattern& split);

// True when a component holds "*" or "?".
bool HasWildcard(const std::wstring& component);

// Size on drive and count of what DeleteFiles would remove: the files it selects, the folders it
// would empty and remove, and each root it would remove. The scope's recorder hears each.
void MeasureFiles(const CWalkScope& scope, const FileJob& job, std::uint64_t& size, std::uint32_t& count);
// Removes what MeasureFiles counts.
void DeleteFiles(const CWalkScope& scope, const FileJob& job);
// Overwrites `passes` times (as WipeFolderContent) and removes what MeasureFiles counts.
void WipeFiles(const CWalkScope& scope, const FileJob& job, std::uint32_t passes);

} // namespace qs
