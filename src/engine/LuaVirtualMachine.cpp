// Lua state lifetime, the global trace function, file loading and protected calls.
#include "engine/LuaVirtualMachine.h"

#include "engine/FileNameText.h"
#include "engine/ScriptFile.h"
#include "hostfn/Cancellation.h"

#include <lauxlib.h>
#include <lualib.h>

#include <windows.h>

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

// Instructions between two checks of the count hook: a check costs a clock read and a registry
// lookup, which a few thousand instructions make negligible, while a loop still stops within
// microseconds of its deadline or of Cancel.
constexpr int kHookInstructions = 4096;

// The registry key under which a state keeps its machine, for the hook.
const char kMachineKey = 0;

CLuaVirtualMachine* MachineOf(lua_State* L) {
    lua_pushlightuserdata(L, const_cast<char*>(&kMachineKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    void* machine = lua_touserdata(L, -1);
    lua_pop(L, 1);
    return static_cast<CLuaVirtualMachine*>(machine);
}

// Every kHookInstructions instructions of any thread (coroutines inherit the hook): raises an
// error in the script when its call is over budget or cancelled. From then on the thread checks
// at every instruction, so that a script's own pcall cannot catch the error and go on: the
// instruction after the pcall raises it again, until it reaches the host's protected call.
void CountHook(lua_State* L, lua_Debug*) {
    CLuaVirtualMachine* vm = MachineOf(L);
    const char* reason = vm != nullptr ? vm->InterruptReason() : "";
    if (*reason == '\0') {
        if (lua_gethookcount(L) != kHookInstructions)
            lua_sethook(L, CountHook, LUA_MASKCOUNT, kHookInstructions);
        return;
    }
    lua_sethook(L, CountHook, LUA_MASKCOUNT, 1);
    lua_Debug ar{};
    if (lua_getstack(L, 0, &ar) && lua_getinfo(L, "Sl", &ar) && ar.currentline > 0)
        lua_pushfstring(L, "%s:%d: %s", ar.short_src, ar.currentline, reason);
    else
        lua_pushstring(L, reason);
    lua_error(L);
}

} // namespace

const char* CLuaVirtualMachine::InterruptReason() {
    if (m_callDepth == 0)
        return "";
    if (IsCancelled()) {
        m_interrupt = CCallInterrupt::kCancelled;
        return "stopped: the run was cancelled";
    }
    if (m_deadline != 0 && GetTickCount64() >= m_deadline) {
        m_interrupt = CCallInterrupt::kOverBudget;
        m_reason = "stopped: the script ran longer than its time limit of " +
                   (m_quickBudgetMs % 1000 == 0 ? std::to_string(m_quickBudgetMs / 1000) + " s"
                                                : std::to_string(m_quickBudgetMs) + " ms");
        return m_reason.c_str();
    }
    return "";
}

template <typename PCall> int CLuaVirtualMachine::RunBudgeted(CCallBudget budget, PCall pcall) {
    const bool outermost = m_callDepth == 0;
    if (outermost) {
        m_interrupt = CCallInterrupt::kNone;
        m_deadline = budget == CCallBudget::kQuick ? GetTickCount64() + m_quickBudgetMs : 0;
    }
    ++m_callDepth;
    const int status = pcall();
    --m_callDepth;
    if (outermost) {
        m_deadline = 0;
        // The thread that raised checks at every instruction now: back to the usual count.
        lua_sethook(m_state, CountHook, LUA_MASKCOUNT, kHookInstructions);
    }
    return status;
}

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
    lua_pushlightuserdata(m_state, const_cast<char*>(&kMachineKey));
    lua_pushlightuserdata(m_state, this);
    lua_rawset(m_state, LUA_REGISTRYINDEX);
    // Set once for the state: every thread a script creates inherits it.
    lua_sethook(m_state, CountHook, LUA_MASKCOUNT, kHookInstructions);
    return true;
}

void CLuaVirtualMachine::TakeError() {
    ++m_errorCount;
    m_lastInterrupt = m_interrupt;
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
    m_interrupt = CCallInterrupt::kNone;
    if (LoadScriptFile(m_state, path, chunkName) != 0 ||
        RunBudgeted(CCallBudget::kQuick, [this] { return lua_pcall(m_state, 0, LUA_MULTRET, 0); }) != 0) {
        TakeError();
        return false;
    }
    return true;
}

bool CLuaVirtualMachine::LoadTextAndRun(const std::string& text, const std::string& chunkName) {
    if (m_state == nullptr)
        return false;
    m_interrupt = CCallInterrupt::kNone;
    if (luaL_loadbuffer(m_state, text.data(), text.size(), chunkName.c_str()) != 0 ||
        RunBudgeted(CCallBudget::kQuick, [this] { return lua_pcall(m_state, 0, LUA_MULTRET, 0); }) != 0) {
        TakeError();
        return false;
    }
    return true;
}

bool CLuaVirtualMachine::ProtectedCall(int argCount, int resultCount, CCallBudget budget) {
    if (m_state == nullptr || !lua_isfunction(m_state, -(argCount + 1)))
        return false;
    if (RunBudgeted(budget, [&] { return lua_pcall(m_state, argCount, resultCount, 0); }) != 0) {
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
