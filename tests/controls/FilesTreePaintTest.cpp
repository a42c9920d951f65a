// The files tree-list on screen: attachment, header and fonts, rows per page, both scroll bars,
// and the painted rows probed pixel by pixel where the row geometry puts buttons, lines, boxes,
// icons and the focus highlight.
#include "TreeListHost.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using qs::kChecked;
using qs::kNoCheckBox;
using qs::kPartlyChecked;
using qs::kUnchecked;
using qs::test::PaintCanvas;
using qs::test::ProbeTree;
using qs::test::TreeListHost;
using Node = ProbeTree::Node;

constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

int HeaderItemWidth(HWND header, int item) {
    HDITEMA hd{};
    hd.mask = HDI_WIDTH;
    SendMessageA(header, HDM_GETITEMA, item, reinterpret_cast<LPARAM>(&hd));
    return hd.cxy;
}

// A tree-list with the three columns and both image lists of the scripts list.
class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.SubclassWindow(host.list));
        tree.InsertColumn(0, 200, "Name");
        tree.InsertColumn(1, 80, "Size On Drive");
        tree.InsertColumn(2, 60, "Files");
        checkBoxes = qs::test::LoadCheckBoxImages();
        icons = qs::test::MakeIconImages();
        ASSERT_NE(checkBoxes, nullptr);
        tree.SetStateImages(checkBoxes, 15, 15);
        tree.SetItemImages(icons, 16, 16);
    }
    void TearDown() override {
        tree.UnsubclassWindow();
        ImageList_Destroy(checkBoxes);
        ImageList_Destroy(icons);
    }

    int RowTop(int position) const { return tree.headerHeight + position * static_cast<int>(tree.rowHeight); }
    int RowMid(int position) const { return RowTop(position) + static_cast<int>(tree.rowHeight) / 2; }

    TreeListHost host{360, 240};
    ProbeTree tree;
    HIMAGELIST checkBoxes = nullptr;
    HIMAGELIST icons = nullptr;
};

TEST_F(PaintTest, AttachmentMakesHeaderFontsAndRowGeometry) {
    HWND header = tree.header.m_hWnd;
    ASSERT_TRUE(IsWindow(header));
    char cls[32] = {};
    GetClassNameA(header, cls, sizeof cls);
    EXPECT_STREQ(cls, "SysHeader32");
    EXPECT_EQ(GetParent(header), host.list);
    const LONG style = GetWindowLongA(header, GWL_STYLE);
    for (LONG bit : {LONG{WS_CHILD}, LONG{WS_VISIBLE}, LONG{HDS_BUTTONS}, LONG{HDS_HOTTRACK}, LONG{HDS_DRAGDROP},
                     LONG{HDS_FULLDRAG}})
        EXPECT_NE(style & bit, 0) << std::hex << bit;
    EXPECT_NE(GetWindowLongA(host.list, GWL_STYLE) & WS_BORDER, 0);

    // Fonts from the menu font; the row is the text height plus 2, made even.
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0)), tree.headerFont.Get());
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = 340;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &ncm, 0));
    HFONT menuFont = CreateFontIndirectA(&ncm.lfMenuFont);
    HDC dc = GetDC(host.list);
    HGDIOBJ old = SelectObject(dc, menuFont);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(host.list, dc);
    DeleteObject(menuFont);
    EXPECT_EQ(tree.rowHeight, static_cast<unsigned>((tm.tmHeight + 2 + 1) / 2 * 2));

    // The header lies along the top; the rows below it, whole rows only.
    RECT hr{};
    GetWindowRect(header, &hr);
    EXPECT_GT(tree.headerHeight, 0);
    EXPECT_EQ(tree.headerHeight, hr.bottom - hr.top);
    EXPECT_EQ(tree.rowsPerPage, static_cast<unsigned>((240 - tree.headerHeight) / static_cast<int>(tree.rowHeight)));
    EXPECT_EQ(tree.columnsWidth, 340);

    // Setting the icon list after attachment keeps the row height the font gave.
    const unsigned before = tree.rowHeight;
    HIMAGELIST big = ImageList_Create(40, 40, ILC_COLOR24, 1, 0);
    tree.SetItemImages(big, 40, 40);
    EXPECT_EQ(tree.rowHeight, before);
    ImageList_Destroy(big);

    // Common controls before 6.0 (as Wine reports): the header's sort arrows are bitmaps.
    EXPECT_LT(tree.commonControlsVersion, 0x60000u);
    EXPECT_TRUE(tree.sortAscendingBitmap);
    EXPECT_TRUE(tree.sortDescendingBitmap);
}

