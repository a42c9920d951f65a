// In-place clearing of browser history index files.
#pragma once

#include <string>

namespace qs {

// Clears the index file of a folder and of its MSHist subfolders.
bool CleanIndexFolder(const std::string& folder, bool leakScan);

} // namespace qs
