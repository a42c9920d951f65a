// Lua state lifetime, the global trace function, file loading and protected calls.
#include "engine/LuaVirtualMachine.h"

#include "engine/FileNameText.h"
#include "engine/ScriptFile.h"

#include <lauxlib.h>
#include <lualib.h>

#include <cstdio>

namespace qs {
namespace {

// Lua ends the process after the panic function returns; every call into scripts is protected,
// so only the host's own stack handling could ever get here.
int Panic(lua_State*) { return 0; }

// trace(message): one line on standard output with the calling script's source and line.
int Trace(lua_State* L) {
    const char* message = lua_tolstring(L, 1, nullptr);
    lua_Debug ar{};
    const char* source = "?";
    int line = -1;
    if (lua_getstack(L, 1, &ar) && lua_getinfo(L, "Snl", &ar)) {
        source = ar.source;
        line = ar.currentline;
    }
    std::printf("script: %s -- at %s(%d)\n", message ? message : "nil", source, line);
    std::fflush(stdout);
    return 0;
}

} // namespace

CLuaVirtualMachine::~CLuaVirtualMachine() { Close(); }

void CLuaVirtualMachine::Close() {
    if (m_state != nullptr)
        lua_close(m_state);
    m_state = nullptr;
    m_open = false;
}

bool CLuaVirtualMachine::Open(lua_Alloc alloc, void* allocUserData) {
    if (m_open && m_state != nullptr)
        Close();
    m_state = alloc ? lua_newstate(alloc, allocUserData) : luaL_newstate();
    if (m_state == nullptr)
        return false;
    m_open = true;
    lua_atpanic(m_state, Panic);
    // The openers raise on out-of-memory; run them protected so that a starved state fails to
    // open instead of ending the process.
    lua_CFunction openers[] = {luaopen_base, luaopen_table, luaopen_string, luaopen_math, luaopen_debug};
    for (lua_CFunction opener : openers) {
        lua_pushcfunction(m_state, opener);
        if (lua_pcall(m_state, 0, 0, 0) != 0) {
            Close();
            return false;
        }
    }
    lua_pushcfunction(m_state, Trace);
    lua_setfield(m_state, LUA_GLOBALSINDEX, "trace");
    return true;
}

void CLuaVirtualMachine::TakeError() {
    ++m_errorCount;
    size_t len = 0;
    const char* msg = lua_tolstring(m_state, -1, &len);
    if (msg != nullptr)
        m_lastError.assign(msg, len);
    else
        m_lastError = "(error object is not a string)";
    lua_pop(m_state, 1);
}

bool CLuaVirtualMachine::LoadAndRun(const char* path) {
    return LoadAndRun(WideFromAnsi(path), std::string("@") + path);
}

bool CLuaVirtualMachine::LoadAndRun(const std::wstring& path, const std::string& chunkName) {
    if (m_state == nullptr)
        return false;
    if (LoadScriptFile(m_state, path, chunkName) != 0 || lua_pcall(m_state, 0, LUA_MULTRET, 0) != 0) {
        TakeError();
        return false;
    }
    return true;
}

bool CLuaVirtualMachine::ProtectedCall(int argCount, int resultCount) {
    if (m_state == nullptr || !lua_isfunction(m_state, -(argCount + 1)))
        return false;
    if (lua_pcall(m_state, argCount, resultCount, 0) != 0) {
        TakeError();
        return false;
    }
    return true;
}

CLuaRestoreStack::CLuaRestoreStack(CLuaVirtualMachine& vm)
    : m_state(vm.IsOpen() ? vm.State() : nullptr), m_top(m_state ? lua_gettop(m_state) : 0) {}

CLuaRestoreStack::~CLuaRestoreStack() {
    if (m_state != nullptr)
        lua_settop(m_state, m_top);
}

} // namespace qs
