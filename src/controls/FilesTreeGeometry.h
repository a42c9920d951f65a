// Geometry and scroll arithmetic of the files tree-list as plain functions: where a row's button,
// lines, check box and icon go, which row a press hits, and where a scroll request leads.
#pragma once

#include "framework/Dpi.h"
#include "framework/TreeModel.h"

#include <windows.h>

#include <cstdint>

namespace qs::tlx {

// ---- row geometry -------------------------------------------------------------------------

// Sizes given for 96 DPI; TreeMetrics scales them for the control's DPI.
constexpr int kRowMargin = 8;         // left margin of every row
constexpr int kIndent = 18;           // per tree level; top-level rows are not indented
constexpr int kButtonSize = 9;        // the expand button is a 9 x 9 square
constexpr int kCheckBoxOffset = 17;   // the check box starts this far right of the button
constexpr int kImageGap = 2;          // after the check box image and after the icon
constexpr int kFirstColumnSlack = 12; // kept right of the text start in column 0
constexpr int kWideAreaExtra = 10;    // drawing area beyond the columns when they overflow
constexpr int kCheckBoxSize = 15;     // the check box images are 15 x 15
constexpr COLORREF kTreeGrey = RGB(128, 128, 128);

// The common-controls version from which the header draws sort arrows itself.
constexpr DWORD kNativeSortArrowsVersion = 0x60000;

// ---- input --------------------------------------------------------------------------------

constexpr int kLineStep = 6;  // pixels per horizontal line step; thumb positions snap to it
constexpr int kWheelRows = 2; // rows scrolled per wheel message, whatever its distance
constexpr int kButtonHitMargin = 2;
constexpr UINT kColumnMenuFirstId = 4875; // + column index
constexpr UINT kColumnMenuLastId = 4895;
constexpr int kColumnMenuTextMax = 255;

// The row geometry at one DPI. The expand button stays an odd square, so that its sign and the
// lines through its centre column sit in the middle; at 96 DPI every size is the one above.
struct TreeMetrics {
    int margin = kRowMargin;
    int indent = kIndent;
    int half = kButtonSize / 2; // the button is 2 * half + 1 pixels wide and high
    int signInset = 2;          // the sign's ends lie this far inside the button's edges
    int checkBoxOffset = kCheckBoxOffset;
    int parentLineEnd = 15; // the horizontal line of a row with children ends here (from x)
    int leafLineEnd = 14;   // and that of a leaf here
    int imageGap = kImageGap;
    int firstColumnSlack = kFirstColumnSlack;
    int wideAreaExtra = kWideAreaExtra;
    int hitMargin = kButtonHitMargin;
    int checkBoxSize = kCheckBoxSize;

