// Geometry and scroll arithmetic of the files tree-list as plain functions: where a row's button,
// lines, check box and icon go, which row a press hits, and where a scroll request leads.
#pragma once

#include "framework/TreeModel.h"

#include <windows.h>

#include <cstdint>

namespace qs::tlx {

// ---- row geometry -------------------------------------------------------------------------

constexpr int kRowMargin = 8;         // left margin of every row
constexpr int kIndent = 18;           // per tree level; top-level rows are not indented
constexpr int kButtonSize = 9;        // the expand button is a 9 x 9 square
constexpr int kCheckBoxOffset = 17;   // the check box starts this far right of the button
constexpr int kImageGap = 2;          // after the check box image and after the icon
constexpr int kFirstColumnSlack = 12; // kept right of the text start in column 0
constexpr int kWideAreaExtra = 10;    // drawing area beyond the columns when they overflow
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

inline TreePlace PlaceTreePart(int cellLeft, int top, int rowHeight, int depth) {
    return {cellLeft + kIndent * (depth - 1), top + rowHeight / 2, top, top + rowHeight};
}

inline RECT ButtonRect(const TreePlace& p) { return {p.x, p.yMid - 4, p.x + kButtonSize, p.yMid + 5}; }

// The sign inside the button: the minus, and the upright of the plus (collapsed rows only).
inline LineSegment ButtonMinus(const TreePlace& p) { return {p.x + 2, p.yMid, p.x + 7, p.yMid}; }
inline LineSegment ButtonUpright(const TreePlace& p) { return {p.x + 4, p.yMid - 2, p.x + 4, p.yMid + 3}; }

// The row's own dotted lines, at the centre column x + 4.
struct TreeLines {
    LineSegment horizontal;
    bool hasUp;
    LineSegment up;
    bool hasDown;
    LineSegment down;
};

// `linkUp`: the row has a previous sibling or is the first child of a row (not of the root);
// `linkDown`: the row has a next sibling.
inline TreeLines RowLines(const TreePlace& p, bool hasChildren, bool linkUp, bool linkDown) {
    const int cx = p.x + 4;
    TreeLines lines{};
    lines.horizontal =
        hasChildren ? LineSegment{p.x + 9, p.yMid, p.x + 15, p.yMid} : LineSegment{cx, p.yMid, p.x + 14, p.yMid};
    lines.hasUp = linkUp;
    lines.up = {cx, p.top, cx, hasChildren ? p.yMid - 4 : p.yMid};
    lines.hasDown = linkDown;
    lines.down = {cx, hasChildren ? p.yMid + 6 : p.yMid, cx, p.bottom};
    return lines;
}

// The full-height line of the ancestor `level` levels up (1 = the parent).
inline LineSegment AncestorLine(const TreePlace& p, int level) {
    const int x = p.x + 4 - kIndent * level;
    return {x, p.top, x, p.bottom};
}

inline int CheckBoxLeft(const TreePlace& p) { return p.x + kCheckBoxOffset; }

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

// The rectangles a row keeps for its view, as the platform's.
inline RECT ToRect(const CRowRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline CRowRect ToRowRect(const RECT& r) { return CRowRect{r.left, r.top, r.right, r.bottom}; }

// True when a press lands on the expand button or within the margin around it.
inline bool HitsButton(const RECT& button, POINT p) {
    RECT r = button;
    ::InflateRect(&r, kButtonHitMargin, kButtonHitMargin);
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
