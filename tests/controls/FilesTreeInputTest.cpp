// The files tree-list driven by window messages: scroll requests and the wheel, presses on
// buttons, boxes and rows, the keyboard, header clicks with their arrows, the column menu, the
// header's drag and resize rules and the notifications to the parent.
#include "TreeListHost.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using qs::kChecked;
using qs::kNoCheckBox;
using qs::kPartlyChecked;
using qs::kUnchecked;
using qs::test::ClickHeader;
using qs::test::PaintCanvas;
using qs::test::ProbeTree;
using qs::test::TreeListHost;
using Node = ProbeTree::Node;
using Checks = std::vector<std::pair<void*, unsigned>>;

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// A tree-list with columns of 200, 80 and 60 pixels and a page of `rows` whole rows.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.SubclassWindow(host.list));
        tree.InsertColumn(0, 200, "Name");
        tree.InsertColumn(1, 80, "Size On Drive");
        tree.InsertColumn(2, 60, "Files");
        checkBoxes = qs::test::LoadCheckBoxImages();
        tree.SetStateImages(checkBoxes, 15, 15);
        SetPage(5);
    }
    void TearDown() override {
        tree.UnsubclassWindow();
        ImageList_Destroy(checkBoxes);
    }

    void SetPage(int rows, int width = 360) {
        host.ResizeClient(width, tree.headerHeight + rows * static_cast<int>(tree.rowHeight) + 3);
    }
    Node* Add(int data, Node* parent = nullptr, unsigned state = kUnchecked) {
        return tree.InsertItem(data, -1, state, 0, parent);
    }
    // Paints the way the screen would, recording buttons, boxes and the row past the page.
    void Paint() {
        InvalidateRect(host.list, nullptr, FALSE);
        UpdateWindow(host.list);
    }
    int RowMid(int position) const {
        return tree.headerHeight + position * static_cast<int>(tree.rowHeight) + static_cast<int>(tree.rowHeight) / 2;
    }
    int VPos() const { return GetScrollPos(host.list, SB_VERT); }
    void Scroll(int request, int high = 0) { SendMessageA(host.list, WM_VSCROLL, MAKEWPARAM(request, high), 0); }
    void Key(WPARAM key) { SendMessageA(host.list, WM_KEYDOWN, key, 0x00480001); }
    void Take() {
        host.notifications.clear();
        host.keys.clear();
        host.checks.clear();
    }

    TreeListHost host{360, 240};
    ProbeTree tree;
    HIMAGELIST checkBoxes = nullptr;
};

// ---- vertical scrolling -------------------------------------------------------------------

struct VCase {
    int start;
    int request;
    int high;
    int expected;
};

void PrintTo(const VCase& c, std::ostream* os) {
    *os << "from " << c.start << " request " << c.request << " high " << c.high;
}

class VerticalScrollTest : public InputTest, public ::testing::WithParamInterface<VCase> {};

