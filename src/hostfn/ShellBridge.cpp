// Recycle bin and icon lookups: thin bridges to the platform shell.
#include "hostfn/ShellBridge.h"

#include "framework/Handle.h"
#include "hostfn/PathLimits.h"
#include "hostfn/PathMacros.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace qs {
namespace {

// The shell would see only the text before a NUL byte: "\0C:\" would stand for every bin.
bool HasNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

// Characters that no file name may hold. An extension with one of them cannot name a file in
// the temporary folder; with a backslash, slash or colon it would even name another file
// elsewhere (through "..") or a stream of one, which must never be created or deleted.
bool IsValidExtension(const std::string& extension) {
    for (unsigned char c : extension) {
        if (c < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr)
            return false;
    }
    return true;
}

} // namespace

void QueryRecycleBin(const std::string& root, std::uint64_t& size, std::uint32_t& count) {
    size = 0;
    count = 0;
    if (HasNul(root))
        return;
    SHQUERYRBINFO info;
    std::memset(&info, 0, sizeof info);
    // The record's own size: 20 bytes packed in 32-bit programs, 24 with the alignment of x86-64.
    info.cbSize = sizeof info;
    // The result is not looked at: a failed query leaves the record zero.
    SHQueryRecycleBinA(root.c_str(), &info);
    size = static_cast<std::uint64_t>(info.i64Size);
    count = static_cast<std::uint32_t>(info.i64NumItems);
}

void EmptyRecycleBin(const std::string& root) {
    if (HasNul(root))
        return;
    SHEmptyRecycleBinA(nullptr, root.c_str(), SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}

int GetIconIndexOfPath(const std::string& path) {
    std::string expanded;
    if (HasNul(path) || !ExpandPathMacros(path, expanded) || expanded.empty())
        return -1;
    const DWORD attributes = GetFileAttributesA(expanded.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return -1;
    SHFILEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.iIcon = -1;
    // The shell picks the icon from the kind of object and its name without reading the file.
    SHGetFileInfoA(expanded.c_str(), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
}

int GetIconIndexOfExtension(const std::string& extension) {
    if (!IsValidExtension(extension))
        return -1;
    char temp[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return -1;
    const std::string name = std::string(temp) + "8wu." + extension;
    if (name.size() > kMaxPathChars)
        return -1;
    // The file is opened so that it goes away when its handle closes, whatever happens between.
    // A file that already has the name is not ours: it is neither truncated nor deleted, and it
    // serves the lookup just as well, since the shell goes by the name alone.
    Handle file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file && GetLastError() != ERROR_FILE_EXISTS)
        return -1;
    return GetIconIndexOfPath(name);
}

} // namespace qs