    int ButtonSize() const { return 2 * half + 1; }
};

inline TreeMetrics MetricsFor(const Scale& s) {
    TreeMetrics m;
    m.margin = s(kRowMargin);
    m.indent = s(kIndent);
    m.half = (s(kButtonSize) - 1) / 2;
    m.signInset = s(2);
    m.checkBoxOffset = s(kCheckBoxOffset);
    m.parentLineEnd = s(15);
    m.leafLineEnd = s(14);
    m.imageGap = s(kImageGap);
    m.firstColumnSlack = s(kFirstColumnSlack);
    m.wideAreaExtra = s(kWideAreaExtra);
    m.hitMargin = s(kButtonHitMargin);
    m.checkBoxSize = s(kCheckBoxSize);
    return m;
}

// A straight line as MoveTo / LineTo draw it: the end point is not drawn.
struct LineSegment {
    int x1, y1, x2, y2;
};

// Where a row's tree part sits: `x` the button's (or a leaf's) left edge, `yMid` the row's
// middle. `depth` counts the row's ancestors, the hidden root included (1 for a top-level row).
struct TreePlace {
    int x;
    int yMid;
    int top;
    int bottom;
};

inline TreePlace PlaceTreePart(int cellLeft, int top, int rowHeight, int depth, const TreeMetrics& m = {}) {
    return {cellLeft + m.indent * (depth - 1), top + rowHeight / 2, top, top + rowHeight};
}

inline RECT ButtonRect(const TreePlace& p, const TreeMetrics& m = {}) {
    return {p.x, p.yMid - m.half, p.x + m.ButtonSize(), p.yMid + m.half + 1};
}

// The sign inside the button: the minus, and the upright of the plus (collapsed rows only).
inline LineSegment ButtonMinus(const TreePlace& p, const TreeMetrics& m = {}) {
    return {p.x + m.signInset, p.yMid, p.x + m.ButtonSize() - m.signInset, p.yMid};
}
inline LineSegment ButtonUpright(const TreePlace& p, const TreeMetrics& m = {}) {
    const int reach = m.half - m.signInset;
    return {p.x + m.half, p.yMid - reach, p.x + m.half, p.yMid + reach + 1};
}

// The row's own dotted lines, at the button's centre column.
struct TreeLines {
    LineSegment horizontal;
    bool hasUp;
    LineSegment up;
    bool hasDown;
    LineSegment down;
};

// `linkUp`: the row has a previous sibling or is the first child of a row (not of the root);
// `linkDown`: the row has a next sibling.
inline TreeLines RowLines(const TreePlace& p, bool hasChildren, bool linkUp, bool linkDown,
                          const TreeMetrics& m = {}) {
    const int cx = p.x + m.half;
    TreeLines lines{};
    lines.horizontal = hasChildren ? LineSegment{p.x + m.ButtonSize(), p.yMid, p.x + m.parentLineEnd, p.yMid}
                                   : LineSegment{cx, p.yMid, p.x + m.leafLineEnd, p.yMid};
    lines.hasUp = linkUp;
    lines.up = {cx, p.top, cx, hasChildren ? p.yMid - m.half : p.yMid};
    lines.hasDown = linkDown;
    lines.down = {cx, hasChildren ? p.yMid + m.half + 2 : p.yMid, cx, p.bottom};
    return lines;
}

// The full-height line of the ancestor `level` levels up (1 = the parent).
inline LineSegment AncestorLine(const TreePlace& p, int level, const TreeMetrics& m = {}) {
    const int x = p.x + m.half - m.indent * level;
    return {x, p.top, x, p.bottom};
}

inline int CheckBoxLeft(const TreePlace& p, const TreeMetrics& m = {}) { return p.x + m.checkBoxOffset; }

// Width of an image drawn at `left` in a cell ending at `cellRight`: cut at the cell's edge.
inline int ClippedImageWidth(int imageWidth, int left, int cellRight) {
    const int room = cellRight - left;
    return imageWidth < room ? imageWidth : room;
}

// The bottom colour of the focus gradient: every channel lightened by 80/255, rounded.
inline COLORREF LightenForGradient(COLORREF c) {
    auto up = [](int v) { return v + ((255 - v) * 80 + 127) / 255; };
    return RGB(up(GetRValue(c)), up(GetGValue(c)), up(GetBValue(c)));
}

// The colours a row's tree part and focus are drawn in. In a high-contrast theme every one is a
// system colour and the focus is a plain fill; otherwise the fixed greys, black and the gradient.
struct TreeColours {
    COLORREF lines;    // dotted lines and the button's outline
    COLORREF sign;     // the button's minus and plus
    COLORREF focusTop; // the focus fill runs from this colour at the top ...
    COLORREF focusBottom; // ... to this one at the bottom (equal: a plain fill)
    COLORREF focusFrame;
};

struct SystemColours {
    COLORREF highlight;        // COLOR_HIGHLIGHT now
    COLORREF startupHighlight; // COLOR_HIGHLIGHT when the program started
    COLORREF grayText;         // COLOR_GRAYTEXT
    COLORREF windowText;       // COLOR_WINDOWTEXT
};

inline TreeColours ColoursFor(bool highContrast, const SystemColours& c) {
    if (highContrast)
        return {c.grayText, c.windowText, c.highlight, c.highlight, c.highlight};
    return {kTreeGrey, RGB(0, 0, 0), c.highlight, LightenForGradient(c.highlight), c.startupHighlight};
}

// The width of the column that takes the width the control gains and gives it back: the client
// width plus `offset` (the column's width less the client width when filling began), never less
// than `minimum`. Growing the window again after it shrank past the minimum gives the same width
// as before.
inline int FillColumnWidth(int clientWidth, int offset, int minimum) {
    const int width = clientWidth + offset;
    return width > minimum ? width : minimum;
}

// The rectangles a row keeps for its view, as the platform's.
inline RECT ToRect(const CRowRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline CRowRect ToRowRect(const RECT& r) { return CRowRect{r.left, r.top, r.right, r.bottom}; }

// True when a press lands on the expand button or within the margin around it.
inline bool HitsButton(const RECT& button, POINT p, const TreeMetrics& m = {}) {
    RECT r = button;
    ::InflateRect(&r, m.hitMargin, m.hitMargin);
    return ::PtInRect(&r, p) != FALSE;
}

// The row position (0 = the top row) of a press at client height `y`, read as an unsigned
// 16-bit value like the press itself; a press above the rows gives a huge position.
inline std::uint32_t RowPositionAt(int y, int headerHeight, std::uint32_t rowHeight) {
    if (rowHeight == 0)
        return UINT32_MAX;
    const std::uint32_t dy =
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) - static_cast<std::uint32_t>(headerHeight);
    return dy / rowHeight;
}

// ---- scroll arithmetic --------------------------------------------------------------------

// The vertical position a scroll request leads to (rows in display order). `last` is the last
// position (row count less rows per page); `step` the page step of the request (its high word),
// 0 for a page of `rowsPerPage`. Thumb positions are taken one further than the track position.
inline std::int64_t VerticalTarget(int request, std::int64_t pos, std::int64_t last, std::int64_t trackPos,
                                   std::int64_t step, std::int64_t rowsPerPage) {
    auto atMost = [](std::int64_t v, std::int64_t hi) { return v > hi ? hi : v; };
    auto atLeast0 = [](std::int64_t v) { return v < 0 ? 0 : v; };
    const std::int64_t page = step != 0 ? step : rowsPerPage;
    switch (request) {
    case SB_LINEUP:
        return atLeast0(pos - 1);
    case SB_LINEDOWN:
        return atMost(pos + 1, last);
    case SB_PAGEUP:
        return atLeast0(pos - page);
    case SB_PAGEDOWN:
        return atMost(pos + page, last);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        return trackPos == 0 ? 0 : atMost(trackPos + 1, last);
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return last;
    default:
        return pos;
    }
}

// The horizontal position a scroll request leads to (pixels). `max` is the range maximum (the
// columns' width), `width` the client width, `thumb` the request's high word.
inline int HorizontalTarget(int request, int pos, int max, int width, int thumb) {
    auto atMost = [](int v, int hi) { return v > hi ? hi : v; };
    auto atLeast0 = [](int v) { return v < 0 ? 0 : v; };
    switch (request) {
    case SB_LINELEFT:
        return atLeast0(pos - kLineStep);
    case SB_LINERIGHT:
        return atMost(pos + kLineStep, max);
    case SB_PAGELEFT:
        return atLeast0(pos - width);
    case SB_PAGERIGHT:
        return atMost(pos + width, max - width);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        return thumb == 0 ? 0 : atMost((thumb / kLineStep + 1) * kLineStep, max);
    case SB_LEFT:
        return 0;
    case SB_RIGHT:
        return max;
    default:
        return pos;
    }
}

} // namespace qs::tlx
