// History index cleaner.
#include "hostfn/HistoryCleaner.h"

namespace qs {

// The index cleaner arrives with its own change; until then nothing is touched.
bool CleanIndexFolder(const std::string&, bool) { return false; }

} // namespace qs
