// Registry walks: counting and deleting the values and direct subkeys of one key by mask.
#include "hostfn/Registry.h"

#include "framework/Handle.h"
#include "hostfn/Masks.h"
#include "hostfn/PathLimits.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace qs {
namespace {

struct RootName {
    const char* name;
    HKEY key;
};

const RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {"HKEY_USERS", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

// Value and subkey names are read into 1024 characters; a longer name ends the walk.
constexpr DWORD kNameChars = 1024;

bool EqualsIgnoringCase(const std::string& text, const char* name) {
    size_t i = 0;
    for (; i < text.size() && name[i] != '\0'; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(name[i])))
            return false;
    }
    return i == text.size() && name[i] == '\0';
}

RegKey OpenKey(const std::string& keyPath, REGSAM access) {
    HKEY root = nullptr;
    std::string subkey;
    RegKey key;
    if (ParseKeyPath(keyPath, root, subkey))
        RegOpenKeyExA(root, subkey.c_str(), 0, access, key.Put());
    return key;
}

// Entries whose deletion failed (a subkey with subkeys of its own, an entry protected by access
// rights). Restarting at index 0 after every deletion would meet such an entry again for ever, so
// the walk remembers it, moves on to the next index, and passes it over without a new attempt
// whenever a later restart reaches it again. Every restart follows a successful deletion, so the
// walk ends.
class FailedEntries {
public:
    bool Contains(const char* name) const { return std::find(m_names.begin(), m_names.end(), name) != m_names.end(); }
    void Add(const char* name) { m_names.emplace_back(name); }

private:
    std::vector<std::string> m_names;
};

// The deleting walk shared by values and subkeys: `read(index, name)` reads the name at an index,
// `erase(name)` deletes that entry; both answer whether they succeeded.
template <typename Read, typename Erase>
void DeleteMatching(DWORD count, const MaskList& masks, Read read, Erase erase) {
    char name[kNameChars];
    FailedEntries failed;
    DWORD index = 0;
    while (index < count) {
        if (!read(index, name))
            return;
        if (MatchesMaskList(masks, name) && !failed.Contains(name)) {
            if (erase(name)) {
                index = 0; // the deletion renumbers the entries behind it
                continue;
            }
            failed.Add(name);
        }
        ++index;
    }
}

} // namespace

bool ParseKeyPath(const std::string& keyPath, HKEY& root, std::string& subkey) {
    // The platform would see only the text before a NUL byte, which may name another key.
    if (keyPath.find('\0') != std::string::npos)
        return false;
    const size_t slash = keyPath.find('\\');
    if (slash == std::string::npos)
        return false;
    // A longer subkey path is not cut to fit: the shorter path would name another key.
    if (keyPath.size() - slash - 1 > kMaxPathChars)
        return false;
    const std::string rootName = keyPath.substr(0, slash);
    for (const RootName& r : kRoots) {
        if (EqualsIgnoringCase(rootName, r.name)) {
            root = r.key;
            subkey = keyPath.substr(slash + 1);
            return true;
        }
    }
    return false;
}

std::uint32_t RegKeyGetNumberOfValues(const std::string& keyPath, const std::string& maskText) {
    RegKey key = OpenKey(keyPath, KEY_READ);
    if (!key)
        return 0;
    const MaskList masks = SplitMaskList(maskText);
    DWORD values = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    std::uint32_t count = 0;
    char name[kNameChars];
    for (DWORD index = 0; index < values; ++index) {
        DWORD length = kNameChars;
        if (RegEnumValueA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (MatchesMaskList(masks, name))
            ++count;
    }
    return count;
}

void RegKeyDeleteValues(const std::string& keyPath, const std::string& maskText) {
    RegKey key = OpenKey(keyPath, KEY_READ | KEY_SET_VALUE);
    if (!key)
        return;
    const MaskList masks = SplitMaskList(maskText);
    DWORD values = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return;
    DeleteMatching(
        values, masks,
        [&](DWORD index, char* name) {
            DWORD length = kNameChars;
            return RegEnumValueA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        },
        [&](const char* name) { return RegDeleteValueA(key.Get(), name) == ERROR_SUCCESS; });
}

void RegKeyDeleteKeys(const std::string& keyPath, const std::string& maskText) {
    RegKey key = OpenKey(keyPath, KEY_READ | KEY_SET_VALUE);
    if (!key)
        return;
    const MaskList masks = SplitMaskList(maskText);
    DWORD subkeys = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return;
    DeleteMatching(
        subkeys, masks,
        [&](DWORD index, char* name) { return RegEnumKeyA(key.Get(), index, name, kNameChars) == ERROR_SUCCESS; },
        // The single-key deletion: on the NT family (and under Wine) it refuses a subkey that
        // has subkeys of its own. The walk never descends into subkeys.
        [&](const char* name) { return RegDeleteKeyA(key.Get(), name) == ERROR_SUCCESS; });
}

} // namespace qs
