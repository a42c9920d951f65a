// Process snapshots and the kernel's version numbers.
#include "hostfn/SystemInfo.h"

#include "framework/Handle.h"

#include <tlhelp32.h>

#include <string>

extern "C" LONG NTAPI RtlGetVersion(RTL_OSVERSIONINFOW* info);

namespace qs {

bool IsProcessRunning(const std::string& exeName) {
    if (exeName.empty() || exeName.size() >= MAX_PATH)
        return false;
    wchar_t wanted[MAX_PATH];
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, exeName.data(),
                                           static_cast<int>(exeName.size()), wanted, MAX_PATH - 1);
    if (length <= 0)
        return false;
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        // Ordinal comparison without case: the file system's rule for names, independent of
        // the user's locale.
        if (CompareStringOrdinal(entry.szExeFile, -1, wanted, length, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

std::string WindowsVersionText() {
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (RtlGetVersion(&info) != 0)
        return "0.0.0";
    return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
           std::to_string(info.dwBuildNumber);
}

} // namespace qs
