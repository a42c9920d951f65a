// What the count hook costs a compute-heavy script: the same script called through the host
// (hook checking every 4096 instructions) and by a plain protected call with the hook removed,
// alternately in the same run; prints the best time of each and their ratio.
//   bench_hook [--quick]
#include "BenchCommon.h"

#include "engine/LuaVirtualMachine.h"

#include <lauxlib.h>

#include <algorithm>
#include <cstdio>

namespace {

// Arithmetic, string building and table work, as a plugin that computes instead of walking.
const char kScript[] = R"(
function Work(n)
    local sum, parts = 0, {}
    for i = 1, n do
        sum = sum + (i * 7) % 13
        if i % 64 == 0 then
            parts[#parts + 1] = string.format("%d", sum)
            if #parts > 256 then parts = {} end
        end
    end
    return sum
end
)";

} // namespace

int main(int argc, char** argv) {
    using qs::bench::Seconds;
    const bool quick = qs::bench::HasFlag(argc, argv, "--quick");
    const int iterations = quick ? 2000000 : 20000000;
    const int rounds = quick ? 3 : 7;

    qs::CLuaVirtualMachine vm;
    if (!vm.Open())
        return 1;
    lua_State* L = vm.State();
    if (luaL_loadstring(L, kScript) != 0 || lua_pcall(L, 0, 0, 0) != 0)
        return 1;

    double hooked = 1e30, plain = 1e30;
    for (int round = 0; round < rounds; ++round) {
        lua_getfield(L, LUA_GLOBALSINDEX, "Work");
        lua_pushnumber(L, iterations);
        double start = Seconds();
        if (!vm.ProtectedCall(1, 1, qs::CCallBudget::kUnlimited))
            return 1;
        hooked = std::min(hooked, Seconds() - start);
        lua_pop(L, 1);

        // The reference: the same call with no hook at all.
        lua_sethook(L, nullptr, 0, 0);
        lua_getfield(L, LUA_GLOBALSINDEX, "Work");
        lua_pushnumber(L, iterations);
        start = Seconds();
        if (lua_pcall(L, 1, 1, 0) != 0)
            return 1;
        plain = std::min(plain, Seconds() - start);
        lua_pop(L, 1);
    }
    std::printf("compute-heavy script, %d iterations, best of %d: with the hook %.3f s, without %.3f s\n", iterations,
                rounds, hooked, plain);
    std::printf("RESULT hook_ratio=%.3f\n", hooked / plain);
    return 0;
}
