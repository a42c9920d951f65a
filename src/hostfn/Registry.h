// Counting and deleting registry values and subkeys by mask.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qs {

// "ROOT\subkey": the root one of the five predefined key names (any case, no abbreviations).
bool ParseKeyPath(const std::string& keyPath, HKEY& root, std::string& subkey);

std::uint32_t RegKeyGetNumberOfValues(const std::string& keyPath, const std::string& maskText);
void RegKeyDeleteValues(const std::string& keyPath, const std::string& maskText);
void RegKeyDeleteKeys(const std::string& keyPath, const std::string& maskText);

} // namespace qs
