// The separator line: where its band lies, and which colour goes on which side.
#include "controls/BevelLine.h"

#include "support/HostWindow.h"
#include "support/PaintCanvas.h"

#include <gtest/gtest.h>

namespace {

struct BandCase {
    RECT client;
    int halfWidth, halfHeight;
    RECT band;
};

TEST(BevelLine, BandIsVerticalOnlyWhenNarrowerThanHigh) {
    const BandCase cases[] = {
        {{0, 0, 435, 2}, 1, 1, {0, 0, 435, 2}},     // a line 290 units wide and 1 high
        {{0, 0, 100, 100}, 1, 1, {0, 49, 100, 51}}, // square: horizontal
        {{0, 0, 2, 50}, 1, 1, {0, 0, 2, 50}},       // vertical
        {{0, 0, 10, 50}, 2, 1, {3, 0, 7, 50}},      // vertical, thicker
        {{0, 0, 50, 9}, 1, 3, {0, 1, 50, 7}},       // horizontal, thicker
        {{5, 5, 55, 6}, 1, 1, {5, 4, 55, 6}},       // one pixel high: the band reaches above
    };
    for (const BandCase& c : cases) {
        const RECT band = qs::CBevelLine::BandRect(c.client, c.halfWidth, c.halfHeight);
        EXPECT_TRUE(::EqualRect(&band, &c.band)) << c.client.right << "x" << c.client.bottom << " -> " << band.left
                                                 << "," << band.top << "," << band.right << "," << band.bottom;
    }
}

TEST(BevelLine, RaisedHasHighlightAboveShadowAndSunkenTheReverse) {
    qs::test::HostWindow host;
    HWND hwnd = host.AddChild("STATIC", "", SS_BLACKFRAME, RECT{0, 0, 290, 2}, 1025);
    qs::CBevelLine line;
    ASSERT_TRUE(line.SubclassWindow(hwnd));
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    ASSERT_NE(shadow, highlight);

    qs::test::PaintCanvas canvas(290, 2);
    ::SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.Pixel(100, 0), shadow) << "sunken by default";
    EXPECT_EQ(canvas.Pixel(100, 1), highlight);

    line.sunken = false;
    ::SendMessageA(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
    EXPECT_EQ(canvas.Pixel(100, 0), highlight);
    EXPECT_EQ(canvas.Pixel(100, 1), shadow);
    EXPECT_EQ(canvas.CountColor(RECT{0, 0, 289, 1}, highlight), 289);
    EXPECT_EQ(canvas.CountColor(RECT{0, 1, 290, 2}, shadow), 290);
}

} // namespace
