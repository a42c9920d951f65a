// Whether a path pattern names something: the one rule that a script's PathExists and the rule
// file's detection at start-up both follow, over a seam that reads the machine.
#pragma once

#include "hostfn/FileJob.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace qs {

// One entry of a listed folder, exactly as the folder listed it.
struct ListedName {
    std::wstring name;
    DWORD attributes = 0;
};

// What the rule reads of the machine.
class CPathSource {
public:
    virtual ~CPathSource() = default;
    // The attributes of what `path` (no wildcards, no trailing backslash except a drive's root)
    // names, taken as the file system takes a path: links in it lead where they point. False
    // when nothing is there.
    virtual bool Attributes(const std::wstring& path, DWORD& attributes) = 0;
    // The entries of the folder that `path` names, "." and ".." left out; null when it cannot
    // be listed. Holds until the source's next call.
    virtual const std::vector<ListedName>* List(const std::wstring& path) = 0;
};

// The rule. Without wildcards: what the base names. Below the base, a component with "*" or "?"
// matches within its one level and a plain one is compared whole, letters as the file system
// compares names; every component but the last leads only into a folder of its own (never a
// link or other reparse point), the last matches any entry, a file, folder or link.
bool PatternExists(const FolderPattern& pattern, CPathSource& source);

// The machine asked directly: the base by its path, each folder listed when the rule asks.
std::unique_ptr<CPathSource> MakeDirectPathSource();

// `machine` read once: every folder is listed the first time it is asked about and its listing
// kept for the source's life, and the base is found through the listings of the folders above it
// (names as their folders list them, so a short alias of a name is not taken: it can only find
// less). Thousands of patterns below the same few folders cost a few listings.
std::unique_ptr<CPathSource> MakeListingPathSource(std::unique_ptr<CPathSource> machine = MakeDirectPathSource());

// True when a file or folder matches `pattern` (expanded, in the file functions' code page), by
// the rule above; PathExists asks the machine directly.
bool PathExists(const std::string& pattern);
bool PathExistsIn(const std::string& pattern, CPathSource& source);

} // namespace qs
