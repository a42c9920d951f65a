// A dialog laid out again for a new DPI: its font at the new size on every child that used it,
// the children's rectangles scaled, and the window on the rectangle the system suggests.
#pragma once

#include "framework/Handle.h"

#include <windows.h>

namespace qs {

// `r` given at `fromDpi`, at `toDpi`: each edge scaled and rounded to the nearest pixel.
RECT ScaleRectForDpi(const RECT& r, int fromDpi, int toDpi);

class CDialogDpi {
public:
    // Takes the dialog's DPI. Where the system would rescale dialogs itself on a DPI change, that
    // is turned off for this one, so that the layout is made in one place on every system.
    void Init(HWND dialog);
    int Dpi() const { return m_dpi; }

    // WM_DPICHANGED: the dialog's font scaled onto its children, their rectangles scaled unless
    // `moveChildren` is false (a dialog that places them itself on WM_SIZE), then the window on
    // `suggested` (ignored when null). Answers the DPI before; nothing is done when it is the same.
    int Apply(HWND dialog, int newDpi, const RECT* suggested, bool moveChildren);

private:
    int m_dpi = 96;
    Font m_font; // the dialog font at the latest DPI, once it changed
};

} // namespace qs
