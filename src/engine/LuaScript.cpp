// Object tables, the host-method thunk and the `this` scope guard.
#include "engine/LuaScript.h"

#include "engine/FileNameText.h"

#include <lauxlib.h>

namespace qs {

const char* const kHostCallError = "LuaCallback -> Failed to call the class function";

namespace {

// Behind every host-method closure: finds the object named by the table in argument 1 and lets
// it carry out the method whose index is the closure's upvalue.
int HostMethodThunk(lua_State* L) {
    if (lua_type(L, 1) == LUA_TTABLE) {
        lua_rawgeti(L, 1, 0);
        if (lua_type(L, -1) == LUA_TLIGHTUSERDATA) {
            CLuaScript* script = static_cast<CLuaScript*>(lua_touserdata(L, -1));
            if (script != nullptr && script->Machine().State() == L && script->Machine().IsLive(script)) {
                const int index = static_cast<int>(lua_tonumber(L, lua_upvalueindex(1)));
                lua_pop(L, 1);
                lua_remove(L, 1);
                return script->DispatchHostMethod(script->Machine(), index);
            }
        }
    }
    lua_pushstring(L, kHostCallError);
    return lua_error(L);
}

// Runs `work(L)` under lua_cpcall, so that running out of memory while the host builds tables
// and closures fails the operation instead of reaching the panic function, which ends the process.
template <typename Work> bool RunProtected(lua_State* L, Work& work) {
    lua_CFunction trampoline = [](lua_State* state) -> int {
        Work* w = static_cast<Work*>(lua_touserdata(state, 1));
        lua_pop(state, 1);
        (*w)(state);
        return 0;
    };
    if (lua_cpcall(L, trampoline, &work) == 0)
        return true;
    lua_pop(L, 1); // the error object
    return false;
}

} // namespace

CLuaScript::CLuaScript(CLuaVirtualMachine& vm) : m_vm(vm) {
    if (!vm.IsOpen())
        return;
    CLuaRestoreStack restore(vm);
    int ref = 0;
    auto work = [&](lua_State* L) {
        lua_newtable(L);
        lua_pushvalue(L, -1);
        ref = luaL_ref(L, LUA_REGISTRYINDEX);
        lua_pushlightuserdata(L, this);
        lua_rawseti(L, -2, 0);
    };
    if (RunProtected(vm.State(), work) && ref > 0) {
        m_tableRef = ref;
        vm.RegisterScript(this);
    }
}

CLuaScript::~CLuaScript() {
    m_vm.UnregisterScript(this);
    if (!m_vm.IsOpen() || m_tableRef == 0)
        return;
    CLuaRestoreStack restore(m_vm);
    lua_State* L = m_vm.State();
    lua_rawgeti(L, LUA_REGISTRYINDEX, m_tableRef);
    lua_pushnil(L);
    lua_rawseti(L, -2, 0);
}

int CLuaScript::AddHostMethod(const char* name) {
    if (!m_vm.IsOpen() || m_tableRef == 0)
        return -1;
    CLuaRestoreStack restore(m_vm);
    const int index = m_methodCount + 1;
    auto work = [&](lua_State* L) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, m_tableRef);
        lua_pushstring(L, name);
        lua_pushnumber(L, index);
        lua_pushcclosure(L, HostMethodThunk, 1);
        lua_settable(L, -3);
    };
    if (!RunProtected(m_vm.State(), work))
        return -1;
    m_methodCount = index;
    return index;
}

bool CLuaScript::LoadFile(const char* path) { return LoadFile(WideFromAnsi(path), path); }

bool CLuaScript::LoadFile(const std::wstring& path, const std::string& shownPath) {
    if (!m_vm.IsOpen() || m_tableRef == 0)
        return false;
    // Whatever the main chunk returns is dropped: nothing reads it, and thousands of scripts
    // that each return a value would otherwise overflow the stack.
    CLuaRestoreStack restore(m_vm);
    CLuaThis scope(m_vm, m_tableRef);
    return m_vm.LoadAndRun(path, "@" + shownPath);
}

bool CLuaScript::LoadText(const std::string& text, const std::string& chunkName) {
    if (!m_vm.IsOpen() || m_tableRef == 0)
        return false;
    CLuaRestoreStack restore(m_vm);
    CLuaThis scope(m_vm, m_tableRef);
    return m_vm.LoadTextAndRun(text, chunkName);
}

bool CLuaScript::PrepareCall(const char* name) {
    if (!m_vm.IsOpen())
        return true;
    lua_State* L = m_vm.State();
    lua_rawgeti(L, LUA_REGISTRYINDEX, m_tableRef);
    lua_pushstring(L, name);
    lua_rawget(L, -2); // table, entry
    lua_insert(L, -2); // entry, table (self)
    if (!lua_isfunction(L, -2)) {
        lua_pop(L, 2);
        return false;
    }
    m_preparedName = name;
    m_pendingArgs = 0;
    return true;
}

CLuaThis::CLuaThis(CLuaVirtualMachine& vm, int tableRef) : m_vm(vm) {
    if (!vm.IsOpen())
        return;
    lua_State* L = vm.State();
    lua_getfield(L, LUA_GLOBALSINDEX, "this");
    m_savedRef = luaL_ref(L, LUA_REGISTRYINDEX);
    lua_rawgeti(L, LUA_REGISTRYINDEX, tableRef);
    lua_setfield(L, LUA_GLOBALSINDEX, "this");
}

CLuaThis::~CLuaThis() {
    if (m_savedRef > 0 && m_vm.IsOpen()) {
        lua_State* L = m_vm.State();
        lua_rawgeti(L, LUA_REGISTRYINDEX, m_savedRef);
        lua_setfield(L, LUA_GLOBALSINDEX, "this");
        luaL_unref(L, LUA_REGISTRYINDEX, m_savedRef);
    }
}

} // namespace qs
