// The Lua host: libraries, trace, object tables, host-method routing, protected calls.
#include "engine/HostFunctions.h"
#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

namespace {

using qs::CLuaVirtualMachine;
using qs::CPluginScript;
using qs::test::ScriptHost;
using Results = std::vector<std::string>;

TEST(ScriptHost, OffersOnlyTheSafeLibraries) {
    ScriptHost host;
    EXPECT_EQ(host.Eval("return type(io), type(os), type(package), type(require), type(dofile) ~= nil"),
              (Results{"s:nil", "s:nil", "s:nil", "s:nil", "b:true"}));
    EXPECT_EQ(host.Eval("return type(coroutine.create), type(table.insert), type(string.format), "
                        "type(math.floor), type(debug.getinfo), type(trace)"),
              (Results{"s:function", "s:function", "s:function", "s:function", "s:function", "s:function"}));
}

// Captures what the process writes to its standard output while `run` runs.
template <typename F> std::string CaptureStdout(F run) {
    std::fflush(stdout);
    char path[MAX_PATH];
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "qso", 0, path);
    const int saved = _dup(1);
    const int fd = _open(path, _O_WRONLY | _O_TRUNC | _O_BINARY);
    _dup2(fd, 1);
    run();
    std::fflush(stdout);
    _dup2(saved, 1);
    _close(fd);
    _close(saved);
    std::string text = qs::test::ReadText(path);
    DeleteFileA(path);
    return text;
}

TEST(ScriptHost, TraceWritesMessageSourceAndLine) {
    ScriptHost host;
    const std::string path = host.WriteScript("\n\n\n\n\n\ntrace('x')\ntrace(nil)\n");
    CPluginScript script(host.Vm());
    std::string out = CaptureStdout([&] { EXPECT_TRUE(script.LoadFile(path.c_str())); });
    EXPECT_EQ(out, "script: x -- at @" + path + "(7)\nscript: nil -- at @" + path + "(8)\n");
}

TEST(ScriptHost, EntryPointsLiveOnlyInTheObjectTable) {
    ScriptHost host;
    auto script = host.Load("function GetSize() return 1, 1 end\nthis.Number = 5\nthis.Table = {}\n");
    ASSERT_TRUE(script);
    lua_State* L = host.Vm().State();
    const int top = lua_gettop(L);
    for (const char* name : {"GetSize", "Number", "Table", "Missing"}) {
        EXPECT_FALSE(script->PrepareCall(name)) << name;
        EXPECT_EQ(lua_gettop(L), top) << name;
    }
}

TEST(ScriptHost, MisdirectedHostCallsRaiseTheCallbackError) {
    ScriptHost host;
    const std::string err = std::string("error:") + qs::kHostCallError;
    auto ends = [&](const Results& r) {
        return r.size() == 1 && r[0].size() >= err.size() &&
               r[0].compare(r[0].size() - err.size(), err.size(), err) == 0;
    };
    EXPECT_PRED1(ends, host.Eval("return self.GetFileSize('x')"));
    EXPECT_PRED1(ends, host.Eval("local f = self.GetFileSize; return f(42)"));
    for (const char* key0 : {"5", "'text'", "nil", "{}"}) {
        auto script =
            host.Load(std::string("function this:Test() self[0] = ") + key0 + " return self:GetFileSize('x') end");
        ASSERT_TRUE(script);
        ASSERT_TRUE(script->PrepareCall("Test"));
        EXPECT_FALSE(host.Vm().ProtectedCall(1, 0)) << key0;
        EXPECT_NE(host.Vm().LastError().find(qs::kHostCallError), std::string::npos);
    }
}

TEST(ScriptHost, PointerCopiedFromADeletedObjectNeverReachesIt) {
    ScriptHost host;
    auto victim = host.Load("function this:Noop() end");
    auto thief = host.Load("function this:Steal(other) self[0] = other[0] end\n"
                           "function this:Use() return self:GetFileSize('x') end");
    ASSERT_TRUE(victim && thief);
    lua_State* L = host.Vm().State();
    // Copy the victim's key 0 into the thief's table, then delete the victim.
    ASSERT_TRUE(thief->PrepareCall("Steal"));
    lua_rawgeti(L, LUA_REGISTRYINDEX, victim->TableRef());
    ASSERT_TRUE(host.Vm().ProtectedCall(2, 0));
    victim.reset();
    ASSERT_TRUE(thief->PrepareCall("Use"));
    EXPECT_FALSE(host.Vm().ProtectedCall(1, 1));
    EXPECT_NE(host.Vm().LastError().find(qs::kHostCallError), std::string::npos);
}

