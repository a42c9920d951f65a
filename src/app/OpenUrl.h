// Opening web and mailto addresses: the shell first, the registered browser as fallback.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qs {

// Opens `address` with the shell's "open" verb; when that fails, with the browser registered for
// ".htm". Answers the platform's result code of whichever route it took.
INT_PTR OpenUrl(const char* address, int showCommand);

// The browser's registered command line made to open `address`: cut at the quoted placeholder
// "%1" (at its opening quote), else at a bare %1, else kept whole; then a blank and the address.
std::string BrowserCommandLine(const std::string& registered, const char* address);

// The steps OpenUrl takes, replaceable so that tests never start a real browser.
struct OpenUrlRoutes {
    // The shell's "open" verb; a result above 32 is success.
    std::function<INT_PTR(const char* address, int showCommand)> shellOpen;
    // Where ".htm" and the class's open command are looked up (HKEY_CLASSES_ROOT).
    HKEY classesRoot;
    // Starts a command line; a result above 31 is success.
    std::function<UINT(const char* commandLine, int showCommand)> exec;
};

INT_PTR OpenUrlWith(const OpenUrlRoutes& routes, const char* address, int showCommand);

} // namespace qs
