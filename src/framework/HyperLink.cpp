// Painting, mouse, keyboard and tooltip handling of the hyperlink base.
#include "framework/HyperLink.h"

#include "framework/Dpi.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace qs {
namespace {

constexpr UINT_PTR kToolId = 1;

// The tooltip record of the oldest common-controls versions: later ones accept it too, while the
// full record of newer headers is refused by version 5 of the library.
const UINT kToolInfoSize = TTTOOLINFOA_V2_SIZE;

UINT LabelFormat(LONG_PTR style) {
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        return format | DT_CENTER;
    case SS_RIGHT:
        return format | DT_RIGHT;
    default:
        return format | DT_LEFT;
    }
}

} // namespace

CHyperLinkImpl::~CHyperLinkImpl() { DestroyToolTip(); }

void CHyperLinkImpl::OnSubclassed() {
    // Statics let the mouse through to their parent unless they notify.
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() | SS_NOTIFY);

    // An underlined copy of the parent's font (or of our own, or the GUI font, when it has none).
    HFONT base = reinterpret_cast<HFONT>(::SendMessageA(GetParent(), WM_GETFONT, 0, 0));
    if (base == nullptr)
        base = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    MakeLinkFont(base);

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    CalcLabelRect();
    if (m_toolTip != nullptr) {
        TOOLINFOA ti{};
        ti.cbSize = kToolInfoSize;
        ti.hwnd = m_hWnd;
        ti.uId = kToolId;
        ti.rect = m_labelRect;
        std::string target = GetHyperLink();
        ti.lpszText = &target[0];
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    Invalidate();
}

void CHyperLinkImpl::DestroyToolTip() {
    if (m_toolTip != nullptr && ::IsWindow(m_toolTip))
        ::DestroyWindow(m_toolTip);
    m_toolTip = nullptr;
}

void CHyperLinkImpl::SetLabel(const char* label) {
    if (m_hWnd != nullptr)
        ::SetWindowTextA(m_hWnd, label != nullptr ? label : ""); // WM_SETTEXT lays the label out again
}

std::string CHyperLinkImpl::GetLabel() const {
    if (m_hWnd == nullptr)
        return {};
    std::vector<char> text(static_cast<std::size_t>(::GetWindowTextLengthA(m_hWnd)) + 1, '\0');
    ::GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
    return text.data();
}

void CHyperLinkImpl::SetHyperLink(const char* target) {
    m_target = target != nullptr ? target : "";
    m_targetSet = true;
    UpdateToolTip();
}

std::string CHyperLinkImpl::GetHyperLink() const { return m_targetSet ? m_target : GetLabel(); }

void CHyperLinkImpl::SetLinkColor(COLORREF color) {
    m_linkColor = color;
    if (m_hWnd != nullptr)
        Invalidate();
}

void CHyperLinkImpl::SetVisitedColor(COLORREF color) {
    m_visitedColor = color;
    if (m_hWnd != nullptr)
        Invalidate();
}

void CHyperLinkImpl::SetVisited(bool visited) {
    m_visited = visited;
    if (m_hWnd != nullptr)
        Invalidate();
}

bool CHyperLinkImpl::Navigate() {
    const std::string target = GetHyperLink();
    const INT_PTR r =
        reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (r <= 32)
        return false;
    SetVisited(true);
    return true;
}