// 20 rows, 5 per page: positions 0 to 15.
TEST_P(VerticalScrollTest, MovesTopRowAndBarTogether) {
    for (int i = 0; i < 20; ++i)
        Add(i);
    ASSERT_EQ(tree.rowsPerPage, 5u);
    SetScrollPos(host.list, SB_VERT, GetParam().start, FALSE);
    tree.UpdateVScroll();
    ASSERT_EQ(tree.topIndex, static_cast<unsigned>(GetParam().start));

    Scroll(GetParam().request, GetParam().high);
    EXPECT_EQ(tree.topIndex, static_cast<unsigned>(GetParam().expected));
    EXPECT_EQ(tree.topNode->userData, GetParam().expected);
    EXPECT_EQ(VPos(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, VerticalScrollTest,
    ::testing::Values(VCase{0, SB_LINEDOWN, 0, 1}, VCase{0, SB_LINEUP, 0, 0}, VCase{15, SB_LINEDOWN, 0, 15},
                      VCase{9, SB_LINEUP, 0, 8}, VCase{3, SB_PAGEDOWN, 0, 8}, VCase{13, SB_PAGEDOWN, 0, 15},
                      VCase{3, SB_PAGEDOWN, 2, 5}, VCase{7, SB_PAGEUP, 0, 2}, VCase{3, SB_PAGEUP, 0, 0},
                      VCase{9, SB_PAGEUP, 3, 6},
                      // The thumb: track position + 1 (here the track position is the current one).
                      VCase{4, SB_THUMBTRACK, 0, 5}, VCase{4, SB_THUMBPOSITION, 0, 5}, VCase{15, SB_THUMBTRACK, 0, 15},
                      VCase{0, SB_THUMBTRACK, 0, 0}, VCase{9, SB_TOP, 0, 0}, VCase{2, SB_BOTTOM, 0, 15},
                      VCase{6, SB_ENDSCROLL, 0, 6}));

TEST_F(InputTest, BottomShowsTheLastPageAndScrollsBackRowByRow) {
    for (int i = 0; i < 20; ++i)
        Add(i);
    Scroll(SB_BOTTOM);
    Paint();
    EXPECT_EQ(tree.topNode->userData, 15);
    // The last row is the fifth whole row: nothing is drawn past the page.
    Node* row = tree.topNode;
    for (int i = 1; i < 5; ++i)
        row = row->NextVisible(false);
    EXPECT_EQ(row, tree.GetRootItem()->lastChild);
    Scroll(SB_LINEUP);
    EXPECT_EQ(tree.topNode->userData, 14);
    Scroll(SB_LINEUP);
    EXPECT_EQ(tree.topNode->userData, 13);

    // The wheel: two rows per message, whatever its distance.
    SendMessageA(host.list, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(tree.topIndex, 11u);
    SendMessageA(host.list, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-1)), 0);
    EXPECT_EQ(tree.topIndex, 13u);
    SendMessageA(host.list, WM_MOUSEWHEEL, MAKEWPARAM(0, 1), 0);
    EXPECT_EQ(tree.topIndex, 11u);
    SendMessageA(host.list, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-480)), 0);
    EXPECT_EQ(tree.topIndex, 13u);
}

TEST_F(InputTest, ScrollingStepsThroughExpandedLevels) {
    Node* a = Add(1);
    for (int i = 0; i < 4; ++i)
        Add(10 + i, a);
    Node* b = Add(2);
    for (int i = 0; i < 4; ++i)
        Add(20 + i, b);
    tree.ToggleExpand(a);
    tree.ToggleExpand(b);
    ASSERT_EQ(tree.VisibleCount(), 10);
    std::vector<int> tops;
    for (int i = 0; i < 5; ++i) {
        tops.push_back(tree.topNode->userData);
        Scroll(SB_LINEDOWN);
    }
    tops.push_back(tree.topNode->userData);
    EXPECT_EQ(tops, (std::vector<int>{1, 10, 11, 12, 13, 2}));
    Scroll(SB_PAGEUP);
    EXPECT_EQ(tree.topNode, a);
    // Without a bar the requests do nothing.
    tree.ToggleExpand(a);
    tree.ToggleExpand(b);
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(tree.topIndex, 0u);
}

// ---- horizontal scrolling -----------------------------------------------------------------

struct HCase {
    int start; // reached by a thumb request first
    int request;
    int thumb;
    int expected;
};

void PrintTo(const HCase& c, std::ostream* os) {
    *os << "from " << c.start << " request " << c.request << " thumb " << c.thumb;
}

class HorizontalScrollTest : public InputTest, public ::testing::WithParamInterface<HCase> {};

// Columns 340 wide in a client 250 wide: the bar accepts positions 0 to 91.
TEST_P(HorizontalScrollTest, MovesOffsetBarAndHeader) {
    Add(1);
    SetPage(5, 250);
    ASSERT_NE(GetWindowLongA(host.list, GWL_STYLE) & WS_HSCROLL, 0);
    if (GetParam().start != 0)
        SendMessageA(host.list, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, GetParam().start - 5), 0);
    ASSERT_EQ(tree.scrollX, -GetParam().start);

    SendMessageA(host.list, WM_HSCROLL, MAKEWPARAM(GetParam().request, GetParam().thumb), 0);
    EXPECT_EQ(tree.scrollX, -GetParam().expected);
    EXPECT_EQ(GetScrollPos(host.list, SB_HORZ), GetParam().expected);
    RECT hr{};
    GetWindowRect(tree.header.m_hWnd, &hr);
    MapWindowPoints(nullptr, host.list, reinterpret_cast<POINT*>(&hr), 2);
    EXPECT_EQ(hr.left, tree.scrollX);
}

