// Deleting and wiping walks.
#include "hostfn/FileErase.h"

namespace qs {

// The deleting and wiping walks arrive with their own change; until then the host functions
// check their arguments and do nothing.
void DeleteSingleFile(const std::string&) {}
void EraseFolderContent(const std::string&, const std::string*, bool) {}
bool WipeOneFile(const std::string&, std::uint32_t) { return false; }
void WipeFolderWalk(const std::string&, const std::string&, bool, std::uint32_t) {}

} // namespace qs
