// The drop-down button: the menu driven by keys while it tracks, the posted command, the
// owner-drawn button, the post-paint over a themed one, and the owner-drawn menu items.
#include "controls/ButtonMenuCtrl.h"

#include "support/HostWindow.h"
#include "support/PaintCanvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using qs::CButtonMenuCtrl;
using qs::test::HostWindow;
using qs::test::PaintCanvas;

constexpr int kButtonId = 1001;
constexpr UINT kFirst = 32774, kGreyed = 32775, kChecked = 32776;

// Presses keys in the open popup menu from a timer of this thread, which the menu's own loop
// runs while TrackPopupMenuEx tracks.
struct MenuDriver {
    HWND target = nullptr;
    std::vector<WPARAM> keys;
    std::size_t next = 0;
    bool sawMenu = false;
    RECT menuRect{};
};
MenuDriver* g_driver = nullptr;

HWND OpenMenuWindow() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            char name[16] = {};
            ::GetClassNameA(hwnd, name, sizeof name);
            if (std::strcmp(name, "#32768") == 0 && ::IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = OpenMenuWindow();
    if (g_driver == nullptr || menu == nullptr)
        return;
    if (!g_driver->sawMenu) {
        g_driver->sawMenu = true;
        ::GetWindowRect(menu, &g_driver->menuRect);
    }
    if (g_driver->next < g_driver->keys.size()) {
        const WPARAM key = g_driver->keys[g_driver->next++];
        ::PostMessageA(g_driver->target, WM_KEYDOWN, key, 0);
        ::PostMessageA(g_driver->target, WM_KEYUP, key, 0);
    }
}

struct Fixture {
    explicit Fixture(int version = -1) {
        button = host.AddChild("BUTTON", "Refresh", BS_PUSHBUTTON | WS_TABSTOP, RECT{10, 10, 160, 38}, kButtonId);
        ctrl.SubclassWindow(button);
        if (version >= 0)
            ctrl.SetCommonControlsVersion(version);
        HMENU menu = ::CreateMenu();
        HMENU popup = ::CreatePopupMenu();
        ::AppendMenuA(popup, MF_STRING, kFirst, "All");
        ::AppendMenuA(popup, MF_STRING | MF_GRAYED, kGreyed, "Chosen");
        ::AppendMenuA(popup, MF_STRING | MF_CHECKED, kChecked, "Third");
        ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Menu");
        ctrl.SetMenu(menu, true);
    }

    // Triggers the button, presses `keys` in the menu once it shows, and runs the messages until
    // the click has been handled.
    void Run(const std::function<void()>& trigger, std::vector<WPARAM> keys) {
        driver.target = button;
        driver.keys = std::move(keys);
        g_driver = &driver;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &DriveMenu);
        ::SetFocus(button);
        trigger();
        host.PumpUntil([&] { return host.clicksHandled > 0; });
        host.PumpPending(); // the posted command, if any
        ::KillTimer(nullptr, timer);
        g_driver = nullptr;
    }

    void Post(UINT msg, WPARAM wParam, LPARAM lParam = 0) { ::PostMessageA(button, msg, wParam, lParam); }
    RECT ButtonScreenRect() const {
        RECT r{};
        ::GetWindowRect(button, &r);
        return r;
    }

    HostWindow host{400, 200};
    HWND button = nullptr;
    CButtonMenuCtrl ctrl;
    MenuDriver driver;
};

struct TriggerCase {
    const char* name;
    std::function<void(Fixture&)> trigger;
};

