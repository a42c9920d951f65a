// Recycle bin and icon lookups.
#include "hostfn/ShellBridge.h"

namespace qs {

// The shell bridges arrive with their own change; until then they answer the defaults.
void QueryRecycleBin(const std::string&, std::uint64_t& size, std::uint32_t& count) {
    size = 0;
    count = 0;
}
void EmptyRecycleBin(const std::string&) {}
int GetIconIndexOfPath(const std::string&) { return -1; }
int GetIconIndexOfExtension(const std::string&) { return -1; }

} // namespace qs
