// The about box's initialisation and commands.
#include "app/AboutDlg.h"

#include "app/FileVersionInfo.h"
#include "app/MakerAddresses.h"
#include "app/OpenUrl.h"
#include "controls/MiniHtmlLayout.h"
#include "resource.h"

#include <cstring>
#include <vector>

namespace qs {

INT_PTR CAboutDlg::DoModal(HWND owner) { return CDialogImpl::DoModal(owner, IDD_ABOUTBOX); }

std::string CAboutDlg::ProductText(const std::string& productName, const std::string& fileVersion,
                                   const std::string& legalCopyright) {
    return "<B>" + productName + "</B><BR>Version " + fileVersion + "<BR>" + legalCopyright + "<BR><BR>" +
           "<B>Quillsweep</B> is a <B>FREE</B> tool to easily free up disk space from temporary, unwanted files, "
           "and clean system registry from unneeded registry keys.<BR><BR><B>Quillsweep</B> is absolutely free "
           "and does not contain adware or spyware functions.";
}

void CAboutDlg::OnInitDialog() {
    CenterWindow();
    m_dpi.Init(m_hWnd);

    CFileVersionInfo version;
    version.Create();

    m_webLink.SubclassWindow(GetDlgItem(IDC_WEB_LINK));
    m_webLink.SetHyperLink(kWebSiteAddress);
    m_webLink.SetOpener(&OpenUrl);
    m_mailLink.SubclassWindow(GetDlgItem(IDC_MAIL_LINK));
    m_mailLink.SetHyperLink(kSupportMailto);
    m_mailLink.SetOpener(&OpenUrl);

    m_lowerLine.SubclassWindow(GetDlgItem(IDC_BEVEL_LOWER));
    m_lowerLine.sunken = false;
    m_upperLine.SubclassWindow(GetDlgItem(IDC_BEVEL_UPPER));
    m_upperLine.sunken = false;

    m_html.SubclassWindow(GetDlgItem(IDC_MINI_HTML));
    const std::string text =
        ProductText(version.GetProductName(), version.GetFileVersion(), version.GetLegalCopyright());
    ::SetWindowTextA(m_html.Handle(), text.c_str());
    FitTexts();
    CenterWindow();
}

int CAboutDlg::NeededHeight(HWND control) const {
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(control)), '\0');
    if (!text.empty())
        text.resize(static_cast<std::size_t>(::GetWindowTextA(control, &text[0], static_cast<int>(text.size()) + 1)));
    RECT client{};
    ::GetClientRect(control, &client);
    HDC screen = ::GetDC(control);
    HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(control, screen);
    int needed = 0;
    if (control == m_html.Handle()) {
        // Drawn off screen into a rectangle of the label's width and room below: its last line
        // tells the height.
        CMiniHtmlLayout layout;
        layout.DrawHtml(dc, RECT{0, 0, client.right, 16 * (client.bottom + 1)}, text, 0, 0, font);
        needed = layout.TextBottom();
    } else {
        HGDIOBJ old = ::SelectObject(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
        RECT r{0, 0, client.right, 0};
        ::DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK);
        ::SelectObject(dc, old);
        needed = r.bottom;
    }
    ::DeleteDC(dc);
    return needed;
}

void CAboutDlg::FitTexts() {
    std::vector<HWND> texts;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = "";
        ::GetClassNameA(child, cls, sizeof cls);
        const LONG type = ::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
        if (std::strcmp(cls, "Static") == 0 && type == SS_LEFT && ::GetWindowTextLengthA(child) > 0)
            texts.push_back(child);
    }
    for (HWND text : texts) {
        RECT client{};
        ::GetClientRect(text, &client);
        const int missing = NeededHeight(text) - client.bottom;
        if (missing > 0)
            GrowDown(text, missing);
    }
}

void CAboutDlg::GrowDown(HWND control, int by) {
    RECT grown{};
    ::GetWindowRect(control, &grown);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&grown), 2);
    const int below = grown.bottom;
    ::SetWindowPos(control, nullptr, 0, 0, grown.right - grown.left, grown.bottom - grown.top + by,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // What lies below the text moves down with its bottom edge; what lies beside it stays.
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        if (child != control && r.top >= below)
            ::SetWindowPos(child, nullptr, r.left, r.top + by, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const RECT window = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + by,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CAboutDlg::ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_DPICHANGED: // moved to a monitor of another scale
        m_dpi.Apply(m_hWnd, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam), true);
        FitTexts();
        result = 0;
        return true;
    case WM_INITDIALOG:
        OnInitDialog();
        // The links are tab stops ahead of OK in the template: start on OK, so that Enter closes
        // the box rather than opening a link.
        ::SetFocus(GetDlgItem(IDOK));
        result = FALSE;
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            EndDialog(LOWORD(wParam));
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace qs
