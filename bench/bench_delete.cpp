// Deleting a whole tree: DeleteFolderContent from a Lua plugin through the real host, or one of
// the plain deletion loops of the platform. Each run consumes its tree.
//   bench_delete [--quick] host|find|nt|guarded TREE
//   bench_delete [--quick] turns TREE   TREE holds identical parts part00, part01, ...: they go
//                                       to host, nt, find and guarded in turns (the order
//                                       rotating each round), and one in five is left for the
//                                       native rm -rf of the caller. Many small turns spread the
//                                       drift of the machine evenly over everyone.
// nt is the fastest plain loop; guarded is the same loop with the check that the host makes so
// that no deletion reaches through a link (the handle's name must be the entry's), which costs
// server round trips of its own under Wine.
#include "BenchCommon.h"
#include "PlainWalk.h"

using namespace qs::bench;

namespace {

// FindFirstFileW, DeleteFileW and RemoveDirectoryW on full paths.
void DeleteFind(const std::wstring& folder) {
    WIN32_FIND_DATAW d;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &d, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const wchar_t* n = d.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)))
            continue;
        const std::wstring full = folder + L"\\" + n;
        if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            DeleteFind(full);
            RemoveDirectoryW(full.c_str());
        } else {
            DeleteFileW(full.c_str());
        }
    } while (FindNextFileW(find, &d));
    FindClose(find);
}

// The native interface: every entry opened for deletion relative to its folder's handle.
void DeleteNt(HANDLE dir) {
    alignas(8) static unsigned char buffer[65536];
    IO_STATUS_BLOCK io;
    std::wstring files, folders;
    for (;;) {
        NTSTATUS s = nt::Calls().query(dir, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                       nt::kFullDirectoryInformation, FALSE, nullptr, FALSE);
        if (s < 0 || s == nt::kNoMoreFiles)
            break;
        for (unsigned char* p = buffer;;) {
            auto* e = reinterpret_cast<nt::FullDirInformation*>(p);
            const ULONG chars = e->FileNameLength / sizeof(WCHAR);
            const WCHAR* n = e->FileName;
            if (!(n[0] == L'.' && (chars == 1 || (chars == 2 && n[1] == L'.')))) {
                std::wstring& list = (e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? folders : files;
                list.append(n, chars);
                list.push_back(L'\0');
            }
            if (!e->NextEntryOffset)
                break;
            p += e->NextEntryOffset;
        }
    }
    using OpenFn = nt::OpenFileFn;
    const OpenFn open = nt::Calls().open;
    auto remove = [&](const std::wstring& list, ULONG kind) {
        for (std::size_t at = 0; at < list.size();) {
            const std::size_t end = list.find(L'\0', at);
            UNICODE_STRING us;
            us.Buffer = const_cast<PWSTR>(list.c_str() + at);
            us.Length = us.MaximumLength = static_cast<USHORT>((end - at) * sizeof(WCHAR));
            OBJECT_ATTRIBUTES oa;
            InitializeObjectAttributes(&oa, &us, OBJ_CASE_INSENSITIVE, dir, nullptr);
            HANDLE h = nullptr;
            if (kind == 0x1) { // a folder: empty it first
                if (open(&h, FILE_LIST_DIRECTORY | DELETE | SYNCHRONIZE, &oa, &io,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nt::kOpenDirectory) >= 0) {
                    DeleteNt(h);
                    FILE_DISPOSITION_INFO disposition{TRUE};
                    SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition);
                    nt::Calls().close(h);
                }
            } else if (open(&h, DELETE | SYNCHRONIZE, &oa, &io, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            0x1000 /* delete on close */ | 0x40 /* non-directory */ | 0x20) >= 0) {
                nt::Calls().close(h);
            }
            at = end + 1;
        }
    };
    remove(files, 0);
    remove(folders, 0x1);
}

using QueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// The full name of an open object (ObjectNameInformation), or empty.
std::wstring ObjectName(HANDLE h) {
    static const auto query = reinterpret_cast<QueryObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    alignas(8) unsigned char buffer[2048];
    ULONG used = 0;
    if (query(h, 1, buffer, sizeof buffer, &used) < 0)
        return std::wstring();
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer);
    return std::wstring(name->Buffer, name->Length / sizeof(WCHAR));
}

