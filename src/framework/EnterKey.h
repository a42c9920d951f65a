// Enter on a control that acts on the key itself (a link, a drop-down button) inside a dialog.
#pragma once

#include <windows.h>

namespace qs {

// A dialog turns Enter into its default button, so the control asks for the key press, marks it,
// and acts once on the release it chooses (WM_KEYUP or WM_CHAR), and only after a press it saw
// itself: an Enter pressed while the focus was elsewhere (a menu or dialog that just closed)
// must not act here.
class CEnterKey {
public:
    // For WM_GETDLGCODE, whose lParam is the message asked about: `code` with DLGC_WANTMESSAGE
    // added when that message is an Enter press.
    static LRESULT WantEnter(LRESULT code, LPARAM lParam) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        if (m != nullptr && m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
            code |= DLGC_WANTMESSAGE;
        return code;
    }

    // WM_KEYDOWN: marks an Enter press; true when `key` is Enter (the message is handled).
    bool OnKeyDown(WPARAM key) {
        if (key != VK_RETURN)
            return false;
        m_down = true;
        return true;
    }

    // True once for an Enter release after a marked press; the mark goes with it.
    bool TakeRelease(WPARAM key) {
        if (key != VK_RETURN || !m_down)
            return false;
        m_down = false;
        return true;
    }

    // The focus came or went: a press seen before no longer counts.
    void Forget() { m_down = false; }

private:
    bool m_down = false;
};

} // namespace qs
