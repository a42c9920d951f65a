// The plain directory walks the benchmarks hold the host functions against: the fastest ways
// found to list a tree under Wine, with no masks, no scripts and no checks.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <string>

namespace qs::bench {

struct WalkTotals {
    std::uint64_t size = 0; // size on drive, lengths rounded up to whole clusters
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
};

inline bool IsDirectoryToWalk(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

inline std::uint64_t OnDrive(std::uint64_t length, std::uint32_t cluster) {
    return (length + cluster - 1) / cluster * cluster;
}

// FindFirstFileW / FindNextFileW, full paths.
inline void WalkFindW(const std::wstring& folder, std::uint32_t cluster, WalkTotals& t) {
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &d, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const wchar_t* n = d.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)))
            continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue;
            ++t.folders;
            WalkFindW(folder + L"\\" + n, cluster, t);
        } else {
            ++t.files;
            t.size += OnDrive((static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow, cluster);
        }
    } while (FindNextFileW(find, &d));
    FindClose(find);
}

// FindFirstFileA / FindNextFileA, full paths: what the host functions are built on.
inline void WalkFindA(const std::string& folder, std::uint32_t cluster, WalkTotals& t) {
    WIN32_FIND_DATAA d;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const char* n = d.cFileName;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue;
            ++t.folders;
            WalkFindA(folder + "\\" + n, cluster, t);
        } else {
            ++t.files;
            t.size += OnDrive((static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow, cluster);
        }
    } while (FindNextFileA(find, &d));
    FindClose(find);
}

// The native interface: NtQueryDirectoryFile with a 64 KiB buffer, subfolders opened relative to
// their parent's handle, so no full path is ever looked up again.
namespace nt {

struct FullDirInformation {
    ULONG NextEntryOffset;
    ULONG FileIndex;
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime, EndOfFile, AllocationSize;
    ULONG FileAttributes;
    ULONG FileNameLength;
    ULONG EaSize;
    WCHAR FileName[1];
};

using QueryDirectoryFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG, BOOLEAN,
                                          PUNICODE_STRING, BOOLEAN);
using OpenFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
using CloseFn = NTSTATUS(NTAPI*)(HANDLE);

struct Api {
    QueryDirectoryFn query;
    OpenFileFn open;
    CloseFn close;
    Api() {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        query =
            reinterpret_cast<QueryDirectoryFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryDirectoryFile")));
        open = reinterpret_cast<OpenFileFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtOpenFile")));
        close = reinterpret_cast<CloseFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtClose")));
    }
};

inline const Api& Calls() {
    static Api api;
    return api;
}

constexpr ULONG kFullDirectoryInformation = 2;
constexpr ULONG kOpenDirectory = 0x1 | 0x20 | 0x4000; // directory, synchronous, backup intent
constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006);

inline HANDLE OpenRelative(HANDLE parent, const wchar_t* name, ULONG nameBytes) {
    UNICODE_STRING us;
    us.Buffer = const_cast<PWSTR>(name);
    us.Length = us.MaximumLength = static_cast<USHORT>(nameBytes);
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &us, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    if (Calls().open(&h, FILE_LIST_DIRECTORY | SYNCHRONIZE, &oa, &io,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kOpenDirectory) < 0)
        return nullptr;
    return h;
}

inline void Walk(HANDLE dir, std::uint32_t cluster, WalkTotals& t) {
    alignas(8) static thread_local unsigned char buffer[65536];
    IO_STATUS_BLOCK io;
    for (;;) {
        NTSTATUS s = Calls().query(dir, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                   kFullDirectoryInformation, FALSE, nullptr, FALSE);
        if (s < 0 || s == kNoMoreFiles)
            return;
        // The buffer is reused by the recursion: copy out the subfolder names first.
        std::wstring subfolders;
        for (unsigned char* p = buffer;;) {
            auto* e = reinterpret_cast<FullDirInformation*>(p);
            const ULONG chars = e->FileNameLength / sizeof(WCHAR);
            const WCHAR* n = e->FileName;
            const bool dots = n[0] == L'.' && (chars == 1 || (chars == 2 && n[1] == L'.'));
            if (!dots) {
                if (e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (!(e->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                        subfolders.append(n, chars);
                        subfolders.push_back(L'\0');
                    }
                } else {
                    ++t.files;
                    t.size += OnDrive(static_cast<std::uint64_t>(e->EndOfFile.QuadPart), cluster);
                }
            }
            if (!e->NextEntryOffset)
                break;
            p += e->NextEntryOffset;
        }
        for (std::size_t at = 0; at < subfolders.size();) {
            const std::size_t end = subfolders.find(L'\0', at);
            ++t.folders;
            if (HANDLE sub =
                    OpenRelative(dir, subfolders.c_str() + at, static_cast<ULONG>((end - at) * sizeof(WCHAR)))) {
                Walk(sub, cluster, t);
                Calls().close(sub);
            }
            at = end + 1;
        }
    }
}

} // namespace nt

inline void WalkNt(const std::wstring& folder, std::uint32_t cluster, WalkTotals& t) {
    HANDLE dir =
        CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (dir == INVALID_HANDLE_VALUE)
        return;
    nt::Walk(dir, cluster, t);
    CloseHandle(dir);
}

