// Script files compiled through a handle opened by their wide name: what luaL_loadfile did by an
// ANSI name (a "#" first line, precompiled chunks, Ctrl+Z, line numbers) and the chunk name given.
#include "engine/ScriptFile.h"

#include "engine/FileNameText.h"

#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <lauxlib.h>
#include <windows.h>

#include <string>

namespace {

using qs::test::ScriptHost;

// Writes `bytes` to the file named `name` (UTF-16) in `folder`; answers its full name.
std::wstring WriteWide(const std::string& folder, const std::wstring& name, const std::string& bytes) {
    const std::wstring path = qs::WideFromAnsi(folder) + L"\\" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

// Compiles and runs `path` as chunk "@shown"; answers "ok:<first result as text>" or the error.
std::string LoadAndRun(lua_State* L, const std::wstring& path, const std::string& shown) {
    const int top = lua_gettop(L);
    std::string out;
    if (qs::LoadScriptFile(L, path, "@" + shown) != 0 || lua_pcall(L, 0, 1, 0) != 0) {
        out = lua_tostring(L, -1);
    } else {
        const char* text = lua_tostring(L, -1);
        out = std::string("ok:") + (text != nullptr ? text : "nil");
    }
    lua_settop(L, top);
    return out;
}

// A function dumped as a precompiled chunk.
std::string Precompiled(lua_State* L, const char* source) {
    std::string out;
    EXPECT_EQ(luaL_loadstring(L, source), 0);
    lua_dump(
        L,
        [](lua_State*, const void* p, size_t size, void* ud) {
            static_cast<std::string*>(ud)->append(static_cast<const char*>(p), size);
            return 0;
        },
        &out);
    lua_pop(L, 1);
    return out;
}

TEST(ScriptFile, CompilesWhatTheAnsiLoaderCompiled) {
    ScriptHost host;
    lua_State* L = host.Vm().State();
    const std::string where = "C:\\s\\x.lua";
    const std::string bigLine(200000, ' ');
    const struct {
        const char* what;
        std::string bytes;
        std::string result;
    } cases[] = {
        {"plain", "return 'a'", "ok:a"},
        {"CR LF line ends keep the line numbers", "\r\n\r\nerror('e')\r\n", where + ":3: e"},
        {"a # first line is skipped and counted", "#!/usr/bin/lua\nerror('e')", where + ":2: e"},
        {"a # line that is all there is", "# only", "ok:nil"},
        {"a # line longer than a block", "#" + bigLine + "\nreturn 'long'", "ok:long"},
        {"text ends at Ctrl+Z", "return 'z'\x1A garbage (", "ok:z"},
        {"a long script in many blocks", "local s = 0\n" + bigLine + "\nreturn 'many'", "ok:many"},
        {"empty", "", "ok:nil"},
        {"syntax error", "return (", where + ":1: unexpected symbol near '<eof>'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadAndRun(L, WriteWide(host.Dir().Path(), L"x.lua", c.bytes), where), c.result) << c.what;

    // Precompiled chunks load as they are, Ctrl+Z bytes and all, also behind a # line.
    const std::string binary = Precompiled(L, "return 'bin\\26ary'");
    EXPECT_EQ(LoadAndRun(L, WriteWide(host.Dir().Path(), L"b.lua", binary), where), "ok:bin\x1A"
                                                                                    "ary");
    EXPECT_EQ(LoadAndRun(L, WriteWide(host.Dir().Path(), L"b.lua", "#!lua\n" + binary), where), "ok:bin\x1A"
                                                                                                "ary");

    // A file that cannot be opened.
    EXPECT_EQ(LoadAndRun(L, qs::WideFromAnsi(host.Dir() / "missing.lua"), where), "cannot open " + where);
    EXPECT_EQ(lua_gettop(L), 0);
}

TEST(ScriptFile, TheChunkNameIsWhatMessagesTraceAndDebugInfoShow) {
    ScriptHost host;
    const std::wstring path =
        WriteWide(host.Dir().Path(), L"\u65e5\u672c.lua", "x = debug.getinfo(1, 'S').source\nerror('boom')\n");
    EXPECT_EQ(LoadAndRun(host.Vm().State(), path, "C:\\s\\<U+65E5><U+672C>.lua"),
              "C:\\s\\<U+65E5><U+672C>.lua:2: boom");
    lua_getglobal(host.Vm().State(), "x");
    EXPECT_STREQ(lua_tostring(host.Vm().State(), -1), "@C:\\s\\<U+65E5><U+672C>.lua");
    lua_pop(host.Vm().State(), 1);
}

} // namespace
