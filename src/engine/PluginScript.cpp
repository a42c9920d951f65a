// Construction of plugin scripts and the conversions of their entry points' results.
#include "engine/PluginScript.h"

#include "engine/HostFunctions.h"
#include "engine/ScriptValues.h"

#include <algorithm>
#include <cstdlib>

namespace qs {

const char* const kUnreadableWarning = "This plugin asks for a warning, but its warning could not be read.";

CPluginScript::CPluginScript(CLuaVirtualMachine& vm) : CLuaScript(vm), m_sortKey(std::rand()) {
    for (int i = 0; i < kHostFunctionCount; ++i) {
        const int index = AddHostMethod(kHostFunctions[i].name);
        if (i == 0)
            m_firstHostMethod = index;
    }
}

CPluginScript::~CPluginScript() {
    m_iconIndex = -1;
    m_name.clear();
}

int CPluginScript::DispatchHostMethod(CLuaVirtualMachine& vm, int methodIndex) {
    return CallHostFunction(vm.State(), methodIndex - m_firstHostMethod, vm.HostScope());
}

bool CPluginScript::CallName(const char* entry, std::string& name) {
    if (!PrepareCall(entry) || !m_vm.ProtectedCall(m_pendingArgs + 1, 1))
        return false;
    lua_State* L = m_vm.State();
    size_t len = 0;
    const char* text = lua_tolstring(L, -1, &len);
    name.assign(text != nullptr ? text : "", text != nullptr ? len : 0);
    lua_pop(L, 1);
    m_name = name;
    return true;
}

int CPluginScript::CallIcon(const char* entry) {
    if (!PrepareCall(entry))
        return -1;
    int icon = -1;
    if (m_vm.ProtectedCall(m_pendingArgs + 1, 1)) {
        lua_State* L = m_vm.State();
        icon = static_cast<int>(lua_tointeger(L, -1));
        lua_pop(L, 1);
    }
    m_iconIndex = icon;
    return icon;
}

bool CPluginScript::GetCategoryName(std::string& name) { return CallName("GetCategoryName", name); }
int CPluginScript::GetCategoryIcon() { return CallIcon("GetCategoryIcon"); }
bool CPluginScript::GetPluginName(std::string& name) { return CallName("GetPluginName", name); }
int CPluginScript::GetPluginIcon() { return CallIcon("GetPluginIcon"); }

bool CPluginScript::CallText(const char* entry, std::string& text) {
    text.clear();
    if (!PrepareCall(entry))
        return true;
    if (!m_vm.ProtectedCall(m_pendingArgs + 1, 1))
        return false;
    lua_State* L = m_vm.State();
    size_t len = 0;
    const char* value = lua_tolstring(L, -1, &len);
    if (value != nullptr)
        text.assign(value, len);
    lua_pop(L, 1);
    return true;
}

void CPluginScript::ReadPluginTexts() {
    if (!CallText("GetPluginWarning", m_warning))
        m_warning = kUnreadableWarning;
    CallText("GetPluginDescription", m_description);
    m_description.erase(std::min(m_description.find_first_of("\r\n"), m_description.size()));
}

bool CPluginScript::GetSize(std::uint64_t& size, std::uint32_t& fileCount) {
    if (!PrepareCall("GetSize") || !m_vm.ProtectedCall(m_pendingArgs + 1, 2, CCallBudget::kUnlimited))
        return false;
    lua_State* L = m_vm.State();
    // The second result is on top; both pass through text, atof and 64-bit truncation.
    const std::uint32_t count = static_cast<std::uint32_t>(ScriptValueToInt64(L, -1));
    lua_pop(L, 1);
    const std::uint64_t bytes = static_cast<std::uint64_t>(ScriptValueToInt64(L, -1));
    lua_pop(L, 1);
    size = m_size = bytes;
    fileCount = m_fileCount = count;
    return true;
}

bool CPluginScript::Clear() {
    return PrepareCall("Clear") && m_vm.ProtectedCall(m_pendingArgs + 1, 0, CCallBudget::kUnlimited);
}

} // namespace qs