TEST(PaintAttach, HeaderIsLaidOutInsideAHiddenDialog) {
    // The main window attaches the list while its dialog initialises, before it is shown.
    HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND placeholder = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_ALIGNLEFT, 0, 0, 300, 200,
                                       dialog, reinterpret_cast<HMENU>(1000), nullptr, nullptr);
    {
        ProbeTree tree;
        ASSERT_TRUE(tree.SubclassWindow(placeholder));
        tree.InsertColumn(0, 100, "Name");
        EXPECT_GT(tree.headerHeight, 0);
        EXPECT_EQ(tree.rowsPerPage,
                  static_cast<unsigned>((200 - 2 - tree.headerHeight) / static_cast<int>(tree.rowHeight)));
    }
    DestroyWindow(dialog);
}

TEST(PaintAttach, NativeArrowsNeedNoBitmaps) {
    TreeListHost host(200, 100);
    ProbeTree tree;
    tree.commonControlsVersion = 0x60000;
    ASSERT_TRUE(tree.SubclassWindow(host.list));
    EXPECT_FALSE(tree.sortAscendingBitmap);
    EXPECT_FALSE(tree.sortDescendingBitmap);
}

TEST_F(PaintTest, VerticalBarFollowsRowCount) {
    const int fit = static_cast<int>(tree.rowsPerPage);
    for (int i = 0; i < fit; ++i)
        tree.InsertItem(i, -1, kUnchecked, 0, nullptr);
    EXPECT_EQ(GetWindowLongA(host.list, GWL_STYLE) & WS_VSCROLL, 0);
    EXPECT_EQ(tree.topIndex, 0u);

    tree.InsertItem(fit, -1, kUnchecked, 0, nullptr);
    ASSERT_NE(GetWindowLongA(host.list, GWL_STYLE) & WS_VSCROLL, 0);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(host.list, SB_VERT, &si);
    EXPECT_EQ(si.nMax, fit + 1);
    EXPECT_EQ(si.nPage, tree.rowsPerPage + 1);

    // Back to fewer rows than fit: the bar goes and the list shows from the top.
    SendMessageA(host.list, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(tree.topIndex, 1u);
    tree.DeleteItem(tree.GetRootItem()->lastChild);
    EXPECT_EQ(GetWindowLongA(host.list, GWL_STYLE) & WS_VSCROLL, 0);
    EXPECT_EQ(tree.topIndex, 0u);
    EXPECT_EQ(tree.topNode, tree.GetRootItem()->firstChild);
}

TEST_F(PaintTest, HorizontalBarWhileColumnsAreWider) {
    tree.InsertItem(1, -1, kUnchecked, 0, nullptr);
    EXPECT_EQ(GetWindowLongA(host.list, GWL_STYLE) & WS_HSCROLL, 0);
    const unsigned rowsWithoutBar = tree.rowsPerPage;

    host.ResizeClient(250, 240);
    ASSERT_NE(GetWindowLongA(host.list, GWL_STYLE) & WS_HSCROLL, 0);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(host.list, SB_HORZ, &si);
    EXPECT_EQ(si.nMax, 340);
    EXPECT_EQ(si.nPage, 250u);
    // The bar takes its height from the rows (and the thumb width once more).
    EXPECT_LT(tree.rowsPerPage, rowsWithoutBar);

    SendMessageA(host.list, WM_HSCROLL, SB_RIGHT, 0);
    EXPECT_EQ(tree.scrollX, -(340 - 250 + 1));
    RECT hr{};
    GetWindowRect(tree.header.m_hWnd, &hr);
    MapWindowPoints(nullptr, host.list, reinterpret_cast<POINT*>(&hr), 2);
    EXPECT_EQ(hr.left, tree.scrollX);
    qs::test::SaveShot(host.list, "treelist-scrolled-right");

    // Wide enough again: the bar goes and the offset returns to 0.
    host.ResizeClient(360, 240);
    EXPECT_EQ(GetWindowLongA(host.list, GWL_STYLE) & WS_HSCROLL, 0);
    EXPECT_EQ(tree.scrollX, 0);
    EXPECT_EQ(tree.rowsPerPage, rowsWithoutBar);
    SendMessageA(host.list, WM_HSCROLL, SB_RIGHT, 0); // no bar: nothing to scroll
    EXPECT_EQ(tree.scrollX, 0);
    GetWindowRect(tree.header.m_hWnd, &hr);
    MapWindowPoints(nullptr, host.list, reinterpret_cast<POINT*>(&hr), 2);
    EXPECT_EQ(hr.left, 0);
}

// Rows: 1 (expanded) > 11, 12 (expanded) > 121 (expanded) > 1211; 2; 3 (collapsed) > 31.
class PaintedTree : public PaintTest {
protected:
    void SetUp() override {
        PaintTest::SetUp();
        r1 = tree.InsertItem(1, -1, kUnchecked, 1, nullptr);
        r11 = tree.InsertItem(11, -1, kChecked, 0, r1);
        r12 = tree.InsertItem(12, -1, kPartlyChecked, 1, r1);
        r121 = tree.InsertItem(121, -1, kUnchecked, 1, r12);
        r1211 = tree.InsertItem(1211, -1, kNoCheckBox, 0, r121);
        r2 = tree.InsertItem(2, -1, kUnchecked, 0, nullptr);
        r3 = tree.InsertItem(3, -1, kUnchecked, 1, nullptr);
        tree.InsertItem(31, -1, kUnchecked, 0, r3);
        tree.ToggleExpand(r1);
        tree.ToggleExpand(r12);
        tree.ToggleExpand(r121);
    }
    // Left edge of the button (or a leaf's indent) of a row at `depth`.
    static int IndentX(int depth) { return 8 + 18 * (depth - 1); }

    Node *r1 = nullptr, *r11 = nullptr, *r12 = nullptr, *r121 = nullptr, *r1211 = nullptr, *r2 = nullptr, *r3 = nullptr;
};

TEST_F(PaintedTree, ButtonsLinesBoxesAndIconsWhereTheGeometryPutsThem) {
    PaintCanvas c(360, 240);
    qs::test::RenderClient(host.list, c);
    qs::test::SaveShot(host.list, "treelist-rows");
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(c.Pixel(2, RowMid(0)), window);
    EXPECT_EQ(c.Pixel(200, 239), window) << "background below the last row";

    // Expand buttons: a 9 x 9 grey square with a black minus; collapsed rows add the upright.
    // Positions 0 (row 1, depth 1, expanded), 3 (row 121, depth 3), 6 (row 3, collapsed).
    struct ButtonCase {
        int position;
        int depth;
        bool collapsed;
    };
    for (const ButtonCase& b : {ButtonCase{0, 1, false}, ButtonCase{3, 3, false}, ButtonCase{6, 1, true}}) {
        SCOPED_TRACE(b.position);
        const int x = IndentX(b.depth), y = RowMid(b.position);
        EXPECT_EQ(c.Pixel(x, y - 4), kGrey);
        EXPECT_EQ(c.Pixel(x + 8, y + 4), kGrey);
        EXPECT_EQ(c.Pixel(x + 8, y - 4), kGrey);
        EXPECT_NE(c.Pixel(x + 9, y - 4), kGrey) << "9 pixels wide";
        EXPECT_EQ(c.Pixel(x + 1, y - 3), window);
        EXPECT_EQ(c.Pixel(x + 2, y), kBlack);
        EXPECT_EQ(c.Pixel(x + 6, y), kBlack);
        EXPECT_EQ(c.Pixel(x + 7, y), window);
        EXPECT_EQ(c.Pixel(x + 4, y - 2), b.collapsed ? kBlack : window);
        EXPECT_EQ(c.Pixel(x + 4, y + 2), b.collapsed ? kBlack : window);
        EXPECT_EQ(c.Pixel(x + 4, y + 3), window);
    }
    // Depth 3 starts 36 pixels right of a top-level row; the recorded rectangles match.
    EXPECT_EQ(r121->buttonRect.left, r1->buttonRect.left + 36);
    EXPECT_EQ(r121->buttonRect.top, RowMid(3) - 4);
    EXPECT_EQ(r121->buttonRect.right - r121->buttonRect.left, 9);
    EXPECT_EQ(r121->checkRect.left, r121->buttonRect.left + 17);
    EXPECT_EQ(r121->checkRect.top, RowTop(3));

    // A leaf's dotted line runs from its centre column (indent + 4) to indent + 14.
    {
        const int x = IndentX(2), y = RowMid(1); // row 11
        int grey = 0;
        for (int px = x + 4; px < x + 14; ++px)
            grey += c.Pixel(px, y) == kGrey;
        EXPECT_EQ(grey, 5) << "one pixel on, one off";
        for (int px = x + 14; px < x + 17; ++px)
            EXPECT_EQ(c.Pixel(px, y), window) << px;
        // Up to the middle (first child of a row) and on down (a sibling follows).
        int up = 0, down = 0;
        for (int py = RowTop(1); py < y; ++py)
            up += c.Pixel(x + 4, py) == kGrey;
        for (int py = y + 1; py < RowTop(2); ++py)
            down += c.Pixel(x + 4, py) == kGrey;
        EXPECT_GT(up, 0);
        EXPECT_GT(down, 0);
    }
    // Row 2 is a top-level leaf after row 1: line up from the top, down to row 3.
    // The parent's line (row 1 has a next sibling) runs through rows 11 to 1211 at x = 12.
    for (int position = 1; position <= 4; ++position) {
        int grey = 0;
        for (int py = RowTop(position); py < RowTop(position + 1); ++py)
            grey += c.Pixel(IndentX(1) + 4, py) == kGrey;
        EXPECT_GE(grey, static_cast<int>(tree.rowHeight) / 2 - 1) << "ancestor line at position " << position;
    }
    // Row 12 has no next sibling: no line of it passes through row 121.
    for (int py = RowTop(3); py < RowTop(4); ++py)
        EXPECT_NE(c.Pixel(IndentX(2) + 4, py), kGrey) << py;

    // Check boxes at button + 17: unchecked (row 1), checked (11), partly (12), none (1211).
    const int box1 = IndentX(1) + 17, box11 = IndentX(2) + 17, box12 = IndentX(2) + 17;
    EXPECT_EQ(c.Pixel(box1, RowTop(0)), window) << "white of the strip is transparent";
    EXPECT_EQ(c.Pixel(box1 + 1, RowTop(0) + 1), RGB(80, 80, 80));
    EXPECT_EQ(c.Pixel(box1 + 7, RowTop(0) + 7), RGB(254, 254, 254));
    EXPECT_EQ(c.Pixel(box11 + 7, RowTop(1) + 7), kBlack);
    EXPECT_EQ(c.Pixel(box11 + 2, RowTop(1) + 2), RGB(254, 254, 254));
    EXPECT_EQ(c.Pixel(box12 + 7, RowTop(2) + 7), kBlack);
    EXPECT_EQ(c.Pixel(box12 + 2, RowTop(2) + 2), RGB(192, 192, 192));
    // Row 1211 (depth 4) has no box: its icon (1211 % 10 = 1) sits at button + 17.
    const int x1211 = IndentX(4);
    EXPECT_EQ(c.Pixel(x1211 + 17 + 5, RowTop(4) + 5), qs::test::kIconColors[1]);
    // Icons: after the box and a 2-pixel gap, at the top of the row.
    EXPECT_EQ(c.Pixel(box1 + 17 + 5, RowTop(0) + 5), qs::test::kIconColors[1]);
    EXPECT_EQ(c.Pixel(box1 + 17, RowTop(0)), window) << "icon edge is transparent";
    EXPECT_EQ(c.Pixel(box11 + 17 + 5, RowTop(1) + 5), qs::test::kIconColors[1]);
    EXPECT_EQ(c.Pixel(box1 + 17 + 5, RowTop(5) + 5), qs::test::kIconColors[2]);
    EXPECT_EQ(r1->imageIndex, 1);
}

TEST_F(PaintedTree, FocusHighlightRunsFromTextStartToTheLastVisibleColumn) {
    qs::SetStartupHighlightColor(RGB(255, 0, 0)); // tells the frame from the gradient
    tree.focus = r12;                             // depth 2, check box and icon
    PaintCanvas c(360, 240);
    qs::test::RenderClient(host.list, c);
    qs::test::SaveShot(host.list, "treelist-focus");
    const int textStart = IndentX(2) + 17 + 15 + 2 + 16 + 2;
    const int top = RowTop(2), bottom = RowTop(3) - 1, mid = RowMid(2);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF light = qs::tlx::LightenForGradient(highlight);
    EXPECT_EQ(c.Pixel(textStart, mid), RGB(255, 0, 0));
    EXPECT_EQ(c.Pixel(textStart + 30, top), RGB(255, 0, 0));
    EXPECT_EQ(c.Pixel(textStart + 30, bottom), RGB(255, 0, 0));
    EXPECT_EQ(c.Pixel(339, mid), RGB(255, 0, 0)) << "right edge of column 2";
    EXPECT_EQ(c.Pixel(340, mid), GetSysColor(COLOR_WINDOW));
    EXPECT_NE(c.Pixel(textStart - 1, mid), RGB(255, 0, 0));
    EXPECT_TRUE(Near(c.Pixel(330, top + 1), highlight, 24)) << Hex(c.Pixel(330, top + 1));
    EXPECT_TRUE(Near(c.Pixel(330, bottom - 1), light, 24)) << Hex(c.Pixel(330, bottom - 1));

    // With column 2 hidden the highlight ends at column 1's right edge.
    tree.HideColumn(2);
    qs::test::RenderClient(host.list, c);
    EXPECT_EQ(c.Pixel(279, mid), RGB(255, 0, 0));
    EXPECT_EQ(c.Pixel(281, mid), GetSysColor(COLOR_WINDOW));
    qs::SetStartupHighlightColor(GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(PaintedTree, PaintRecordsTheRowPastTheLastWholeOne) {
    EXPECT_EQ(tree.lastDrawn, nullptr);
    // A page of 3 rows: positions 0 to 2 are whole, position 3 (row 121) is drawn cut off.
    host.ResizeClient(360, tree.headerHeight + 3 * static_cast<int>(tree.rowHeight) + 5);
    ASSERT_EQ(tree.rowsPerPage, 3u);
    PaintCanvas c(360, 240);
    qs::test::RenderClient(host.list, c);
    EXPECT_EQ(tree.lastDrawn, r121);
    // A paint that draws fewer rows leaves it.
    SendMessageA(host.list, WM_VSCROLL, SB_BOTTOM, 0);
    qs::test::RenderClient(host.list, c);
    EXPECT_EQ(tree.lastDrawn, r121);
}

TEST_F(PaintedTree, FirstColumnWidensForTheDeepestTreePart) {
    // Row 1211 (depth 4, no box, an icon) needs indent + 17 + icon + 2 + 12.
    const int needed = IndentX(4) + 17 + 16 + 2 + 12;
    HDITEMA hd{};
    hd.mask = HDI_WIDTH;
    hd.cxy = 60;
    SendMessageA(tree.header.m_hWnd, HDM_SETITEMA, 0, reinterpret_cast<LPARAM>(&hd));
    EXPECT_EQ(HeaderItemWidth(tree.header.m_hWnd, 0), 60);
    PaintCanvas c(360, 240);
    qs::test::RenderClient(host.list, c);
    EXPECT_EQ(tree.minFirstColumnWidth, needed);
    EXPECT_EQ(HeaderItemWidth(tree.header.m_hWnd, 0), needed);
    EXPECT_EQ(tree.columns[0].rect.right, needed);
    qs::test::SaveShot(host.list, "treelist-narrow-first-column");
}

TEST_F(PaintTest, EmptyTreeShowsTheWindowColourBelowTheHeader) {
    PaintCanvas c(360, 240);
    qs::test::RenderClient(host.list, c);
    EXPECT_EQ(c.Pixel(0, tree.headerHeight), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(c.Pixel(359, 239), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(c.Pixel(10, tree.headerHeight - 1), RGB(255, 0, 0xFF)) << "the header's area is not painted";
    // No image lists and a negative icon: less is drawn, nothing breaks.
    tree.SetItemImages(nullptr, 0, 0);
    tree.SetStateImages(nullptr, 0, 0);
    Node* row = tree.InsertItem(-1, -1, kChecked, 0, nullptr);
    qs::test::RenderClient(host.list, c);
    EXPECT_EQ(c.Pixel(8 + 17 + 7, RowTop(0) + 7), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(row->checkRect.right, 0);
}

TEST_F(PaintTest, MenuFontChangeRebuildsRowAndHeaderHeights) {
    NONCLIENTMETRICSA saved{};
    saved.cbSize = 340;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &saved, 0));
    const unsigned rowHeight = tree.rowHeight;
    const unsigned rowsPerPage = tree.rowsPerPage;
    const int headerHeight = tree.headerHeight;

    NONCLIENTMETRICSA big = saved;
    big.lfMenuFont.lfHeight = saved.lfMenuFont.lfHeight * 2;
    // Not written to the registry: the change lasts for this session only.
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, 340, &big, 0));
    SendMessageA(host.list, WM_WININICHANGE, 0, 0);
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, 340, &saved, 0);

    EXPECT_GT(tree.rowHeight, rowHeight);
    EXPECT_LT(tree.rowsPerPage, rowsPerPage);
    EXPECT_GT(tree.headerHeight, headerHeight);
    EXPECT_EQ(tree.rowsPerPage, static_cast<unsigned>((240 - tree.headerHeight) / static_cast<int>(tree.rowHeight)));
    qs::test::SaveShot(host.list, "treelist-big-font");

    SendMessageA(host.list, WM_WININICHANGE, 0, 0);
    EXPECT_EQ(tree.rowHeight, rowHeight);
    EXPECT_EQ(tree.headerHeight, headerHeight);
}

} // namespace

