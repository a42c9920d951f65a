// GetFolderSize with recursion, called from a Lua plugin through the real host, against the
// plain directory walks of the platform.
//   bench_folder_size [--quick] TREE
#include "BenchCommon.h"
#include "PlainWalk.h"

#include <algorithm>
#include <functional>

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

} // namespace

int main(int argc, char** argv) {
    const bool quick = HasFlag(argc, argv, "--quick");
    const auto args = Positional(argc, argv);
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
    double host = 1e30, findA = 1e30, findW = 1e30, ntWalk = 1e30;
    WalkTotals a, w, n;
    for (int r = 0; r < rounds; ++r) {
        host = std::min(host, Best(1, [&] { plugin->GetSize(size, count); }));
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
    }
    const std::uint64_t memoryAfter = PeakPrivateBytes();
    const double plain = std::min({findA, findW, ntWalk});

    std::printf("tree: %llu files, %llu folders, %llu bytes on drive\n", static_cast<unsigned long long>(n.files),
                static_cast<unsigned long long>(n.folders), static_cast<unsigned long long>(n.size));
    std::printf("GetFolderSize from a plugin: %.3f s (%lu items, %llu bytes)\n", host,
                static_cast<unsigned long>(count), static_cast<unsigned long long>(size));
    std::printf("plain FindFirstFileA walk:   %.3f s\n", findA);
    std::printf("plain FindFirstFileExW walk: %.3f s\n", findW);
    std::printf("plain NtQueryDirectoryFile:  %.3f s\n", ntWalk);
    std::printf("ratio to the fastest plain walk: %.3f\n", host / plain);
    std::printf("peak private bytes: %llu before, %llu after the walks (+%llu)\n",
                static_cast<unsigned long long>(memoryBefore), static_cast<unsigned long long>(memoryAfter),
                static_cast<unsigned long long>(memoryAfter - memoryBefore));
    std::printf("RESULT host=%.6f plain=%.6f\n", host, plain);
    return size == n.size && count == n.files ? 0 : 3;
}
