// Memory bitmap and pixel probes.
#include "support/PaintCanvas.h"

#include <algorithm>

namespace qs::test {

PaintCanvas::PaintCanvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_dc = ::CreateCompatibleDC(nullptr);
    m_bitmap = ::CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<std::uint32_t*>(bits);
    m_old = ::SelectObject(m_dc, m_bitmap);
    Fill(fill);
}

PaintCanvas::~PaintCanvas() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

void PaintCanvas::Fill(COLORREF color) {
    HBRUSH brush = ::CreateSolidBrush(color);
    RECT r = All();
    ::FillRect(m_dc, &r, brush);
    ::DeleteObject(brush);
}

COLORREF PaintCanvas::Raw(int x, int y) const {
    const std::uint32_t v =
        m_bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

COLORREF PaintCanvas::Pixel(int x, int y) const {
    ::GdiFlush();
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return CLR_INVALID;
    return Raw(x, y);
}

int PaintCanvas::CountColor(const RECT& area, COLORREF color) const {
    ::GdiFlush();
    int n = 0;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, m_height); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, m_width); ++x)
            if (Raw(x, y) == color)
                ++n;
    return n;
}

int PaintCanvas::CountInk(const RECT& area, COLORREF background) const {
    const RECT clipped{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0), std::min<LONG>(area.right, m_width),
                       std::min<LONG>(area.bottom, m_height)};
    const int all = std::max<int>(clipped.right - clipped.left, 0) * std::max<int>(clipped.bottom - clipped.top, 0);
    return all - CountColor(clipped, background);
}

RECT PaintCanvas::InkBounds(const RECT& area, COLORREF background) const {
    ::GdiFlush();
    RECT r{m_width, m_height, -1, -1};
    bool any = false;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, m_height); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, m_width); ++x)
            if (Raw(x, y) != background) {
                any = true;
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    return any ? r : RECT{0, 0, 0, 0};
}

std::vector<InkBand> PaintCanvas::InkBands(const RECT& area, COLORREF background) const {
    std::vector<InkBand> bands;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, m_height); ++y) {
        const bool ink = CountInk(RECT{area.left, y, area.right, y + 1}, background) > 0;
        if (!ink)
            continue;
        if (!bands.empty() && bands.back().bottom == y)
            bands.back().bottom = y + 1;
        else
            bands.push_back(InkBand{y, y + 1});
    }
    return bands;
}

} // namespace qs::test
