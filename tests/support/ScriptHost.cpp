// Script host helpers for tests.
#include "support/ScriptHost.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace qs::test {

ScriptHost::ScriptHost() {
    if (!m_vm.Open())
        throw std::runtime_error("cannot open the Lua machine");
}

std::string ScriptHost::WriteScript(const std::string& source) {
    std::string path = m_dir / ("script" + std::to_string(++m_files) + ".lua");
    WriteText(path, source);
    return path;
}

std::unique_ptr<CPluginScript> ScriptHost::Load(const std::string& source) {
    auto script = std::make_unique<CPluginScript>(m_vm);
    if (!script->LoadFile(WriteScript(source).c_str()))
        return nullptr;
    return script;
}

std::vector<std::string> ScriptHost::Eval(const std::string& body) {
    auto script = Load("function this:Test()\n" + body + "\nend\n");
    if (!script)
        return {"error:load " + m_vm.LastError()};
    lua_State* L = m_vm.State();
    const int base = lua_gettop(L);
    if (!script->PrepareCall("Test"))
        return {"error:no entry"};
    if (lua_pcall(L, 1, LUA_MULTRET, 0) != 0) {
        std::string msg = lua_tostring(L, -1) ? lua_tostring(L, -1) : "?";
        lua_settop(L, base);
        return {"error:" + msg};
    }
    std::vector<std::string> results;
    for (int i = base + 1; i <= lua_gettop(L); ++i) {
        switch (lua_type(L, i)) {
        case LUA_TSTRING:
            results.push_back(std::string("s:") + lua_tostring(L, i));
            break;
        case LUA_TNUMBER: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "n:%.17g", lua_tonumber(L, i));
            results.push_back(buf);
            break;
        }
        case LUA_TNIL:
            results.push_back("nil");
            break;
        case LUA_TBOOLEAN:
            results.push_back(lua_toboolean(L, i) ? "b:true" : "b:false");
            break;
        default:
            results.push_back(lua_typename(L, lua_type(L, i)));
        }
    }
    lua_settop(L, base);
    return results;
}

} // namespace qs::test