INSTANTIATE_TEST_SUITE_P(Requests, HorizontalScrollTest,
                         ::testing::Values(HCase{0, SB_LINERIGHT, 0, 6}, HCase{6, SB_LINELEFT, 0, 0},
                                           HCase{0, SB_LINELEFT, 0, 0}, HCase{0, SB_PAGERIGHT, 0, 90},
                                           HCase{90, SB_PAGELEFT, 0, 0},
                                           // Thumb positions snap to the 6-pixel step above the track position.
                                           HCase{0, SB_THUMBTRACK, 7, 12}, HCase{0, SB_THUMBPOSITION, 6, 12},
                                           HCase{12, SB_THUMBTRACK, 0, 0}, HCase{48, SB_LEFT, 0, 0},
                                           // Past what the bar accepts: kept at its last position.
                                           HCase{90, SB_LINERIGHT, 0, 91}, HCase{0, SB_RIGHT, 0, 91},
                                           HCase{12, SB_ENDSCROLL, 0, 12}));

// ---- mouse --------------------------------------------------------------------------------

struct ButtonHit {
    int dx, dy; // from the button's top left corner
    bool toggles;
};

TEST_F(InputTest, ButtonCountsWithATwoPixelMargin) {
    Node* cat = Add(1);
    Add(11, cat);
    Add(2);
    Paint();
    const RECT b = qs::tlx::ToRect(cat->buttonRect);
    ASSERT_EQ(b.right - b.left, 9);
    const ButtonHit hits[] = {{4, 4, true},   {-2, -2, true}, {10, 10, true}, {-3, 4, false},
                              {11, 4, false}, {4, -3, false}, {4, 11, false}, {30, 4, false}};
    for (const ButtonHit& h : hits) {
        SCOPED_TRACE(testing::Message() << h.dx << "," << h.dy);
        const int before = cat->expanded;
        Take();
        SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(b.left + h.dx, b.top + h.dy));
        EXPECT_EQ(cat->expanded != before, h.toggles);
        EXPECT_EQ(tree.focus, cat);
        EXPECT_EQ(host.notifications, (std::vector<UINT>{NM_CLICK}));
        EXPECT_EQ(GetFocus(), host.list);
        Paint();
    }
    // A right press moves the focus but never toggles.
    tree.focus = nullptr;
    const int before = cat->expanded;
    Take();
    SendMessageA(host.list, WM_RBUTTONDOWN, MK_RBUTTON, At(b.left + 4, b.top + 4));
    EXPECT_EQ(cat->expanded, before);
    EXPECT_EQ(tree.focus, cat);
    EXPECT_EQ(host.notifications, (std::vector<UINT>{NM_RCLICK}));
}

TEST_F(InputTest, BoxesToggleWithPropagationAndEmptySpaceClearsTheFocus) {
    Node* cat = Add(1);
    Node* a = Add(11, cat);
    Node* b = Add(12, cat, kChecked);
    Node* none = Add(13, cat, kNoCheckBox);
    tree.ToggleExpand(cat);
    Paint();
    Take();
    // Checking the last unchecked child leaves the category partly checked (one has no box).
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(a->checkRect.left + 7, a->checkRect.top + 7));
    EXPECT_EQ(host.checks, (Checks{{a, kChecked}, {cat, kPartlyChecked}}));
    EXPECT_EQ(tree.focus, a);
    // A press on a partly checked box unchecks the row and its checked children.
    Take();
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(cat->checkRect.left + 1, cat->checkRect.top + 1));
    EXPECT_EQ(host.checks, (Checks{{cat, kUnchecked}, {a, kUnchecked}, {b, kUnchecked}}));
    EXPECT_EQ(none->checkState, kNoCheckBox);
    // A right press on a box only moves the focus.
    Take();
    SendMessageA(host.list, WM_RBUTTONDOWN, MK_RBUTTON, At(b->checkRect.left + 7, b->checkRect.top + 7));
    EXPECT_TRUE(host.checks.empty());
    EXPECT_EQ(tree.focus, b);
    // Below the last row (still within the page): no row, no focus; the parent still hears.
    Take();
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(100, RowMid(4)));
    EXPECT_EQ(tree.focus, nullptr);
    EXPECT_EQ(host.notifications, (std::vector<UINT>{NM_CLICK}));
    // More than a page below the header: nothing at all.
    tree.focus = a;
    Take();
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(100, RowMid(7)));
    EXPECT_EQ(tree.focus, a);
    EXPECT_TRUE(host.notifications.empty());
    // Double click: only the notification.
    Take();
    SendMessageA(host.list, WM_LBUTTONDBLCLK, MK_LBUTTON, At(a->checkRect.left + 7, a->checkRect.top + 7));
    EXPECT_EQ(host.notifications, (std::vector<UINT>{NM_DBLCLK}));
    EXPECT_TRUE(host.checks.empty());
}

