// A job table with a folder wildcard and an exclude list, measured by MeasureFiles from a plugin,
// against GetFolderSize from a plugin over the same folders one by one.
//   bench_job [--quick] TREE      (TREE holds the folders part00, part01, ...)
#include "BenchCommon.h"

#include "hostfn/ParallelWalk.h"

#include <algorithm>
#include <vector>

using namespace qs::bench;

namespace {

// The subfolders of `tree` whose names start with "part", in listing order.
std::vector<std::string> Parts(const std::string& tree) {
    std::vector<std::string> parts;
    WIN32_FIND_DATAA d;
    HANDLE find = FindFirstFileA((tree + "\\part*").c_str(), &d);
    if (find == INVALID_HANDLE_VALUE)
        return parts;
    do {
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            parts.push_back(d.cFileName);
    } while (FindNextFileA(find, &d));
    FindClose(find);
    return parts;
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = HasFlag(argc, argv, "--quick");
    const auto args = Positional(argc, argv);
    if (args.empty()) {
        std::fprintf(stderr, "usage: bench_job [--quick] TREE\n");
        return 2;
    }
    const std::string tree = args[0];
    const std::vector<std::string> parts = Parts(tree);
    if (parts.empty()) {
        std::fprintf(stderr, "no part folders in %s\n", tree.c_str());
        return 2;
    }
    const int rounds = quick ? 3 : 5;

    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // The folders one by one, as a plugin without job tables measures them.
    std::string folders = "local folders = {";
    for (const std::string& part : parts)
        folders += "[[" + tree + "\\" + part + "]],";
    folders += "}\n";
    auto perFolder = LoadPlugin(vm, std::string(temp) + "qs-bench-folders.lua",
                                folders + "function this:GetSize()\n"
                                          "  local size, count = 0, 0\n"
                                          "  for _, f in ipairs(folders) do\n"
                                          "    local s, c = self:GetFolderSize(f, nil, true)\n"
                                          "    size = size + s count = count + c\n"
                                          "  end\n"
                                          "  return string.format('%.0f', size), count\n"
                                          "end\n");
    // The same folders as one job: a wildcard, and three exclude patterns (a file pattern, a
    // folder with its trailing backslash, everything in a folder) that every entry is tested
    // against and that match nothing here, so both must give the same totals.
    auto job = LoadPlugin(vm, std::string(temp) + "qs-bench-job.lua",
                          "function this:GetSize()\n"
                          "  return self:MeasureFiles({folder = [[" +
                              tree +
                              "\\part*]], recurse = true,\n"
                              "    exclude = [[*.qsx;*\\keep-me\\;" +
                              tree + "\\part00\\never\\*]]})\n"
                                     "end\n");
    if (!perFolder || !job)
        return 1;

    std::uint64_t size = 0, jobSize = 0;
    std::uint32_t count = 0, jobCount = 0;
    perFolder->GetSize(size, count); // fills the caches the same way for both
    qs::SetWalkThreadCap(0);         // automatic, as the program runs
    double plain = 1e30, withJob = 1e30;
    bool same = true;
    // Alternate the contenders round by round so that neither gains from the order.
    for (int r = 0; r < rounds; ++r) {
        double start = Seconds();
        perFolder->GetSize(size, count);
        plain = std::min(plain, Seconds() - start);
        start = Seconds();
        job->GetSize(jobSize, jobCount);
        withJob = std::min(withJob, Seconds() - start);
        same = same && size == jobSize && count == jobCount;
    }
    std::printf("%zu folders matched by one wildcard: %llu files, %llu bytes on drive\n", parts.size(),
                static_cast<unsigned long long>(count), static_cast<unsigned long long>(size));
    std::printf("GetFolderSize over each folder: %.3f s\n", plain);
    std::printf("MeasureFiles, wildcard and three exclude patterns: %.3f s, %.3fx GetFolderSize (goal <= 1.1)\n",
                withJob, withJob / plain);
    std::printf("both gave the same size and count: %s\n", same ? "yes" : "NO");
    std::printf("RESULT folders=%.6f job=%.6f\n", plain, withJob);
    return same ? 0 : 3;
}
