// Deleting and wiping files and folder contents.
#pragma once

#include <cstdint>
#include <string>

namespace qs {

// Pass count of a wipe when the script gives none (or 0).
constexpr std::uint32_t kDefaultWipePasses = 3;

// One plain deletion; a read-only file stays. (Behind the host function DeleteFile.)
void DeleteSingleFile(const std::string& path);

// Deletes the matching content of a folder. `maskText` null means no mask list at all, which
// differs from an empty one in whether emptied subfolders are removed.
void EraseFolderContent(const std::string& folder, const std::string* maskText, bool recurse);

// Overwrites a file `passes` times with 0x00, 0xFF and random bytes, then deletes it.
bool WipeOneFile(const std::string& path, std::uint32_t passes);

// Wipes the matching files of a folder.
void WipeFolderWalk(const std::string& folder, const std::string& maskText, bool recurse, std::uint32_t passes);

} // namespace qs
