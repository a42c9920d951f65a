// Counting and deleting registry values and subkeys, on real keys of the test prefix.
#include "hostfn/Registry.h"

#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using qs::test::ScriptHost;

struct ParseCase {
    std::string path;
    bool ok;
    HKEY root;
    std::string subkey;
};

TEST(ParseKeyPath, TakesTheFiveRootsInAnyCaseAndNothingElse) {
    const std::string long259(259, 'k');
    const ParseCase cases[] = {
        {"HKEY_CLASSES_ROOT\\.txt", true, HKEY_CLASSES_ROOT, ".txt"},
        {"HKEY_CURRENT_USER\\Software\\A\\B", true, HKEY_CURRENT_USER, "Software\\A\\B"},
        {"hkey_local_machine\\Software", true, HKEY_LOCAL_MACHINE, "Software"},
        {"HKEY_USERS\\.DEFAULT", true, HKEY_USERS, ".DEFAULT"},
        {"Hkey_Current_Config\\Software", true, HKEY_CURRENT_CONFIG, "Software"},
        {"HKEY_CLASSES_ROOT\\\\.txt", true, HKEY_CLASSES_ROOT, "\\.txt"},
        {"HKEY_CURRENT_USER\\Software\\", true, HKEY_CURRENT_USER, "Software\\"},
        {"HKEY_CURRENT_USER\\", false, nullptr, ""}, // a root is never named
        {"HKEY_CURRENT_USER\\\\\\", false, nullptr, ""},
        {"HKEY_CLASSES_ROOT\\\\", false, nullptr, ""},
        {"HKEY_CURRENT_USER\\" + long259, true, HKEY_CURRENT_USER, long259},
        {"HKEY_CURRENT_USER\\" + long259 + "k", false, nullptr, ""},
        {"HKCU\\Software", false, nullptr, ""},
        {"HKEY_CURRENT_USE\\Software", false, nullptr, ""},
        {"HKEY_CURRENT_USERS\\Software", false, nullptr, ""},
        {"HKEY_CURRENT_USER", false, nullptr, ""},
        {"\\Software", false, nullptr, ""},
        {"", false, nullptr, ""},
        {std::string("HKEY_CURRENT_USER\\Software\0\\X", 30), false, nullptr, ""},
    };
    for (const ParseCase& c : cases) {
        HKEY root = nullptr;
        std::string subkey;
        ASSERT_EQ(qs::ParseKeyPath(c.path, root, subkey), c.ok) << c.path;
        if (c.ok) {
            EXPECT_EQ(root, c.root) << c.path;
            EXPECT_EQ(subkey, c.subkey) << c.path;
        }
    }
}

