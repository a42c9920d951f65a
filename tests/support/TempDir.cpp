// Temporary folders and files for tests.
#include "support/TempDir.h"

#include "support/Spawn.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qs::test {
namespace {

using UnixNameFn = char*(CDECL*)(LPCWSTR);

UnixNameFn WineUnixName() {
    return reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
}

std::string UnixName(const std::string& path) {
    std::wstring w(path.begin(), path.end());
    char* unix = WineUnixName()(w.c_str());
    std::string result = unix ? unix : "";
    if (unix)
        HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

} // namespace

bool SetLastWrite(const std::string& path, double hoursAgo) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(hoursAgo * 3600.0 * 1e7);
    const FILETIME when{t.LowPart, t.HighPart};
    const bool set = SetFileTime(h, nullptr, nullptr, &when) != FALSE;
    CloseHandle(h);
    return set;
}

bool UnderWine() { return WineUnixName() != nullptr; }

bool MakeFolderLink(const std::string& link, const std::string& target) {
    if (!UnderWine())
        return CreateSymbolicLinkA(link.c_str(), target.c_str(),
                                   SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged create */) != 0;
    // Wine 8's CreateSymbolicLink creates nothing: make the Unix symlink with ln.
    StartUnixProgram("Z:\\bin\\ln", "/bin/ln -s \"" + UnixName(target) + "\" \"" + UnixName(link) + "\"");
    // No handle comes back to wait on for a Unix program: wait for the link.
    for (int i = 0; i < 100; ++i) {
        const DWORD attrs = GetFileAttributesA(link.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES)
            return (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        Sleep(50);
    }
    return false;
}

bool MakeFileLink(const std::string& link, const std::string& target) {
    if (!UnderWine())
        return CreateSymbolicLinkA(link.c_str(), target.c_str(), 0x2 /* unprivileged create */) != 0;
    StartUnixProgram("Z:\\bin\\ln", "/bin/ln -s \"" + UnixName(target) + "\" \"" + UnixName(link) + "\"");
    for (int i = 0; i < 100; ++i) {
        if (GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
        Sleep(50);
    }
    return false;
}

namespace {

// Removes `path` and all below it, and returns only once it is gone (or after five seconds).
// Wine lists no dangling symlink, so a link whose target went first can survive RemoveTree; rm
// removes links, never what they point at. The wait matters: rm runs on after it is started, and
// a folder name holds the process id, which Wine soon gives to the next test program; a removal
// still running then would empty that program's new folder under it.
void RemoveWhole(const std::string& path) {
    RemoveTree(path);
    if (Exists(path) && UnderWine())
        StartUnixProgram("Z:\\bin\\rm", "/bin/rm -rf \"" + UnixName(path) + "\"");
    for (int i = 0; i < 100 && Exists(path); ++i)
        Sleep(50);
}

} // namespace

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char name[64];
    std::snprintf(name, sizeof name, "qs-test-%lu-%u", GetCurrentProcessId(), counter++);
    m_path = std::string(base) + name;
    RemoveWhole(m_path); // left by a run that ended early
    if (!CreateDirectoryA(m_path.c_str(), nullptr))
        throw std::runtime_error("cannot create " + m_path);
}

TempDir::~TempDir() { RemoveWhole(m_path); }

namespace {

// The wide, prefixed form of a path, which lets tests build trees deeper than the classic limit.
std::wstring LongForm(const std::string& path) { return L"\\\\?\\" + std::wstring(path.begin(), path.end()); }

} // namespace

void MakeDirs(const std::string& path) {
    for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1))
        CreateDirectoryW(LongForm(path.substr(0, pos)).c_str(), nullptr);
    CreateDirectoryW(LongForm(path).c_str(), nullptr);
}

static void MakeParent(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos)
        MakeDirs(path.substr(0, slash));
}

void WriteBytes(const std::string& path, std::uint64_t size, char fill) {
    MakeParent(path);
    HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    std::string chunk(65536, fill);
    bool ok = true;
    while (size > 0 && ok) {
        DWORD n = static_cast<DWORD>(size < chunk.size() ? size : chunk.size());
        DWORD written = 0;
        ok = WriteFile(file, chunk.data(), n, &written, nullptr) && written == n;
        size -= n;
    }
    CloseHandle(file);
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& content) {
    MakeParent(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) { return GetFileAttributesW(LongForm(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

namespace {

std::string UnixNameOf(const std::wstring& longForm) {
    char* unix = WineUnixName()(longForm.c_str());
    std::string result = unix ? unix : "";
    if (unix)
        HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// The removal in UTF-16 (`wide` in the prefixed long form), so that names outside the code page
// are removed too.
void RemoveTreeW(const std::wstring& wide) {
    DWORD attrs = GetFileAttributesW(wide.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attrs & FILE_ATTRIBUTE_DIRECTORY) && !(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((wide + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring child = wide + L"\\" + name;
                if (GetFileAttributesW(child.c_str()) == INVALID_FILE_ATTRIBUTES && UnderWine())
                    StartUnixProgram("Z:\\bin\\rm", "/bin/rm -f \"" + UnixNameOf(child) + "\""); // a dangling link
                else
                    RemoveTreeW(child);
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(wide.c_str());
        return;
    }
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
        // A link to a folder: removed as a link. Wine refuses both RemoveDirectory and DeleteFile
        // on a Unix symlink, so there it goes with rm.
        if (!RemoveDirectoryW(wide.c_str()) && !DeleteFileW(wide.c_str()) && UnderWine()) {
            StartUnixProgram("Z:\\bin\\rm", "/bin/rm -f \"" + UnixNameOf(wide) + "\"");
            for (int i = 0; i < 100 && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
                Sleep(50); // rm runs on after it is started
        }
        return;
    }
    DeleteFileW(wide.c_str());
}

} // namespace

void RemoveTree(const std::string& path) { RemoveTreeW(LongForm(path)); }

std::uint32_t TempClusterSize() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char root[4] = {base[0], ':', '\\', '\0'};
    DWORD spc = 0, bps = 0, fc = 0, tc = 0;
    GetDiskFreeSpaceA(root, &spc, &bps, &fc, &tc);
    return spc * bps;
}

} // namespace qs::test
