// The check-box strip drawn at any size: at 15 pixels the very images the program always showed,
// at other sizes the same box scaled, in the theme's colours.
#include "controls/CheckBoxImages.h"
#include "resource.h"
#include "support/PaintCanvas.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using qs::CheckBoxStrip;
using qs::StripPixel;

const qs::CheckBoxColours kPlain = qs::CheckBoxColoursFor(false);

// The extent of `colour` along the row through the middle of image `image` of the strip.
int RunAcrossMiddle(const std::vector<StripPixel>& strip, int size, int image, COLORREF colour) {
    const int y = size / 2, width = 4 * size;
    int first = -1, last = -1;
    for (int x = image * size; x < (image + 1) * size; ++x) {
        const StripPixel& p = strip[static_cast<std::size_t>(y) * width + x];
        if (p.opaque && p.colour == colour) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

TEST(CheckBoxImages, FifteenPixelsAreTheProgramsBitmapPixelForPixel) {
    HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHECKBOXES),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 60, -15, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> bits(60 * 15);
    HDC screen = ::GetDC(nullptr);
    ASSERT_EQ(::GetDIBits(screen, bitmap, 0, 15, bits.data(), &info, DIB_RGB_COLORS), 15);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(bitmap);

    const std::vector<StripPixel> strip = CheckBoxStrip(15, kPlain);
    ASSERT_EQ(strip.size(), bits.size());
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const COLORREF stored = RGB((bits[i] >> 16) & 0xFF, (bits[i] >> 8) & 0xFF, bits[i] & 0xFF);
        // White is the bitmap's transparent colour.
        if (stored == RGB(255, 255, 255))
            EXPECT_FALSE(strip[i].opaque) << i;
        else
            EXPECT_TRUE(strip[i].opaque && strip[i].colour == stored) << i;
    }
}

TEST(CheckBoxImages, OtherSizesScaleTheFrameAndTheMark) {
    for (int size : {15, 19, 23, 30, 45}) {
        SCOPED_TRACE(size);
        const double ratio = size / 15.0;
        const std::vector<StripPixel> strip = CheckBoxStrip(size, kPlain);
        ASSERT_EQ(strip.size(), static_cast<std::size_t>(4 * size * size));
        EXPECT_EQ(RunAcrossMiddle(strip, size, 0, kPlain.frame), 0) << "image 0 is blank";
        // Across the middle of the box: frame to frame 13 of 15, the mark 7 of 15.
        const int y = size / 2;
        int first = -1, last = -1;
        for (int x = size; x < 2 * size; ++x)
            if (strip[static_cast<std::size_t>(y) * 4 * size + x].opaque) {
                if (first < 0)
                    first = x;
                last = x;
            }
        EXPECT_NEAR(last - first + 1, 13 * ratio, 1.0);
        EXPECT_NEAR(RunAcrossMiddle(strip, size, 2, kPlain.mark), 7 * ratio, 1.0);
        EXPECT_EQ(RunAcrossMiddle(strip, size, 1, kPlain.mark), 0) << "an unchecked box has no mark";
        EXPECT_GT(RunAcrossMiddle(strip, size, 3, kPlain.partial), 0);
    }
    EXPECT_TRUE(CheckBoxStrip(0, kPlain).empty());
}

TEST(CheckBoxImages, HighContrastTakesTheSystemColoursAndTheListHoldsFourImages) {
    const qs::CheckBoxColours contrast = qs::CheckBoxColoursFor(true);
    EXPECT_EQ(contrast.frame, ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(contrast.inside, ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(contrast.mark, ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(contrast.partialMark, ::GetSysColor(COLOR_GRAYTEXT));
    const std::vector<StripPixel> strip = CheckBoxStrip(23, contrast);
    EXPECT_GT(RunAcrossMiddle(strip, 23, 3, contrast.partialMark), 0);

    qs::ImageList list = qs::MakeCheckBoxImages(23, kPlain);
    ASSERT_TRUE(list);
    EXPECT_EQ(ImageList_GetImageCount(list.Get()), 4);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list.Get(), &cx, &cy);
    EXPECT_EQ(cx, 23);
    EXPECT_EQ(cy, 23);

    // Drawn from the list, every image shows the strip: its colours, and the row through the
    // transparent pixels.
    const COLORREF row = RGB(255, 0, 255);
    const std::vector<StripPixel> plain = CheckBoxStrip(23, kPlain);
    for (int image = 0; image < 4; ++image) {
        qs::test::PaintCanvas canvas(23, 23, row);
        ImageList_DrawEx(list.Get(), image, canvas.Dc(), 0, 0, 23, 23, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
        int wrong = 0;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 23; ++x) {
                const StripPixel& p = plain[static_cast<std::size_t>(y) * 92 + image * 23 + x];
                wrong += canvas.Pixel(x, y) != (p.opaque ? p.colour : row);
            }
        EXPECT_EQ(wrong, 0) << "image " << image;
    }
}

} // namespace