// The same walk on `threads` threads sharing a stack of pending folders, with no checks at all.
// A folder waits either as its full path, opened by the thread that takes it up, or, when
// `relative`, as a handle its parent's listing opened relative to the parent's own handle by its
// listed name, as the host's walks reach folders.
inline void WalkNtPool(const std::wstring& folder, std::uint32_t cluster, unsigned threads, bool relative,
                       WalkTotals& t) {
    struct Pending {
        HANDLE dir; // null: open `path`
        std::wstring path;
    };
    std::mutex lock;
    std::condition_variable wake;
    std::vector<Pending> pending{{nullptr, folder}};
    unsigned busy = 0;
    std::vector<WalkTotals> totals(threads);
    auto work = [&](unsigned index) {
        alignas(8) static thread_local unsigned char buffer[65536];
        WalkTotals& mine = totals[index];
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            wake.wait(hold, [&] { return !pending.empty() || busy == 0; });
            if (pending.empty())
                break;
            const Pending taken = std::move(pending.back());
            pending.pop_back();
            ++busy;
            hold.unlock();
            HANDLE dir = taken.dir ? taken.dir
                                   : CreateFileW(taken.path.c_str(), FILE_LIST_DIRECTORY,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            std::vector<Pending> found;
            IO_STATUS_BLOCK io;
            while (dir != INVALID_HANDLE_VALUE &&
                   [&] {
                       NTSTATUS st = nt::Calls().query(dir, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                                       nt::kFullDirectoryInformation, FALSE, nullptr, FALSE);
                       return st >= 0 && st != nt::kNoMoreFiles;
                   }()) {
                for (unsigned char* p = buffer;;) {
                    auto* e = reinterpret_cast<nt::FullDirInformation*>(p);
                    const ULONG chars = e->FileNameLength / sizeof(WCHAR);
                    const WCHAR* n = e->FileName;
                    if (!(n[0] == L'.' && (chars == 1 || (chars == 2 && n[1] == L'.')))) {
                        if (e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                            ++mine.folders;
                            if (!(e->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                                if (!relative)
                                    found.push_back({nullptr, taken.path + L"\\" + std::wstring(n, chars)});
                                else if (HANDLE sub = nt::OpenRelative(dir, n, e->FileNameLength))
                                    found.push_back({sub, std::wstring()});
                            }
                        } else {
                            ++mine.files;
                            mine.size += OnDrive(static_cast<std::uint64_t>(e->EndOfFile.QuadPart), cluster);
                        }
                    }
                    if (!e->NextEntryOffset)
                        break;
                    p += e->NextEntryOffset;
                }
            }
            if (dir != INVALID_HANDLE_VALUE)
                CloseHandle(dir);
            hold.lock();
            --busy;
            for (Pending& f : found)
                pending.push_back(std::move(f));
            wake.notify_all();
        }
        wake.notify_all();
    };
    std::vector<std::thread> pool;
    for (unsigned k = 1; k < threads; ++k)
        pool.emplace_back(work, k);
    work(0);
    for (std::thread& th : pool)
        th.join();
    for (const WalkTotals& m : totals) {
        t.files += m.files;
        t.folders += m.folders;
        t.size += m.size;
    }
}

// Every folder of the tree below `folder` (itself included, not below links) with the number of
// files it holds directly.
inline void ListFolders(const std::wstring& folder, std::vector<std::pair<std::wstring, std::uint64_t>>& out) {
    const std::size_t at = out.size();
    out.emplace_back(folder, 0);
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> subfolders;
    do {
        const wchar_t* n = d.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)))
            continue;
        if (IsDirectoryToWalk(d.dwFileAttributes))
            subfolders.push_back(folder + L"\\" + n);
        else if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++out[at].second;
    } while (FindNextFileW(find, &d));
    FindClose(find);
    for (const std::wstring& sub : subfolders)
        ListFolders(sub, out);
}

// Lists each of `folders` on its own (opened by its path, no recursion) with the native query:
// the listing work of a walk without its descent, for sharing a tree between processes.
inline void ListFlat(const std::vector<std::wstring>& folders, std::uint32_t cluster, WalkTotals& t) {
    alignas(8) static unsigned char buffer[65536];
    for (const std::wstring& path : folders) {
        HANDLE dir =
            CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (dir == INVALID_HANDLE_VALUE)
            continue;
        ++t.folders;
        IO_STATUS_BLOCK io;
        for (;;) {
            const NTSTATUS st = nt::Calls().query(dir, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                                  nt::kFullDirectoryInformation, FALSE, nullptr, FALSE);
            if (st < 0 || st == nt::kNoMoreFiles)
                break;
            for (unsigned char* p = buffer;;) {
                auto* e = reinterpret_cast<nt::FullDirInformation*>(p);
                if (!(e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    ++t.files;
                    t.size += OnDrive(static_cast<std::uint64_t>(e->EndOfFile.QuadPart), cluster);
                }
                if (!e->NextEntryOffset)
                    break;
                p += e->NextEntryOffset;
            }
        }
        CloseHandle(dir);
    }
}

} // namespace qs::bench
