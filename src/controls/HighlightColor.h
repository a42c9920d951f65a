// The highlight colour as the system had it when the program started, for the frame of the
// tree-list's focused row (the row's gradient follows the current system colour).
#pragma once

#include <windows.h>

namespace qs {

// Reads the system highlight colour into the process-wide value; start-up calls it once.
void ReadStartupHighlightColor();
// Sets the process-wide value (tests, or a host that reads the colour itself).
void SetStartupHighlightColor(COLORREF color);
// The process-wide value; the system colour of the first call when nothing set it before.
COLORREF StartupHighlightColor();

} // namespace qs