TEST_F(InputTest, PressesWithoutRowsOnlyNotify) {
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(30, RowMid(0)));
    SendMessageA(host.list, WM_RBUTTONDOWN, MK_RBUTTON, At(30, RowMid(0)));
    EXPECT_EQ(host.notifications, (std::vector<UINT>{NM_CLICK, NM_RCLICK}));
}

TEST_F(InputTest, BoxesAreHitWhereTheyShowWhileScrolledSideways) {
    Node* cat = Add(1);
    Add(11, cat);
    SetPage(5, 250);
    SendMessageA(host.list, WM_HSCROLL, SB_LINERIGHT, 0);
    ASSERT_EQ(tree.scrollX, -6);
    Paint();
    qs::test::SaveShot(host.list, "treelist-scrolled-6");
    // The box shows 6 pixels left of its drawing position; its first shown column is hit.
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(cat->checkRect.left - 6 + 1, cat->checkRect.top + 5));
    EXPECT_EQ(cat->checkState, kChecked);
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(cat->buttonRect.left - 6, cat->buttonRect.top));
    EXPECT_EQ(cat->expanded, 1);
    // Where the box is drawn before scrolling, 13 pixels right of it on screen, nothing is hit.
    SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON, At(cat->checkRect.right + 7, cat->checkRect.top + 5));
    EXPECT_EQ(cat->checkState, kChecked);
}

// ---- keyboard -----------------------------------------------------------------------------

// Rows: 1 (expanded) > 11, 12; 2 (collapsed) > 21; 3 to 8. Display order 1 11 12 2 3 4 5 6 7 8.
class KeyboardTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        r1 = Add(1);
        r11 = Add(11, r1);
        r12 = Add(12, r1);
        r2 = Add(2);
        Add(21, r2);
        for (int i = 3; i <= 8; ++i)
            Add(i);
        tree.ToggleExpand(r1);
        Paint();
        Take();
    }
    int Focus() const { return tree.focus != nullptr ? tree.focus->userData : -1; }

    Node *r1 = nullptr, *r11 = nullptr, *r12 = nullptr, *r2 = nullptr;
};

TEST_F(KeyboardTest, NothingWithoutAFocusedRow) {
    for (WPARAM key : {VK_DOWN, VK_SPACE, VK_NEXT, VK_RIGHT})
        Key(key);
    EXPECT_TRUE(host.notifications.empty());
    EXPECT_EQ(tree.focus, nullptr);
}

TEST_F(KeyboardTest, SpaceLeftAndRight) {
    tree.focus = r1;
    Key(VK_SPACE);
    EXPECT_EQ(host.checks, (Checks{{r1, kChecked}, {r11, kChecked}, {r12, kChecked}}));
    Key(VK_SPACE);
    EXPECT_EQ(r11->checkState, kUnchecked);
    tree.SetCheck(r11, kChecked, true, true);
    ASSERT_EQ(r1->checkState, kPartlyChecked);
    Key(VK_SPACE); // partly checked becomes checked
    EXPECT_EQ(r12->checkState, kChecked);
    EXPECT_EQ(host.keys, (std::vector<UINT>{VK_SPACE, VK_SPACE, VK_SPACE}));

    Take();
    Key(VK_RIGHT); // already expanded: nothing, but the parent hears
    EXPECT_EQ(tree.VisibleCount(), 10);
    Key(VK_LEFT);
    EXPECT_EQ(r1->expanded, 0);
    EXPECT_EQ(tree.VisibleCount(), 8);
    Key(VK_LEFT);
    EXPECT_EQ(tree.VisibleCount(), 8);
    Key(VK_RIGHT);
    EXPECT_EQ(tree.VisibleCount(), 10);
    tree.focus = r11; // a leaf: neither key does anything
    Key(VK_LEFT);
    EXPECT_EQ(tree.VisibleCount(), 10);
    EXPECT_EQ(host.keys, (std::vector<UINT>{VK_RIGHT, VK_LEFT, VK_LEFT, VK_RIGHT, VK_LEFT}));
}

