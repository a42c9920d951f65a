// Row geometry and scroll arithmetic of the files tree-list that the window tests cannot reach:
// thumb track positions, the gradient's end colour, presses above the rows.
#include "controls/FilesTreeGeometry.h"

#include <gtest/gtest.h>

namespace {

using qs::tlx::HorizontalTarget;
using qs::tlx::VerticalTarget;

TEST(FilesTreeGeometry, ThumbPositionsLeadOneStepFurther) {
    // Rows: the track position plus one, at most the last position; 0 stays 0.
    EXPECT_EQ(VerticalTarget(SB_THUMBTRACK, 7, 15, 1, 0, 5), 2);
    EXPECT_EQ(VerticalTarget(SB_THUMBPOSITION, 7, 15, 0, 0, 5), 0);
    EXPECT_EQ(VerticalTarget(SB_THUMBTRACK, 0, 15, 14, 0, 5), 15);
    EXPECT_EQ(VerticalTarget(SB_THUMBTRACK, 0, 15, 15, 0, 5), 15);
    // Pixels: the next multiple of 6 above the thumb.
    EXPECT_EQ(HorizontalTarget(SB_THUMBTRACK, 0, 340, 250, 5), 6);
    EXPECT_EQ(HorizontalTarget(SB_THUMBTRACK, 0, 340, 250, 6), 12);
    EXPECT_EQ(HorizontalTarget(SB_THUMBTRACK, 0, 340, 250, 338), 340);
    EXPECT_EQ(HorizontalTarget(SB_PAGERIGHT, 80, 340, 250, 0), 90);
}

TEST(FilesTreeGeometry, GradientEndsAtTheColourLightenedBy80) {
    EXPECT_EQ(qs::tlx::LightenForGradient(RGB(48, 150, 250)), RGB(113, 183, 252));
    EXPECT_EQ(qs::tlx::LightenForGradient(RGB(0, 0, 0)), RGB(80, 80, 80));
    EXPECT_EQ(qs::tlx::LightenForGradient(RGB(255, 255, 255)), RGB(255, 255, 255)); // a plain fill
    EXPECT_EQ(qs::tlx::LightenForGradient(RGB(1, 2, 3)), RGB(81, 81, 82));          // 79.7, 79.4, 79.1 rounded
}

TEST(FilesTreeGeometry, PressesAboveTheRowsOrWithoutRowHeightHitNoRow) {
    EXPECT_EQ(qs::tlx::RowPositionAt(20 + 3 * 16 + 15, 20, 16), 3u);
    EXPECT_GT(qs::tlx::RowPositionAt(19, 20, 16), 1000u);
    EXPECT_GT(qs::tlx::RowPositionAt(-1, 20, 16), 1000u); // read as 65535
    EXPECT_EQ(qs::tlx::RowPositionAt(100, 20, 0), UINT32_MAX);
}

} // namespace
