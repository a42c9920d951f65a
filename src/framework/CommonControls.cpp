// Asks the common-controls library for its version.
#include "framework/CommonControls.h"

#include "framework/Handle.h"

#include <shlwapi.h>

namespace qs {

DWORD CommonControlsVersion() {
    Module library(::LoadLibraryA("comctl32.dll"));
    if (!library)
        return 0;
    auto getVersion =
        reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(::GetProcAddress(library.Get(), "DllGetVersion")));
    if (getVersion == nullptr)
        return 0;
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(getVersion(&info)))
        return 0;
    return (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
}

} // namespace qs
