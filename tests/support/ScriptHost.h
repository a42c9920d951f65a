// Runs real Lua scripts through the real host for tests: write a plugin, load it, call it.
#pragma once

#include "engine/PluginScript.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <vector>

namespace qs::test {

class ScriptHost {
public:
    ScriptHost();

    CLuaVirtualMachine& Vm() { return m_vm; }
    TempDir& Dir() { return m_dir; }

    // Writes `source` to a new .lua file in the host's folder and answers its path.
    std::string WriteScript(const std::string& source);

    // A plugin object loaded from `source`; null when the load failed.
    std::unique_ptr<CPluginScript> Load(const std::string& source);

    // Runs `body` as the entry point `Test` of a fresh plugin object and answers its results,
    // each as "s:text" (string), "n:number" (number, %.17g), "nil", "b:true|false" or the type
    // name; "error:message" when the call raised an error.
    std::vector<std::string> Eval(const std::string& body);

private:
    CLuaVirtualMachine m_vm;
    TempDir m_dir;
    int m_files = 0;
};

} // namespace qs::test
