// Start-up: the entry point, the objects of the run and the exit code.
#include "app/MainDlg.h"
#include "app/SimpleProgressDlg.h"
#include "controls/HighlightColor.h"
#include "engine/Settings.h"
#include "framework/AppModule.h"
#include "hostfn/ComScope.h"
#include "hostfn/ParallelWalk.h"

#include <windows.h>
#include <commctrl.h>

// The module is the one object the platform's resource loading needs for the whole process.
qs::CAppModule g_module;

namespace {

// The window and what it works with, for one run. Destroyed in reverse order: the main window
// stores its placement and selection in the settings as it goes, and the settings, made first,
// go last and write settings.xml.
INT_PTR RunMainWindow() {
    qs::CSettings settings;
    qs::SetWalkThreadCap(settings.Threads()); // once, before any walk
    qs::CSimpleProgressDlg progress;
    qs::CMainDlg mainDlg(progress, settings); // keeps references only
    return mainDlg.DoModal(::GetActiveWindow());
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const qs::CComScope com;
    INITCOMMONCONTROLSEX icc{8, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    g_module.Init(instance);
    qs::ReadStartupHighlightColor();
    const INT_PTR result = RunMainWindow();
    g_module.Term();
    return static_cast<int>(result);
}