TEST_F(KeyboardTest, UpAndDownScrollAtThePageEdges) {
    // Page of 5: rows 1 11 12 2 3 whole, 4 drawn past them.
    ASSERT_EQ(tree.lastDrawn->userData, 4);
    tree.focus = r1;
    std::vector<int> seen;
    std::vector<int> tops;
    for (int i = 0; i < 7; ++i) {
        Key(VK_DOWN);
        Paint();
        seen.push_back(Focus());
        tops.push_back(tree.topNode->userData);
    }
    EXPECT_EQ(seen, (std::vector<int>{11, 12, 2, 3, 4, 5, 6}));
    // Stepping onto the row past the page does not scroll; stepping past it scrolls a row.
    EXPECT_EQ(tops, (std::vector<int>{1, 1, 1, 1, 1, 11, 12}));
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_DOWN); // at the last row: stays
    EXPECT_EQ(Focus(), 8);
    EXPECT_EQ(host.keys.size(), 10u);

    // Up: scrolls a row when the focus is the top row.
    tree.focus = tree.topNode;
    const unsigned top = tree.topIndex;
    Key(VK_UP);
    EXPECT_EQ(tree.topIndex, top - 1);
    EXPECT_EQ(tree.focus, tree.topNode);
    tree.focus = r1;
    Key(VK_UP); // the first row: nothing before it
    EXPECT_EQ(tree.focus, r1);
}

TEST_F(KeyboardTest, DownIntoAnExpandedRowPastThePageScrolls) {
    // Whole rows 1 11 12; row 2, expanded, is drawn past them; its child 21 comes next.
    tree.ToggleExpand(r2);
    SetPage(3);
    Paint();
    ASSERT_EQ(tree.lastDrawn, r2);
    tree.focus = r2;
    Key(VK_DOWN);
    EXPECT_EQ(Focus(), 21);
    EXPECT_EQ(tree.topIndex, 1u) << "the focus would otherwise leave the page";
}

TEST_F(KeyboardTest, PageDownFirstMovesToTheRowPastThePageThenScrolls) {
    tree.focus = r11;
    Key(VK_NEXT);
    EXPECT_EQ(Focus(), 4);
    EXPECT_TRUE(host.notifications.empty()) << "only moving the focus is not notified";
    Paint();
    Key(VK_NEXT); // from the row past the page: focus and list move a page
    EXPECT_EQ(Focus(), 8);
    EXPECT_EQ(tree.topIndex, 5u);
    EXPECT_EQ(host.keys, (std::vector<UINT>{VK_NEXT}));

    // Page Up: first to the top row, then a page up with the focus on the new top row.
    Take();
    Paint();
    Key(VK_PRIOR);
    EXPECT_EQ(tree.focus, tree.topNode);
    EXPECT_TRUE(host.notifications.empty());
    Key(VK_PRIOR);
    EXPECT_EQ(tree.topIndex, 0u);
    EXPECT_EQ(tree.focus, r1);
    EXPECT_EQ(host.keys, (std::vector<UINT>{VK_PRIOR}));
}

TEST_F(KeyboardTest, PageDownInAListThatFitsGoesToTheLastRow) {
    SetPage(12);
    Paint();
    tree.focus = r1;
    Key(VK_NEXT);
    EXPECT_EQ(Focus(), 8) << "the focus stays on a shown row";
    Key(VK_NEXT);
    EXPECT_EQ(Focus(), 8);
    EXPECT_EQ(host.keys, (std::vector<UINT>{VK_NEXT}));
}

// ---- header -------------------------------------------------------------------------------

struct HeaderFormat {
    int fmt;
    HBITMAP bitmap;
};

HeaderFormat FormatOf(HWND header, int item) {
    HDITEMA hd{};
    hd.mask = HDI_FORMAT | HDI_BITMAP;
    SendMessageA(header, HDM_GETITEMA, item, reinterpret_cast<LPARAM>(&hd));
    return {hd.fmt, hd.hbm};
}

