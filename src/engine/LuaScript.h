// A script object: its own table in the shared Lua state, host methods, entry-point calls.
#pragma once

#include "engine/LuaVirtualMachine.h"

#include <string>

namespace qs {

// The text every misdirected host-method call raises in the script.
extern const char* const kHostCallError;

class CLuaScript {
public:
    explicit CLuaScript(CLuaVirtualMachine& vm);
    virtual ~CLuaScript();
    CLuaScript(const CLuaScript&) = delete;
    CLuaScript& operator=(const CLuaScript&) = delete;

    // Carries out host method `methodIndex` on the script's arguments (stack indexes 1 to top),
    // pushes its results and answers how many.
    virtual int DispatchHostMethod(CLuaVirtualMachine& vm, int methodIndex) = 0;
    virtual void AfterDispatch(CLuaVirtualMachine& vm, int methodIndex) = 0;

    // Stores a native closure under `name` in the object table; answers its index (1 for the
    // first method of every object), or -1 when the machine is not open.
    int AddHostMethod(const char* name);

    // Runs the file with the global `this` pointing at the object table. The wide form opens
    // `path` as given and names the chunk "@" + `shownPath` (FileNameText.h); the ANSI form
    // shows the path as given.
    bool LoadFile(const std::wstring& path, const std::string& shownPath);
    bool LoadFile(const char* path);
    // Runs a script held in memory the same way, as chunk `chunkName` ("=name" shows name alone).
    bool LoadText(const std::string& text, const std::string& chunkName);

    // Pushes the entry point `name` of the object table and the table itself (as `self`).
    // False, with nothing left pushed, when the value there is not a function.
    bool PrepareCall(const char* name);

    int PendingArgCount() const { return m_pendingArgs; }
    int TableRef() const { return m_tableRef; }
    CLuaVirtualMachine& Machine() const { return m_vm; }

protected:
    int m_methodCount = 0;
    CLuaVirtualMachine& m_vm;
    int m_tableRef = 0;
    int m_pendingArgs = 0;
    const char* m_preparedName = nullptr;
};

// Points the global `this` at an object table for the scope; restores the previous value when
// there was one (so the first object ever loaded stays `this` for the rest of the run).
class CLuaThis {
public:
    CLuaThis(CLuaVirtualMachine& vm, int tableRef);
    ~CLuaThis();
    CLuaThis(const CLuaThis&) = delete;
    CLuaThis& operator=(const CLuaThis&) = delete;

private:
    CLuaVirtualMachine& m_vm;
    int m_savedRef = 0;
};

} // namespace qs
