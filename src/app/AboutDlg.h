// The about box: product, version and copyright, a short description, and links to the maker's
// web site and support address.
#pragma once

#include "controls/BevelLine.h"
#include "controls/HyperLinkEx.h"
#include "controls/MiniHtmlCtrl.h"
#include "framework/DialogDpi.h"
#include "framework/Window.h"

#include <string>

namespace qs {

class CAboutDlg : public CDialogImpl {
public:
    using CDialogImpl::DoModal;
    // Runs the box modally over `owner`; answers 1 (OK, Enter) or 2 (Esc, the close box).
    INT_PTR DoModal(HWND owner);

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The markup of the product area for the given version strings.
    static std::string ProductText(const std::string& productName, const std::string& fileVersion,
                                   const std::string& legalCopyright);

    const CHyperLinkEx& WebLink() const { return m_webLink; }
    const CHyperLinkEx& MailLink() const { return m_mailLink; }
    const CBevelLine& LowerLine() const { return m_lowerLine; }
    const CBevelLine& UpperLine() const { return m_upperLine; }

private:
    // Texts that the fonts of this display make taller than their controls (the product text,
    // the wrapped static texts) get the height they need; what lies below moves down, and the
    // box grows by as much.
    void FitTexts();
    int NeededHeight(HWND control) const;
    void GrowDown(HWND control, int by);

    void OnInitDialog();

    CHyperLinkEx m_webLink;  // 1035
    CHyperLinkEx m_mailLink; // 1036
    CBevelLine m_lowerLine;  // 1025
    CBevelLine m_upperLine;  // 1026
    CMiniHtmlCtrl m_html;    // 1028
    CDialogDpi m_dpi;        // the scale the box is laid out for
};

} // namespace qs
