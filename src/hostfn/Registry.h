// Counting and deleting registry values and subkeys by mask.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qs {

// "ROOT\subkey": the root one of the five predefined key names (any case, no abbreviations), the
// subkey path at most kMaxPathChars characters with something besides backslashes (a root is
// never named), and no NUL anywhere.
bool ParseKeyPath(const std::string& keyPath, HKEY& root, std::string& subkey);

// Counting and deleting act on the values (the default value among them, under the empty name)
// or the direct subkeys whose names match the mask list; an empty list matches every name. A
// subkey with subkeys of its own is not deleted.
std::uint32_t RegKeyGetNumberOfValues(const std::string& keyPath, const std::string& maskText);
void RegKeyDeleteValues(const std::string& keyPath, const std::string& maskText);
void RegKeyDeleteKeys(const std::string& keyPath, const std::string& maskText);

} // namespace qs
