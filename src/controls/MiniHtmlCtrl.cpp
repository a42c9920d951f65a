// Messages of the mini HTML label.
#include "controls/MiniHtmlCtrl.h"

#include "controls/MiniHtmlText.h"

#include <string>

namespace qs {

bool CMiniHtmlCtrl::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_SETTEXT:
        // Stored as usual, then shown at once.
        result = DefWindowProc(msg, wParam, lParam);
        ::InvalidateRect(hwnd, nullptr, TRUE);
        ::UpdateWindow(hwnd);
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintClient(hwnd, wParam, [this](HDC dc) { PaintHtml(dc); });
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // painting fills the background itself
        return true;
    case WM_GETOBJECT:
        if (!AsksForClientObject(lParam))
            return false;
        result = m_accessible.Answer(
            wParam, [this] { return CControlAccessible::Create(m_hWnd, [this] { return AccessFacts(); }); });
        return true;
    case WM_DESTROY:
        m_layout.Reset();
        m_accessible.Disconnect();
        return false;
    default:
        return false;
    }
}

AccessibleFacts CMiniHtmlCtrl::AccessFacts() const {
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(m_hWnd)), '\0');
    if (!text.empty())
        text.resize(static_cast<std::size_t>(::GetWindowTextA(m_hWnd, &text[0], static_cast<int>(text.size()) + 1)));
    AccessibleFacts facts;
    facts.name = AccessibleText(HtmlPlainText(text));
    facts.role = ROLE_SYSTEM_STATICTEXT;
    facts.addedStates = STATE_SYSTEM_READONLY;
    return facts;
}

void CMiniHtmlCtrl::PaintHtml(HDC dc) {
    const RECT client = GetClientRect();
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(m_hWnd)), '\0');
    if (!text.empty())
        text.resize(static_cast<std::size_t>(::GetWindowTextA(m_hWnd, &text[0], static_cast<int>(text.size()) + 1)));
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    m_layout.DrawHtml(dc, client, text, ::GetSysColor(COLOR_BTNTEXT), ::GetSysColor(COLOR_BTNFACE), font);
}

} // namespace qs
