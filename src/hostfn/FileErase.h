// Deleting and wiping files and folder contents.
#pragma once

#include "hostfn/WalkScope.h"

#include <cstdint>
#include <string>

namespace qs {

// Pass count of a wipe when the script gives none (or 0).
constexpr std::uint32_t kDefaultWipePasses = 3;

// Most passes a wipe makes (105 overwrites). A script's negative count arrives as an unsigned
// number in the billions, and the walks look at the cancel flag only between files, so such a
// wipe would run for ever: counts above this are cut to it. 35 covers the longest overwrite
// schemes in use (35 overwrites) three times over.
constexpr std::uint32_t kMaxWipePasses = 35;

// Size of each pattern buffer and the largest single write of an overwrite.
constexpr std::uint32_t kWipeChunkBytes = 65536;

// Deletes one file, never a file that a link at that place points to; a read-only file stays.
// A file the scope keeps stays. (Behind the host function DeleteFile.)
void DeleteSingleFile(const CWalkScope& scope, const std::string& path);
void DeleteSingleFile(const std::string& path);

// Deletes the matching content of a folder. `maskText` null means no mask list at all, which
// differs from an empty one in whether emptied subfolders are removed. Lists and deletes on the
// scope's threads (ParallelWalk.h), or on `threads`: files of different folders are deleted at
// once, a folder only after everything below it. The disk state is the same whatever the count.
// Kept paths stay, and so do the folders that hold them.
void EraseFolderContent(const CWalkScope& scope, const std::string& folder, const std::string* maskText,
                        bool recurse);
void EraseFolderContent(const std::string& folder, const std::string* maskText, bool recurse);
void EraseFolderContent(const std::string& folder, const std::string* maskText, bool recurse, unsigned threads);

// Overwrites a file `passes` times with 0x00, 0xFF and random bytes, then deletes it. False when
// the file was left in place (read-only, in use, kept, a write failed) or could not be deleted.
bool WipeOneFile(const CWalkScope& scope, const std::string& path, std::uint32_t passes);
bool WipeOneFile(const std::string& path, std::uint32_t passes);

// Wipes the matching files of a folder; kept paths stay, and so do the folders that hold them.
void WipeFolderWalk(const CWalkScope& scope, const std::string& folder, const std::string& maskText, bool recurse,
                    std::uint32_t passes);
void WipeFolderWalk(const std::string& folder, const std::string& maskText, bool recurse, std::uint32_t passes);

class CFolderLister;

// Overwrites the entry that `folder` listed last (a file, opened relative to the folder and never
// through a link) `passes` times and deletes it; as WipeOneFile otherwise.
bool WipeListedFile(CFolderLister& folder, std::uint32_t passes);

// Test seam: sees every write of a wipe before it is made. `overwrite` counts from 1 over the
// whole wipe (pass 1 is overwrites 1 to 3). Answering false makes that write fail, as a failing
// disk would.
class CWipeObserver {
public:
    virtual ~CWipeObserver() = default;
    virtual bool BeforeWrite(std::uint32_t overwrite, std::uint64_t offset, std::uint32_t bytes) = 0;
};

// Installs the observer (null removes it). Only tests use this.
void SetWipeObserver(CWipeObserver* observer);

} // namespace qs
