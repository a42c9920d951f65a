// Whole registry trees: existence, measuring and deleting, on real keys of the test prefix.
#include "hostfn/Registry.h"

#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

extern "C" LONG NTAPI NtQueryKey(HANDLE key, int informationClass, void* information, ULONG length, ULONG* result);

namespace {

using qs::test::ScriptHost;
using Names = std::vector<std::string>;

// Every key and value below `key` by wide path ("sub\\key" for a key, "sub\\key|value" for a
// value, with its type and data), links opened as themselves and not entered.
using Tree = std::map<std::wstring, std::string>;

void Snapshot(HKEY key, const std::wstring& prefix, Tree& out) {
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) != ERROR_SUCCESS)
            break;
        out[prefix + L"|" + std::wstring(name.data(), nameLength)] =
            std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data.data()), dataLength);
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name.data(), length);
    }
    for (const std::wstring& subkey : subkeys) {
        const std::wstring path = prefix.empty() ? subkey : prefix + L"\\" + subkey;
        out[path] = "key";
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, subkey.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &child) != ERROR_SUCCESS)
            continue;
        DWORD type = 0;
        if (RegQueryValueExW(child, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS ||
            type != REG_LINK)
            Snapshot(child, path, out);
        RegCloseKey(child);
    }
}

// The entries of `tree` at `path` and below it.
Tree Below(const Tree& tree, const std::wstring& path) {
    Tree out;
    for (const auto& [name, value] : tree)
        if (name == path || name.rfind(path + L"\\", 0) == 0 || name.rfind(path + L"|", 0) == 0)
            out[name] = value;
    return out;
}

