// Deleting a whole tree: DeleteFolderContent from a Lua plugin through the real host, or one of
// the plain deletion loops of the platform. Each run consumes its tree.
//   bench_delete [--quick] host|find|nt TREE
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

} // namespace

int main(int argc, char** argv) {
    const auto args = Positional(argc, argv);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: bench_delete [--quick] host|find|nt TREE\n");
        return 2;
    }
    const std::string mode = args[0], tree = args[1];
    const std::wstring wideTree(tree.begin(), tree.end());
    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // Everything inside the tree goes, folders included; the tree's own folder stays.
    auto plugin = LoadPlugin(vm, std::string(temp) + "qs-bench-delete.lua",
                             "function this:Clear()\n"
                             "  self:DeleteFolderContent([[" + tree + "]], '*', true)\n"
                             "end\n");
    if (!plugin)
        return 1;
    WalkTotals before;
    WalkNt(wideTree, 4096, before);
    const double start = Seconds();
    if (mode == "host") {
        plugin->Clear();
    } else if (mode == "find") {
        DeleteFind(wideTree);
    } else if (mode == "nt") {
        HANDLE dir = CreateFileW(wideTree.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        DeleteNt(dir);
        CloseHandle(dir);
    } else {
        return 2;
    }
    const double seconds = Seconds() - start;
    WalkTotals after;
    WalkNt(wideTree, 4096, after);
    std::printf("%s: deleted %llu files and %llu folders in %.3f s (%llu entries left)\n", mode.c_str(),
                static_cast<unsigned long long>(before.files), static_cast<unsigned long long>(before.folders), seconds,
                static_cast<unsigned long long>(after.files + after.folders));
    std::printf("RESULT %s=%.6f\n", mode.c_str(), seconds);
    return after.files + after.folders == 0 ? 0 : 3;
}
