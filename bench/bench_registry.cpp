// Deleting registry values and subkeys by mask from a Lua plugin through the real host, at two
// sizes whose ratio shows whether the deletion grows linearly with the entries of the key.
//   bench_registry [--quick]
// Full: 300 of 600 and 3,000 of 6,000 entries; --quick: 100 of 200 and 1,000 of 2,000. The
// matching entries are listed after as many that do not match, the case in which a walk that
// restarts its listing after every deletion reads the non-matching ones again each time. The
// goal for values is a ratio of at most 15 (linear work gives 10). Each size is run three times
// and the best time counts. Works in a key of its own under HKEY_CURRENT_USER\Software.
#include "BenchCommon.h"

#include <algorithm>

using namespace qs::bench;

namespace {

const char* const kParent = "Software\\QuillsweepBench";

// Fills a fresh key with `half` entries that the mask "b-*" passes over, listed first
// ("a-keep-..."), and `half` that it matches ("b-del-..."): values or subkeys.
bool Fill(const std::string& subkey, bool keys, int half) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = true;
    char name[32];
    for (int i = 0; i < 2 * half && ok; ++i) {
        std::snprintf(name, sizeof name, i < half ? "a-keep-%05d" : "b-del-%05d", i % half);
        if (keys) {
            HKEY child = nullptr;
            ok = RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr) == ERROR_SUCCESS;
            RegCloseKey(child);
        } else {
            ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2) == ERROR_SUCCESS;
        }
    }
    RegCloseKey(key);
    return ok;
}

// Entries left in the key: values or subkeys.
DWORD Left(const std::string& subkey, bool keys) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD subkeys = 0, values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return keys ? subkeys : values;
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = HasFlag(argc, argv, "--quick");
    const int small = quick ? 100 : 300;
    const int large = small * 10;
    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    auto plugin = LoadPlugin(vm, std::string(temp) + "qs-bench-registry.lua",
                             "function this:Clear()\n"
                             "  if keys then self:RegKeyDeleteKeys(target, 'b-*')\n"
                             "  else self:RegKeyDeleteValues(target, 'b-*') end\n"
                             "end\n");
    if (!plugin)
        return 1;
    const std::string subkey = std::string(kParent) + "\\Registry-" + std::to_string(GetCurrentProcessId());
    lua_State* L = vm.State();
    lua_pushstring(L, ("HKEY_CURRENT_USER\\" + subkey).c_str());
    lua_setglobal(L, "target");

    int failures = 0;
    // Best of three runs at `half` matching entries among 2 * half.
    auto measure = [&](bool keys, int half) {
        double best = 1e300;
        for (int run = 0; run < 3; ++run) {
            RegDeleteTreeA(HKEY_CURRENT_USER, subkey.c_str());
            if (!Fill(subkey, keys, half)) {
                std::fprintf(stderr, "cannot fill the key\n");
                ++failures;
                return 0.0;
            }
            lua_pushboolean(L, keys);
            lua_setglobal(L, "keys");
            const double start = Seconds();
            plugin->Clear();
            best = std::min(best, Seconds() - start);
            if (Left(subkey, keys) != static_cast<DWORD>(half))
                ++failures;
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, subkey.c_str());
        return best;
    };
    for (const bool keys : {false, true}) {
        const char* what = keys ? "keys" : "values";
        const double t1 = measure(keys, small);
        const double t2 = measure(keys, large);
        std::printf("%s: %d of %d in %.4f s, %d of %d in %.4f s: ratio %.2f (goal <= 15)\n", what, small, 2 * small,
                    t1, large, 2 * large, t2, t2 / t1);
        std::printf("RESULT %s_small=%.6f %s_large=%.6f %s_ratio=%.3f\n", what, t1, what, t2, what, t2 / t1);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kParent);
    if (failures != 0)
        std::fprintf(stderr, "%d runs left another number of entries than they should\n", failures);
    return failures == 0 ? 0 : 3;
}