class DropDownTest : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(DropDownTest, OffersEveryItemEnabledAndPostsTheChosenCommandAfterTheMenuCloses) {
    Fixture f;
    std::vector<std::string> offered;
    f.host.onInitMenuPopup = [&](HMENU menu) {
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            MENUITEMINFOA mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
            ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii);
            offered.push_back(std::to_string(mii.wID) + ((mii.fType & MFT_OWNERDRAW) ? " owner-drawn" : "") +
                              ((mii.fState & MFS_GRAYED) ? " greyed" : "") +
                              ((mii.fState & MFS_CHECKED) ? " checked" : "") + " #" + std::to_string(mii.dwItemData));
        }
    };
    f.Run([&] { GetParam().trigger(f); }, {VK_DOWN, VK_DOWN, VK_RETURN});

    EXPECT_TRUE(f.driver.sawMenu);
    EXPECT_EQ(f.host.clicksHandled, 1);
    EXPECT_EQ(f.host.initMenuPopups.size(), 1u) << "WM_INITMENUPOPUP reaches the top-level window";
    EXPECT_EQ(offered, (std::vector<std::string>{"32774 owner-drawn #0", "32775 owner-drawn #1",
                                                 "32776 owner-drawn checked #2"}));
    EXPECT_EQ(f.host.menuCommands, (std::vector<WPARAM>{MAKEWPARAM(kGreyed, 0)})) << "a greyed item can be chosen";
    EXPECT_FALSE(f.host.commandBeforeClickReturned) << "posted, not sent";
    EXPECT_FALSE(::IsMenu(f.host.initMenuPopups.at(0))) << "the temporary copy is destroyed";
}

INSTANTIATE_TEST_SUITE_P(Triggers, DropDownTest,
                         ::testing::Values(TriggerCase{"Mouse",
                                                       [](Fixture& f) {
                                                           f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                                                           f.Post(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
                                                       }},
                                           TriggerCase{"Space",
                                                       [](Fixture& f) {
                                                           f.Post(WM_KEYDOWN, VK_SPACE);
                                                           f.Post(WM_KEYUP, VK_SPACE);
                                                       }},
                                           TriggerCase{"Enter",
                                                       [](Fixture& f) {
                                                           f.Post(WM_KEYDOWN, VK_RETURN);
                                                           f.Post(WM_KEYUP, VK_RETURN);
                                                       }},
                                           TriggerCase{"F4",
                                                       [](Fixture& f) {
                                                           f.Post(WM_KEYDOWN, VK_F4);
                                                           f.Post(WM_KEYUP, VK_F4);
                                                       }}),
                         [](const ::testing::TestParamInfo<TriggerCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ButtonMenuCtrl, DismissingTheMenuSendsNothing) {
    Fixture f;
    f.Run([&] { ::SendMessageA(f.button, BM_CLICK, 0, 0); }, {VK_ESCAPE});
    EXPECT_TRUE(f.driver.sawMenu);
    EXPECT_TRUE(f.host.menuCommands.empty());
}

TEST(ButtonMenuCtrl, DropsDownUnderTheButtonAtLeastAsWideAsIt) {
    for (int version : {5, 6}) {
        Fixture f(version);
        f.Run([&] { ::SendMessageA(f.button, BM_CLICK, 0, 0); }, {VK_ESCAPE});
        ASSERT_TRUE(f.driver.sawMenu) << version;
        const RECT button = f.ButtonScreenRect();
        const int check = ::GetSystemMetrics(SM_CYMENUCHECK);
        EXPECT_EQ(f.ctrl.ItemWidth(), 150 - check) << "narrow items are widened to the button";
        EXPECT_GE(f.driver.menuRect.right - f.driver.menuRect.left, 150 - check) << version;
        EXPECT_EQ(f.driver.menuRect.top, button.bottom) << version;
        EXPECT_EQ(f.driver.menuRect.left, button.left + (version >= 6 ? 2 : 0)) << version;
    }

    Fixture f;
    f.ctrl.SetOptions(CButtonMenuCtrl::kKeepMenuWidth | CButtonMenuCtrl::kCheckColumn);
    f.Run([&] { ::SendMessageA(f.button, BM_CLICK, 0, 0); }, {VK_ESCAPE});
    HDC dc = ::GetDC(f.button);
    HGDIOBJ old = ::SelectObject(dc, f.ctrl.MenuFont());
    RECT text{0, 0, 0, 0};
    ::DrawTextA(dc, "Chosen", -1, &text, DT_CALCRECT | DT_SINGLELINE);
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(f.button, dc);
    EXPECT_EQ(f.ctrl.ItemWidth(), text.right + 4 + 18) << "the widest text, its margin and the check column";
    EXPECT_EQ(f.ctrl.ItemHeight(), tm.tmHeight + 6);
}

TEST(ButtonMenuCtrl, TopLevelWindowWalksParentsThenOwners) {
    HostWindow host;
    HWND panel = host.AddChild("STATIC", "", 0, RECT{0, 0, 100, 100}, 1);
    HWND inner = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, panel, nullptr, nullptr, nullptr);
    HWND owned = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, host.Handle(), nullptr, nullptr, nullptr);
    EXPECT_EQ(CButtonMenuCtrl::TopLevelWindow(inner), host.Handle());
    EXPECT_EQ(CButtonMenuCtrl::TopLevelWindow(owned), host.Handle());
    ::DestroyWindow(owned);
}