// A key of its own under HKEY_CURRENT_USER\Software, removed with everything below it.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        m_subkey = "Software\\QuillsweepTests\\Registry-" + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(++counter);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key,
                                  nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(m_key);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_subkey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, m_subkey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuillsweepTests");
    }

    std::string Path() const { return "HKEY_CURRENT_USER\\" + m_subkey; }

    void SetValue(const char* name, const char* data = "x") {
        ASSERT_EQ(RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), DWORD(strlen(data) + 1)),
                  ERROR_SUCCESS);
    }
    void AddKey(const std::string& relative) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(m_key, relative.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(k);
    }

    // Value names of the key, the default value as "".
    std::vector<std::string> ValueNames() const {
        std::vector<std::string> names;
        char name[1024];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (RegEnumValueA(m_key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::wstring> WideValueNames() const {
        std::vector<std::wstring> names;
        wchar_t name[1024];
        for (DWORD i = 0;; ++i) {
            DWORD len = 1024;
            if (RegEnumValueW(m_key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, len);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> SubkeyNames(const std::string& relative = "") const {
        std::vector<std::string> names;
        HKEY k = nullptr;
        if (RegOpenKeyExA(m_key, relative.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return names;
        char name[1024];
        for (DWORD i = 0; RegEnumKeyA(k, i, name, sizeof name) == ERROR_SUCCESS; ++i)
            names.push_back(name);
        RegCloseKey(k);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string m_subkey;
    HKEY m_key = nullptr;
    ScriptHost m_host;
};

using Names = std::vector<std::string>;

TEST_F(RegistryTest, ScriptsCountValuesByMask) {
    SetValue(nullptr); // the default value
    SetValue("a.tmp");
    SetValue("B.TMP");
    SetValue("keep.log");
    const std::string key = Path();
    std::string lowerRoot = key;
    std::transform(lowerRoot.begin(), lowerRoot.begin() + 17, lowerRoot.begin(), ::tolower);
    struct Case {
        std::string call;
        const char* result;
    } cases[] = {
        {"[[" + key + "]]", "n:4"}, // an empty list counts the default value too
        {"[[" + key + "]], ''", "n:4"},
        {"[[" + key + "]], '*'", "n:3"}, // the default value's empty name matches no pattern
        {"[[" + key + "]], '*.tmp'", "n:2"},
        {"[[" + key + "]], '*.TMP;keep.*'", "n:3"},
        {"[[" + key + "]], 'a'", "n:0"}, // bare names, whole name
        {"[[" + key + "]], {}", "n:0"},  // a mask list that is not text counts nothing
        {"[[" + lowerRoot + "]], '*'", "n:3"},
        {"[[HKCU\\" + m_subkey + "]], '*'", "n:0"},
        {"[[" + key + "\\missing]]", "n:0"},
        {"'HKEY_CURRENT_USER'", "n:0"}, // no backslash
    };
    for (const Case& c : cases)
        EXPECT_EQ(m_host.Eval("return self:RegKeyGetNumberOfValues(" + c.call + ")"), Names{c.result}) << c.call;
}

TEST_F(RegistryTest, DeletingWithAnEmptyListRemovesEveryValueAndTheDefault) {
    SetValue(nullptr);
    for (const char* name : {"one", "two", "three", "four"})
        SetValue(name);
    ASSERT_EQ(ValueNames().size(), 5u);
    EXPECT_EQ(m_host.Eval("self:RegKeyDeleteValues([[" + Path() + "]])"), Names{});
    EXPECT_EQ(ValueNames(), Names{});
}

TEST_F(RegistryTest, DeletingByMaskKeepsTheRest) {
    SetValue(nullptr);
    for (const char* name : {"a.tmp", "b.tmp", "c.log", "d.TMP", "tmp"})
        SetValue(name);
    EXPECT_EQ(m_host.Eval("self:RegKeyDeleteValues([[" + Path() + "]], '*.tmp;nothing')"), Names{});
    EXPECT_EQ(ValueNames(), (Names{"", "c.log", "tmp"}));
    // An abbreviated root changes nothing.
    m_host.Eval("self:RegKeyDeleteValues([[HKCU\\" + m_subkey + "]])");
    EXPECT_EQ(ValueNames().size(), 3u);
}

TEST_F(RegistryTest, DeletingKeysPassesOverSubkeysThatHaveSubkeys) {
    // "a-parent" sorts first: every restart at index 0 meets it again, and its deletion fails.
    AddKey("a-parent\\child");
    AddKey("b-empty");
    AddKey("c-empty");
    AddKey("d-parent\\child\\grandchild");
    AddKey("e-empty");
    SetValue("value"); // values are not subkeys
    EXPECT_EQ(m_host.Eval("self:RegKeyDeleteKeys([[" + Path() + "]])"), Names{});
    EXPECT_EQ(SubkeyNames(), (Names{"a-parent", "d-parent"}));
    EXPECT_EQ(SubkeyNames("a-parent"), Names{"child"});
    EXPECT_EQ(SubkeyNames("d-parent\\child"), Names{"grandchild"});
    EXPECT_EQ(ValueNames(), Names{"value"});
}

TEST_F(RegistryTest, DeletingKeysByMaskTouchesOnlyDirectMatches) {
    AddKey("cache1");
    AddKey("Cache2");
    AddKey("keep\\cache3");
    EXPECT_EQ(m_host.Eval("self:RegKeyDeleteKeys([[" + Path() + "]], 'cache?')"), Names{});
    EXPECT_EQ(SubkeyNames(), Names{"keep"});
    EXPECT_EQ(SubkeyNames("keep"), Names{"cache3"});
}

TEST_F(RegistryTest, ARootWithAnEmptySubkeyPathNamesNothing) {
    // A value and a key directly under the root, and the test's own key below it: all must stay.
    const std::string id = std::to_string(GetCurrentProcessId());
    const std::string value = "QuillsweepTestRootValue-" + id;
    const std::string rootKey = "QuillsweepTestRootKey-" + id;
    ASSERT_EQ(RegSetValueExA(HKEY_CURRENT_USER, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("canary"), 7),
              ERROR_SUCCESS);
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, rootKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    SetValue("inside", "canary");
    for (const char* root : {"HKEY_CURRENT_USER\\\\", "hkey_current_user\\\\\\\\", "HKEY_CURRENT_USER\\\\\\\\\\\\"}) {
        const std::string r = std::string("'") + root + "'";
        EXPECT_EQ(m_host.Eval("return self:RegKeyGetNumberOfValues(" + r + ")"), Names{"n:0"}) << root;
        EXPECT_EQ(m_host.Eval("return self:RegKeyGetNumberOfValues(" + r + ", '" + value + "')"), Names{"n:0"});
        m_host.Eval("self:RegKeyDeleteValues(" + r + ", '" + value + "')");
        m_host.Eval("self:RegKeyDeleteValues(" + r + ")");
        m_host.Eval("self:RegKeyDeleteKeys(" + r + ", '" + rootKey + "')");
        m_host.Eval("self:RegKeyDeleteKeys(" + r + ")");
    }
    char data[16] = {};
    DWORD size = sizeof data;
    const LSTATUS kept = RegQueryValueExA(HKEY_CURRENT_USER, value.c_str(), nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(data), &size);
    RegDeleteValueA(HKEY_CURRENT_USER, value.c_str());
    HKEY opened = nullptr;
    const LSTATUS keyKept = RegOpenKeyExA(HKEY_CURRENT_USER, rootKey.c_str(), 0, KEY_READ, &opened);
    RegCloseKey(opened);
    RegDeleteKeyA(HKEY_CURRENT_USER, rootKey.c_str());
    EXPECT_EQ(kept, ERROR_SUCCESS);
    EXPECT_STREQ(data, "canary");
    EXPECT_EQ(keyKept, ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(), Names{"inside"});
}

// Names outside the code page and their look-alikes inside it: each is matched and deleted by
// the name it is listed under, never by a converted text that names another entry.
TEST_F(RegistryTest, NamesAreDeletedByTheirExactListedName) {
    const std::wstring fullwidth = L"\xFF54\xFF4D\xFF50"; // "tmp" in fullwidth letters
    const std::wstring cjk = L"\x65E5\x672C.tmp";
    for (const std::wstring& name : {fullwidth, cjk, std::wstring(L"tmp"), std::wstring(L"a?c")})
        ASSERT_EQ(RegSetValueExW(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4),
                  ERROR_SUCCESS);
    AddKey("tmp");
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyW(m_key, fullwidth.c_str(), &created), ERROR_SUCCESS);
    RegCloseKey(created);
    const std::string key = "[[" + Path() + "]]";
    struct {
        const char* masks;
        const char* count;
    } counts[] = {{"tmp", "n:1"}, {"*", "n:4"}, {"???", "n:3"}, {"*.tmp", "n:1"}, {"??.tmp", "n:1"}, {"a?c", "n:1"}};
    for (const auto& c : counts)
        EXPECT_EQ(m_host.Eval("return self:RegKeyGetNumberOfValues(" + key + ", '" + c.masks + "')"), Names{c.count})
            << c.masks;
    m_host.Eval("self:RegKeyDeleteValues(" + key + ", 'tmp')");
    EXPECT_EQ(WideValueNames(), (std::vector<std::wstring>{L"a?c", cjk, fullwidth}));
    m_host.Eval("self:RegKeyDeleteKeys(" + key + ", 'tmp')");
    EXPECT_EQ(SubkeyNames().size(), 1u); // the fullwidth one
    m_host.Eval("self:RegKeyDeleteValues(" + key + ", '*.tmp')");
    EXPECT_EQ(WideValueNames(), (std::vector<std::wstring>{L"a?c", fullwidth}));
    m_host.Eval("self:RegKeyDeleteValues(" + key + ") self:RegKeyDeleteKeys(" + key + ")");
    EXPECT_EQ(WideValueNames(), std::vector<std::wstring>{});
    EXPECT_EQ(SubkeyNames(), Names{});
}

} // namespace
