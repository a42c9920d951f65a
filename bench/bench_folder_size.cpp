// GetFolderSize with recursion, called from a Lua plugin through the real host on 1, 2, 4 and 8
// threads and on the automatic count, against the plain one-thread directory walks of the
// platform; then how soon a cancelled walk returns. Beside them, what the platform gives plain
// parallel walks: on threads of one process, and split over two processes.
//   bench_folder_size [--quick] TREE
//   bench_folder_size --list-flat FILE   (a child: lists the folders FILE names, one a line,
//                                          and exits with the number of files they hold)
#include "BenchCommon.h"
#include "PlainWalk.h"

#include "hostfn/Cancellation.h"
#include "hostfn/ParallelWalk.h"

#include <algorithm>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

using namespace qs::bench;

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

double Best(int rounds, const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const double start = Seconds();
        run();
        best = std::min(best, Seconds() - start);
    }
    return best;
}

// The folders of `tree` dealt into `shares` lists of about as many files each, written one
// folder a line to `stem` + k, for child processes to list.
std::vector<std::string> WriteShares(const std::string& tree, const std::string& stem, unsigned shares) {
    std::vector<std::pair<std::wstring, std::uint64_t>> folders;
    ListFolders(Wide(tree), folders);
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<std::uint64_t> load(shares, 0);
    std::vector<std::string> files(shares), texts(shares);
    for (const auto& folder : folders) {
        const std::size_t k = static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        load[k] += folder.second + 1;
        texts[k].append(folder.first.begin(), folder.first.end()).push_back('\n'); // the tree's names are ASCII
    }
    for (unsigned k = 0; k < shares; ++k) {
        files[k] = stem + std::to_string(shares) + "-" + std::to_string(k) + ".txt";
        if (FILE* f = std::fopen(files[k].c_str(), "wb")) {
            std::fwrite(texts[k].data(), 1, texts[k].size(), f);
            std::fclose(f);
        }
    }
    return files;
}

