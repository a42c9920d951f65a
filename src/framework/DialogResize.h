// Dialog resizing: controls follow the growth of the client area by a table of move/size flags.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace qs {

class CDialogDpi;

// How a control follows the growth (X, Y) of its dialog's client area over its initial size.
enum DialogResizeFlags : unsigned {
    DLSZ_SIZE_X = 0x1, // the right edge moves by X
    DLSZ_SIZE_Y = 0x2, // the bottom edge moves by Y
    DLSZ_MOVE_X = 0x4, // both horizontal edges move by X
    DLSZ_MOVE_Y = 0x8, // both vertical edges move by Y
};

struct DialogResizeEntry {
    int id;
    unsigned flags;
};

// The rectangle of a control that had `initial` when the client area had its initial size and
// has grown since by (growX, growY), either of which may be negative. Move and size flags add up.
// A control never gets a negative width or height: a shrinking edge stops at the opposite one.
RECT ResizedControlRect(const RECT& initial, unsigned flags, int growX, int growY);

// The resize mix-in of a dialog or window: lays out the mapped controls on WM_SIZE, keeps an
// optional size gripper in the lower right corner (hidden while maximized), and answers
// WM_GETMINMAXINFO with the window's initial size as the minimum tracking size when asked to.
class CDialogResize {
public:
    CDialogResize() = default;
    ~CDialogResize() = default; // the gripper is a child window and goes with its parent
    CDialogResize(const CDialogResize&) = delete;
    CDialogResize& operator=(const CDialogResize&) = delete;

    // Records the current client size, window size and control rectangles of `window` as the
    // initial layout. Ids missing from the window are left out.
    void InitResize(HWND window, const DialogResizeEntry* map, std::size_t count, bool addGripper,
                    bool useMinTrackSize);

    // WM_SIZE and WM_GETMINMAXINFO; answers true when it handled the message.
    bool ProcessResizeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The initial layout (client size, minimum window size, control rectangles) as it is at
    // another DPI, after the window moved to a monitor of another scale.
    void ScaleLayout(int fromDpi, int toDpi);

    // Places every mapped control for a client area of the given size.
    void UpdateLayout(int clientWidth, int clientHeight);

    // WM_DPICHANGED of a window laid out by this map alone: the layout scaled, the font and the
    // window by `dpi` (CDialogDpi::Apply, children placed here), then the controls placed for the
    // client size it has now.
    void ApplyDpiChange(HWND window, CDialogDpi& dpi, int newDpi, const RECT* suggested);

    HWND Gripper() const { return m_gripper; }

private:
    struct Item {
        HWND control;
        unsigned flags;
        RECT initial;
    };

    HWND m_window = nullptr;
    HWND m_gripper = nullptr;
    std::vector<Item> m_items;
    SIZE m_initialClient{0, 0};
    POINT m_minTrack{0, 0};
    bool m_useMinTrackSize = false;
};

} // namespace qs
