// Scaling 96-DPI sizes and rectangles to other display scales: exact at 96 DPI, rounded to the
// nearest pixel elsewhere, halves away from zero.
#include "framework/DialogDpi.h"
#include "framework/Dpi.h"

#include <gtest/gtest.h>

namespace {

using qs::Scale;

TEST(Dpi, SizesScaleToTheNearestPixel) {
    struct Case {
        int dpi, px96, expected;
    };
    const Case cases[] = {
        {96, 9, 9},    {96, 0, 0},    {96, -4, -4},  // 96 DPI keeps every size
        {144, 9, 14},  {144, 15, 23}, {144, 1, 2},   // halves round up
        {144, 8, 12},  {144, -3, -5}, {144, -4, -6}, // and away from zero below it
        {192, 9, 18},  {192, 17, 34}, {120, 9, 11},  // 11.25
        {120, 18, 23},                               // 22.5
    };
    for (const Case& c : cases)
        EXPECT_EQ(Scale{c.dpi}(c.px96), c.expected) << c.dpi << " " << c.px96;
}

TEST(Dpi, RectanglesScaleEdgeByEdge) {
    const RECT r{-3, 7, 101, 250};
    const RECT same = qs::ScaleRectForDpi(r, 120, 120);
    EXPECT_TRUE(EqualRect(&same, &r));
    const RECT up = qs::ScaleRectForDpi(r, 96, 144);
    EXPECT_EQ(up.left, -5); // -4.5
    EXPECT_EQ(up.top, 11);  // 10.5
    EXPECT_EQ(up.right, 152);
    EXPECT_EQ(up.bottom, 375);
    const RECT back = qs::ScaleRectForDpi(RECT{0, 0, 300, 150}, 144, 96);
    EXPECT_EQ(back.right, 200);
    EXPECT_EQ(back.bottom, 100);
    const RECT none = qs::ScaleRectForDpi(r, 0, 144); // no DPI known: left alone
    EXPECT_TRUE(EqualRect(&none, &r));
}

} // namespace
