// The window layer: a thin window handle wrapper, subclassed windows and dialogs with message maps.
#pragma once

#include <windows.h>

namespace qs {

// Reflected notifications arrive at the control that sent them with this offset added to the
// message number (owner-draw, custom-draw, notify, command, colour and scroll messages).
constexpr UINT OCM__BASE = WM_USER + 0x1C00;

// A window handle with the calls the program makes on it. Owns nothing.
class CWindow {
public:
    CWindow() = default;
    explicit CWindow(HWND hwnd) : m_hWnd(hwnd) {}

    HWND Handle() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, msg, wParam, lParam);
    }
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    RECT GetClientRect() const {
        RECT r{};
        ::GetClientRect(m_hWnd, &r);
        return r;
    }
    RECT GetWindowRect() const {
        RECT r{};
        ::GetWindowRect(m_hWnd, &r);
        return r;
    }
    LONG_PTR GetStyle() const { return ::GetWindowLongPtrA(m_hWnd, GWL_STYLE); }
    // Centres the window over `over` (its owner), or over the desktop work area when there is
    // none or it is hidden or minimised.
    void CenterWindow(HWND over = nullptr) const;

    HWND m_hWnd = nullptr;
};

// Message handling shared by subclassed windows and dialogs: a handler answers true when it
// handled the message and sets `result`; unhandled messages go on to the previous procedure.
class CMessageMap {
public:
    virtual ~CMessageMap() = default;
    virtual bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

// Takes over an existing window by replacing its window procedure. Slots, in order: the message
// map, the destructor, the window procedure query and the final-message hook.
class CWindowImpl : public CWindow, public CMessageMap {
public:
    CWindowImpl() = default;
    ~CWindowImpl() override;
    CWindowImpl(const CWindowImpl&) = delete;
    CWindowImpl& operator=(const CWindowImpl&) = delete;

    bool ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
    virtual WNDPROC GetWindowProc();
    virtual void OnFinalMessage(HWND) {}

    // Replaces the window procedure of `hwnd`; false when the window is already taken over or the
    // procedure cannot be replaced. Runs OnSubclassed afterwards.
    bool SubclassWindow(HWND hwnd);
    // Puts the previous procedure back and forgets the window.
    HWND UnsubclassWindow();

    // The previous window procedure's answer.
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // The message being handled right now (for handlers that need its raw form).
    const MSG* CurrentMessage() const { return m_current; }

protected:
    virtual void OnSubclassed() {}

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    WNDPROC m_previous = nullptr;
    const MSG* m_current = nullptr;
};

// Dialogs from templates of the executable, modal or modeless, with a message map. Slots, in
// order: the message map, the destructor, the dialog procedure query and the final-message hook.
class CDialogImpl : public CWindow, public CMessageMap {
public:
    CDialogImpl() = default;
    ~CDialogImpl() override;
    CDialogImpl(const CDialogImpl&) = delete;
    CDialogImpl& operator=(const CDialogImpl&) = delete;

    bool ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
    virtual DLGPROC GetDialogProc();
    virtual void OnFinalMessage(HWND) {}

    // Runs the dialog modally; answers its result, or -1 when it could not be created. The
    // message map sees `initParam` as the lParam of WM_INITDIALOG.
    INT_PTR DoModal(HWND parent, int templateId, LPARAM initParam = 0);
    // Creates it modeless; answers the window or null. A modeless dialog handles its dialog keys
    // (Esc, Enter, Tab) under whatever message loop runs its thread, the owner's modal loop
    // included, which only does that for its own dialog.
    HWND Create(HWND parent, int templateId, LPARAM initParam = 0);
    BOOL EndDialog(INT_PTR result);
    BOOL DestroyWindow();

    // Module whose resources hold the templates (the executable unless set).
    static void SetResourceModule(HINSTANCE module);
    static HINSTANCE ResourceModule();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool m_modal = false;
    LPARAM m_initParam = 0;
};

// WM_PAINT and WM_PRINTCLIENT alike: paints into the device context in wParam when one is given,
// otherwise between BeginPaint and EndPaint.
template <typename Paint> void PaintClient(HWND hwnd, WPARAM wParam, Paint&& paint) {
    if (wParam != 0) {
        paint(reinterpret_cast<HDC>(wParam));
        return;
    }
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(hwnd, &ps);
    if (dc != nullptr)
        paint(dc);
    ::EndPaint(hwnd, &ps);
}

// Sends a control notification that reached a parent back to the control that sent it, with
// OCM__BASE added to the message number. Answers true when the message is one that is
// reflected and a control was found; WM_COMMAND without a control handle (menus) is not.
bool ReflectNotification(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

} // namespace qs
