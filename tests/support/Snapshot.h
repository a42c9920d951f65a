// Pictures for window tests: a 32-bit bitmap to draw into and probe pixel by pixel, saved as a
// PNG file (into the test executable's "shots" folder) for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qs::test {

class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixel's colour; CLR_INVALID outside the bitmap.
    COLORREF Pixel(int x, int y) const;
    void Fill(COLORREF color);
    // Writes the picture as an RGB PNG; false when the file cannot be written.
    bool SavePng(const std::string& path) const;

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    std::uint32_t* m_bits = nullptr; // top-down rows of 0x00RRGGBB
};

// A window's client area as it paints it through WM_PRINTCLIENT (the window's own drawing,
// without its children).
void PrintClient(HWND hwnd, Canvas& canvas);

// The whole window as shown, child windows included, after pending paints have run.
void CaptureWindow(HWND hwnd, Canvas& canvas);

// "<folder of the test executable>\shots\<name>.png"; the folder is created.
std::string ShotPath(const std::string& name);

} // namespace qs::test