TEST(ButtonMenuCtrl, OwnsTheMenuOnlyWhenToldTo) {
    HMENU kept = ::CreateMenu();
    HMENU owned = ::CreateMenu();
    HMENU last = ::CreateMenu();
    {
        CButtonMenuCtrl ctrl;
        ctrl.SetMenu(kept, false);
        ctrl.SetMenu(owned, true);
        EXPECT_TRUE(::IsMenu(kept));
        ctrl.SetMenu(last, true);
        EXPECT_FALSE(::IsMenu(owned)) << "an owned menu is destroyed when replaced";
    }
    EXPECT_FALSE(::IsMenu(last)) << "and with the control";
    EXPECT_TRUE(::DestroyMenu(kept));
}

// ---- drawing ---------------------------------------------------------------------------------

const COLORREF kFace = ::GetSysColor(COLOR_BTNFACE);
const COLORREF kShadow = ::GetSysColor(COLOR_BTNSHADOW);
const COLORREF kHighlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);

void DrawButton(Fixture& f, PaintCanvas& canvas, UINT state) {
    canvas.Fill(RGB(255, 0, 255));
    DRAWITEMSTRUCT dis{ODT_BUTTON, kButtonId, 0, ODA_DRAWENTIRE, state, f.button, canvas.Dc(), RECT{0, 0, 150, 28}, 0};
    ::SendMessageA(f.button, qs::OCM__BASE + WM_DRAWITEM, kButtonId, reinterpret_cast<LPARAM>(&dis));
}

