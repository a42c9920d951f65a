// Rows from a rule file at start-up: entries that apply become rows under their categories beside
// the scripts' rows, the others and the broken ones do not, and stored checks come back.
#include "engine/Winapp2Rows.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using qs::CScriptRow;
using qs::test::TempDir;
using qs::test::WriteText;
using Strings = std::vector<std::string>;

class NameList : public qs::CSelectionStore {
public:
    explicit NameList(Strings names = {}) : m_names(std::move(names)) {}
    bool Contains(const std::string& name) const override {
        for (const std::string& n : m_names)
            if (lstrcmpiA(n.c_str(), name.c_str()) == 0)
                return true;
        return false;
    }
    void Add(const std::string& name) override { m_names.push_back(name); }
    void ClearSelected() override { m_names.clear(); }

private:
    Strings m_names;
};

// A machine that has these keys and paths, and this system version.
class FakeProbe : public qs::CWinapp2Probe {
public:
    explicit FakeProbe(std::set<std::string> present) : m_present(std::move(present)) {}
    bool KeyExists(const std::string& key) override { return m_present.count(key) != 0; }
    bool PathExists(const std::string& pattern) override { return m_present.count(pattern) != 0; }
    std::string WindowsVersion() override { return "10.0.19045"; }

private:
    std::set<std::string> m_present;
};

// "Category/Plugin" for every plugin row, "Category/" for every category row, depth first.
Strings Rows(CScriptRow* parent, const std::string& prefix = "") {
    Strings out;
    for (CScriptRow* r = parent->firstChild; r != nullptr; r = r->nextSibling) {
        out.push_back(prefix + r->userData->Name() + (r->isGroup ? "/" : "") +
                      (r->checkState == qs::kChecked ? " [x]" : ""));
        if (r->isGroup) {
            const Strings below = Rows(r, prefix + r->userData->Name() + "/");
            out.insert(out.end(), below.begin(), below.end());
        }
    }
    return out;
}

TEST(Winapp2Rows, EntriesThatApplyBecomeRowsUnderTheirCategories) {
    TempDir dir;
    WriteText(dir / "winapp2.ini",
              "; rules\n"
              "[Found by key *]\nLangSecRef=3021\nDetect=HKEY_CURRENT_USER\\Software\\Present\nFileKey1=%Temp%|*.tmp\n\n"
              "[Found by file *]\nSection=Mine\nDetectFile=%APPDATA%\\Present\nFileKey1=%Temp%|*.tmp\n\n"
              "[Not here *]\nLangSecRef=3021\nDetect=HKEY_CURRENT_USER\\Software\\Absent\nFileKey1=%Temp%|*.tmp\n\n"
              "[Too old a system *]\nDetectOS=|6.3\nFileKey1=%Temp%|*.tmp\n\n"
              "[Always *]\nLangSecRef=3021\nWarning=Careful.\nFileKey1=%Temp%|*.tmp\n\n"
              "[Broken *]\nLangSecRef=3021\nFileKey1\n\n"
              "[Refused *]\nLangSecRef=3021\nFileKey1=%Temp%|*.\n\n"
              "[always *]\nLangSecRef=3021\nFileKey1=%Temp%|*.log\n");
    FakeProbe probe({"HKEY_CURRENT_USER\\Software\\Present", "%APPDATA%\\Present"});
    qs::CLuaVirtualMachine vm;
    ASSERT_TRUE(vm.Open());
    qs::CScriptsModel list;
    // A category of the scripts' own with the same name takes the rule file's rows.
    auto category = std::make_unique<qs::CPluginScript>(vm);
    category->SetName("Applications");
    list.InsertItem(std::move(category), -1, qs::kUnchecked, TRUE, list.GetRootItem());

    const qs::Winapp2Load load =
        qs::AddWinapp2Rows(vm, list, NameList({"Found by file"}), dir / "winapp2.ini", false, &probe);
    EXPECT_TRUE(load.read);
    EXPECT_EQ(Rows(list.GetRootItem()), (Strings{"Applications/", "Applications/Found by key",
                                                 "Applications/Always", "Mine/ [x]", "Mine/Found by file [x]"}));
    EXPECT_EQ(load.rows, 3u);
    EXPECT_EQ(load.notDetected, 2u);
    ASSERT_EQ(load.refused.size(), 1u);
    EXPECT_EQ(load.refused[0].name, "Refused");
    EXPECT_EQ(load.refused[0].line, 30u);
    // The broken entry and the second entry of a used name, each with its line.
    Strings problems;
    for (const qs::Winapp2Problem& p : load.problems)
        problems.push_back(p.entry + ":" + std::to_string(p.line));
    EXPECT_EQ(problems, (Strings{"Broken:28", "always:34"}));

    // The row's script is the entry's text, with its warning.
    CScriptRow* always = list.GetRootItem()->firstChild->firstChild->nextSibling;
    EXPECT_EQ(always->userData->Warning(), "Careful.");
}

