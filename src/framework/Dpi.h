// Display scale: the pure arithmetic of scaling 96-DPI pixel sizes, and what the system says
// about a window's DPI, its fonts and metrics at that DPI, and high contrast.
#pragma once

#include <windows.h>

namespace qs {

// Not in the headers for the platform version the build targets; the values are the system's.
#ifndef WM_DPICHANGED_BEFOREPARENT
#define WM_DPICHANGED_BEFOREPARENT 0x02E2
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

constexpr int kBaseDpi = 96;

// A DPI and what it makes of a size given for 96 DPI: rounded to the nearest pixel, so that
// 96 DPI keeps every size exactly and 144 DPI makes 9 into 14 (13.5 rounded).
struct Scale {
    int dpi = kBaseDpi;

    int operator()(int px96) const {
        if (dpi == kBaseDpi)
            return px96;
        const long long n = static_cast<long long>(px96) * dpi;
        return static_cast<int>(n >= 0 ? (n + kBaseDpi / 2) / kBaseDpi : -((-n + kBaseDpi / 2) / kBaseDpi));
    }
    bool operator==(const Scale& other) const { return dpi == other.dpi; }
    bool operator!=(const Scale& other) const { return dpi != other.dpi; }
};

// The DPI a window is drawn at: the window's own where the system knows it per window (per
// monitor), else the screen's logical pixels, else 96. Null asks for the system's DPI.
int DpiOfWindow(HWND window);

// The menu font of the non-client metrics for `dpi`: the system's own answer for that DPI where
// it gives one, else the system-DPI font with its height scaled. False when neither is known.
bool MenuFontForDpi(int dpi, LOGFONTA& font);

// A system metric (SM_CXSMICON and the like) for `dpi`, asked the same way.
int SystemMetricForDpi(int index, int dpi);

// The DPI the system metrics and the non-client fonts are given for when asked without a DPI.
int SystemDpi();

// True while a high-contrast theme is on: every colour must then come from the system's colours.
bool HighContrastOn();

} // namespace qs
