// The hyperlink base: font, tooltip, painting, mouse capture and keyboard activation.
#include "framework/HyperLink.h"

#include "support/HostWindow.h"
#include "support/PaintCanvas.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace {

using qs::test::HostWindow;
using qs::test::PaintCanvas;

class CountingLink : public qs::CHyperLinkImpl {
public:
    bool Navigate() override {
        ++navigations;
        return true;
    }
    int navigations = 0;
};

struct LinkFixture {
    LinkFixture() {
        hwnd = host.AddChild("STATIC", "www.example.org", SS_LEFT | WS_TABSTOP, RECT{10, 10, 210, 30}, 1035);
        link.SubclassWindow(hwnd);
    }
    POINT LabelCentre() const {
        const RECT r = link.LabelRect();
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Mouse(UINT msg, POINT pt) {
        ::SendMessageA(hwnd, msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(pt.x, pt.y));
    }

    HostWindow host;
    HWND hwnd = nullptr;
    CountingLink link;
};

std::string ToolTipText(const qs::CHyperLinkImpl& link) {
    char text[256] = {};
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = link.Handle();
    ti.uId = 1;
    ti.lpszText = text;
    ::SendMessageA(link.ToolTip(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
}

TEST(HyperLinkImpl, UnderlinedParentFontLabelRectAndToolTipWithTheTarget) {
    LinkFixture f;
    EXPECT_TRUE(::GetWindowLongPtrA(f.hwnd, GWL_STYLE) & SS_NOTIFY) << "the static must see the mouse";

    LOGFONTA parent{}, link{};
    ::GetObjectA(f.host.Font(), sizeof parent, &parent);
    ASSERT_NE(f.link.LinkFont(), nullptr);
    ::GetObjectA(f.link.LinkFont(), sizeof link, &link);
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_EQ(link.lfHeight, parent.lfHeight);
    EXPECT_STREQ(link.lfFaceName, parent.lfFaceName);

    HDC dc = ::GetDC(f.hwnd);
    HGDIOBJ old = ::SelectObject(dc, f.link.LinkFont());
    SIZE size{};
    ::GetTextExtentPoint32A(dc, "www.example.org", 15, &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(f.hwnd, dc);
    const RECT label = f.link.LabelRect();
    EXPECT_EQ(label.left, 0);
    EXPECT_EQ(label.right - label.left, size.cx);

    ASSERT_NE(f.link.ToolTip(), nullptr);
    EXPECT_EQ(f.link.GetHyperLink(), "www.example.org") << "the label until a target is set";
    EXPECT_EQ(ToolTipText(f.link), "www.example.org");
    f.link.SetHyperLink("https://example.org/page");
    EXPECT_EQ(ToolTipText(f.link), "https://example.org/page");
    EXPECT_EQ(f.link.GetLabel(), "www.example.org");

    ::DestroyWindow(f.hwnd);
    EXPECT_FALSE(::IsWindow(f.link.ToolTip())) << "the tooltip goes with the link";
}

TEST(HyperLinkImpl, PaintsOnTheParentsStaticBrushInLinkThenVisitedColour) {
    LinkFixture f;
    HBRUSH green = ::CreateSolidBrush(RGB(0, 128, 0));
    f.host.SetStaticBrush(green);
    PaintCanvas canvas(200, 20);
    ::SendMessageA(f.hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.Pixel(199, 19), RGB(0, 128, 0));
    // The underline is drawn solid in the text colour.
    EXPECT_GT(canvas.CountColor(canvas.All(), RGB(0, 0, 255)), 40);

    f.link.SetVisited(true);
    ::SendMessageA(f.hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.CountColor(canvas.All(), RGB(0, 0, 255)), 0);
    EXPECT_GT(canvas.CountColor(canvas.All(), RGB(128, 0, 128)), 40);
    ::DestroyWindow(f.hwnd);
    ::DeleteObject(green);
}

TEST(HyperLinkImpl, ClickActivatesOnlyWhenPressedAndReleasedOverTheLabel) {
    LinkFixture f;
    const POINT on = f.LabelCentre();
    const POINT off{f.link.LabelRect().right + 20, on.y};

    f.Mouse(WM_LBUTTONDOWN, on);
    EXPECT_EQ(::GetCapture(), f.hwnd);
    EXPECT_EQ(::GetFocus(), f.hwnd);
    f.Mouse(WM_LBUTTONUP, on);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(f.link.navigations, 1);

    f.Mouse(WM_LBUTTONDOWN, on);
    f.Mouse(WM_LBUTTONUP, off);
    EXPECT_EQ(f.link.navigations, 1) << "released beside the label";
    EXPECT_EQ(::GetCapture(), nullptr);

    f.Mouse(WM_LBUTTONUP, on);
    EXPECT_EQ(f.link.navigations, 1) << "released without a press";

    f.Mouse(WM_LBUTTONDOWN, off);
    EXPECT_EQ(::GetCapture(), nullptr) << "pressed beside the label";
    f.Mouse(WM_LBUTTONUP, on);
    EXPECT_EQ(f.link.navigations, 1);
}

TEST(HyperLinkImpl, SpaceAndEnterActivateTheFocusedLinkInsteadOfTheDefaultButton) {
    LinkFixture f;
    ::SetFocus(f.hwnd);
    ASSERT_EQ(::GetFocus(), f.hwnd);
    // The host's loop runs the dialog keys, as a dialog's would.
    ::PostMessageA(f.hwnd, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageA(f.hwnd, WM_KEYUP, VK_RETURN, 0);
    f.host.PumpPending();
    EXPECT_EQ(f.link.navigations, 1);
    EXPECT_TRUE(f.host.menuCommands.empty()) << "no IDOK from the dialog manager";

    ::PostMessageA(f.hwnd, WM_KEYDOWN, VK_SPACE, 0);
    ::PostMessageA(f.hwnd, WM_KEYUP, VK_SPACE, 0);
    f.host.PumpPending();
    EXPECT_EQ(f.link.navigations, 2);

    // A carriage return that did not come from Enter pressed on the link does nothing.
    ::SendMessageA(f.hwnd, WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(f.link.navigations, 2);
}

TEST(HyperLinkImpl, HandCursorOverTheLabelOnly) {
    LinkFixture f;
    const POINT centre = f.LabelCentre();
    POINT on = centre;
    ::ClientToScreen(f.hwnd, &on);
    ::SetCursorPos(on.x, on.y);
    POINT now{};
    ::GetCursorPos(&now);
    if (now.x != on.x || now.y != on.y)
        GTEST_SKIP() << "the pointer cannot be moved on this display";
    EXPECT_EQ(
        ::SendMessageA(f.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(f.hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
        TRUE);
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));

    POINT off{f.link.LabelRect().right + 20, centre.y};
    ::ClientToScreen(f.hwnd, &off);
    ::SetCursorPos(off.x, off.y);
    ::SendMessageA(f.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(f.hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
}

} // namespace

namespace {

TEST(HyperLinkColour, HighContrastDrawsEveryLinkInTheThemesLinkColour) {
    const COLORREF link = RGB(0, 0, 255), visited = RGB(128, 0, 128), hot = RGB(255, 255, 0);
    EXPECT_EQ(qs::LinkTextColour(false, false, link, visited, hot), link);
    EXPECT_EQ(qs::LinkTextColour(false, true, link, visited, hot), visited);
    EXPECT_EQ(qs::LinkTextColour(true, false, link, visited, hot), hot);
    EXPECT_EQ(qs::LinkTextColour(true, true, link, visited, hot), hot);
}

} // namespace
