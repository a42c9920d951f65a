// Dialog resizing: the rectangle arithmetic by table, and the layout, gripper and minimum size
// on a real window.
#include "framework/DialogResize.h"
#include "framework/Window.h"
#include "support/WindowSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace qs;

struct RectCase {
    const char* what;
    unsigned flags;
    int growX, growY;
    RECT expected;
};

class ResizedControlRectTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(ResizedControlRectTest, FollowsTheGrowth) {
    const RectCase& c = GetParam();
    const RECT initial{10, 20, 110, 60}; // 100 x 40
    const RECT r = ResizedControlRect(initial, c.flags, c.growX, c.growY);
    EXPECT_EQ(r.left, c.expected.left) << c.what;
    EXPECT_EQ(r.top, c.expected.top) << c.what;
    EXPECT_EQ(r.right, c.expected.right) << c.what;
    EXPECT_EQ(r.bottom, c.expected.bottom) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResizedControlRectTest,
    ::testing::Values(RectCase{"no flags stays", 0, 30, 40, {10, 20, 110, 60}},
                      RectCase{"size x", DLSZ_SIZE_X, 30, 40, {10, 20, 140, 60}},
                      RectCase{"size y", DLSZ_SIZE_Y, 30, 40, {10, 20, 110, 100}},
                      RectCase{"size both", DLSZ_SIZE_X | DLSZ_SIZE_Y, 30, 40, {10, 20, 140, 100}},
                      RectCase{"move x", DLSZ_MOVE_X, 30, 40, {40, 20, 140, 60}},
                      RectCase{"move y", DLSZ_MOVE_Y, 30, 40, {10, 60, 110, 100}},
                      RectCase{"size x, move y", DLSZ_SIZE_X | DLSZ_MOVE_Y, 30, 40, {10, 60, 140, 100}},
                      RectCase{"move both", DLSZ_MOVE_X | DLSZ_MOVE_Y, 30, 40, {40, 60, 140, 100}},
                      RectCase{"move and size add up", DLSZ_MOVE_X | DLSZ_SIZE_X, 30, 0, {40, 20, 170, 60}},
                      RectCase{"shrinking moves back", DLSZ_MOVE_X | DLSZ_MOVE_Y, -5, -8, {5, 12, 105, 52}},
                      RectCase{"shrinking narrows", DLSZ_SIZE_X | DLSZ_SIZE_Y, -30, -10, {10, 20, 80, 50}},
                      RectCase{"never a negative size", DLSZ_SIZE_X | DLSZ_SIZE_Y, -500, -500, {10, 20, 10, 20}}));

class ResizingWindow : public CWindowImpl, public CDialogResize {
public:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return ProcessResizeMessage(hwnd, msg, wParam, lParam, result);
    }
};

RECT ChildRect(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND Child(HWND parent, int id, int x, int y, int w, int h) {
    return ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

TEST(CDialogResize, LaysOutTheMapKeepsTheGripperInTheCornerAndAnswersTheMinimumSize) {
    HWND w = test::CreatePlainWindow(WS_OVERLAPPEDWINDOW, 300, 200);
    ASSERT_NE(w, nullptr);
    HWND list = Child(w, 1000, 10, 10, 280, 150);
    HWND link = Child(w, 1035, 200, 170, 90, 10);
    HWND fixed = Child(w, 1001, 10, 170, 70, 20);
    const DialogResizeEntry map[] = {
        {1000, DLSZ_SIZE_X | DLSZ_SIZE_Y}, {1035, DLSZ_MOVE_X | DLSZ_MOVE_Y}, {1001, 0}, {4242, DLSZ_MOVE_X}};
    ResizingWindow win;
    ASSERT_TRUE(win.SubclassWindow(w));
    const RECT outer = win.GetWindowRect();
    win.InitResize(w, map, 4, true, true);
    ::ShowWindow(w, SW_SHOWNORMAL);
    HWND grip = win.Gripper();
    ASSERT_NE(grip, nullptr);
    const RECT grip0 = ChildRect(w, grip);
    EXPECT_EQ(grip0.right, 300);
    EXPECT_EQ(grip0.bottom, 200);

    ::SetWindowPos(w, nullptr, 0, 0, (outer.right - outer.left) + 50, (outer.bottom - outer.top) + 30,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT r = ChildRect(w, list);
    EXPECT_EQ(r.right - r.left, 330);
    EXPECT_EQ(r.bottom - r.top, 180);
    r = ChildRect(w, link);
    EXPECT_EQ(r.left, 250);
    EXPECT_EQ(r.top, 200);
    r = ChildRect(w, fixed);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 170);
    r = ChildRect(w, grip);
    EXPECT_EQ(r.right, 350);
    EXPECT_EQ(r.bottom, 230);
    EXPECT_TRUE(::IsWindowVisible(grip));

    // Minimizing leaves the layout alone (the client area is empty then).
    ::SendMessageA(w, WM_SIZE, SIZE_MINIMIZED, 0);
    r = ChildRect(w, list);
    EXPECT_EQ(r.right - r.left, 330);

    ::SendMessageA(w, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(350, 230));
    EXPECT_FALSE(::IsWindowVisible(grip)) << "hidden while maximized";
    ::SendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(350, 230));
    EXPECT_TRUE(::IsWindowVisible(grip));

    MINMAXINFO info{};
    ::SendMessageA(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, outer.right - outer.left);
    EXPECT_EQ(info.ptMinTrackSize.y, outer.bottom - outer.top);
    ::DestroyWindow(w);
}

} // namespace