void CHyperLinkImpl::UpdateToolTip() {
    if (m_toolTip == nullptr)
        return;
    TOOLINFOA ti{};
    ti.cbSize = kToolInfoSize;
    ti.hwnd = m_hWnd;
    ti.uId = kToolId;
    std::string target = GetHyperLink();
    ti.lpszText = &target[0];
    ::SendMessageA(m_toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    ti.rect = m_labelRect;
    ::SendMessageA(m_toolTip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CHyperLinkImpl::CalcLabelRect() {
    const RECT client = GetClientRect();
    const std::string label = GetLabel();
    HDC dc = ::GetDC(m_hWnd);
    RECT r = client;
    {
        SelectObjectScope font(dc, m_font ? static_cast<HGDIOBJ>(m_font.Get()) : ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextA(dc, label.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    ::ReleaseDC(m_hWnd, dc);
    const LONG width = std::min(r.right - r.left, client.right - client.left);
    const LONG height = std::min(r.bottom - r.top, client.bottom - client.top);
    LONG left = client.left;
    switch (GetStyle() & SS_TYPEMASK) {
    case SS_CENTER:
        left = client.left + (client.right - client.left - width) / 2;
        break;
    case SS_RIGHT:
        left = client.right - width;
        break;
    default:
        break;
    }
    m_labelRect = RECT{left, client.top, left + width, client.top + height};
}

void CHyperLinkImpl::Paint(HDC dc) {
    const RECT client = GetClientRect();
    HWND parent = GetParent();
    // The parent's static background, as a plain static would get it; a parent that answers with
    // no brush gets the default one.
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hWnd)));
    if (brush == nullptr)
        brush = reinterpret_cast<HBRUSH>(::DefWindowProcA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                          reinterpret_cast<LPARAM>(m_hWnd)));
    if (brush != nullptr)
        ::FillRect(dc, &client, brush);

    const std::string label = GetLabel();
    SelectObjectScope font(dc, m_font ? static_cast<HGDIOBJ>(m_font.Get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, LinkTextColour(HighContrastOn(), m_visited, m_linkColor, m_visitedColor,
                                      ::GetSysColor(COLOR_HOTLIGHT)));
    RECT r = m_labelRect;
    ::DrawTextA(dc, label.c_str(), -1, &r, LabelFormat(GetStyle()));
    if (::GetFocus() == m_hWnd)
        ::DrawFocusRect(dc, &m_labelRect);
}

void CHyperLinkImpl::RelayToToolTip(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_toolTip == nullptr)
        return;
    MSG m{m_hWnd, msg, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    const DWORD pos = ::GetMessagePos();
    m.pt = POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void CHyperLinkImpl::MakeLinkFont(HFONT base) {
    LOGFONTA lf{};
    if (base == nullptr || ::GetObjectA(base, sizeof lf, &lf) == 0)
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    m_font.Reset(::CreateFontIndirectA(&lf));
}

bool CHyperLinkImpl::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    auto overLabel = [&] {
        const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        return ::PtInRect(&m_labelRect, pt) != FALSE;
    };
    switch (msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintClient(hwnd, wParam, [this](HDC dc) { Paint(dc); });
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // painting fills the background itself
        return true;
    case WM_SETFONT: // a new dialog font (another display scale): the link follows it
        MakeLinkFont(reinterpret_cast<HFONT>(wParam));
        [[fallthrough]];
    case WM_SETTEXT:
    case WM_SIZE:
        result = DefWindowProc(msg, wParam, lParam);
        CalcLabelRect();
        UpdateToolTip();
        Invalidate();
        return true;
    case WM_SETCURSOR: {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(hwnd, &pt);
        if (::PtInRect(&m_labelRect, pt)) {
            ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
            result = TRUE;
            return true;
        }
        return false;
    }
    case WM_MOUSEMOVE:
        RelayToToolTip(msg, wParam, lParam);
        return false;
    case WM_LBUTTONDOWN:
        RelayToToolTip(msg, wParam, lParam);
        if (overLabel()) {
            ::SetFocus(hwnd);
            ::SetCapture(hwnd);
        }
        result = 0;
        return true;
    case WM_LBUTTONUP:
        RelayToToolTip(msg, wParam, lParam);
        if (::GetCapture() == hwnd) {
            ::ReleaseCapture();
            if (overLabel())
                Navigate();
        }
        result = 0;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        m_enter.Forget();
        Invalidate();
        result = 0;
        return true;
    case WM_GETDLGCODE: {
        // Characters for Space; Enter too, which a dialog would otherwise turn into its default
        // button.
        result = CEnterKey::WantEnter(DLGC_WANTCHARS, lParam);
        return true;
    }
    case WM_KEYDOWN:
        if (m_enter.OnKeyDown(wParam)) {
            result = 0;
            return true;
        }
        return false;
    case WM_CHAR:
        if (wParam == VK_SPACE || m_enter.TakeRelease(wParam)) {
            m_enter.Forget();
            Navigate();
            result = 0;
            return true;
        }
        return false;
    case WM_DESTROY:
        DestroyToolTip();
        return false;
    default:
        return false;
    }
}

} // namespace qs