TEST(Winapp2Rows, NoFileNoRowsAndAnUnreadableFileIsSaid) {
    TempDir dir;
    qs::CLuaVirtualMachine vm;
    ASSERT_TRUE(vm.Open());
    qs::CScriptsModel list;
    FakeProbe probe({});
    qs::Winapp2Load load = qs::AddWinapp2Rows(vm, list, NameList(), dir / "none.ini", false, &probe);
    EXPECT_FALSE(load.read);
    EXPECT_EQ(load.readProblem, "");
    EXPECT_EQ(list.GetRootItem()->firstChild, nullptr);
    CreateDirectoryA((dir / "folder.ini").c_str(), nullptr);
    load = qs::AddWinapp2Rows(vm, list, NameList(), dir / "folder.ini", false, &probe);
    EXPECT_FALSE(load.read);
    EXPECT_NE(load.readProblem, "");
}

// The machine's own probe: paths with one level per wildcard, never across levels, and keys,
// each answered from listings that one probe reads once.
TEST(Winapp2Rows, MachineProbeFindsPathsAndKeysAsTheyAre) {
    TempDir dir;
    WriteText(dir / "Vendor\\App 2\\Profiles\\a\\prefs.js", "x");
    std::unique_ptr<qs::CWinapp2Probe> probe = qs::MakeMachineProbe();
    const struct {
        std::string pattern;
        bool exists;
    } cases[] = {
        {dir / "Vendor", true},
        {dir / "Vendor\\App 2\\Profiles\\a\\prefs.js", true},
        {dir / "Vendor\\App*\\Profiles", true},
        {dir / "Vendor\\App ?\\Profiles\\*\\prefs.js", true},
        {dir / "Vendor\\*\\prefs.js", false},
        {dir / "Vendor\\App*", true},
        {dir / "VENDOR\\app 2\\PROFILES", true},
        {dir / "Vendor\\Other*", false},
        {dir / "Vendor\\App 2\\Profiles\\a\\prefs.js\\x", false},
        {"Vendor\\App 2", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(probe->PathExists(c.pattern), c.exists) << c.pattern;

    const std::string key = "Software\\QuillsweepTests\\Probe-" + std::to_string(GetCurrentProcessId());
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\Sub Key").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    probe = qs::MakeMachineProbe();
    const struct {
        std::string key;
        bool exists;
    } keys[] = {
        {"HKEY_CURRENT_USER\\" + key, true},
        {"hkey_current_user\\" + key + "\\sub key", true},
        {"HKEY_CURRENT_USER\\" + key + "\\Other", false},
        {"HKEY_CURRENT_USER\\" + key + "\\Sub Key\\Deeper", false},
        {"HKEY_CURRENT_USER\\Software\\QuillsweepTests\\Sub*", false},
        {"HKCU\\" + key, false}, // the host's long root names only
    };
    for (const auto& k : keys)
        EXPECT_EQ(probe->KeyExists(k.key), k.exists) << k.key;
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

// Loading and detecting thousands of entries is work for milliseconds, the real probe included.
TEST(Winapp2Rows, FourThousandEntriesLoadQuickly) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 4000; ++i) {
        const std::string n = std::to_string(i);
        text += "[Program " + n + " *]\nLangSecRef=3021\nDetect=HKCU\\Software\\QuillsweepTests\\P" + n +
                "\nDetectFile=%ProgramFiles%\\QuillsweepTests\\P" + n + "\nFileKey1=%LocalAppData%\\P" + n +
                "\\Cache|*.*|RECURSE\nFileKey2=%AppData%\\P" + n + "|*.log;*.tmp\nExcludeKey1=FILE|%LocalAppData%\\P" +
                n + "\\Cache\\|index.dat\n\n";
    }
    WriteText(dir / "winapp2.ini", text);
    qs::CLuaVirtualMachine vm;
    ASSERT_TRUE(vm.Open());
    qs::CScriptsModel list;
    const auto start = std::chrono::steady_clock::now();
    const qs::Winapp2Load load = qs::AddWinapp2Rows(vm, list, NameList(), dir / "winapp2.ini", false);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(load.notDetected, 4000u);
    EXPECT_LT(ms, 500) << "4,000 entries took " << ms << " ms";
    std::printf("4,000 entries read, translated and detected in %lld ms\n", static_cast<long long>(ms));
}

} // namespace
