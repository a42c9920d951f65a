// Wiping one large file with the default three passes (nine overwrites), from a Lua plugin
// through the real host; and a probe of whether the platform honours unbuffered writes.
//   bench_wipe [--quick] wipe FILE      wipes FILE (which the caller made) and times it
//   bench_wipe [--quick] unbuffered FILE MIB
//                                       writes MIB MiB with the system cache bypassed and no
//                                       flush, then exits: the caller looks at the page cache
#include "BenchCommon.h"

#include <cstdlib>

using namespace qs::bench;

int main(int argc, char** argv) {
    const auto args = Positional(argc, argv);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_wipe [--quick] wipe FILE | unbuffered FILE MIB\n");
        return 2;
    }
    const std::string mode = args[0], path = args[1];
    if (mode == "unbuffered" && args.size() == 3) {
        const int mib = std::atoi(args[2].c_str());
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        void* buffer = VirtualAlloc(nullptr, 65536, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (f == INVALID_HANDLE_VALUE || !buffer)
            return 1;
        std::memset(buffer, 0x5A, 65536);
        const double start = Seconds();
        DWORD written = 0;
        for (int i = 0; i < mib * 16; ++i)
            if (!WriteFile(f, buffer, 65536, &written, nullptr))
                return 1;
        const double seconds = Seconds() - start;
        CloseHandle(f);
        std::printf("unbuffered writes of %d MiB returned after %.3f s (%.0f MiB/s)\n", mib, seconds, mib / seconds);
        return 0;
    }
    if (mode != "wipe")
        return 2;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 1;
    const double mib = static_cast<double>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) /
                       (1024.0 * 1024.0);
    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    auto plugin = LoadPlugin(vm, std::string(temp) + "qs-bench-wipe.lua",
                             "function this:Clear()\n"
                             "  self:WipeFile([[" +
                                 path +
                                 "]])\n"
                                 "end\n");
    if (!plugin)
        return 1;
    const double start = Seconds();
    plugin->Clear();
    const double seconds = Seconds() - start;
    const bool gone = GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    std::printf("WipeFile, 3 passes over %.0f MiB: %.3f s, %.1f MiB/s written (%s)\n", mib, seconds, 9 * mib / seconds,
                gone ? "file deleted" : "FILE LEFT");
    std::printf("RESULT wipe=%.6f\n", seconds);
    return gone ? 0 : 3;
}
