// Painting of the separator line.
#include "controls/BevelLine.h"

#include "controls/GdiPaint.h"

namespace qs {

RECT CBevelLine::BandRect(const RECT& client, int halfWidth, int halfHeight) {
    const LONG width = client.right - client.left, height = client.bottom - client.top;
    RECT band = client;
    if (width < height) {
        band.left = client.left + width / 2 - halfWidth;
        band.right = client.left + width / 2 + halfWidth;
    } else {
        band.top = client.top + height / 2 - halfHeight;
        band.bottom = client.top + height / 2 + halfHeight;
    }
    return band;
}

void CBevelLine::Paint(HDC dc) {
    const RECT band = BandRect(GetClientRect(), halfWidth, halfHeight);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    if (sunken)
        Draw3dRect(dc, band, shadow, highlight);
    else
        Draw3dRect(dc, band, highlight, shadow);
}

bool CBevelLine::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        result = 0;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintClient(hwnd, wParam, [this](HDC dc) { Paint(dc); });
        result = 0;
        return true;
    default:
        return false;
    }
}

} // namespace qs
