// Opening web and mailto addresses: the shell first, the registered browser as fallback.
#pragma once

#include <windows.h>

namespace qs {

// Opens `address` with the shell's "open" verb; when that fails, with the browser registered for
// ".htm". Answers the platform's result code of whichever route it took.
INT_PTR OpenUrl(const char* address, int showCommand);

} // namespace qs
