// The main window's placement rules: what is stored from the window, what is applied to it.
#include "app/Placement.h"

#include <gtest/gtest.h>

namespace {

using qs::CPlacement;
using qs::CPlacementAction;

TEST(Placement, StoreRules) {
    CPlacement p{1, 2, 3, 4, 0};
    EXPECT_FALSE(qs::StorePlacement(p, true, RECT{10, 10, 500, 400}, false)); // minimized
    EXPECT_EQ(p.right, 3);
    EXPECT_FALSE(qs::StorePlacement(p, false, RECT{-900, 10, -100, 400}, false)); // wholly off the left
    EXPECT_EQ(p.left, 1);
    EXPECT_TRUE(qs::StorePlacement(p, false, RECT{-100, 10, 500, 400}, false)); // partly off
    EXPECT_EQ(p.left, -100);
    EXPECT_TRUE(qs::StorePlacement(p, false, RECT{0, 0, 1280, 1024}, true));
    EXPECT_EQ(p.maximized, 1);
    EXPECT_EQ(p.right, 1280);
}

struct ApplyCase {
    CPlacement stored;
    CPlacementAction::Kind kind;
    int x, y, width, height;
};

class PlacementApplyTest : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(PlacementApplyTest, Decides) {
    const ApplyCase& c = GetParam();
    const CPlacementAction a = qs::PlacementToApply(c.stored);
    EXPECT_EQ(a.kind, c.kind);
    if (c.kind == CPlacementAction::kMoveAndShow) {
        EXPECT_EQ(a.x, c.x);
        EXPECT_EQ(a.y, c.y);
        EXPECT_EQ(a.width, c.width);
        EXPECT_EQ(a.height, c.height);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlacementApplyTest,
    ::testing::Values(ApplyCase{{10, 20, 310, 220, 1}, CPlacementAction::kShowMaximized, 0, 0, 0, 0},
                      ApplyCase{{10, 20, 310, 220, 0}, CPlacementAction::kMoveAndShow, 10, 20, 300, 200},
                      ApplyCase{{10, 10, 10, 510, 0}, CPlacementAction::kMoveAndShow, 10, 10, 0, 500},
                      ApplyCase{{-50, 0, 300, 200, 0}, CPlacementAction::kMoveAndShow, -50, 0, 350, 200},
                      ApplyCase{{-500, 0, -100, 200, 0}, CPlacementAction::kStay, 0, 0, 0, 0},
                      ApplyCase{{0, 0, 0, 0, 0}, CPlacementAction::kCentre, 0, 0, 0, 0},
                      ApplyCase{{10, 20, 300, 0, 0}, CPlacementAction::kCentre, 0, 0, 0, 0},
                      ApplyCase{{10, 20, 0, 300, 0}, CPlacementAction::kCentre, 0, 0, 0, 0}));

} // namespace