namespace {

// At 150 % the control lays itself out again: wider columns, a taller row from the larger menu
// font, and buttons, indents and box offsets scaled (the check-box images are the owner's).
TEST_F(PaintedTree, AtAnotherScaleColumnsRowsAndTreePartsScale) {
    const unsigned row96 = tree.rowHeight;
    tree.ApplyDpi(144);
    EXPECT_EQ(tree.Dpi(), 144);
    EXPECT_EQ(HeaderItemWidth(tree.header.m_hWnd, 0), 300);
    EXPECT_EQ(HeaderItemWidth(tree.header.m_hWnd, 1), 120);
    EXPECT_EQ(HeaderItemWidth(tree.header.m_hWnd, 2), 90);
    EXPECT_NEAR(tree.rowHeight, 1.5 * row96, 2.0);

    PaintCanvas c(360, 240);
    qs::test::RenderClient(host.list, c);
    qs::test::SaveShot(host.list, "treelist-rows-144");
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    // Row 1's button: 13 x 13 at the 12-pixel margin, a minus 3 pixels in from either side.
    const int x = 12, y = RowMid(0);
    EXPECT_EQ(c.Pixel(x, y - 6), kGrey);
    EXPECT_EQ(c.Pixel(x + 12, y + 6), kGrey);
    EXPECT_NE(c.Pixel(x + 13, y - 6), kGrey) << "13 pixels wide";
    EXPECT_NE(c.Pixel(x, y + 7), kGrey) << "13 pixels high";
    EXPECT_EQ(c.Pixel(x + 2, y), window);
    EXPECT_EQ(c.Pixel(x + 3, y), kBlack);
    EXPECT_EQ(c.Pixel(x + 9, y), kBlack);
    EXPECT_EQ(c.Pixel(x + 10, y), window);
    EXPECT_EQ(r1->buttonRect.right - r1->buttonRect.left, 13);
    EXPECT_EQ(r121->buttonRect.left, r1->buttonRect.left + 2 * 27);
    EXPECT_EQ(r121->checkRect.left, r121->buttonRect.left + 26);

    tree.ApplyDpi(96); // and back: the sizes of the start
    EXPECT_EQ(HeaderItemWidth(tree.header.m_hWnd, 0), 200);
    EXPECT_EQ(tree.rowHeight, row96);
}

TEST_F(PaintTest, TheNameColumnTakesTheWidthTheControlGainsUntilTheUserSizesAColumn) {
    tree.SetFirstColumnFills(true);
    auto widths = [this] {
        return std::vector<int>{HeaderItemWidth(tree.header.m_hWnd, 0), HeaderItemWidth(tree.header.m_hWnd, 1),
                                HeaderItemWidth(tree.header.m_hWnd, 2)};
    };
    host.ResizeClient(460, 240);
    EXPECT_EQ(widths(), (std::vector<int>{300, 80, 60}));
    host.ResizeClient(300, 240);
    EXPECT_EQ(widths(), (std::vector<int>{140, 80, 60}));
    host.ResizeClient(360, 240);
    EXPECT_EQ(widths(), (std::vector<int>{200, 80, 60}));

    // The user drags a divider: from then on every column keeps its width.
    NMHEADERA nm{};
    nm.hdr.hwndFrom = tree.header.m_hWnd;
    nm.hdr.code = HDN_BEGINTRACKA;
    nm.iItem = 1;
    SendMessageA(host.list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    EXPECT_TRUE(tree.UserSizedColumns());
    host.ResizeClient(460, 240);
    EXPECT_EQ(widths(), (std::vector<int>{200, 80, 60}));
}

} // namespace
