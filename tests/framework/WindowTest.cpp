// Subclassed windows, dialogs from templates and reflection of control notifications.
#include "framework/Window.h"
#include "resource.h"
#include "support/WindowSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

namespace {

using qs::test::CreatePlainWindow;
using qs::test::PumpPending;

// The window's own procedure: records the private messages it gets and answers 7.
std::vector<UINT>& Seen() {
    static std::vector<UINT> seen;
    return seen;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_APP && msg < WM_APP + 100) {
        Seen().push_back(msg);
        return 7;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND CreateRecordingWindow() {
    static const char* const cls = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "QsTestRecordingWindow";
        ::RegisterClassA(&wc);
        return wc.lpszClassName;
    }();
    return ::CreateWindowExA(0, cls, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

class Subclasser : public qs::CWindowImpl {
public:
    bool ProcessWindowMessage(HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg == WM_APP + 1) {
            result = 11;
            return true;
        }
        if (msg == WM_APP + 3) { // lets the window go, leaving the message unhandled
            UnsubclassWindow();
            return false;
        }
        return false;
    }
    void OnFinalMessage(HWND) override { ++finals; }
    void OnSubclassed() override { ++subclassings; }
    int finals = 0;
    int subclassings = 0;
};

TEST(CWindowImpl, HandlesItsMessagesAndPassesTheRestToThePreviousProcedure) {
    Seen().clear();
    HWND w = CreateRecordingWindow();
    ASSERT_NE(w, nullptr);
    Subclasser impl;
    ASSERT_TRUE(impl.SubclassWindow(w));
    EXPECT_EQ(impl.subclassings, 1);
    Subclasser other;
    EXPECT_FALSE(other.SubclassWindow(w)) << "a window is taken over once";

    EXPECT_EQ(::SendMessageA(w, WM_APP + 1, 0, 0), 11);
    EXPECT_EQ(::SendMessageA(w, WM_APP + 2, 0, 0), 7);
    EXPECT_EQ(Seen(), std::vector<UINT>{WM_APP + 2});

    EXPECT_EQ(impl.UnsubclassWindow(), w);
    EXPECT_EQ(::SendMessageA(w, WM_APP + 1, 0, 0), 7) << "the previous procedure is back";

    // A handler that lets the window go still hands its unhandled message on.
    ASSERT_TRUE(impl.SubclassWindow(w));
    Seen().clear();
    EXPECT_EQ(::SendMessageA(w, WM_APP + 3, 0, 0), 7);
    EXPECT_EQ(Seen(), std::vector<UINT>{WM_APP + 3});
    EXPECT_EQ(impl.Handle(), nullptr);

    ASSERT_TRUE(impl.SubclassWindow(w));
    ::DestroyWindow(w);
    EXPECT_EQ(impl.finals, 1);
    EXPECT_EQ(impl.Handle(), nullptr);
}

class TestDialog : public qs::CDialogImpl {
public:
    bool ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (msg) {
        case WM_INITDIALOG:
            initParam = lParam;
            if (endWith != 0)
                PostMessage(WM_APP + 5);
            return false;
        case WM_APP + 5:
            EndDialog(endWith);
            return true;
        case WM_APP + 6:
            result = 1234; // a dialog procedure answers through DWLP_MSGRESULT
            return true;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                ++cancels;
                return true;
            }
            if (LOWORD(wParam) == IDOK) {
                ++oks;
                return true;
            }
            return qs::ReflectNotification(m_hWnd, msg, wParam, lParam, result);
        default:
            return false;
        }
    }
    void OnFinalMessage(HWND) override { ++finals; }

    INT_PTR endWith = 0;
    LPARAM initParam = -1;
    int cancels = 0;
    int oks = 0;
    int finals = 0;
};

TEST(CDialogImpl, ModalDialogEndsWithItsResultAndSeesTheCallersParameter) {
    TestDialog dlg;
    dlg.endWith = 42;
    EXPECT_EQ(dlg.DoModal(nullptr, IDD_PROGRESS, 77), 42);
    EXPECT_EQ(dlg.initParam, 77);
    EXPECT_EQ(dlg.finals, 1);
    EXPECT_EQ(dlg.Handle(), nullptr);
    EXPECT_EQ(dlg.DoModal(nullptr, 9999), -1) << "a missing template";
}

