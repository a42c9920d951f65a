// The version of the common-controls library that the process has loaded.
#pragma once

#include <windows.h>

namespace qs {

// The version of "comctl32.dll" as major * 65536 + minor, as its DllGetVersion export answers
// it; 0 when the library or the export is missing or the call fails.
DWORD CommonControlsVersion();

} // namespace qs
