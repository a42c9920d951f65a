// Solid fills and 3-D edges.
#include "controls/GdiPaint.h"

namespace qs {

void FillSolidRect(HDC dc, const RECT& rect, COLORREF color) {
    // ExtTextOut with an opaque rectangle fills in the background colour without a brush.
    const COLORREF old = ::SetBkColor(dc, color);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void Draw3dRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
    const LONG x = rect.left, y = rect.top, cx = rect.right - rect.left, cy = rect.bottom - rect.top;
    if (cx <= 0 || cy <= 0)
        return;
    FillSolidRect(dc, RECT{x, y, x + cx - 1, y + 1}, topLeft);
    FillSolidRect(dc, RECT{x, y, x + 1, y + cy - 1}, topLeft);
    FillSolidRect(dc, RECT{x + cx - 1, y, x + cx, y + cy}, bottomRight);
    FillSolidRect(dc, RECT{x, y + cy - 1, x + cx, y + cy}, bottomRight);
}

} // namespace qs
