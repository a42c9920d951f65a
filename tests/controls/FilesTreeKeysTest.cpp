// The files tree-list from the keyboard alone: the focus row it takes with the keyboard focus,
// Home and End, the keypad's plus, minus and star, the focus cue, and the row menu opened by the
// context-menu key, Shift+F10 or a right click.
#include "TreeListHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using qs::kChecked;
using qs::kNoCheckBox;
using qs::kUnchecked;
using qs::test::ProbeTree;
using qs::test::TreeListHost;
using Node = ProbeTree::Node;

// Rows 1 (11, 12 (121, 122)), 2 (21), 3 to 20; five whole rows to a page.
class KeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.SubclassWindow(host.list));
        tree.InsertColumn(0, 200, "Name");
        checkBoxes = qs::test::LoadCheckBoxImages();
        tree.SetStateImages(checkBoxes, 15, 15);
        r1 = Add(1);
        r11 = Add(11, r1);
        r12 = Add(12, r1);
        r121 = Add(121, r12);
        Add(122, r12);
        r2 = Add(2);
        Add(21, r2);
        for (int i = 3; i <= 20; ++i)
            last = Add(i);
        host.ResizeClient(360, tree.headerHeight + 5 * static_cast<int>(tree.rowHeight) + 3);
        Paint();
        ::SetFocus(host.window);
        host.focusChanges.clear();
    }
    void TearDown() override {
        tree.UnsubclassWindow();
        ImageList_Destroy(checkBoxes);
    }

    Node* Add(int data, Node* parent = nullptr, unsigned state = kUnchecked) {
        return tree.InsertItem(data, -1, state, 0, parent);
    }
    void Paint() {
        InvalidateRect(host.list, nullptr, FALSE);
        UpdateWindow(host.list);
    }
    void Key(WPARAM key) { SendMessageA(host.list, WM_KEYDOWN, key, 0x00010001); }
    int Focus() const { return tree.focus != nullptr ? tree.focus->userData : -1; }

    TreeListHost host{360, 240};
    ProbeTree tree;
    HIMAGELIST checkBoxes = nullptr;
    Node *r1 = nullptr, *r11 = nullptr, *r12 = nullptr, *r121 = nullptr, *r2 = nullptr, *last = nullptr;
};

TEST_F(KeysTest, TheKeyboardFocusBringsAFocusRowAndAClickItsOwn) {
    ::SetFocus(host.list);
    EXPECT_EQ(tree.focus, r1) << "the first row takes the focus";
    EXPECT_EQ(host.focusChanges, (std::vector<void*>{r1}));
    // Keys work at once; leaving and coming back keeps the row.
    Key(VK_DOWN);
    EXPECT_EQ(Focus(), 2);
    ::SetFocus(host.window);
    ::SetFocus(host.list);
    EXPECT_EQ(Focus(), 2);

    // Scrolled down with no focus row: the first row shown takes it.
    tree.focus = nullptr;
    ::SetFocus(host.window);
    SendMessageA(host.list, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    ::SetFocus(host.list);
    EXPECT_EQ(tree.focus, tree.topNode);
    EXPECT_NE(tree.focus, r1);

    // A click that brings the keyboard focus names its own row, and only that one is reported.
    tree.focus = nullptr;
    ::SetFocus(host.window);
    host.focusChanges.clear();
    const int y = tree.headerHeight + 2 * static_cast<int>(tree.rowHeight) + 2;
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, y));
    SendMessageA(host.list, WM_LBUTTONUP, 0, MAKELPARAM(120, y));
    EXPECT_EQ(host.focusChanges.size(), 1u);
    EXPECT_EQ(host.focusChanges.back(), tree.focus);
    EXPECT_NE(tree.focus, tree.topNode);
}

TEST_F(KeysTest, HomeEndAndTheKeypad) {
    tree.focus = r2;
    Key(VK_END);
    EXPECT_EQ(tree.focus, last);
    EXPECT_EQ(tree.topIndex, 15u) << "the last page, with the last row at its bottom";
    Key(VK_HOME);
    EXPECT_EQ(tree.focus, r1);
    EXPECT_EQ(tree.topIndex, 0u);

    // Plus and minus expand and collapse the focus row alone; star expands all below it.
    Key(VK_ADD);
    EXPECT_EQ(r1->expanded, 1);
    EXPECT_EQ(r12->expanded, 0);
    Key(VK_SUBTRACT);
    EXPECT_EQ(r1->expanded, 0);
    EXPECT_EQ(tree.VisibleCount(), 20);
    Key(VK_MULTIPLY);
    EXPECT_EQ(r1->expanded, 1);
    EXPECT_EQ(r12->expanded, 1);
    EXPECT_EQ(r2->expanded, 0) << "the next row is not below";
    EXPECT_EQ(tree.VisibleCount(), 24);
    // End reaches the last row shown, whatever level it is on.
    tree.ToggleExpand(r2);
    Key(VK_END);
    EXPECT_EQ(tree.focus, last);
    tree.focus = r121;
    Key(VK_MULTIPLY); // a leaf: nothing
    EXPECT_EQ(tree.VisibleCount(), 25);
    EXPECT_EQ(host.keys, (std::vector<UINT>{VK_END, VK_HOME, VK_ADD, VK_SUBTRACT, VK_MULTIPLY, VK_END, VK_MULTIPLY}));
}

