// Dialog resizing: rectangle arithmetic and the WM_SIZE / WM_GETMINMAXINFO handling.
#include "framework/DialogResize.h"

#include "framework/DialogDpi.h"

namespace qs {
namespace {

// Id of the size gripper, clear of every control id of the templates.
constexpr int kGripperId = 0x7FF0;

RECT ChildRectInParent(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

RECT ResizedControlRect(const RECT& initial, unsigned flags, int growX, int growY) {
    RECT r = initial;
    if (flags & DLSZ_MOVE_X) {
        r.left += growX;
        r.right += growX;
    }
    if (flags & DLSZ_MOVE_Y) {
        r.top += growY;
        r.bottom += growY;
    }
    if (flags & DLSZ_SIZE_X)
        r.right += growX;
    if (flags & DLSZ_SIZE_Y)
        r.bottom += growY;
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

void CDialogResize::InitResize(HWND window, const DialogResizeEntry* map, std::size_t count, bool addGripper,
                               bool useMinTrackSize) {
    m_window = window;
    m_items.clear();
    RECT client{};
    ::GetClientRect(window, &client);
    m_initialClient = {client.right - client.left, client.bottom - client.top};
    RECT outer{};
    ::GetWindowRect(window, &outer);
    m_minTrack = {outer.right - outer.left, outer.bottom - outer.top};
    m_useMinTrackSize = useMinTrackSize;

    for (std::size_t i = 0; i < count; ++i) {
        HWND control = ::GetDlgItem(window, map[i].id);
        if (control != nullptr)
            m_items.push_back({control, map[i].flags, ChildRectInParent(window, control)});
    }

    if (addGripper && m_gripper == nullptr) {
        // A size-box scroll bar aligned to the corner of the given rectangle takes the system's
        // scroll bar size by itself.
        m_gripper = ::CreateWindowExA(
            0, "SCROLLBAR", nullptr,
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
            client.left, client.top, client.right - client.left, client.bottom - client.top, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGripperId)),
            reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(window, GWLP_HINSTANCE)), nullptr);
        if (m_gripper != nullptr) {
            m_items.push_back({m_gripper, DLSZ_MOVE_X | DLSZ_MOVE_Y, ChildRectInParent(window, m_gripper)});
            if (::IsZoomed(window))
                ::ShowWindow(m_gripper, SW_HIDE);
        }
    }
}

void CDialogResize::UpdateLayout(int clientWidth, int clientHeight) {
    const int growX = clientWidth - m_initialClient.cx;
    const int growY = clientHeight - m_initialClient.cy;
    HDWP defer = ::BeginDeferWindowPos(static_cast<int>(m_items.size()));
    for (const Item& item : m_items) {
        const RECT r = ResizedControlRect(item.initial, item.flags, growX, growY);
        const UINT how = SWP_NOZORDER | SWP_NOACTIVATE;
        if (defer != nullptr)
            defer =
                ::DeferWindowPos(defer, item.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, how);
        else
            ::SetWindowPos(item.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, how);
    }
    if (defer != nullptr)
        ::EndDeferWindowPos(defer);
    // Controls that moved may have left their old picture behind on the dialog.
    if (!m_items.empty())
        ::InvalidateRect(m_window, nullptr, TRUE);
}

void CDialogResize::ScaleLayout(int fromDpi, int toDpi) {
    for (Item& item : m_items)
        item.initial = ScaleRectForDpi(item.initial, fromDpi, toDpi);
    const RECT client = ScaleRectForDpi(RECT{0, 0, m_initialClient.cx, m_initialClient.cy}, fromDpi, toDpi);
    m_initialClient = {client.right, client.bottom};
    const RECT track = ScaleRectForDpi(RECT{0, 0, m_minTrack.x, m_minTrack.y}, fromDpi, toDpi);
    m_minTrack = {track.right, track.bottom};
}

bool CDialogResize::ProcessResizeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (m_window == nullptr || hwnd != m_window)
        return false;
    switch (msg) {
    case WM_SIZE:
        if (m_gripper != nullptr)
            ::ShowWindow(m_gripper, wParam == SIZE_MAXIMIZED ? SW_HIDE : SW_SHOW);
        // A minimized window reports a client area of nothing; the layout stays as it was.
        if (wParam != SIZE_MINIMIZED)
            UpdateLayout(LOWORD(lParam), HIWORD(lParam));
        result = 0;
        return true;
    case WM_GETMINMAXINFO:
        if (!m_useMinTrackSize)
            return false;
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = m_minTrack;
        result = 0;
        return true;
    default:
        return false;
    }
}

void CDialogResize::ApplyDpiChange(HWND window, CDialogDpi& dpi, int newDpi, const RECT* suggested) {
    const int before = dpi.Dpi();
    if (newDpi <= 0 || newDpi == before)
        return;
    ScaleLayout(before, newDpi);
    dpi.Apply(window, newDpi, suggested, false);
    RECT client{};
    ::GetClientRect(window, &client);
    UpdateLayout(client.right - client.left, client.bottom - client.top);
}

} // namespace qs
