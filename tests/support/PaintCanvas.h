// A memory bitmap to paint windows and drawing code into, with pixel probes for tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace qs::test {

// Rows of pixels that differ from the background, grouped into bands of consecutive rows.
struct InkBand {
    int top;
    int bottom; // exclusive
};

class PaintCanvas {
public:
    PaintCanvas(int width, int height, COLORREF fill = RGB(255, 0, 255));
    ~PaintCanvas();
    PaintCanvas(const PaintCanvas&) = delete;
    PaintCanvas& operator=(const PaintCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Fill(COLORREF color);

    // Flushes pending drawing and answers a pixel (RGB, as a COLORREF).
    COLORREF Pixel(int x, int y) const;
    // Pixels inside `area` that differ from `background`.
    int CountInk(const RECT& area, COLORREF background) const;
    // Bounding box of those pixels; empty (all zero) when there are none.
    RECT InkBounds(const RECT& area, COLORREF background) const;
    // Bands of rows inside `area` holding any such pixel.
    std::vector<InkBand> InkBands(const RECT& area, COLORREF background) const;
    // Pixels inside `area` of exactly `color`.
    int CountColor(const RECT& area, COLORREF color) const;
    RECT All() const { return RECT{0, 0, m_width, m_height}; }

private:
    COLORREF Raw(int x, int y) const;

    int m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    std::uint32_t* m_bits = nullptr;
};

} // namespace qs::test
