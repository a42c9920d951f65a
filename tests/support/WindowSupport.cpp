// Windows for tests: a plain window class and event-driven message pumping.
#include "support/WindowSupport.h"

namespace qs::test {

const char* PlainWindowClass() {
    static const char* const name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "QsTestPlainWindow";
        ::RegisterClassA(&wc);
        return wc.lpszClassName;
    }();
    return name;
}

HWND CreatePlainWindow(DWORD style, int clientWidth, int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&r, style, FALSE, 0);
    return ::CreateWindowExA(0, PlainWindowClass(), "Test window", style, 40, 40, r.right - r.left, r.bottom - r.top,
                             nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool PumpUntil(HANDLE event, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        PumpPending();
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= timeoutMs)
            return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        const DWORD r = ::MsgWaitForMultipleObjects(1, &event, FALSE, timeoutMs - spent, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            PumpPending(); // what the other side sent on its way out
            return true;
        }
        if (r == WAIT_FAILED)
            return false;
    }
}

} // namespace qs::test