TEST_F(KeysTest, TheFocusCueShowsWhileTheKeyboardWorksInTheList) {
    tree.focus = r2;
    qs::test::PaintCanvas without(360, 120);
    qs::test::RenderClient(host.list, without);
    ::SetFocus(host.list);
    ::SendMessageA(host.list, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    qs::test::PaintCanvas with(360, 120);
    qs::test::RenderClient(host.list, with);
    qs::test::SaveShot(host.list, "treelist-focus-cue");

    // The dotted frame lies one pixel inside the highlight of the focus row (row 1 of the page).
    const int y = tree.headerHeight + static_cast<int>(tree.rowHeight);
    int changed = 0, elsewhere = 0;
    for (int x = 0; x < 360; ++x)
        for (int row = 0; row < 5 * static_cast<int>(tree.rowHeight); ++row) {
            const int py = tree.headerHeight + row;
            if (without.Pixel(x, py) == with.Pixel(x, py))
                continue;
            if (py == y + 1 || py == y + static_cast<int>(tree.rowHeight) - 2)
                ++changed;
            else if (py < y || py >= y + static_cast<int>(tree.rowHeight))
                ++elsewhere;
        }
    EXPECT_GT(changed, 20);
    EXPECT_EQ(elsewhere, 0);
}

// ---- the row menu --------------------------------------------------------------------------

struct MenuItem {
    UINT id;
    std::string text;
    bool isDefault;
    bool operator==(const MenuItem& o) const { return id == o.id && text == o.text && isDefault == o.isDefault; }
};

void PrintTo(const MenuItem& m, std::ostream* os) { *os << m.id << " " << m.text << (m.isDefault ? " *" : ""); }

std::vector<MenuItem> ItemsOf(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, i);
        items.push_back({id, text, GetMenuDefaultItem(menu, FALSE, 0) == id});
    }
    return items;
}

TEST_F(KeysTest, RowMenusOfferTheRowsOwnCommands) {
    tree.SetCheck(r2, kChecked, true, true);
    Node* bare = Add(99, nullptr, kNoCheckBox);
    tree.ToggleExpand(r1);
    const struct {
        Node* row;
        std::vector<MenuItem> items;
    } cases[] = {
        {r11, {{4900, "&Check", true}}},
        {r1, {{4900, "&Check", true}, {4901, "C&ollapse", false}, {4902, "Expand &All Below", false}}},
        {r2, {{4900, "&Uncheck", true}, {4901, "&Expand", false}, {4902, "Expand &All Below", false}}},
        {bare, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ItemsOf(tree.BuildRowMenu(c.row).Get()), c.items) << c.row->userData;
}

// Presses keys in an open menu from a timer, which the menu's own loop runs.
struct MenuKeys {
    HWND target = nullptr;
    std::vector<WPARAM> keys;
    std::size_t next = 0;
    int menusSeen = 0;
};
MenuKeys* g_menuKeys = nullptr;

bool MenuOpen() {
    bool open = false;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            char name[16] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (std::strcmp(name, "#32768") == 0 && IsWindowVisible(hwnd))
                *reinterpret_cast<bool*>(param) = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&open));
    return open;
}

void CALLBACK PressInMenu(HWND, UINT, UINT_PTR, DWORD) {
    if (g_menuKeys == nullptr || !MenuOpen() || g_menuKeys->next >= g_menuKeys->keys.size())
        return;
    if (g_menuKeys->next == 0)
        ++g_menuKeys->menusSeen;
    const WPARAM key = g_menuKeys->keys[g_menuKeys->next++];
    PostMessageA(g_menuKeys->target, WM_KEYDOWN, key, 0);
    PostMessageA(g_menuKeys->target, WM_KEYUP, key, 0);
}

TEST_F(KeysTest, TheContextMenuKeyShiftF10AndARightClickOpenTheRowMenu) {
    MenuKeys driver;
    driver.target = host.list;
    g_menuKeys = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, &PressInMenu);
    auto open = [&](std::vector<WPARAM> keys, const std::function<void()>& how) {
        driver.keys = std::move(keys);
        driver.next = 0;
        how();
        host.Pump();
    };
    ::SetFocus(host.list);
    tree.focus = r1;

    // The context-menu key; the access key chooses.
    open({'A'}, [&] { Key(VK_APPS); });
    EXPECT_EQ(driver.menusSeen, 1);
    EXPECT_EQ(r12->expanded, 1) << "Expand All Below";
    // Shift+F10 comes as a system key; the first item is the check.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    open({VK_DOWN, VK_RETURN}, [&] { SendMessageA(host.list, WM_SYSKEYDOWN, VK_F10, 0x20440001); });
    SendMessageA(host.list, WM_SYSKEYUP, VK_F10, 0xE0440001);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(driver.menusSeen, 2);
    EXPECT_EQ(r1->checkState, kChecked);
    EXPECT_EQ(r121->checkState, kChecked);

    // A keyboard WM_CONTEXTMENU (as the system makes of the keys) and a right click on a row.
    open({'O'}, [&] { SendMessageA(host.list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host.list), -1); });
    EXPECT_EQ(driver.menusSeen, 3);
    EXPECT_EQ(r1->expanded, 0) << "Collapse";
    const int y = tree.headerHeight + 3 * static_cast<int>(tree.rowHeight) + 3;
    POINT at{40, y};
    ClientToScreen(host.list, &at);
    SendMessageA(host.list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, y));
    ASSERT_EQ(Focus(), 4);
    open({'C'},
         [&] { SendMessageA(host.list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host.list), MAKELPARAM(at.x, at.y)); });
    EXPECT_EQ(driver.menusSeen, 4);
    EXPECT_EQ(tree.focus->checkState, kChecked);

    // The header's menu message goes on to the parent; no row menu.
    open({VK_ESCAPE},
         [&] { SendMessageA(host.list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree.header.m_hWnd), -1); });
    EXPECT_EQ(driver.menusSeen, 4);

    KillTimer(nullptr, timer);
    g_menuKeys = nullptr;
}

} // namespace
