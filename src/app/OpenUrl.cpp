// Opening web and mailto addresses.
#include "app/OpenUrl.h"

namespace qs {

// The shell route and the browser fallback arrive with their own change.
INT_PTR OpenUrl(const char*, int) { return 0; }

} // namespace qs