TEST_F(InputTest, HeaderClicksSortWithBitmapArrowsBefore60) {
    HWND header = tree.header.m_hWnd;
    ClickHeader(header, 1); // no rows: nothing
    EXPECT_TRUE(tree.sorts.empty());
    EXPECT_EQ(tree.sortColumn, -1);

    for (int i = 0; i < 20; ++i)
        Add(i);
    Scroll(SB_BOTTOM);
    ClickHeader(header, 1);
    ClickHeader(header, 1);
    ClickHeader(header, 2);
    EXPECT_EQ(tree.sorts, (std::vector<std::pair<int, bool>>{{1, true}, {1, false}, {2, true}}));
    EXPECT_EQ(tree.topIndex, 0u);
    EXPECT_EQ(VPos(), 0);
    EXPECT_EQ(tree.topNode, tree.GetRootItem()->firstChild);
    const HeaderFormat one = FormatOf(header, 1), two = FormatOf(header, 2);
    EXPECT_EQ(one.fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT), 0);
    EXPECT_EQ(two.fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT), HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    EXPECT_EQ(two.bitmap, tree.sortAscendingBitmap.Get());
    ClickHeader(header, 2);
    EXPECT_EQ(FormatOf(header, 2).bitmap, tree.sortDescendingBitmap.Get());
    EXPECT_EQ(FormatOf(header, 2).fmt & HDF_STRING, HDF_STRING) << "the text stays";
    qs::test::SaveShot(host.list, "treelist-sorted-bitmap-arrow");

    // A sort that rearranged nothing keeps the scroll position.
    tree.sortAnswer = false;
    Scroll(SB_BOTTOM);
    ClickHeader(header, 0);
    EXPECT_EQ(tree.topIndex, 15u);
}

TEST(HeaderArrows, NativeArrowsFrom60) {
    TreeListHost host(360, 120);
    ProbeTree tree;
    tree.commonControlsVersion = 0x60000;
    ASSERT_TRUE(tree.SubclassWindow(host.list));
    tree.InsertColumn(0, 200, "Name");
    tree.InsertColumn(1, 80, "Size On Drive");
    tree.InsertItem(1, -1, kUnchecked, 0, nullptr);
    HWND header = tree.header.m_hWnd;
    ClickHeader(header, 1);
    EXPECT_EQ(FormatOf(header, 1).fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTUP);
    ClickHeader(header, 1);
    EXPECT_EQ(FormatOf(header, 1).fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);
    ClickHeader(header, 0);
    EXPECT_EQ(FormatOf(header, 1).fmt & (HDF_SORTUP | HDF_SORTDOWN), 0);
    EXPECT_EQ(FormatOf(header, 0).fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTUP);
    EXPECT_EQ(FormatOf(header, 0).fmt & HDF_BITMAP, 0);
    tree.SetSortArrow(-1, 0); // ignored
    tree.SetSortArrow(7, 0);
}

struct MenuItem {
    UINT id;
    std::string text;
    bool checked;
    bool operator==(const MenuItem& o) const { return id == o.id && text == o.text && checked == o.checked; }
};

void PrintTo(const MenuItem& m, std::ostream* os) { *os << m.id << " " << m.text << (m.checked ? " checked" : ""); }

std::vector<MenuItem> ItemsOf(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[300] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        items.push_back({GetMenuItemID(menu, i), text, (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED) != 0});
    }
    return items;
}

TEST_F(InputTest, ColumnMenuListsColumnsFromOneAndTogglesThem) {
    EXPECT_EQ(ItemsOf(tree.BuildColumnMenu().Get()),
              (std::vector<MenuItem>{{4876, "Size On Drive", true}, {4877, "Files", true}}));
    SendMessageA(host.list, WM_COMMAND, 4877, 0);
    EXPECT_EQ(tree.columns[2].hidden, 1);
    EXPECT_EQ(ItemsOf(tree.BuildColumnMenu().Get()),
              (std::vector<MenuItem>{{4876, "Size On Drive", true}, {4877, "Files", false}}));
    SendMessageA(host.list, WM_COMMAND, 4877, 0);
    EXPECT_EQ(tree.columns[2].hidden, 0);
    // Column 0 never hides; identifiers past the header's items are ignored.
    SendMessageA(host.list, WM_COMMAND, 4875, 0);
    SendMessageA(host.list, WM_COMMAND, 4890, 0);
    EXPECT_EQ(tree.columns[0].hidden, 0);
    EXPECT_EQ(tree.columns.size(), 3u);
}

