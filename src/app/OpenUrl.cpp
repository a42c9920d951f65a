// Opening web and mailto addresses through the shell, or the registered browser when it fails.
#include "app/OpenUrl.h"

#include <shellapi.h>

#include <cstring>

namespace qs {
namespace {

// Reads the default value of `subkey` under `root` into a buffer of MAX_PATH bytes; a longer
// value, a value of another kind or a missing key counts as unreadable.
bool ReadDefaultValue(HKEY root, const std::string& subkey, std::string& value) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char buffer[MAX_PATH];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    // A stored value need not end in a zero; one that fills the buffer without it is too long.
    const std::size_t length = ::strnlen(buffer, size);
    if (length == sizeof buffer)
        return false;
    value.assign(buffer, length);
    return true;
}

} // namespace

std::string BrowserCommandLine(const std::string& registered, const char* address) {
    std::string command = registered;
    std::size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos)
        cut = command.find("%1");
    if (cut != std::string::npos)
        command.erase(cut);
    command += ' ';
    command += address;
    return command;
}

INT_PTR OpenUrlWith(const OpenUrlRoutes& routes, const char* address, int showCommand) {
    if (address == nullptr)
        address = "";
    const INT_PTR shellResult = routes.shellOpen(address, showCommand);
    if (shellResult > 32)
        return shellResult;
    std::string htmlClass;
    if (!ReadDefaultValue(routes.classesRoot, ".htm", htmlClass))
        return shellResult;
    std::string registered;
    if (!ReadDefaultValue(routes.classesRoot, htmlClass + "\\shell\\open\\command", registered))
        return shellResult;
    return static_cast<INT_PTR>(routes.exec(BrowserCommandLine(registered, address).c_str(), showCommand));
}

INT_PTR OpenUrl(const char* address, int showCommand) {
    const OpenUrlRoutes system{
        [](const char* a, int show) {
            return reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", a, nullptr, nullptr, show));
        },
        HKEY_CLASSES_ROOT, [](const char* command, int show) { return ::WinExec(command, show); }};
    return OpenUrlWith(system, address, showCommand);
}

} // namespace qs