TEST(ScriptHost, ThisStaysTheFirstLoadedTableAndSelfIsOwnTable) {
    ScriptHost host;
    const char* source = "function this:Who() return self.tag, this.tag end\n";
    std::vector<std::unique_ptr<CPluginScript>> scripts;
    for (int i = 0; i < 3; ++i) {
        scripts.push_back(host.Load(source));
        ASSERT_TRUE(scripts.back());
        lua_State* L = host.Vm().State();
        lua_rawgeti(L, LUA_REGISTRYINDEX, scripts.back()->TableRef());
        lua_pushstring(L, ("t" + std::to_string(i)).c_str());
        lua_setfield(L, -2, "tag");
        lua_pop(L, 1);
    }
    for (int i = 0; i < 3; ++i) {
        lua_State* L = host.Vm().State();
        ASSERT_TRUE(scripts[i]->PrepareCall("Who"));
        ASSERT_TRUE(host.Vm().ProtectedCall(1, 2));
        EXPECT_EQ(std::string(lua_tostring(L, -2)), "t" + std::to_string(i));
        EXPECT_EQ(std::string(lua_tostring(L, -1)), "t0");
        lua_pop(L, 2);
    }
}

TEST(ScriptHost, EveryObjectNumbersItsHostMethodsFromOne) {
    ScriptHost host;
    CPluginScript a(host.Vm());
    CPluginScript b(host.Vm());
    EXPECT_EQ(a.FirstHostMethod(), 1);
    EXPECT_EQ(b.FirstHostMethod(), 1);
    EXPECT_EQ(b.AddHostMethod("Extra"), qs::kHostFunctionCount + 1);
}

TEST(ScriptHost, BrokenFilesFailToLoadQuietly) {
    ScriptHost host;
    EXPECT_FALSE(host.Load("error('boom')"));
    EXPECT_NE(host.Vm().LastError().find("boom"), std::string::npos);
    EXPECT_FALSE(host.Load("function ("));
    CPluginScript script(host.Vm());
    EXPECT_FALSE(script.LoadFile((host.Dir() / "missing.lua").c_str()));
    EXPECT_EQ(lua_gettop(host.Vm().State()), 0);
}

TEST(ScriptHost, ValuesReturnedByMainChunksDoNotPileUp) {
    ScriptHost host;
    const std::string path = host.WriteScript("return 1, 2, 3, 4, 5, 6, 7, 8\n");
    CPluginScript script(host.Vm());
    for (int i = 0; i < 5000; ++i)
        ASSERT_TRUE(script.LoadFile(path.c_str())) << i;
    EXPECT_EQ(lua_gettop(host.Vm().State()), 0);
}

// An allocator that refuses once a byte budget is spent.
struct Budget {
    size_t used = 0;
    size_t limit = 0;
};

void* LimitedAlloc(void* ud, void* ptr, size_t osize, size_t nsize) {
    auto* b = static_cast<Budget*>(ud);
    if (nsize == 0) {
        b->used -= osize;
        std::free(ptr);
        return nullptr;
    }
    if (nsize > osize && b->used + (nsize - osize) > b->limit)
        return nullptr;
    void* p = std::realloc(ptr, nsize);
    if (p != nullptr)
        b->used = b->used - osize + nsize;
    return p;
}

TEST(ScriptHost, RunningOutOfMemoryFailsCallsNotTheProcess) {
    Budget tiny{0, 2000};
    CLuaVirtualMachine starved;
    EXPECT_FALSE(starved.Open(LimitedAlloc, &tiny));
    EXPECT_FALSE(starved.IsOpen());

    // Enough to open and build objects, not enough for a greedy entry point.
    Budget budget{0, 400 * 1024};
    CLuaVirtualMachine vm;
    ASSERT_TRUE(vm.Open(LimitedAlloc, &budget));
    qs::test::TempDir dir;
    qs::test::WriteText(dir / "greedy.lua", "function this:GetSize() local t = {} for i = 1, 1e7 do t[i] = "
                                            "string.rep('x', 100) .. i end return 1, 1 end\n"
                                            "function this:GetPluginName() return 'greedy' end\n");
    CPluginScript script(vm);
    ASSERT_TRUE(script.LoadFile((dir / "greedy.lua").c_str()));
    std::uint64_t size = 5;
    std::uint32_t count = 6;
    EXPECT_FALSE(script.GetSize(size, count));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(count, 6u);
    std::string name;
    EXPECT_TRUE(script.GetPluginName(name)); // the machine is still usable afterwards
    EXPECT_EQ(name, "greedy");

    // Objects built while memory is short register nothing and refuse to load.
    budget.limit = budget.used;
    std::vector<std::unique_ptr<CPluginScript>> starvedObjects;
    for (int i = 0; i < 50; ++i)
        starvedObjects.push_back(std::make_unique<CPluginScript>(vm));
    EXPECT_FALSE(starvedObjects.back()->LoadFile((dir / "greedy.lua").c_str()));
}

} // namespace