TEST_F(InputTest, RightClickOnTheHeaderTracksTheMenuAndTheChoiceHidesAColumn) {
    // While the menu tracks, a timer picks its first item with the keyboard.
    static HWND target = nullptr;
    target = host.list;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        PostMessageA(target, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(target, WM_KEYDOWN, VK_RETURN, 0);
    });
    ASSERT_NE(timer, 0u);
    RECT r{};
    SendMessageA(tree.header.m_hWnd, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    SendMessageA(tree.header.m_hWnd, WM_RBUTTONUP, 0, MAKELPARAM(r.left + 5, 5));
    host.Pump();
    EXPECT_EQ(tree.columns[1].hidden, 1);
    std::vector<int> order(3);
    SendMessageA(tree.header.m_hWnd, HDM_GETORDERARRAY, 3, reinterpret_cast<LPARAM>(order.data()));
    EXPECT_EQ(order, (std::vector<int>{1, 0, 2}));
}

LRESULT NotifyHeader(ProbeTree& tree, UINT code, int item, HDITEMA* hd = nullptr) {
    NMHEADERA nm{};
    nm.hdr.hwndFrom = tree.header.m_hWnd;
    nm.hdr.code = code;
    nm.iItem = item;
    nm.pitem = hd;
    return SendMessageA(tree.m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
}

// Makes the next GetMessagePos() answer the given client point of `hwnd`.
void SetMessagePosition(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    PostMessageA(hwnd, WM_NULL, 0, 0);
    MSG msg;
    PeekMessageA(&msg, hwnd, WM_NULL, WM_NULL, PM_REMOVE);
}

TEST_F(InputTest, HeaderRefusesChangesThatBreakTheColumnRules) {
    Add(1);
    Paint();
    ASSERT_GT(tree.minFirstColumnWidth, 0);
    tree.HideColumn(2);
    // Dragging: column 0 and hidden columns stay.
    EXPECT_EQ(NotifyHeader(tree, HDN_BEGINDRAG, 0), 1);
    EXPECT_EQ(NotifyHeader(tree, HDN_BEGINDRAG, 2), 1);
    EXPECT_EQ(NotifyHeader(tree, HDN_BEGINDRAG, 1), 0);
    // Dropping: never column 0, never at or left of column 0's right edge.
    EXPECT_EQ(NotifyHeader(tree, HDN_ENDDRAG, 0), 1);
    SetMessagePosition(host.list, 200, 5);
    EXPECT_EQ(NotifyHeader(tree, HDN_ENDDRAG, 1), 1);
    SetMessagePosition(host.list, 201, 5);
    EXPECT_EQ(NotifyHeader(tree, HDN_ENDDRAG, 1), 0);

    // Resizing through the header: a hidden column stays at 0, column 0 stays wide enough.
    HDITEMA hd{};
    hd.mask = HDI_WIDTH;
    hd.cxy = 50;
    SendMessageA(tree.header.m_hWnd, HDM_SETITEMA, 2, reinterpret_cast<LPARAM>(&hd));
    EXPECT_EQ(tree.columns[2].rect.right - tree.columns[2].rect.left, 0);
    hd.cxy = tree.minFirstColumnWidth - 1;
    SendMessageA(tree.header.m_hWnd, HDM_SETITEMA, 0, reinterpret_cast<LPARAM>(&hd));
    EXPECT_EQ(tree.columns[0].rect.right, 200);
    hd.cxy = tree.minFirstColumnWidth;
    SendMessageA(tree.header.m_hWnd, HDM_SETITEMA, 0, reinterpret_cast<LPARAM>(&hd));
    EXPECT_EQ(tree.columns[0].rect.right, tree.minFirstColumnWidth);
    EXPECT_EQ(tree.columnsWidth, tree.minFirstColumnWidth + 80) << "the column layout followed the change";
    hd.cxy = 150; // other changes of column 0 go through
    HDITEMA fmt{};
    fmt.mask = HDI_FORMAT;
    fmt.fmt = HDF_LEFT | HDF_STRING;
    EXPECT_EQ(NotifyHeader(tree, HDN_ITEMCHANGINGW, 0, &fmt), 0);
    EXPECT_EQ(NotifyHeader(tree, HDN_ITEMCHANGINGA, 1, &hd), 0);
}

} // namespace
