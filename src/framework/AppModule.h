// The application module: the instance whose resources the windows are made from, for the run.
#pragma once

#include <windows.h>

namespace qs {

// One per process, a static constructed before the entry point. Between Init and Term dialogs
// load their templates (and the program its icons, menus and bitmaps) from the given instance.
class CAppModule {
public:
    CAppModule() = default;
    ~CAppModule() = default;
    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

    void Init(HINSTANCE instance);
    void Term();

    // The instance given to Init; the executable's before Init and after Term.
    HINSTANCE GetResourceInstance() const;

private:
    HINSTANCE m_instance = nullptr;
};

} // namespace qs
