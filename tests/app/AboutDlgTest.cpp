// The about box run modally: its results for Enter, Esc and the close box, and what it shows.
#include "app/AboutDlg.h"

#include "app/FileVersionInfo.h"
#include "app/MakerAddresses.h"
#include "app/OpenUrl.h"
#include "resource.h"
#include "support/HostWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using qs::CAboutDlg;

// Runs `act` on the about box from a timer of this thread once the box is shown.
struct WhileShown {
    CAboutDlg* dlg = nullptr;
    std::function<void(HWND)> act;
    bool done = false;
};
WhileShown* g_shown = nullptr;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_shown == nullptr || g_shown->done)
        return;
    HWND hwnd = g_shown->dlg->Handle();
    if (hwnd == nullptr || !::IsWindowVisible(hwnd))
        return;
    g_shown->done = true;
    g_shown->act(hwnd);
}

INT_PTR RunAbout(CAboutDlg& dlg, HWND owner, const std::function<void(HWND)>& act) {
    WhileShown shown{&dlg, act};
    g_shown = &shown;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &OnTimer);
    const INT_PTR result = dlg.DoModal(owner);
    ::KillTimer(nullptr, timer);
    g_shown = nullptr;
    return result;
}

void Key(HWND dlg, WPARAM key) {
    HWND focus = ::GetFocus();
    HWND target = focus != nullptr && ::IsChild(dlg, focus) ? focus : dlg;
    ::PostMessageA(target, WM_KEYDOWN, key, 0);
    ::PostMessageA(target, WM_KEYUP, key, 0);
}

TEST(AboutDlg, EnterAndOkGiveOneEscAndTheCloseBoxGiveTwo) {
    const struct {
        const char* how;
        std::function<void(HWND)> act;
        INT_PTR result;
    } cases[] = {
        {"Enter", [](HWND dlg) { Key(dlg, VK_RETURN); }, IDOK},
        {"OK", [](HWND dlg) { ::PostMessageA(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0); }, IDOK},
        {"Esc", [](HWND dlg) { Key(dlg, VK_ESCAPE); }, IDCANCEL},
        {"close box", [](HWND dlg) { ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    qs::test::HostWindow owner;
    for (const auto& c : cases) {
        CAboutDlg dlg;
        EXPECT_EQ(RunAbout(dlg, owner.Handle(), c.act), c.result) << c.how;
    }
}

TEST(AboutDlg, ShowsVersionDescriptionLinksAndRaisedLinesCentredOverItsOwner) {
    qs::CFileVersionInfo version;
    version.Create();
    const std::string expected =
        CAboutDlg::ProductText(version.GetProductName(), version.GetFileVersion(), version.GetLegalCopyright());

    qs::test::HostWindow owner(600, 400);
    CAboutDlg dlg;
    std::string html, caption, webLabel, mailLabel;
    RECT box{}, over{};
    int focusId = 0;
    RunAbout(dlg, owner.Handle(), [&](HWND hwnd) {
        char text[2048] = {};
        ::GetDlgItemTextA(hwnd, IDC_MINI_HTML, text, sizeof text);
        html = text;
        ::GetWindowTextA(hwnd, text, sizeof text);
        caption = text;
        webLabel = dlg.WebLink().GetLabel();
        mailLabel = dlg.MailLink().GetLabel();
        ::GetWindowRect(hwnd, &box);
        ::GetWindowRect(owner.Handle(), &over);
        // Test programs run side by side: another one's window may be in front now.
        ::SetForegroundWindow(hwnd);
        focusId = ::GetDlgCtrlID(::GetFocus());
        ::PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(caption, "About...");
    EXPECT_EQ(html, expected);
    EXPECT_EQ(html.rfind("<B>" + version.GetProductName() + "</B><BR>Version " + version.GetFileVersion() + "<BR>", 0),
              0u);
    EXPECT_EQ(webLabel, qs::kWebSiteAddress);
    EXPECT_EQ(dlg.WebLink().GetHyperLink(), qs::kWebSiteAddress);
    EXPECT_EQ(mailLabel, qs::kSupportAddress);
    EXPECT_EQ(dlg.MailLink().GetHyperLink(), std::string("mailto:") + qs::kSupportAddress + "?Subject=Quillsweep");
    EXPECT_EQ(dlg.WebLink().Opener(), &qs::OpenUrl);
    EXPECT_EQ(dlg.MailLink().Opener(), &qs::OpenUrl);
    EXPECT_FALSE(dlg.UpperLine().sunken);
    EXPECT_FALSE(dlg.LowerLine().sunken);
    EXPECT_NEAR((box.left + box.right) / 2, (over.left + over.right) / 2, 1);
    EXPECT_NEAR((box.top + box.bottom) / 2, (over.top + over.bottom) / 2, 1);
    EXPECT_EQ(focusId, IDOK) << "Enter closes the box rather than opening a link";
}

} // namespace
