// The version of the common-controls library that the process has loaded, and the owner of an
// image list.
#pragma once

#include "framework/Handle.h"

#include <windows.h>
#include <commctrl.h>

namespace qs {

struct ImageListTraits {
    using Type = HIMAGELIST;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::ImageList_Destroy(h); }
};
using ImageList = UniqueHandle<ImageListTraits>;

// The version of "comctl32.dll" as major * 65536 + minor, as its DllGetVersion export answers
// it; 0 when the library or the export is missing or the call fails.
DWORD CommonControlsVersion();

} // namespace qs
