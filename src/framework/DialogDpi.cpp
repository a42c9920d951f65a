// Scaling a dialog's font and children for a new DPI.
#include "framework/DialogDpi.h"

#include "framework/Dpi.h"

#include <vector>

namespace qs {
namespace {

// Values of the system's dialog DPI-change behaviour (Windows 10 1703 and later).
constexpr int kDisableAllDialogScaling = 1 | 2 | 4; // DDC_DISABLE_ALL

using SetDialogDpiChangeBehaviorProc = BOOL(WINAPI*)(HWND, int, int);

int ScaleEdge(int v, int from, int to) {
    const long long n = static_cast<long long>(v) * to;
    return static_cast<int>(n >= 0 ? (n + from / 2) / from : -((-n + from / 2) / from));
}

} // namespace

RECT ScaleRectForDpi(const RECT& r, int fromDpi, int toDpi) {
    if (fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi)
        return r;
    return RECT{ScaleEdge(r.left, fromDpi, toDpi), ScaleEdge(r.top, fromDpi, toDpi), ScaleEdge(r.right, fromDpi, toDpi),
                ScaleEdge(r.bottom, fromDpi, toDpi)};
}

void CDialogDpi::Init(HWND dialog) {
    m_dpi = DpiOfWindow(dialog);
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    auto behaviour = user32 != nullptr ? reinterpret_cast<SetDialogDpiChangeBehaviorProc>(reinterpret_cast<void*>(
                                             ::GetProcAddress(user32, "SetDialogDpiChangeBehavior")))
                                       : nullptr;
    if (behaviour != nullptr)
        behaviour(dialog, kDisableAllDialogScaling, kDisableAllDialogScaling);
}

int CDialogDpi::Apply(HWND dialog, int newDpi, const RECT* suggested, bool moveChildren) {
    const int before = m_dpi;
    if (newDpi <= 0 || newDpi == before)
        return before;
    m_dpi = newDpi;
    // The font the children use now: the one set at the latest change, else the template's.
    HFONT current = m_font ? m_font.Get() : reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    Font scaled;
    LOGFONTA lf{};
    if (current != nullptr && ::GetObjectA(current, sizeof lf, &lf) != 0) {
        lf.lfHeight = ScaleEdge(lf.lfHeight, before, newDpi);
        scaled.Reset(::CreateFontIndirectA(&lf));
    }
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children) {
        if (scaled && reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)) == current)
            ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(scaled.Get()), TRUE);
        if (moveChildren) {
            RECT r{};
            ::GetWindowRect(child, &r);
            ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
            const RECT s = ScaleRectForDpi(r, before, newDpi);
            ::SetWindowPos(child, nullptr, s.left, s.top, s.right - s.left, s.bottom - s.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    // The old font goes only once no child uses it any more.
    if (scaled)
        m_font = std::move(scaled);
    if (suggested != nullptr)
        ::SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return before;
}

} // namespace qs
