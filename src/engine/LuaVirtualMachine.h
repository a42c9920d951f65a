// The one Lua 5.1 state of the process: opening, loading script files, protected calls.
#pragma once

#include <lua.h>

#include <string>
#include <unordered_set>

namespace qs {

class CLuaScript;

class CLuaVirtualMachine {
public:
    CLuaVirtualMachine() = default;
    virtual ~CLuaVirtualMachine();
    CLuaVirtualMachine(const CLuaVirtualMachine&) = delete;
    CLuaVirtualMachine& operator=(const CLuaVirtualMachine&) = delete;

    virtual bool IsOpen() const { return m_open; }

    // Closes any current state, then creates a new one with the base (and coroutine), table,
    // string, math and debug libraries and the global `trace`. `alloc` replaces the default
    // allocator (tests use a limiting one to reach out-of-memory paths).
    bool Open(lua_Alloc alloc = nullptr, void* allocUserData = nullptr);

    // Compiles a file and runs its main chunk with no arguments. True when both succeed.
    // `path` is opened as given; `chunkName` ("@" and the path as shown) names the chunk in
    // messages, trace lines and debug information.
    bool LoadAndRun(const std::wstring& path, const std::string& chunkName);
    // The same for a path in the ANSI code page, shown as it is given.
    bool LoadAndRun(const char* path);

    // Calls the function below `argCount` arguments, asking for `resultCount` results. False
    // without calling when that value is not a function, or when the call raised an error.
    bool ProtectedCall(int argCount, int resultCount);

    lua_State* State() const { return m_state; }

    // The message of the latest failed load or call ("file:line: message"); read by tools that
    // report broken scripts. The running program shows nothing.
    const std::string& LastError() const { return m_lastError; }
    // How many loads and calls have failed with an error so far: tells a call that raised from
    // one that found no entry point to call, for the same tools.
    std::size_t ErrorCount() const { return m_errorCount; }

    // Script objects alive on this machine. A host-method call is carried out only for a live
    // object, so a pointer copied by a script out of another object's table can never reach a
    // deleted object.
    void RegisterScript(CLuaScript* script) { m_live.insert(script); }
    void UnregisterScript(CLuaScript* script) { m_live.erase(script); }
    bool IsLive(const CLuaScript* script) const { return m_live.count(const_cast<CLuaScript*>(script)) != 0; }

private:
    void Close();
    void TakeError();

    lua_State* m_state = nullptr;
    bool m_open = false;
    std::string m_lastError;
    std::size_t m_errorCount = 0;
    std::unordered_set<CLuaScript*> m_live;
};

// Puts the Lua stack back to the height it had when the scope began.
class CLuaRestoreStack {
public:
    explicit CLuaRestoreStack(CLuaVirtualMachine& vm);
    ~CLuaRestoreStack();
    CLuaRestoreStack(const CLuaRestoreStack&) = delete;
    CLuaRestoreStack& operator=(const CLuaRestoreStack&) = delete;

private:
    lua_State* m_state;
    int m_top;
};

} // namespace qs