TEST(ButtonMenuCtrl, BelowCommonControls6TheWholeButtonIsOwnerDrawn) {
    Fixture f;
    ASSERT_LT(f.ctrl.CommonControlsVersion(), 6) << "Wine's library answers 5.81";
    EXPECT_EQ(::GetWindowLongPtrA(f.button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    PaintCanvas canvas(150, 28);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT), grey = ::GetSysColor(COLOR_GRAYTEXT);
    const RECT arrow{132, 0, 150, 28};

    DrawButton(f, canvas, 0);
    EXPECT_EQ(canvas.Pixel(128, 5), kShadow) << "divider 22 pixels left of the right edge";
    EXPECT_EQ(canvas.Pixel(129, 5), kHighlight);
    EXPECT_EQ(canvas.Pixel(128, 4), kFace);
    EXPECT_EQ(canvas.Pixel(129, 23), kHighlight);
    EXPECT_EQ(canvas.Pixel(129, 24), kFace) << "ends 4 pixels above the bottom";
    EXPECT_GT(canvas.CountColor(arrow, text), 15) << "the arrow";
    const RECT caption = canvas.InkBounds(RECT{4, 4, 126, 24}, kFace);
    EXPECT_NEAR((caption.left + caption.right) / 2, 75, 3) << "caption centred over the whole button";

    DrawButton(f, canvas, ODS_DISABLED);
    EXPECT_EQ(canvas.CountColor(arrow, text), 0);
    EXPECT_GT(canvas.CountColor(arrow, grey), 15) << "a disabled arrow is grey";

    DrawButton(f, canvas, ODS_FOCUS);
    EXPECT_EQ(canvas.Pixel(0, 0), ::GetSysColor(COLOR_3DDKSHADOW)) << "focus frame";
    EXPECT_EQ(canvas.Pixel(127, 6), kShadow) << "everything else moves in by the frame";
}

TEST(ButtonMenuCtrl, From6OnTheThemedButtonGetsDividerAndArrowAfterItPaints) {
    Fixture f(6);
    EXPECT_EQ(::GetWindowLongPtrA(f.button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    PaintCanvas canvas(150, 28, kFace);
    NMCUSTOMDRAW cd{};
    cd.hdr = NMHDR{f.button, kButtonId, static_cast<UINT>(NM_CUSTOMDRAW)};
    cd.hdc = canvas.Dc();
    cd.rc = RECT{0, 0, 150, 28};
    auto notify = [&](DWORD stage, UINT state) {
        cd.dwDrawStage = stage;
        cd.uItemState = state;
        return ::SendMessageA(f.button, qs::OCM__BASE + WM_NOTIFY, kButtonId, reinterpret_cast<LPARAM>(&cd));
    };
    EXPECT_EQ(notify(CDDS_PREPAINT, 0), CDRF_NOTIFYPOSTPAINT);
    EXPECT_EQ(notify(CDDS_ITEMPREPAINT, 0), CDRF_DODEFAULT);
    EXPECT_EQ(canvas.CountInk(canvas.All(), kFace), 0) << "nothing drawn before post-paint";

    const RECT arrow{132, 0, 150, 28};
    EXPECT_EQ(notify(CDDS_POSTPAINT, 0), CDRF_DODEFAULT);
    EXPECT_EQ(canvas.Pixel(128, 6), kShadow);
    EXPECT_EQ(canvas.Pixel(129, 6), kHighlight);
    EXPECT_EQ(canvas.Pixel(128, 5), kFace) << "from 6 pixels below the top";
    EXPECT_EQ(canvas.Pixel(129, 21), kHighlight);
    EXPECT_EQ(canvas.Pixel(129, 22), kFace) << "to 6 pixels above the bottom";
    EXPECT_GT(canvas.CountColor(arrow, ::GetSysColor(COLOR_BTNTEXT)), 15);

    canvas.Fill(kFace);
    notify(CDDS_POSTPAINT, CDIS_DISABLED);
    EXPECT_GT(canvas.CountColor(arrow, ::GetSysColor(COLOR_GRAYTEXT)), 15);
}

TEST(ButtonMenuCtrl, MenuItemsDrawTheirTextOnMenuHighlightOrHalfwayBackgrounds) {
    Fixture f;
    f.Run([&] { ::SendMessageA(f.button, BM_CLICK, 0, 0); }, {VK_ESCAPE}); // measures the items
    PaintCanvas canvas(150, 24);
    auto draw = [&](UINT position, UINT state) {
        canvas.Fill(RGB(255, 0, 255));
        DRAWITEMSTRUCT dis{ODT_MENU, 0, position, ODA_DRAWENTIRE, state, nullptr, canvas.Dc(), RECT{0, 0, 150, 24},
                           position};
        return ::SendMessageA(f.button, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    };
    const COLORREF menu = ::GetSysColor(COLOR_MENU), highlight = ::GetSysColor(COLOR_HIGHLIGHT);

    EXPECT_EQ(draw(0, 0), TRUE);
    EXPECT_EQ(canvas.Pixel(1, 1), menu);
    EXPECT_GE(canvas.InkBounds(canvas.All(), menu).left, 19) << "text starts after the 16-pixel indent";

    draw(0, ODS_SELECTED);
    EXPECT_EQ(canvas.Pixel(1, 1), highlight);
    EXPECT_GT(canvas.CountInk(canvas.All(), highlight), 0);

    f.ctrl.SetOptions(CButtonMenuCtrl::kCheckedBackground);
    draw(2, 0);
    const COLORREF halfway =
        RGB((GetRValue(menu) + GetRValue(highlight)) / 2, (GetGValue(menu) + GetGValue(highlight)) / 2,
            (GetBValue(menu) + GetBValue(highlight)) / 2);
    EXPECT_EQ(canvas.Pixel(1, 1), halfway) << "a checked item";
    draw(0, 0);
    EXPECT_EQ(canvas.Pixel(1, 1), menu) << "an unchecked one";

    MEASUREITEMSTRUCT mis{ODT_MENU, 0, kFirst, 0, 0, 0};
    EXPECT_EQ(::SendMessageA(f.button, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis)), TRUE);
    EXPECT_EQ(static_cast<int>(mis.itemWidth), f.ctrl.ItemWidth());
    EXPECT_EQ(static_cast<int>(mis.itemHeight), f.ctrl.ItemHeight());
}

} // namespace
