// Converted entries on a fake profile through the real job functions: for each feature what the
// script measures is exactly what its Clear removes, what the entry names is what goes, and every
// other file (twins, odd names, links and what they lead to) stays byte for byte.
#include "engine/Winapp2Script.h"

#include "support/ScriptHost.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

using qs::test::TreeSnapshot;
using qs::test::Wide;
using Entries = std::set<std::wstring>;

// The profile every case starts from (relative to its root; a trailing \ makes a folder).
const char* const kProfile[] = {
    "Local\\Foo\\Cache\\a.bin",
    "Local\\Foo\\Cache\\keep.dat",
    "Local\\Foo\\Cache\\sub\\b.bin",
    "Local\\Foo\\Cache\\sub\\c.log",
    "Local\\Foo\\Cache\\x.log\\inner.txt", // a folder whose name a file pattern would match
    "Local\\Foo\\Profiles\\p1\\Temp\\t.tmp",
    "Local\\Foo\\Profiles\\p1\\Temp\\deep\\u.tmp",
    "Local\\Foo\\Profiles\\p1\\settings.ini",
    "Local\\Foo\\Profiles\\p2\\Temp\\",
    "Local\\Foob\\Cache\\twin.bin", // a sibling whose name starts like the entry's folder
    "Roaming\\Foo\\a.log",
    "Roaming\\Foo\\b.tmp",
    "Roaming\\Foo\\c.txt",
    "Roaming\\Foo\\index.dat",
    "Roaming\\Foo\\xindex.dat",
    "Roaming\\Foo\\a.log.bak",
    "Roaming\\Foo\\sub\\d.log",
    "Roaming\\Foo\\Saved\\s.log",
    "Roaming\\Other\\a.log",
    "Program Files\\Foo\\logs\\l.log",
    "Program Files (x86)\\Foo\\logs\\m.log",
    "Program Files (x86)\\Foo\\logs\\keep.txt",
    "outside\\o.bin",
};

class Winapp2Clean : public ::testing::Test {
protected:
    void SetUp() override {
        // The variables the entries use point into the test's own profile.
        for (const auto& v : kVariables) {
            char old[1024] = "";
            const DWORD n = GetEnvironmentVariableA(v.name, old, sizeof old);
            m_saved.push_back({v.name, n > 0 && n < sizeof old ? std::string(old) : std::string(), n > 0});
        }
    }
    void TearDown() override {
        for (const Saved& s : m_saved)
            SetEnvironmentVariableA(s.name, s.had ? s.value.c_str() : nullptr);
    }

    // A fresh profile for one case; answers its root.
    std::string MakeProfile() {
        const std::string root = host.Dir() / ("p" + std::to_string(++m_cases));
        CreateDirectoryA(root.c_str(), nullptr);
        for (const char* entry : kProfile)
            EXPECT_TRUE(qs::test::MakeEntry(root, Wide(entry), std::string("content of ") + entry)) << entry;
        // A name outside the code page, and a link into the outside folder, among the files.
        EXPECT_TRUE(qs::test::MakeEntry(root, L"Roaming\\Foo\\\xFF54\xFF45\xFF4D\xFF50.txt", "fullwidth"));
        m_links = qs::test::MakeFolderLink(root + "\\Local\\Foo\\Cache\\link", root + "\\outside");
        for (const auto& v : kVariables)
            SetEnvironmentVariableA(v.name, (root + "\\" + v.folder).c_str());
        return root;
    }

    // Translates `entry`, measures and cleans with its script on a fresh profile; checks that the
    // measured count and size are what disappeared and that nothing else changed; answers what
    // disappeared.
    Entries Run(const std::string& entry) {
        const std::string root = MakeProfile();
        const qs::Winapp2File file = qs::ReadWinapp2(entry.data(), entry.size());
        EXPECT_EQ(file.entries.size(), 1u);
        const qs::Winapp2Plugin plugin = qs::TranslateWinapp2(file.entries.at(0), false);
        EXPECT_EQ(plugin.refused, "") << entry;
        std::unique_ptr<qs::CPluginScript> script = host.Load(plugin.text);
        EXPECT_TRUE(script) << host.Vm().LastError();
        if (!script)
            return {};
        const TreeSnapshot before = qs::test::Snapshot(root);
        std::uint64_t size = 0;
        std::uint32_t count = 0;
        EXPECT_TRUE(script->GetSize(size, count)) << host.Vm().LastError();
        EXPECT_TRUE(script->Clear()) << host.Vm().LastError();
        const TreeSnapshot after = qs::test::Snapshot(root);
        Entries gone;
        std::uint64_t goneSize = 0;
        const std::uint32_t cluster = qs::test::TempClusterSize();
        for (const auto& [path, content] : before) {
            const auto left = after.find(path);
            if (left == after.end()) {
                gone.insert(path);
                goneSize += path.back() == L'\\' ? 0 : (content.size() + cluster - 1) / cluster * cluster;
            } else {
                EXPECT_EQ(left->second, content) << qs::test::Printable(path) << " changed by " << entry;
            }
        }
        EXPECT_EQ(after.size() + gone.size(), before.size()) << "something appeared: " << entry;
        EXPECT_EQ(count, gone.size()) << entry;
        EXPECT_EQ(size, goneSize) << entry;
        return gone;
    }