// Child processes (this program again), one per list, started together; the time includes
// starting them. The number of files they listed together.
std::uint64_t ListInProcesses(const std::vector<std::string>& lists) {
    char self[MAX_PATH];
    if (!GetModuleFileNameA(nullptr, self, MAX_PATH))
        return 0;
    std::vector<PROCESS_INFORMATION> children;
    for (const std::string& list : lists) {
        std::string command = "bench_folder_size --list-flat \"" + list + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION child{};
        if (CreateProcessA(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &child))
            children.push_back(child);
    }
    std::uint64_t files = 0;
    for (PROCESS_INFORMATION& child : children) {
        WaitForSingleObject(child.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(child.hProcess, &code);
        files += code;
        CloseHandle(child.hProcess);
        CloseHandle(child.hThread);
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = HasFlag(argc, argv, "--quick");
    const auto args = Positional(argc, argv);
    if (HasFlag(argc, argv, "--list-flat") && args.size() == 1) {
        std::vector<std::wstring> folders;
        if (FILE* f = std::fopen(args[0].c_str(), "rb")) {
            char line[4096];
            while (std::fgets(line, sizeof line, f)) {
                std::string path(line);
                while (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
                    path.pop_back();
                folders.push_back(Wide(path));
            }
            std::fclose(f);
        }
        WalkTotals share;
        ListFlat(folders, 4096, share);
        return static_cast<int>(share.files);
    }
    if (args.empty()) {
        std::fprintf(stderr, "usage: bench_folder_size [--quick] TREE\n");
        return 2;
    }
    const std::string tree = args[0];
    const int rounds = quick ? 3 : 5;
    const std::uint32_t cluster = 4096;

    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    auto plugin = LoadPlugin(vm, std::string(temp) + "qs-bench-size.lua",
                             "function this:GetSize()\n"
                             "  return self:GetFolderSize([[" +
                                 tree +
                                 "]], nil, true)\n"
                                 "end\n");
    if (!plugin)
        return 1;

    WalkTotals warm;
    WalkFindA(tree, cluster, warm); // fills the caches the same way for everyone
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    const std::uint64_t memoryBefore = PeakPrivateBytes();

    // Alternate the contenders round by round so that none gains from the order.
    const unsigned kCaps[] = {1, 2, 4, 8, 0}; // 0: automatic, as the program runs
    constexpr int kCapCount = 5;
    double host[kCapCount] = {1e30, 1e30, 1e30, 1e30, 1e30};
    std::vector<std::pair<std::uint64_t, std::uint32_t>> measured; // every host run's size and count
    double findA = 1e30, findW = 1e30, ntWalk = 1e30, ntWalk2 = 1e30, ntWalk2Relative = 1e30, oneProcess = 1e30,
           twoProcesses = 1e30;
    WalkTotals a, w, n, n2, n2r;
    std::uint64_t processFiles = 0, oneProcessFiles = 0;
    const std::string stem = std::string(temp) + "qs-bench-share";
    const std::vector<std::string> whole = WriteShares(tree, stem, 1), halves = WriteShares(tree, stem, 2);
    for (int r = 0; r < rounds; ++r) {
        for (int k = 0; k < kCapCount; ++k) {
            qs::SetWalkThreadCap(kCaps[k]);
            host[k] = std::min(host[k], Best(1, [&] { plugin->GetSize(size, count); }));
            measured.emplace_back(size, count);
        }
        findA = std::min(findA, Best(1, [&] {
                             a = WalkTotals();
                             WalkFindA(tree, cluster, a);
                         }));
        findW = std::min(findW, Best(1, [&] {
                             w = WalkTotals();
                             WalkFindW(Wide(tree), cluster, w);
                         }));
        ntWalk = std::min(ntWalk, Best(1, [&] {
                              n = WalkTotals();
                              WalkNt(Wide(tree), cluster, n);
                          }));
        ntWalk2 = std::min(ntWalk2, Best(1, [&] {
                               n2 = WalkTotals();
                               WalkNtPool(Wide(tree), cluster, 2, false, n2);
                           }));
        ntWalk2Relative = std::min(ntWalk2Relative, Best(1, [&] {
                                       n2r = WalkTotals();
                                       WalkNtPool(Wide(tree), cluster, 2, true, n2r);
                                   }));
        oneProcess = std::min(oneProcess, Best(1, [&] { oneProcessFiles = ListInProcesses(whole); }));
        twoProcesses = std::min(twoProcesses, Best(1, [&] { processFiles = ListInProcesses(halves); }));
    }
    const std::uint64_t memoryAfter = PeakPrivateBytes();
    for (const std::vector<std::string>* lists : {&whole, &halves})
        for (const std::string& list : *lists)
            DeleteFileA(list.c_str());
    const double plain = std::min({findA, findW, ntWalk});
    qs::SetWalkThreadCap(0);
    const bool same = std::all_of(measured.begin(), measured.end(),
                                  [&n](const auto& m) { return m.first == n.size && m.second == n.files; });

    // Cancel while the automatic walk is under way; the time from the flag to the return.
    double cancelWorst = 0;
    for (int r = 0; r < 3; ++r) {
        double cancelledAt = 0;
        std::thread walk([&] { plugin->GetSize(size, count); });
        Sleep(static_cast<DWORD>(host[kCapCount - 1] * 1000 / 3));
        cancelledAt = Seconds();
        qs::CancelledFlag() = true;
        walk.join();
        cancelWorst = std::max(cancelWorst, Seconds() - cancelledAt);
        qs::CancelledFlag() = false;
    }

    std::printf("tree: %llu files, %llu folders, %llu bytes on drive\n", static_cast<unsigned long long>(n.files),
                static_cast<unsigned long long>(n.folders), static_cast<unsigned long long>(n.size));
    for (int k = 0; k < kCapCount; ++k)
        std::printf("GetFolderSize from a plugin, %u thread(s)%s: %.3f s, %.3fx the plain native-query walk\n",
                    qs::WalkThreadCount(kCaps[k], std::thread::hardware_concurrency()),
                    kCaps[k] == 0 ? " (automatic)" : "", host[k], host[k] / ntWalk);
    std::printf("every host run gave the plain walk's size and count to the byte: %s\n", same ? "yes" : "NO");
    std::printf("plain FindFirstFileA walk:   %.3f s\n", findA);
    std::printf("plain FindFirstFileExW walk: %.3f s\n", findW);
    std::printf("plain NtQueryDirectoryFile:  %.3f s\n", ntWalk);
    std::printf("plain NtQueryDirectoryFile on 2 threads, no checks: %.3f s (%.3fx the one-thread walk%s)\n", ntWalk2,
                ntWalk2 / ntWalk, n2.files == n.files && n2.size == n.size ? "" : ", DIFFERENT TOTALS");
    std::printf("the same on 2 threads, subfolders opened relative to their parents: %.3f s (%.3fx%s)\n",
                ntWalk2Relative, ntWalk2Relative / ntWalk,
                n2r.files == n.files && n2r.size == n.size ? "" : ", DIFFERENT TOTALS");
    std::printf("every folder listed on its own in one child process: %.3f s; the same folders dealt to 2 child "
                "processes: %.3f s (%.3fx%s)\n",
                oneProcess, twoProcesses, twoProcesses / oneProcess,
                processFiles == n.files && oneProcessFiles == n.files ? "" : ", DIFFERENT TOTALS");
    std::printf("ratio to the fastest plain walk: %.3f\n", host[kCapCount - 1] / plain);
    std::printf("cancel: the walk returned at most %.1f ms after the flag was set\n", cancelWorst * 1000);
    std::printf("peak private bytes: %llu before, %llu after the walks (+%llu)\n",
                static_cast<unsigned long long>(memoryBefore), static_cast<unsigned long long>(memoryAfter),
                static_cast<unsigned long long>(memoryAfter - memoryBefore));
    std::printf("RESULT host=%.6f plain=%.6f nt=%.6f nt2=%.6f host1=%.6f host2=%.6f host4=%.6f host8=%.6f cancel=%.6f nt2rel=%.6f proc1=%.6f proc2=%.6f\n",
                host[kCapCount - 1], plain, ntWalk, ntWalk2, host[0], host[1], host[2], host[3], cancelWorst, ntWalk2Relative,
                oneProcess, twoProcesses);
    return same ? 0 : 3;
}
