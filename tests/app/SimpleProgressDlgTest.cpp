// The progress dialog on the display: driven from a worker thread, and its one-shot Cancel.
#include "app/SimpleProgressDlg.h"
#include "hostfn/Cancellation.h"
#include "resource.h"
#include "support/WindowSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <thread>

namespace {

using qs::test::Event;
using qs::test::PumpPending;
using qs::test::PumpUntil;

std::string TextOf(HWND hwnd) {
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

class ProgressDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner = qs::test::CreatePlainWindow();
        ::ShowWindow(owner, SW_SHOW);
        ASSERT_NE(dlg.Create(owner), nullptr);
        dlg.Hide();
        cancel = dlg.GetDlgItem(IDCANCEL);
    }
    void TearDown() override {
        dlg.DestroyWindow();
        ::DestroyWindow(owner);
        qs::CancelledFlag().store(false);
    }
    int Pos() const { return static_cast<int>(::SendMessageA(dlg.ProgressBar(), PBM_GETPOS, 0, 0)); }

    HWND owner = nullptr;
    HWND cancel = nullptr;
    qs::CSimpleProgressDlg dlg;
};

TEST_F(ProgressDlgTest, AWorkerShowsStepsAndHidesItWhileTheOwnerIsDisabled) {
    EXPECT_FALSE(::IsWindowVisible(dlg.Handle()));
    EXPECT_TRUE(::IsWindowEnabled(owner)) << "creating and hiding leaves the owner enabled";
    EXPECT_EQ(dlg.Owner(), owner);

    Event shown, goOn, hidden;
    std::thread worker([&] {
        dlg.SetStatusText("stale");
        dlg.Reset();
        dlg.SetRange(0, 15);
        dlg.SetPos(0);
        dlg.SetStep(1);
        dlg.Show(owner);
        for (int i = 0; i < 3; ++i)
            dlg.StepIt();
        dlg.SetStatusText("Now updating: A & B");
        shown.Set();
        ::WaitForSingleObject(goOn.Get(), INFINITE);
        dlg.Hide();
        hidden.Set();
    });
    ASSERT_TRUE(PumpUntil(shown.Get()));
    EXPECT_TRUE(::IsWindowVisible(dlg.Handle()));
    EXPECT_FALSE(::IsWindowEnabled(owner));
    EXPECT_TRUE(::IsWindowEnabled(cancel));
    EXPECT_EQ(Pos(), 3);
    EXPECT_EQ(::SendMessageA(dlg.ProgressBar(), PBM_GETRANGE, FALSE, 0), 15);
    EXPECT_EQ(TextOf(dlg.StatusLine()), "Now updating: A & B");
    EXPECT_EQ(::GetForegroundWindow(), dlg.Handle());
    goOn.Set();
    ASSERT_TRUE(PumpUntil(hidden.Get()));
    worker.join();
    EXPECT_FALSE(::IsWindowVisible(dlg.Handle()));
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(::GetForegroundWindow(), owner);

    // Showing again starts from nothing.
    dlg.Show();
    EXPECT_EQ(Pos(), 0);
    EXPECT_EQ(TextOf(dlg.StatusLine()), "");
    dlg.Hide();
}

TEST_F(ProgressDlgTest, CancelIsOneShotPerShowingWhicheverWayItComes) {
    struct Route {
        const char* what;
        void (*press)(HWND dialog, HWND cancel);
    };
    const Route routes[] = {
        {"button", [](HWND, HWND button) { ::SendMessageA(button, BM_CLICK, 0, 0); }},
        {"Esc",
         [](HWND dialog, HWND) {
             HWND focus = ::GetFocus();
             ASSERT_TRUE(focus == dialog || ::IsChild(dialog, focus));
             ::PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
             ::PostMessageA(focus, WM_KEYUP, VK_ESCAPE, 0);
         }},
        {"close box", [](HWND dialog, HWND) { ::SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Route& route : routes) {
        dlg.Show(owner);
        EXPECT_FALSE(dlg.Cancelled()) << route.what;
        EXPECT_TRUE(::IsWindowEnabled(cancel)) << route.what;
        route.press(dlg.Handle(), cancel);
        PumpPending();
        EXPECT_TRUE(dlg.Cancelled()) << route.what;
        EXPECT_FALSE(::IsWindowEnabled(cancel)) << route.what << ": a second press is impossible";
        EXPECT_TRUE(::IsWindowVisible(dlg.Handle())) << route.what << ": the dialog stays until hidden";
        dlg.Hide();
        EXPECT_TRUE(dlg.Cancelled()) << route.what << ": hiding keeps the flag for the worker";
    }
    dlg.Show(owner);
    EXPECT_FALSE(dlg.Cancelled()) << "the next showing is not cancelled by the last one";
    EXPECT_TRUE(::IsWindowEnabled(cancel));
    dlg.Hide();
}

TEST(SimpleProgressDlg, WithoutAWindowResetOnlyClearsTheFlagAndNothingFails) {
    qs::CSimpleProgressDlg dlg;
    qs::CancelledFlag().store(true);
    dlg.Reset();
    EXPECT_FALSE(dlg.Cancelled());
    dlg.Show(nullptr);
    dlg.SetRange(0, 5);
    dlg.StepIt();
    dlg.SetStatusText("x");
    dlg.Hide();
}

} // namespace
