// The fourteen host functions as scripts see them: names, order, arguments and results.
#pragma once

#include <lua.h>

#include <cstdint>
#include <string>

namespace qs {

// The work behind the host functions, as the argument rules hand it on. Bound to the hostfn
// routines; tests replace entries to observe exactly what a script's call turned into.
struct HostWork {
    void (*measureFolder)(const std::string& folder, const std::string& masks, bool recurse, std::uint64_t& size,
                          std::uint32_t& count);
    int (*iconOfPath)(const std::string& path);
    int (*iconOfExtension)(const std::string& extension);
    void (*queryRecycleBin)(const std::string& root, std::uint64_t& size, std::uint32_t& count);
    bool (*sizeOnDrive)(const std::string& path, std::uint64_t& size);
    std::uint32_t (*countValues)(const std::string& key, const std::string& masks);
    void (*deleteValues)(const std::string& key, const std::string& masks);
    void (*eraseFolder)(const std::string& folder, const std::string* masks, bool recurse);
    void (*deleteFile)(const std::string& path);
    void (*emptyRecycleBin)(const std::string& root);
    bool (*wipeFile)(const std::string& path, std::uint32_t passes);
    void (*wipeFolder)(const std::string& folder, const std::string& masks, bool recurse, std::uint32_t passes);
    bool (*cleanIndexFolder)(const std::string& folder, bool leakScan);
    void (*deleteKeys)(const std::string& key, const std::string& masks);
};

// The work table in use; DefaultHostWork() is the real one.
HostWork& CurrentHostWork();
const HostWork& DefaultHostWork();

constexpr int kHostFunctionCount = 14;

// In registration order; the position is what dispatch switches on.
extern const char* const kHostFunctionNames[kHostFunctionCount];

// Runs the host function at `position` on the script's arguments (stack indexes 1 to top) and
// answers the number of results pushed; an unknown position pushes nothing.
int CallHostFunction(lua_State* L, int position);

} // namespace qs
