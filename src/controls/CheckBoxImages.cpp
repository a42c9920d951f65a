// Draws the check-box strip pixel by pixel and turns it into an image list with a mask.
#include "controls/CheckBoxImages.h"

#include "framework/Handle.h"

namespace qs {
namespace {

constexpr int kImages = 4;

struct BitmapBits {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
};

} // namespace

CheckBoxColours CheckBoxColoursFor(bool highContrast) {
    if (highContrast) {
        const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT), window = ::GetSysColor(COLOR_WINDOW);
        return {text, window, window, text, ::GetSysColor(COLOR_GRAYTEXT)};
    }
    return {RGB(80, 80, 80), RGB(254, 254, 254), RGB(192, 192, 192), RGB(0, 0, 0), RGB(0, 0, 0)};
}

std::vector<StripPixel> CheckBoxStrip(int size, const CheckBoxColours& colours) {
    if (size <= 0)
        return {};
    const int width = size * kImages;
    std::vector<StripPixel> pixels(static_cast<std::size_t>(width) * size, StripPixel{false, 0});
    // The box lies `edge` pixels in from the image's edges, with a frame as thick; the mark
    // `inset` pixels in (4 of 15, rounded).
    const int edge = (size + 7) / 15 > 0 ? (size + 7) / 15 : 1;
    const int inset = (4 * size + 7) / 15;
    auto box = [&](int image, COLORREF fill, bool mark, COLORREF markColour) {
        const int x0 = image * size;
        for (int y = edge; y < size - edge; ++y)
            for (int x = edge; x < size - edge; ++x) {
                const bool frame = y < 2 * edge || y >= size - 2 * edge || x < 2 * edge || x >= size - 2 * edge;
                const bool inMark = mark && y >= inset && y < size - inset && x >= inset && x < size - inset;
                pixels[static_cast<std::size_t>(y) * width + x0 + x] =
                    StripPixel{true, frame ? colours.frame : inMark ? markColour : fill};
            }
    };
    box(1, colours.inside, false, 0);
    box(2, colours.inside, true, colours.mark);
    box(3, colours.partial, true, colours.partialMark);
    return pixels;
}

ImageList MakeCheckBoxImages(int size, const CheckBoxColours& colours) {
    const std::vector<StripPixel> strip = CheckBoxStrip(size, colours);
    if (strip.empty())
        return ImageList();
    const int width = size * kImages;
    // Colour: 32-bit top-down, black where transparent. Mask: one bit a pixel, set where
    // transparent, rows padded to 32 bits.
    std::vector<DWORD> colour(strip.size(), 0);
    const int maskStride = ((width + 31) / 32) * 4;
    std::vector<BYTE> mask(static_cast<std::size_t>(maskStride) * size, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < width; ++x) {
            const StripPixel& p = strip[static_cast<std::size_t>(y) * width + x];
            if (p.opaque)
                colour[static_cast<std::size_t>(y) * width + x] =
                    (GetRValue(p.colour) << 16) | (GetGValue(p.colour) << 8) | GetBValue(p.colour);
            else
                mask[static_cast<std::size_t>(y) * maskStride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        }
    BitmapBits info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -size;
    info.header.biPlanes = 1;
    info.header.biBitCount = 32;
    info.header.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    Bitmap colourBitmap(::CreateDIBitmap(screen, &info.header, CBM_INIT, colour.data(),
                                         reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS));
    ::ReleaseDC(nullptr, screen);
    Bitmap maskBitmap(::CreateBitmap(width, size, 1, 1, nullptr));
    info.header.biBitCount = 1;
    info.colours[0] = RGBQUAD{0, 0, 0, 0};
    info.colours[1] = RGBQUAD{255, 255, 255, 0};
    if (!colourBitmap || !maskBitmap ||
        ::SetDIBits(nullptr, maskBitmap.Get(), 0, static_cast<UINT>(size), mask.data(),
                    reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != size)
        return ImageList();
    ImageList list(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, kImages, 0));
    if (!list || ::ImageList_Add(list.Get(), colourBitmap.Get(), maskBitmap.Get()) < 0)
        return ImageList();
    return list;
}

} // namespace qs
