// Asks the system for DPI, DPI-specific fonts and metrics, and high contrast; the per-DPI calls
// are looked up at run time, since systems before Windows 10 1607 do not have them.
#include "framework/Dpi.h"

#include <cstring>

namespace qs {
namespace {

template <typename Proc> Proc User32Proc(const char* name) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 != nullptr ? reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                             : nullptr;
}

using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiProc = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiProc = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

// The non-client metrics as every Windows version answers them: the size without the padded
// border field, which systems before Vista refuse.
constexpr UINT kNonClientMetricsSizeA = 340;

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr)
        return kBaseDpi;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

} // namespace

int SystemDpi() { return ScreenDpi(); }

int DpiOfWindow(HWND window) {
    static const auto forWindow = User32Proc<GetDpiForWindowProc>("GetDpiForWindow");
    if (window != nullptr && forWindow != nullptr) {
        const UINT dpi = forWindow(window);
        if (dpi != 0)
            return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

bool MenuFontForDpi(int dpi, LOGFONTA& font) {
    static const auto forDpi = User32Proc<SystemParametersInfoForDpiProc>("SystemParametersInfoForDpi");
    if (forDpi != nullptr) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi))) {
            const LOGFONTW& w = metrics.lfMenuFont;
            std::memcpy(&font, &w, offsetof(LOGFONTA, lfFaceName));
            ::WideCharToMultiByte(CP_ACP, 0, w.lfFaceName, -1, font.lfFaceName, LF_FACESIZE, nullptr, nullptr);
            font.lfFaceName[LF_FACESIZE - 1] = '\0';
            return true;
        }
    }
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = kNonClientMetricsSizeA;
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSizeA, &metrics, 0))
        return false;
    font = metrics.lfMenuFont;
    const int system = SystemDpi();
    if (system != dpi)
        font.lfHeight = ::MulDiv(font.lfHeight, dpi, system);
    return true;
}

int SystemMetricForDpi(int index, int dpi) {
    static const auto forDpi = User32Proc<GetSystemMetricsForDpiProc>("GetSystemMetricsForDpi");
    if (forDpi != nullptr) {
        const int value = forDpi(index, static_cast<UINT>(dpi));
        if (value != 0)
            return value;
    }
    const int system = SystemDpi();
    const int value = ::GetSystemMetrics(index);
    return system == dpi ? value : ::MulDiv(value, dpi, system);
}

bool HighContrastOn() {
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

} // namespace qs