// The native loop, each entry opened as itself relative to its folder's handle and deleted through
// that handle only when the handle's name is the folder's followed by the entry's.
void DeleteGuarded(HANDLE dir) {
    alignas(8) static unsigned char buffer[65536];
    IO_STATUS_BLOCK io;
    std::wstring files, folders;
    for (;;) {
        NTSTATUS s = nt::Calls().query(dir, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                       nt::kFullDirectoryInformation, FALSE, nullptr, FALSE);
        if (s < 0 || s == nt::kNoMoreFiles)
            break;
        for (unsigned char* p = buffer;;) {
            auto* e = reinterpret_cast<nt::FullDirInformation*>(p);
            const ULONG chars = e->FileNameLength / sizeof(WCHAR);
            const WCHAR* n = e->FileName;
            if (!(n[0] == L'.' && (chars == 1 || (chars == 2 && n[1] == L'.')))) {
                std::wstring& list = (e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? folders : files;
                list.append(n, chars);
                list.push_back(L'\0');
            }
            if (!e->NextEntryOffset)
                break;
            p += e->NextEntryOffset;
        }
    }
    const std::wstring dirName = ObjectName(dir);
    if (dirName.empty())
        return;
    auto remove = [&](const std::wstring& list, ULONG kind) {
        for (std::size_t at = 0; at < list.size();) {
            const std::size_t end = list.find(L'\0', at);
            UNICODE_STRING us;
            us.Buffer = const_cast<PWSTR>(list.c_str() + at);
            us.Length = us.MaximumLength = static_cast<USHORT>((end - at) * sizeof(WCHAR));
            OBJECT_ATTRIBUTES oa;
            InitializeObjectAttributes(&oa, &us, OBJ_CASE_INSENSITIVE, dir, nullptr);
            HANDLE h = nullptr;
            const ACCESS_MASK access = kind ? FILE_LIST_DIRECTORY | DELETE | SYNCHRONIZE : DELETE | SYNCHRONIZE;
            const ULONG options =
                (kind ? nt::kOpenDirectory : 0x40 /* non-directory */ | 0x20) | 0x200000 /* as itself */;
            if (nt::Calls().open(&h, access, &oa, &io, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 options) >= 0) {
                const std::wstring name = ObjectName(h);
                if (name == dirName + L"\\" + list.substr(at, end - at)) {
                    if (kind)
                        DeleteGuarded(h);
                    FILE_DISPOSITION_INFO disposition{TRUE};
                    SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition);
                }
                nt::Calls().close(h);
            }
            at = end + 1;
        }
    };
    remove(files, 0);
    remove(folders, 0x1);
}

} // namespace

int main(int argc, char** argv) {
    const auto args = Positional(argc, argv);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: bench_delete [--quick] host|find|nt|guarded|turns TREE\n");
        return 2;
    }
    const std::string mode = args[0], tree = args[1];
    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // Everything inside the folder goes, folders included; the folder itself stays.
    auto plugin = LoadPlugin(vm, std::string(temp) + "qs-bench-delete.lua",
                             "function this:Clear()\n"
                             "  self:DeleteFolderContent(target, '*', true)\n"
                             "end\n");
    if (!plugin)
        return 1;
    auto run = [&](const std::string& how, const std::string& folder) {
        const std::wstring wide(folder.begin(), folder.end());
        const double start = Seconds();
        if (how == "host") {
            lua_pushstring(vm.State(), folder.c_str());
            lua_setglobal(vm.State(), "target");
            plugin->Clear();
        } else if (how == "find") {
            DeleteFind(wide);
        } else {
            HANDLE dir =
                CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            if (how == "guarded")
                DeleteGuarded(dir);
            else
                DeleteNt(dir);
            CloseHandle(dir);
        }
        return Seconds() - start;
    };
    auto left = [](const std::string& folder) {
        WalkTotals t;
        WalkNt(std::wstring(folder.begin(), folder.end()), 4096, t);
        return t.files + t.folders;
    };

    if (mode != "turns") {
        WalkTotals before;
        WalkNt(std::wstring(tree.begin(), tree.end()), 4096, before);
        const double seconds = run(mode, tree);
        const std::uint64_t remaining = left(tree);
        std::printf("%s: deleted %llu files and %llu folders in %.3f s (%llu entries left)\n", mode.c_str(),
                    static_cast<unsigned long long>(before.files), static_cast<unsigned long long>(before.folders),
                    seconds, static_cast<unsigned long long>(remaining));
        std::printf("RESULT %s=%.6f\n", mode.c_str(), seconds);
        return remaining == 0 ? 0 : 3;
    }

    const char* const turns[] = {"host", "nt", "find", "guarded", nullptr};
    constexpr int kSlots = 5;
    double total[kSlots - 1] = {};
    std::uint64_t files[kSlots - 1] = {}, remaining = 0;
    for (int part = 0;; ++part) {
        char name[16];
        std::snprintf(name, sizeof name, "\\part%02d", part);
        const std::string folder = tree + name;
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            break;
        const int who = (part % kSlots + part / kSlots) % kSlots; // the order rotates from one round to the next
        if (!turns[who])
            continue; // left for rm -rf
        WalkTotals before;
        WalkNt(std::wstring(folder.begin(), folder.end()), 4096, before);
        total[who] += run(turns[who], folder);
        files[who] += before.files;
        remaining += left(folder);
    }
    for (int i = 0; i < kSlots - 1; ++i)
        std::printf("%s: deleted %llu files in %.3f s (%.1f us per file)\n", turns[i],
                    static_cast<unsigned long long>(files[i]), total[i], files[i] ? 1e6 * total[i] / files[i] : 0.0);
    std::printf("RESULT host=%.6f nt=%.6f find=%.6f guarded=%.6f\n", total[0], total[1], total[2], total[3]);
    return remaining == 0 ? 0 : 3;
}