// The native name of an open key ("\REGISTRY\USER\<sid>\..."), as a link's target names it.
std::wstring NativeName(HKEY key) {
    std::vector<BYTE> buffer(4096);
    ULONG length = 0;
    if (NtQueryKey(key, 3 /* KeyNameInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0)
        return std::wstring();
    const ULONG bytes = *reinterpret_cast<ULONG*>(buffer.data());
    return std::wstring(reinterpret_cast<wchar_t*>(buffer.data() + sizeof(ULONG)), bytes / sizeof(wchar_t));
}

// A key of its own under HKEY_CURRENT_USER\Software\QuillsweepTests with a tree to delete in
// "tree", canaries beside it, above it and behind links, all removed afterwards.
class RegistryTree : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        m_subkey = "Software\\QuillsweepTests\\Tree-" + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(++counter);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key,
                                  nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        // Links first, so that the tree deletion below cannot go through them.
        for (const std::wstring& link : m_links) {
            HKEY k = nullptr;
            if (RegOpenKeyExW(m_key, link.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_READ, &k) == ERROR_SUCCESS) {
                qs::RegKeyDeleteTree(Path() + "\\" + std::string(link.begin(), link.end()));
                RegCloseKey(k);
            }
        }
        RegCloseKey(m_key);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_subkey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuillsweepTests");
    }

    std::string Path() const { return "HKEY_CURRENT_USER\\" + m_subkey; }

    void AddKey(const std::wstring& relative) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(m_key, relative.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(k);
    }
    void SetValue(const std::wstring& relative, const wchar_t* name, const std::string& data, DWORD type = REG_SZ) {
        ASSERT_EQ(RegSetKeyValueW(m_key, relative.c_str(), name, type, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    // A link at `relative` (ASCII) to the key at `target` below the test's key.
    void AddLink(const std::wstring& relative, const std::wstring& target) {
        HKEY targetKey = nullptr, link = nullptr;
        ASSERT_EQ(RegOpenKeyExW(m_key, target.c_str(), 0, KEY_READ, &targetKey), ERROR_SUCCESS);
        const std::wstring native = NativeName(targetKey);
        RegCloseKey(targetKey);
        ASSERT_FALSE(native.empty());
        ASSERT_EQ(RegCreateKeyExW(m_key, relative.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr),
                  ERROR_SUCCESS);
        const LSTATUS set =
            RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(native.data()),
                           static_cast<DWORD>(native.size() * sizeof(wchar_t)));
        RegCloseKey(link);
        ASSERT_EQ(set, ERROR_SUCCESS);
        m_links.push_back(relative);
    }

    Tree Everything() const {
        Tree tree;
        Snapshot(m_key, L"", tree);
        return tree;
    }

    std::string m_subkey;
    HKEY m_key = nullptr;
    std::vector<std::wstring> m_links;
    ScriptHost m_host;
};

// Nested subkeys with values at every level, names outside the code page, a default value, and
// canaries beside the tree (a name it begins), above it, and behind links from inside it: the
// measure equals what disappeared, and everything else stays byte for byte.
TEST_F(RegistryTree, MeasureEqualsWhatDeletingRemovesAndNothingElseChanges) {
    const std::wstring fullwidth = L"\xFF54\xFF4D\xFF50";
    AddKey(L"tree\\a\\b\\c");
    AddKey(L"tree\\d");
    AddKey(L"tree\\" + fullwidth + L"\\\x65E5\x672C");
    SetValue(L"tree", nullptr, "default");
    SetValue(L"tree", L"one", "1");
    SetValue(L"tree\\a", L"two", std::string("\x01\x02\x00\x03", 4), REG_BINARY);
    SetValue(L"tree\\a\\b\\c", L"three", "3");
    SetValue(L"tree\\a\\b\\c", fullwidth.c_str(), "wide");
    SetValue(L"tree\\" + fullwidth, L"x", "y");
    // Canaries: a sibling whose name the tree's begins, a value above, a link target outside.
    AddKey(L"tree2\\inner");
    SetValue(L"tree2\\inner", L"keep", "canary");
    SetValue(L"", L"above", "canary");
    AddKey(L"outside\\deep");
    SetValue(L"outside", L"target", "canary");
    SetValue(L"outside\\deep", L"target", "canary");
    AddKey(L"tmp");
    SetValue(L"tmp", L"lookalike", "canary"); // the plain look-alike of the fullwidth name
    AddLink(L"tree\\a\\link", L"outside");

    const Tree before = Everything();
    const Tree tree = Below(before, L"tree");
    ASSERT_EQ(tree.size(), 14u); // 8 keys and 6 values; the link is one key, its target not entered

    struct {
        std::string path;
        const char* measure;
    } spellings[] = {
        {Path() + "\\tree", "n:14"},
        {"hkey_current_user\\" + m_subkey + "\\TREE", "n:14"},
        {"HKEY_CURRENT_USER\\" + m_subkey + "\\tree\\missing", "n:0"},
    };
    for (const auto& s : spellings)
        EXPECT_EQ(m_host.Eval("return self:RegKeyMeasureTree([[" + s.path + "]])"), Names{s.measure}) << s.path;
    EXPECT_EQ(qs::RegKeyMeasureTree(Path() + "\\tree\\a"), 7u);

    EXPECT_EQ(m_host.Eval("return self:RegKeyDeleteTree([[Hkey_Current_User\\" + m_subkey + "\\tree]])"), Names{});
    Tree expected = before;
    for (const auto& entry : tree)
        expected.erase(entry.first);
    EXPECT_EQ(Everything(), expected);
}

// A link named as the tree itself is deleted as one key; its target stays whole.
TEST_F(RegistryTree, ALinkNamedAsTheTreeIsDeletedItselfNotItsTarget) {
    AddKey(L"target\\sub");
    SetValue(L"target\\sub", L"keep", "canary");
    AddKey(L"holder");
    AddLink(L"holder\\link", L"target");
    const Tree before = Everything();
    EXPECT_EQ(qs::RegKeyMeasureTree(Path() + "\\holder\\link"), 1u);
    EXPECT_EQ(qs::RegKeyDeleteTree(Path() + "\\holder\\link"), 1u);
    Tree expected = before;
    expected.erase(L"holder\\link");
    EXPECT_EQ(Everything(), expected);
}

// A root and a key directly below one are refused however they are spelled; the refusal is
// checked on a first-level key of the test's own, with the tree rule's table beside it.
TEST_F(RegistryTree, RootsAndFirstLevelKeysAreRefused) {
    const std::string top = "QuillsweepTestsTop-" + std::to_string(GetCurrentProcessId());
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (top + "\\sub").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(created, "keep", 0, REG_SZ, reinterpret_cast<const BYTE*>("canary"), 7);
    RegCloseKey(created);
    const std::string refused[] = {
        "HKEY_CURRENT_USER\\" + top,
        "hkey_current_user\\" + top,
        "HKEY_CURRENT_USER\\" + top + "\\",
        "HKEY_CURRENT_USER\\\\" + top,
        "HKEY_CURRENT_USER\\\\" + top + "\\\\",
        "HKEY_CURRENT_USER\\",
        "HKEY_CURRENT_USER",
        "HKCU\\" + top + "\\sub",
        "HKEY_CURRENT_USER\\" + top + "\\\\sub",
        "HKEY_CURRENT_USER\\\\\\" + top + "\\sub",
    };
    for (const std::string& path : refused) {
        EXPECT_EQ(qs::RegKeyMeasureTree(path), 0u) << path;
        EXPECT_EQ(qs::RegKeyDeleteTree(path), 0u) << path;
    }
    HKEY sub = nullptr;
    const LSTATUS kept = RegOpenKeyExA(HKEY_CURRENT_USER, (top + "\\sub").c_str(), 0, KEY_READ, &sub);
    const LSTATUS value = RegQueryValueExA(sub, "keep", nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(sub);
    EXPECT_EQ(qs::RegKeyDeleteTree("HKEY_CURRENT_USER\\" + top + "\\sub"), 2u); // one level down it is a tree
    RegDeleteKeyA(HKEY_CURRENT_USER, top.c_str());
    EXPECT_EQ(kept, ERROR_SUCCESS);
    EXPECT_EQ(value, ERROR_SUCCESS);
    // Every machine's own first-level keys, through the script: measured as nothing.
    for (const char* path : {"HKEY_CURRENT_USER\\Software", "HKEY_LOCAL_MACHINE\\SOFTWARE", "hkey_users\\.DEFAULT",
                             "HKEY_USERS\\.DEFAULT\\Software", "HKEY_CLASSES_ROOT\\.txt"})
        EXPECT_EQ(m_host.Eval(std::string("return self:RegKeyMeasureTree([[") + path + "]])"), Names{"n:0"}) << path;

    struct {
        HKEY root;
        const char* subkey;
        bool tree;
    } rule[] = {
        {HKEY_CURRENT_USER, "Software\\Vendor", true},
        {HKEY_LOCAL_MACHINE, "a\\b\\c", true},
        {HKEY_CURRENT_USER, "Software", false},
        {HKEY_CURRENT_USER, "Software\\", false},
        {HKEY_CURRENT_USER, "\\Software\\x", false},
        {HKEY_CURRENT_USER, "Software\\\\x", false},
        {HKEY_CURRENT_USER, "", false},
        {HKEY_CURRENT_USER, "\\", false},
        // A user's hive below HKEY_USERS: its first-level keys are refused as HKEY_CURRENT_USER's are.
        {HKEY_USERS, "S-1-5-21-1\\Software", false},
        {HKEY_USERS, ".DEFAULT\\Environment", false},
        {HKEY_USERS, "S-1-5-21-1\\Software\\Vendor", true},
    };
    for (const auto& r : rule)
        EXPECT_EQ(qs::IsTreeSubkeyPath(r.root, r.subkey), r.tree) << r.subkey;
}

TEST_F(RegistryTree, KeyExistsForKeysInAnyRootCaseAndNeverForARoot) {
    AddKey(L"here\\deeper");
    struct {
        std::string path;
        const char* result;
    } cases[] = {
        {Path() + "\\here", "b:true"},
        {"HKEY_current_USER\\" + m_subkey + "\\HERE\\deeper", "b:true"},
        {"HKEY_CURRENT_USER\\Software", "b:true"},
        {Path() + "\\missing", "b:false"},
        {"HKCU\\" + m_subkey, "b:false"},
        {"HKEY_CURRENT_USER\\", "b:false"},
        {"HKEY_CURRENT_USER", "b:false"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m_host.Eval("return self:RegKeyExists([[" + c.path + "]])"), Names{c.result}) << c.path;
}

} // namespace
