// The write-aside-then-rename replacement of small files.
#include "engine/FileReplace.h"

#include "framework/Handle.h"

#include <windows.h>

#include <cstdio>

namespace qs {
namespace {

// Opens a new file with a short unique name in `folder` (which ends with a separator or is
// empty); the name is no longer than the file it stands in for, so it fits wherever that does.
Handle CreateSideFile(const std::string& folder, std::string& name) {
    const DWORD seed = GetCurrentProcessId();
    for (DWORD i = 0; i < 16; ++i) {
        char leaf[16];
        std::snprintf(leaf, sizeof leaf, "~qs%04lX.tmp", static_cast<unsigned long>((seed + i) & 0xFFFF));
        name = folder + leaf;
        Handle file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    name.clear();
    return Handle();
}

bool WriteAll(HANDLE file, const std::string& bytes, std::size_t breakAfter) {
    const std::size_t total = bytes.size() < breakAfter ? bytes.size() : breakAfter;
    std::size_t done = 0;
    while (done < total) {
        const DWORD chunk = static_cast<DWORD>(total - done > 0x100000 ? 0x100000 : total - done);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return done == bytes.size();
}

} // namespace

bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::size_t breakAfter) {
    const DWORD oldAttributes = GetFileAttributesA(path.c_str());
    // Checked here because Wine, run as root, would let the rename replace a read-only file.
    if (oldAttributes != INVALID_FILE_ATTRIBUTES &&
        (oldAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    const std::size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);

    std::string sideName;
    Handle file = CreateSideFile(folder, sideName);
    if (!file)
        return false;
    // The new content reaches the disk before the rename, so that a crash right after the
    // rename cannot leave an empty file under the old name.
    const bool written = WriteAll(file.Get(), bytes, breakAfter) && FlushFileBuffers(file.Get());
    file.Reset();
    if (written && oldAttributes != INVALID_FILE_ATTRIBUTES) {
        const DWORD keep = oldAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (keep != 0)
            SetFileAttributesA(sideName.c_str(), keep);
    }
    if (written && MoveFileExA(sideName.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetFileAttributesA(sideName.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(sideName.c_str());
    return false;
}

} // namespace qs
