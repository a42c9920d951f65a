// The host window of control tests.
#include "support/HostWindow.h"

#include "framework/Window.h"

namespace qs::test {
namespace {

const char kClassName[] = "qs.test.HostWindow";

void RegisterOnce() {
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return ::RegisterClassA(&wc);
    }();
    (void)atom;
}

} // namespace

HostWindow::HostWindow(int clientWidth, int clientHeight) {
    RegisterOnce();
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT r{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRect(&r, style, FALSE);
    m_hwnd = ::CreateWindowExA(0, kClassName, "Host", style, 40, 40, r.right - r.left, r.bottom - r.top, nullptr,
                               nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetPropA(m_hwnd, kClassName, this);
    ::SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostWindow::WindowProc));
    m_font = ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Tahoma");
    ::ShowWindow(m_hwnd, SW_SHOW);
    ::SetForegroundWindow(m_hwnd);
    ::UpdateWindow(m_hwnd);
}

HostWindow::~HostWindow() {
    if (::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
    ::DeleteObject(m_font);
    PumpPending();
}

HWND HostWindow::AddChild(const char* className, const char* text, DWORD style, const RECT& rect, int id) {
    HWND child =
        ::CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top, m_hwnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    return child;
}

LRESULT CALLBACK HostWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<HostWindow*>(::GetPropA(hwnd, kClassName));
    if (self == nullptr)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY)
        ::RemovePropA(hwnd, kClassName);
    return self->OnMessage(msg, wParam, lParam);
}

LRESULT HostWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case WM_INITMENUPOPUP:
        initMenuPopups.push_back(reinterpret_cast<HMENU>(wParam));
        if (onInitMenuPopup)
            onInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (m_staticBrush != nullptr)
            return reinterpret_cast<LRESULT>(m_staticBrush);
        return ::DefWindowProcA(m_hwnd, msg, wParam, lParam);
    case WM_COMMAND:
        if (lParam == 0) {
            menuCommands.push_back(wParam);
            return 0;
        }
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (ReflectNotification(m_hwnd, msg, wParam, lParam, result)) {
        if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            ++clicksHandled;
            if (!menuCommands.empty())
                commandBeforeClickReturned = true;
        }
        return result;
    }
    return ::DefWindowProcA(m_hwnd, msg, wParam, lParam);
}

bool HostWindow::DispatchOne(MSG& msg) {
    if (::IsDialogMessageA(m_hwnd, &msg))
        return true;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
    return true;
}

void HostWindow::PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchOne(msg);
}

bool HostWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        PumpPending();
    }
    return true;
}

} // namespace qs::test
