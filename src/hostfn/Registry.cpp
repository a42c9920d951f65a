// Registry walks: counting and deleting the values and direct subkeys of one key by mask, and
// measuring and deleting whole trees without following links out of them.
#include "hostfn/Registry.h"

#include "framework/Handle.h"
#include "hostfn/Cancellation.h"
#include "hostfn/Masks.h"
#include "hostfn/PathLimits.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

// The native deletion of the key a handle names. The advapi32 deletion opens the subkey again by
// name, which follows a link to its target; this one deletes exactly the key that was opened.
extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

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

// The longest names the platform allows, with their terminators: 16,383 characters for a value,
// 255 for a key.
constexpr DWORD kValueNameChars = 16384;
constexpr DWORD kKeyNameChars = 256;

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

enum class Entries { Values, Subkeys };

// The script's mask list as UTF-16, matched against the names as the registry lists them: the
// same matching as the folder walks'. A listed name is never turned into code-page text, where
// best fit would let a name in fullwidth letters match the pattern of its plain look-alike.
WideMaskList RegistryMasks(const std::string& maskText) { return SplitWideMaskList(maskText, CP_ACP); }

// The names of the key's values or direct subkeys that match the mask list, in one pass over the
// listing. The default value is listed with the empty name, which only the empty list matches. A
// name with a NUL inside is passed over: the platform's by-name calls would see only the text
// before it, which names another entry.
std::vector<std::wstring> MatchingNames(HKEY key, Entries entries, const WideMaskList& masks) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> buffer(entries == Entries::Values ? kValueNameChars : kKeyNameChars);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LSTATUS status =
            entries == Entries::Values
                ? RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
                : RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS)
            break;
        std::wstring name(buffer.data(), length);
        if (name.find(L'\0') != std::wstring::npos)
            continue;
        if (MatchesMaskList(masks, name))
            names.push_back(std::move(name));
    }
    return names;
}

// Opens the child of `parent` named exactly `name`: the link itself where the child is a link.
RegKey OpenChildOrLink(HKEY parent, const wchar_t* name, REGSAM access) {
    RegKey key;
    RegOpenKeyExW(parent, name, REG_OPTION_OPEN_LINK, access, key.Put());
    return key;
}

// A key opened as a link holds its target's path in a REG_LINK value of this name.
bool IsLink(HKEY key) {
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

std::uint32_t ValueCount(HKEY key) {
    DWORD values = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return 0;
    return values;
}

enum class TreeAction { Measure, Delete };

constexpr REGSAM kTreeAccess = KEY_READ | DELETE;

// Measures or deletes the tree below `key` and the key itself; answers the keys and values
// counted or removed. Subkeys are listed before any is deleted, since deleting renumbers them.
std::uint32_t WalkTree(HKEY key, TreeAction action) {
    if (IsLink(key))
        return action == TreeAction::Measure || NtDeleteKey(key) == 0 ? 1 : 0;
    std::uint32_t count = 0;
    const std::vector<std::wstring> names = MatchingNames(key, Entries::Subkeys, WideMaskList());
    for (auto name = names.rbegin(); name != names.rend() && !IsCancelled(); ++name) {
        RegKey child = OpenChildOrLink(key, name->c_str(), kTreeAccess);
        if (child)
            count += WalkTree(child.Get(), action);
    }
    if (IsCancelled())
        return count;
    const std::uint32_t self = ValueCount(key) + 1;
    if (action == TreeAction::Measure || NtDeleteKey(key) == 0)
        count += self;
    return count;
}

std::uint32_t WalkNamedTree(const std::string& keyPath, TreeAction action) {
    HKEY root = nullptr;
    std::string subkey;
    if (!ParseKeyPath(keyPath, root, subkey) || !IsTreeSubkeyPath(root, subkey))
        return 0;
    RegKey key;
    if (RegOpenKeyExA(root, subkey.c_str(), REG_OPTION_OPEN_LINK, kTreeAccess, key.Put()) != ERROR_SUCCESS)
        return 0;
    return WalkTree(key.Get(), action);
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
    // A root is no key that a script may name: "HKEY_CURRENT_USER\" would reach every value and
    // key of the hive, and the platform skips a leading backslash below some roots, so a subkey
    // path of backslashes alone names nothing either.
    if (keyPath.find_first_not_of('\\', slash + 1) == std::string::npos)
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
    return static_cast<std::uint32_t>(MatchingNames(key.Get(), Entries::Values, RegistryMasks(maskText)).size());
}

// Deleting renumbers the entries behind the deleted one, so the matching names are listed first
// and then deleted by name: one pass, whatever the number of entries. Last listed goes first, so
// that the platform, which keeps a key's entries in one sorted array, has the fewest entries to
// move up after each deletion. An entry whose deletion fails (protected by access rights) is
// passed over; it stays, as do entries made meanwhile.
void RegKeyDeleteValues(const std::string& keyPath, const std::string& maskText) {
    RegKey key = OpenKey(keyPath, KEY_READ | KEY_SET_VALUE);
    if (!key)
        return;
    const std::vector<std::wstring> names = MatchingNames(key.Get(), Entries::Values, RegistryMasks(maskText));
    for (auto name = names.rbegin(); name != names.rend(); ++name)
        RegDeleteValueW(key.Get(), name->c_str());
}

void RegKeyDeleteKeys(const std::string& keyPath, const std::string& maskText) {
    RegKey key = OpenKey(keyPath, KEY_READ | KEY_SET_VALUE);
    if (!key)
        return;
    const std::vector<std::wstring> names = MatchingNames(key.Get(), Entries::Subkeys, RegistryMasks(maskText));
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        // The single-key deletion: on the NT family (and under Wine) it refuses a subkey that has
        // subkeys of its own, which therefore stays. The walk never descends into subkeys.
        RegDeleteKeyW(key.Get(), name->c_str());
    }
}

bool IsTreeSubkeyPath(HKEY root, const std::string& subkey) {
    // An empty component (a leading, doubled or trailing backslash) is skipped by the platform
    // below some roots, so "\\Software" or "Software\\" could reach a first-level key.
    if (subkey.empty() || subkey.front() == '\\' || subkey.back() == '\\' || subkey.find("\\\\") != std::string::npos)
        return false;
    // Below HKEY_USERS each key is a whole user's hive, whose first-level keys (its Software, its
    // Environment) are those that HKEY_CURRENT_USER shows as first-level keys.
    const std::size_t levels = std::count(subkey.begin(), subkey.end(), '\\') + 1;
    return levels >= (root == HKEY_USERS ? 3u : 2u);
}

bool RegKeyExists(const std::string& keyPath) {
    HKEY root = nullptr;
    std::string subkey;
    if (!ParseKeyPath(keyPath, root, subkey))
        return false;
    RegKey key;
    const LSTATUS status = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.Put());
    return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

std::uint32_t RegKeyMeasureTree(const std::string& keyPath) { return WalkNamedTree(keyPath, TreeAction::Measure); }

std::uint32_t RegKeyDeleteTree(const std::string& keyPath) { return WalkNamedTree(keyPath, TreeAction::Delete); }

} // namespace qs
