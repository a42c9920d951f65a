// The one Lua 5.1 state of the process: opening, loading script files, protected calls.
#pragma once

#include <lua.h>

#include <cstdint>
#include <string>
#include <unordered_set>

namespace qs {

class CLuaScript;
struct CHostScope;

// How long a call into a script may run. Names, icons, categories and main chunks answer at
// once in any sound script and get the machine's quick budget; GetSize and Clear hand work to
// host walks that may take minutes, and get no time limit. Every call stops once the
// process-wide cancellation flag is set.
enum class CCallBudget { kQuick, kUnlimited };

// The quick budget the program uses.
constexpr std::uint32_t kQuickCallBudgetMs = 10000;

// Why the latest failed call was stopped from outside the script, if it was.
enum class CCallInterrupt { kNone, kOverBudget, kCancelled };

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

    // Compiles a file and runs its main chunk with no arguments, under the quick budget. True
    // when both succeed. `path` is opened as given; `chunkName` ("@" and the path as shown)
    // names the chunk in messages, trace lines and debug information.
    bool LoadAndRun(const std::wstring& path, const std::string& chunkName);
    // The same for a path in the ANSI code page, shown as it is given.
    bool LoadAndRun(const char* path);
    // The same for a script held in memory (the plugins made from a rule file's entries).
    bool LoadTextAndRun(const std::string& text, const std::string& chunkName);

    // Calls the function below `argCount` arguments, asking for `resultCount` results. False
    // without calling when that value is not a function, or when the call raised an error;
    // running past its budget or on after cancellation raises an error in the script (at the
    // next check of the count hook), which ends the call like any other.
    bool ProtectedCall(int argCount, int resultCount, CCallBudget budget = CCallBudget::kQuick);

    // The quick budget in milliseconds (kQuickCallBudgetMs unless changed; tests use less).
    void SetQuickBudget(std::uint32_t ms) { m_quickBudgetMs = ms; }
    std::uint32_t QuickBudget() const { return m_quickBudgetMs; }

    // Whether the latest load or call that failed was stopped by its budget or by cancellation.
    CCallInterrupt LastInterrupt() const { return m_lastInterrupt; }

    // The count hook's question: why the running call must stop, if it must ("" when not).
    const char* InterruptReason();

    lua_State* State() const { return m_state; }

    // What the host functions called from this machine's scripts honour (HostScope.h): the keep
    // list and the recorder. Null (the default) keeps nothing and records nothing. Set by the
    // machine's owner, which keeps the scope alive while it is set.
    void SetHostScope(CHostScope* scope) { m_hostScope = scope; }
    CHostScope* HostScope() const { return m_hostScope; }

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
    // Runs `pcall` (a lua_pcall of the prepared stack) with the deadline of `budget` in force.
    template <typename PCall> int RunBudgeted(CCallBudget budget, PCall pcall);

    lua_State* m_state = nullptr;
    bool m_open = false;
    std::string m_lastError;
    std::size_t m_errorCount = 0;
    std::unordered_set<CLuaScript*> m_live;
    std::uint32_t m_quickBudgetMs = kQuickCallBudgetMs;
    std::uint64_t m_deadline = 0; // GetTickCount64 value the running call may not pass; 0: none
    int m_callDepth = 0;          // calls running on this machine (a script's host call may call again)
    CCallInterrupt m_interrupt = CCallInterrupt::kNone;     // of the running call
    CCallInterrupt m_lastInterrupt = CCallInterrupt::kNone; // of the latest failed one
    std::string m_reason;
    CHostScope* m_hostScope = nullptr;
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