    struct Variable {
        const char* name;
        const char* folder;
    };
    static constexpr Variable kVariables[] = {{"LOCALAPPDATA", "Local"},
                                              {"APPDATA", "Roaming"},
                                              {"ProgramFiles", "Program Files"},
                                              {"ProgramFiles(x86)", "Program Files (x86)"}};
    struct Saved {
        const char* name;
        std::string value;
        bool had;
    };

    qs::test::ScriptHost host;
    std::vector<Saved> m_saved;
    int m_cases = 0;
    bool m_links = false;
};

Entries Paths(std::initializer_list<const char*> paths) {
    Entries out;
    for (const char* p : paths)
        out.insert(Wide(p));
    return out;
}

TEST_F(Winapp2Clean, MeasuredIsRemovedAndOnlyWhatTheEntryNames) {
    const struct {
        const char* keys; // after "[E *]\n"
        Entries gone;
    } cases[] = {
        // A pattern at one level: the file of that ending only, none in subfolders or twins.
        {"FileKey1=%AppData%\\Foo|*.log\n", Paths({"Roaming\\Foo\\a.log"})},
        // A plain name: that name exactly (not xindex.dat), beside a pattern.
        {"FileKey1=%AppData%\\Foo|index.dat;*.tmp\n", Paths({"Roaming\\Foo\\index.dat", "Roaming\\Foo\\b.tmp"})},
        // RECURSE with every file: files at every depth (in the folder named x.log too), the
        // folders stay, the link and what it leads to stay.
        {"FileKey1=%LocalAppData%\\Foo\\Cache|*.*|RECURSE\n",
         Paths({"Local\\Foo\\Cache\\a.bin", "Local\\Foo\\Cache\\keep.dat", "Local\\Foo\\Cache\\sub\\b.bin",
                "Local\\Foo\\Cache\\sub\\c.log", "Local\\Foo\\Cache\\x.log\\inner.txt"})},
        // ExcludeKey FILE keeps one file of the folder.
        {"FileKey1=%LocalAppData%\\Foo\\Cache|*.*|RECURSE\nExcludeKey1=FILE|%LocalAppData%\\Foo\\Cache\\|keep.dat\n",
         Paths({"Local\\Foo\\Cache\\a.bin", "Local\\Foo\\Cache\\sub\\b.bin", "Local\\Foo\\Cache\\sub\\c.log",
                "Local\\Foo\\Cache\\x.log\\inner.txt"})},
        // ExcludeKey PATH keeps matching files in a folder and below it.
        {"FileKey1=%LocalAppData%\\Foo\\Cache|*|RECURSE\nExcludeKey1=PATH|%LocalAppData%\\Foo\\Cache\\|*.bin\n",
         Paths({"Local\\Foo\\Cache\\keep.dat", "Local\\Foo\\Cache\\sub\\c.log", "Local\\Foo\\Cache\\x.log\\inner.txt"})},
        // REMOVESELF below a folder wildcard: each matching folder goes with everything in it;
        // the profile's other files stay.
        {"FileKey1=%LocalAppData%\\Foo\\Profiles\\*\\Temp|*.*|REMOVESELF\n",
         Paths({"Local\\Foo\\Profiles\\p1\\Temp\\", "Local\\Foo\\Profiles\\p1\\Temp\\t.tmp",
                "Local\\Foo\\Profiles\\p1\\Temp\\deep\\", "Local\\Foo\\Profiles\\p1\\Temp\\deep\\u.tmp",
                "Local\\Foo\\Profiles\\p2\\Temp\\"})},
        // REMOVESELF keeps a folder that still holds a kept file.
        {"FileKey1=%LocalAppData%\\Foo\\Profiles\\p1\\Temp|*.*|REMOVESELF\n"
         "ExcludeKey1=FILE|%LocalAppData%\\Foo\\Profiles\\p1\\Temp\\deep\\|u.tmp\n",
         Paths({"Local\\Foo\\Profiles\\p1\\Temp\\t.tmp"})},
        // Patterns on bare names at every depth with RECURSE: files of that ending below the
        // folder, never the folder named x.log with its content, never a.log.bak or a twin.
        {"FileKey1=%AppData%\\Foo|*.log|RECURSE\n",
         Paths({"Roaming\\Foo\\a.log", "Roaming\\Foo\\sub\\d.log", "Roaming\\Foo\\Saved\\s.log"})},
        {"FileKey1=%LocalAppData%\\Foo\\Cache|*.log|RECURSE\n", Paths({"Local\\Foo\\Cache\\sub\\c.log"})},
        // Several patterns with "?" at one level.
        {"FileKey1=%AppData%\\Foo|c.t?t;*.log;?index.dat\n",
         Paths({"Roaming\\Foo\\c.txt", "Roaming\\Foo\\a.log", "Roaming\\Foo\\xindex.dat"})},
        // REMOVESELF with a pattern: matching files at every depth, each folder left empty (the
        // one that was empty before too), and the folder once empty.
        {"FileKey1=%LocalAppData%\\Foo\\Profiles\\*\\Temp|*.tmp|REMOVESELF\n",
         Paths({"Local\\Foo\\Profiles\\p1\\Temp\\", "Local\\Foo\\Profiles\\p1\\Temp\\t.tmp",
                "Local\\Foo\\Profiles\\p1\\Temp\\deep\\", "Local\\Foo\\Profiles\\p1\\Temp\\deep\\u.tmp",
                "Local\\Foo\\Profiles\\p2\\Temp\\"})},
        // REMOVESELF where other files stay: their folders stay, and so does the folder.
        {"FileKey1=%LocalAppData%\\Foo\\Cache|*.bin|REMOVESELF\n",
         Paths({"Local\\Foo\\Cache\\a.bin", "Local\\Foo\\Cache\\sub\\b.bin"})},
        // %ProgramFiles%: both program folders.
        {"FileKey1=%ProgramFiles%\\Foo\\logs|*.log\n",
         Paths({"Program Files\\Foo\\logs\\l.log", "Program Files (x86)\\Foo\\logs\\m.log"})},
        // Two FileKeys and a kept file of the second.
        {"FileKey1=%AppData%\\Foo|*.log\nFileKey2=%ProgramFiles%\\Foo\\logs|*.*\n"
         "ExcludeKey1=FILE|%ProgramFiles%\\Foo\\logs\\|keep.txt\n",
         Paths({"Roaming\\Foo\\a.log", "Program Files\\Foo\\logs\\l.log", "Program Files (x86)\\Foo\\logs\\m.log"})},
    };
    for (const auto& c : cases) {
        const Entries gone = Run(std::string("[E *]\n") + c.keys);
        EXPECT_EQ(gone, c.gone) << c.keys;
    }
}

