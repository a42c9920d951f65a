// The about box's initialisation and commands.
#include "app/AboutDlg.h"

#include "app/FileVersionInfo.h"
#include "app/MakerAddresses.h"
#include "app/OpenUrl.h"
#include "resource.h"

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
}

bool CAboutDlg::ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
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
