// Counting and deleting registry values and subkeys by mask, and whole trees of keys.
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

// Whether the key exists; a key that exists but may not be read counts as existing. A root
// alone is no key (ParseKeyPath).
bool RegKeyExists(const std::string& keyPath);

// Whole trees. A tree is named by a key at least two levels below a root
// ("HKEY_CURRENT_USER\Software\Vendor"); a root or a key directly below one is refused (0,
// nothing deleted), and so is a path with an empty component. Measuring answers the keys and
// values that deleting removes: the key itself, its values, and every subkey below it with its
// values. A registry link inside the tree (or naming the tree) counts as one key and is deleted
// itself; its target is never entered nor touched. Subkeys are listed with the wide API and
// opened by the exact names listed. Deleting answers the keys and values it removed; a key it
// cannot open or delete stays, with what is above it. Both stop at the cancellation flag.
std::uint32_t RegKeyMeasureTree(const std::string& keyPath);
std::uint32_t RegKeyDeleteTree(const std::string& keyPath);

// The rule for the trees above, on the text after the root: true for two or more components
// (three below HKEY_USERS, whose keys are users' hives), none of them empty.
bool IsTreeSubkeyPath(HKEY root, const std::string& subkey);

} // namespace qs