// Registry keys: a tree goes whole, a value alone goes, and the count says what went.
TEST_F(Winapp2Clean, RegistryTreesAndValues) {
    const std::string base = "Software\\QuillsweepTests\\W2-" + std::to_string(GetCurrentProcessId());
    const auto make = [&](const std::string& key, const char* value) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (base + key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  nullptr),
                  ERROR_SUCCESS);
        if (value != nullptr)
            RegSetValueExA(h, value, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(h);
    };
    make("\\Tree\\Sub\\Deeper", "v");
    make("\\Tree", "w");
    make("", "Last");
    make("", "LastKept");
    make("\\Sibling", "s");
    const std::string entry = "[E *]\nRegKey1=HKCU\\" + base + "\\Tree\nRegKey2=HKCU\\" + base + "|Last\n";
    const qs::Winapp2File file = qs::ReadWinapp2(entry.data(), entry.size());
    const qs::Winapp2Plugin plugin = qs::TranslateWinapp2(file.entries.at(0), false);
    ASSERT_EQ(plugin.refused, "");
    std::unique_ptr<qs::CPluginScript> script = host.Load(plugin.text);
    ASSERT_TRUE(script) << host.Vm().LastError();
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    ASSERT_TRUE(script->GetSize(size, count)) << host.Vm().LastError();
    // Tree, Sub, Deeper and their values v and w; the value Last.
    EXPECT_EQ(count, 6u);
    ASSERT_TRUE(script->Clear()) << host.Vm().LastError();
    HKEY h = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, (base + "\\Tree").c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, base.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
    EXPECT_NE(RegQueryValueExA(h, "Last", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(h, "LastKept", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(h);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (base + "\\Sibling").c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
    RegCloseKey(h);
    ASSERT_TRUE(script->GetSize(size, count));
    EXPECT_EQ(count, 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
}

} // namespace
