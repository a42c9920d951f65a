// Start-up: the process-wide objects, the entry point and the exit code.
#include "app/MainDlg.h"
#include "app/SimpleProgressDlg.h"
#include "controls/HighlightColor.h"
#include "engine/Settings.h"
#include "framework/AppModule.h"
#include "hostfn/ComScope.h"

#include <windows.h>
#include <commctrl.h>

// Constructed in this order before the entry point and destroyed in reverse at exit: the
// settings object, last built, is the first to go and writes settings.xml after the main window
// has stored its placement and selection in it.
qs::CAppModule g_module;
qs::CSimpleProgressDlg g_progressDlg;
extern qs::CSettings g_settings;
qs::CMainDlg g_mainDlg(g_progressDlg, g_settings); // keeps a reference only
qs::CSettings g_settings;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const qs::CComScope com;
    INITCOMMONCONTROLSEX icc{8, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    g_module.Init(instance);
    qs::ReadStartupHighlightColor();
    const INT_PTR result = g_mainDlg.DoModal(::GetActiveWindow());
    g_module.Term();
    return static_cast<int>(result);
}
