// Registry walks.
#include "hostfn/Registry.h"

namespace qs {

// The registry walks arrive with their own change; until then nothing is counted or deleted.
bool ParseKeyPath(const std::string&, HKEY&, std::string&) { return false; }
std::uint32_t RegKeyGetNumberOfValues(const std::string&, const std::string&) { return 0; }
void RegKeyDeleteValues(const std::string&, const std::string&) {}
void RegKeyDeleteKeys(const std::string&, const std::string&) {}

} // namespace qs
