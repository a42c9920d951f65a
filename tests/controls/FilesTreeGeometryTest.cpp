// Row geometry and scroll arithmetic of the files tree-list that the window tests cannot reach:
// thumb track positions, the gradient's end colour, presses above the rows.
#include "controls/FilesTreeGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

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

TEST(FilesTreeGeometry, MetricsAt96AreTheFixedSizesAndScaleElsewhere) {
    const qs::tlx::TreeMetrics fixed, at96 = qs::tlx::MetricsFor(qs::Scale{96});
    EXPECT_EQ(at96.margin, fixed.margin);
    EXPECT_EQ(at96.indent, fixed.indent);
    EXPECT_EQ(at96.half, fixed.half);
    EXPECT_EQ(at96.signInset, fixed.signInset);
    EXPECT_EQ(at96.checkBoxOffset, fixed.checkBoxOffset);
    EXPECT_EQ(at96.parentLineEnd, fixed.parentLineEnd);
    EXPECT_EQ(at96.leafLineEnd, fixed.leafLineEnd);
    EXPECT_EQ(at96.imageGap, fixed.imageGap);
    EXPECT_EQ(at96.firstColumnSlack, fixed.firstColumnSlack);
    EXPECT_EQ(at96.hitMargin, fixed.hitMargin);
    EXPECT_EQ(at96.checkBoxSize, fixed.checkBoxSize);
    EXPECT_EQ(fixed.ButtonSize(), 9);

    struct Case {
        int dpi, indent, button, checkBox, boxOffset;
    };
    for (const Case& c : {Case{120, 23, 11, 19, 21}, Case{144, 27, 13, 23, 26}, Case{192, 36, 17, 30, 34},
                          Case{288, 54, 27, 45, 51}}) {
        SCOPED_TRACE(c.dpi);
        const qs::tlx::TreeMetrics m = qs::tlx::MetricsFor(qs::Scale{c.dpi});
        EXPECT_EQ(m.indent, c.indent);
        EXPECT_EQ(m.ButtonSize(), c.button); // odd, within a pixel of 9 scaled
        EXPECT_LE(std::abs(m.ButtonSize() - 9.0 * c.dpi / 96), 1.0);
        EXPECT_EQ(m.checkBoxSize, c.checkBox);
        EXPECT_EQ(m.checkBoxOffset, c.boxOffset);
        // The button, its sign and the row's lines share the button's centre column and row.
        const qs::tlx::TreePlace p = qs::tlx::PlaceTreePart(10, 100, 30, 2, m);
        EXPECT_EQ(p.x, 10 + m.indent);
        const RECT b = qs::tlx::ButtonRect(p, m);
        EXPECT_EQ(b.right - b.left, m.ButtonSize());
        EXPECT_EQ(b.bottom - b.top, m.ButtonSize());
        EXPECT_EQ((b.top + b.bottom - 1) / 2, p.yMid);
        const qs::tlx::LineSegment minus = qs::tlx::ButtonMinus(p, m), upright = qs::tlx::ButtonUpright(p, m);
        EXPECT_EQ(minus.x1 - b.left, b.right - minus.x2) << "the minus is centred";
        EXPECT_EQ(p.yMid - upright.y1, upright.y2 - 1 - p.yMid) << "the upright is centred";
        EXPECT_EQ(upright.x1, b.left + m.half);
        const qs::tlx::TreeLines lines = qs::tlx::RowLines(p, true, true, true, m);
        EXPECT_EQ(lines.up.x1, upright.x1);
        EXPECT_EQ(lines.up.y2, b.top) << "the line above ends at the button";
        EXPECT_GT(lines.down.y1, b.bottom - 1) << "the line below starts under it";
        EXPECT_EQ(lines.horizontal.x1, b.right);
        EXPECT_LT(lines.horizontal.x2, qs::tlx::CheckBoxLeft(p, m)) << "and stops before the box";
        EXPECT_EQ(qs::tlx::AncestorLine(p, 1, m).x1, upright.x1 - m.indent);
    }
}

TEST(FilesTreeGeometry, TheFillingColumnFollowsTheClientWidthDownToItsMinimum) {
    struct Case {
        int client, offset, minimum, expected;
    };
    for (const Case& c : {Case{400, -180, 50, 220}, Case{500, -180, 50, 320}, Case{200, -180, 50, 50},
                          Case{230, -180, 50, 50}, Case{231, -180, 50, 51}, Case{400, 0, 0, 400}})
        EXPECT_EQ(qs::tlx::FillColumnWidth(c.client, c.offset, c.minimum), c.expected) << c.client;
}

TEST(FilesTreeGeometry, HighContrastDrawsInSystemColoursWithAPlainFocus) {
    const qs::tlx::SystemColours system{RGB(0, 120, 215), RGB(10, 36, 106), RGB(109, 109, 109), RGB(1, 2, 3)};
    const qs::tlx::TreeColours plain = qs::tlx::ColoursFor(false, system);
    EXPECT_EQ(plain.lines, RGB(128, 128, 128));
    EXPECT_EQ(plain.sign, RGB(0, 0, 0));
    EXPECT_EQ(plain.focusTop, RGB(0, 120, 215));
    EXPECT_EQ(plain.focusBottom, qs::tlx::LightenForGradient(RGB(0, 120, 215)));
    EXPECT_EQ(plain.focusFrame, RGB(10, 36, 106)) << "the start-up highlight";
    const qs::tlx::TreeColours contrast = qs::tlx::ColoursFor(true, system);
    EXPECT_EQ(contrast.lines, RGB(109, 109, 109));
    EXPECT_EQ(contrast.sign, RGB(1, 2, 3));
    EXPECT_EQ(contrast.focusTop, RGB(0, 120, 215));
    EXPECT_EQ(contrast.focusBottom, contrast.focusTop) << "no gradient";
    EXPECT_EQ(contrast.focusFrame, RGB(0, 120, 215));
}

} // namespace
