// Timing, memory and plugin helpers shared by the benchmark programs.
#pragma once

#include "engine/PluginScript.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace qs::bench {

inline double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Peak private bytes of the process so far.
inline std::uint64_t PeakPrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    return pmc.PeakPagefileUsage;
}

inline bool HasFlag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    return false;
}

// The arguments that are not flags.
inline std::vector<std::string> Positional(int argc, char** argv) {
    std::vector<std::string> out;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--", 2) != 0)
            out.push_back(argv[i]);
    return out;
}

// A plugin loaded through the real host from `source`, written next to the benchmark's data.
inline std::unique_ptr<CPluginScript> LoadPlugin(CLuaVirtualMachine& vm, const std::string& scriptPath,
                                                 const std::string& source) {
    FILE* f = std::fopen(scriptPath.c_str(), "wb");
    if (!f)
        return nullptr;
    std::fwrite(source.data(), 1, source.size(), f);
    std::fclose(f);
    auto plugin = std::make_unique<CPluginScript>(vm);
    if (!plugin->LoadFile(scriptPath.c_str()))
        return nullptr;
    return plugin;
}

} // namespace qs::bench