TEST(CDialogImpl, ModelessDialogAnswersThroughItsMapAndGetsItsKeysUnderAForeignLoop) {
    TestDialog dlg;
    HWND hwnd = dlg.Create(nullptr, IDD_PROGRESS, 5);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(dlg.Handle(), hwnd);
    EXPECT_EQ(dlg.initParam, 5);
    EXPECT_FALSE(::IsWindowVisible(hwnd)) << "created hidden";
    EXPECT_EQ(dlg.Create(nullptr, IDD_PROGRESS), nullptr) << "one window per object";
    EXPECT_EQ(::SendMessageA(hwnd, WM_APP + 6, 0, 0), 1234);

    // Esc posted to the focused button goes through a plain loop that knows nothing of the
    // dialog (as the owner's modal loop does) and still becomes IDCANCEL.
    ::ShowWindow(hwnd, SW_SHOW);
    HWND cancel = ::GetDlgItem(hwnd, IDCANCEL);
    ::SetFocus(cancel);
    ::PostMessageA(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageA(cancel, WM_KEYUP, VK_ESCAPE, 0);
    PumpPending();
    EXPECT_EQ(dlg.cancels, 1);

    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(dlg.finals, 1);
    EXPECT_EQ(dlg.Handle(), nullptr);
}

// A control that records what is reflected to it and answers 55.
class ReflectTarget : public qs::CWindowImpl {
public:
    bool ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg < qs::OCM__BASE)
            return false;
        got.push_back({msg, wParam, lParam});
        result = 55;
        return true;
    }
    struct Got {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Got> got;
};

TEST(ReflectNotification, SendsControlNotificationsBackWithTheOffsetAndNothingElse) {
    HWND parent = CreatePlainWindow();
    HWND child = ::CreateWindowExA(0, "BUTTON", "x", WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, parent,
                                   reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ReflectTarget target;
    ASSERT_TRUE(target.SubclassWindow(child));
    const LPARAM childParam = reinterpret_cast<LPARAM>(child);

    NMHDR notify{child, 1001, NM_CLICK};
    DRAWITEMSTRUCT draw{};
    draw.hwndItem = child;
    draw.CtlID = 1001;
    MEASUREITEMSTRUCT measure{};
    measure.CtlID = 1001;

    struct Case {
        const char* what;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        bool reflected;
    };
    const Case cases[] = {
        {"command from a control", WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), childParam, true},
        {"command from a menu", WM_COMMAND, MAKEWPARAM(32774, 0), 0, false},
        {"notify", WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&notify), true},
        {"owner-draw of a control", WM_DRAWITEM, 1001, reinterpret_cast<LPARAM>(&draw), true},
        {"owner-draw of a menu item", WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), false},
        {"measure of a control, found by id", WM_MEASUREITEM, 1001, reinterpret_cast<LPARAM>(&measure), true},
        {"colour", WM_CTLCOLORSTATIC, 0, childParam, true},
        {"scroll of a scroll bar control", WM_HSCROLL, SB_LINEDOWN, childParam, true},
        {"scroll of the window's own bar", WM_VSCROLL, SB_LINEDOWN, 0, false},
        {"not a notification", WM_SIZE, 0, childParam, false},
    };
    for (const Case& c : cases) {
        target.got.clear();
        LRESULT result = -1;
        EXPECT_EQ(qs::ReflectNotification(parent, c.msg, c.wParam, c.lParam, result), c.reflected) << c.what;
        if (c.reflected) {
            ASSERT_EQ(target.got.size(), 1u) << c.what;
            EXPECT_EQ(target.got[0].msg, qs::OCM__BASE + c.msg) << c.what;
            EXPECT_EQ(target.got[0].wParam, c.wParam) << c.what;
            EXPECT_EQ(target.got[0].lParam, c.lParam) << c.what;
            EXPECT_EQ(result, 55) << c.what;
        } else {
            EXPECT_TRUE(target.got.empty()) << c.what;
            EXPECT_EQ(result, -1) << c.what;
        }
    }
    ::DestroyWindow(parent);
}

TEST(ReflectNotification, AButtonClickInADialogReachesTheButton) {
    TestDialog dlg;
    ASSERT_NE(dlg.Create(nullptr, IDD_PROGRESS), nullptr);
    HWND button = ::CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20, dlg.Handle(),
                                    reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ReflectTarget target;
    ASSERT_TRUE(target.SubclassWindow(button));
    ::SendMessageA(button, BM_CLICK, 0, 0);
    ASSERT_EQ(target.got.size(), 1u);
    EXPECT_EQ(target.got[0].msg, qs::OCM__BASE + WM_COMMAND);
    EXPECT_EQ(LOWORD(target.got[0].wParam), 1001);
    dlg.DestroyWindow();
}

} // namespace
