// The shipped plugin library on fake user profiles: what GetSize counts is what Clear removes,
// canaries beside the targets survive, and a second GetSize finds nothing.
#include "support/ScriptHost.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <map>

namespace {

using qs::CPluginScript;
using qs::test::TempDir;

struct FileSpec {
    std::string path; // relative to the fake profile; {RECENT} and the like stand for real folders
    std::uint64_t size;
};

struct PluginCase {
    std::string plugin; // relative to the scripts folder
    std::vector<FileSpec> targets;
    std::vector<FileSpec> canaries;
    std::uint32_t folderItems; // matching folders that count as items of their own
};

void PrintTo(const PluginCase& c, std::ostream* os) { *os << c.plugin; }

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
    return path;
}

// A fake profile: the environment variables the plugins use point into a temporary folder for
// the test's lifetime. The folder macros name the test prefix's own special folders.
class PluginLibrary : public ::testing::TestWithParam<PluginCase> {
protected:
    void SetUp() override {
        cluster = qs::test::TempClusterSize();
        folders = {{"{RECENT}", SpecialFolder(CSIDL_RECENT)},
                   {"{INTERNET_CACHE}", SpecialFolder(CSIDL_INTERNET_CACHE)},
                   {"{HISTORY}", SpecialFolder(CSIDL_HISTORY)}};
        const std::pair<const char*, const char*> vars[] = {
            {"TEMP", "Temp"},  {"TMP", "Temp"},       {"LOCALAPPDATA", "Local"}, {"APPDATA", "Roaming"},
            {"WINDIR", "Windows"}, {"SystemRoot", "Windows"}, {"ProgramData", "ProgramData"}};
        for (const auto& v : vars) {
            char old[MAX_PATH] = {};
            saved.emplace_back(v.first, GetEnvironmentVariableA(v.first, old, MAX_PATH) ? old : "");
            qs::test::MakeDirs(profile / v.second);
            SetEnvironmentVariableA(v.first, (profile / v.second).c_str());
        }
    }
    void TearDown() override {
        for (const auto& v : saved)
            SetEnvironmentVariableA(v.first.c_str(), v.second.empty() ? nullptr : v.second.c_str());
        for (const std::string& made : madeOutside)
            qs::test::RemoveTree(made);
    }

    std::string Resolve(const std::string& path) {
        for (const auto& f : folders) {
            if (path.rfind(f.first, 0) == 0) {
                const std::string full = f.second + path.substr(f.first.size());
                madeOutside.push_back(full);
                return full;
            }
        }
        return profile / path;
    }
    std::uint64_t OnDrive(std::uint64_t size) const { return (size + cluster - 1) / cluster * cluster; }
    static std::uint64_t FileLength(const std::string& path) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            return ~0ull;
        return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    std::unique_ptr<CPluginScript> LoadPlugin(const std::string& plugin) {
        auto script = std::make_unique<CPluginScript>(host.Vm());
        const std::string path = std::string(QS_SCRIPTS_SOURCE) + "\\" + plugin;
        EXPECT_TRUE(script->LoadFile(path.c_str())) << path << ": " << host.Vm().LastError();
        std::string name;
        EXPECT_TRUE(script->GetPluginName(name));
        EXPECT_FALSE(name.empty());
        EXPECT_GE(script->GetPluginIcon(), -1);
        return script;
    }

    qs::test::ScriptHost host;
    TempDir profile;
    std::uint32_t cluster = 0;
    std::vector<std::pair<std::string, std::string>> folders;
    std::vector<std::pair<std::string, std::string>> saved;
    std::vector<std::string> madeOutside;
};

TEST_P(PluginLibrary, MeasuresExactlyWhatItRemovesAndNothingElse) {
    const PluginCase& c = GetParam();
    std::uint64_t expectedSize = 0;
    for (const FileSpec& f : c.targets) {
        qs::test::WriteBytes(Resolve(f.path), f.size);
        expectedSize += OnDrive(f.size);
    }
    for (const FileSpec& f : c.canaries)
        qs::test::WriteBytes(Resolve(f.path), f.size, 'c');

    auto script = LoadPlugin(c.plugin);
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    ASSERT_TRUE(script->GetSize(size, count));
    EXPECT_EQ(size, expectedSize);
    EXPECT_EQ(count, c.targets.size() + c.folderItems);

    ASSERT_TRUE(script->Clear());
    for (const FileSpec& f : c.targets)
        EXPECT_FALSE(qs::test::Exists(Resolve(f.path))) << "still there: " << f.path;
    for (const FileSpec& f : c.canaries)
        EXPECT_EQ(FileLength(Resolve(f.path)), f.size) << "canary lost: " << f.path;

    ASSERT_TRUE(script->GetSize(size, count));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(count, 0u);
}

std::vector<PluginCase> ChromiumCases() {
    std::vector<PluginCase> cases;
    const std::pair<std::string, std::string> browsers[] = {
        {"Google Chrome", "Local\\Google\\Chrome\\User Data"},
        {"Microsoft Edge", "Local\\Microsoft\\Edge\\User Data"},
        {"Brave", "Local\\BraveSoftware\\Brave-Browser\\User Data"}};
    for (const auto& b : browsers) {
        const std::string ud = b.second + "\\";
        cases.push_back({"Browsers\\" + b.first + " cache.lua",
                         {{ud + "Default\\Cache\\Cache_Data\\f_000001", 5000},
                          {ud + "Default\\Cache\\Cache_Data\\index", 100},
                          {ud + "Default\\Code Cache\\js\\index-dir\\the-real-index", 10},
                          {ud + "Default\\Code Cache\\wasm\\w", 10},
                          {ud + "Profile 1\\GPUCache\\data_0", 100},
                          {ud + "ShaderCache\\data_1", 10},
                          {ud + "GrShaderCache\\data_2", 10}},
                         {{ud + "Default\\Bookmarks", 11},
                          {ud + "Default\\Network\\Cookies", 12},
                          {ud + "Default\\History", 13},
                          {ud + "Default\\Login Data", 14},
                          {ud + "Default\\Preferences", 15},
                          {ud + "Local State", 16}},
                         6});
        cases.push_back({"Browsers\\" + b.first + " cookies.lua",
                         {{ud + "Default\\Network\\Cookies", 3000},
                          {ud + "Default\\Network\\Cookies-journal", 10},
                          {ud + "Profile 1\\Network\\Cookies", 200}},
                         {{ud + "Default\\Network\\TransportSecurity", 11},
                          {ud + "Default\\History", 12},
                          {ud + "Default\\Login Data", 13},
                          {ud + "Default\\Cache\\Cache_Data\\f_1", 14}},
                         0});
        cases.push_back({"Browsers\\" + b.first + " history.lua",
                         {{ud + "Default\\History", 9000},
                          {ud + "Default\\History-journal", 10},
                          {ud + "Profile 2\\Visited Links", 300}},
                         {{ud + "Default\\History Provider Cache", 11},
                          {ud + "Default\\Bookmarks", 12},
                          {ud + "Default\\Network\\Cookies", 13},
                          {ud + "Default\\Login Data", 14}},
                         0});
    }
    return cases;
}

std::vector<PluginCase> FolderCases() {
    const std::string explorer = "Local\\Microsoft\\Windows\\Explorer\\";
    const std::string ff = "Local\\Mozilla\\Firefox\\Profiles\\abc.default\\";
    const std::string ffRoaming = "Roaming\\Mozilla\\Firefox\\Profiles\\abc.default\\";
    const std::string deliveryOptimization =
        "Windows\\ServiceProfiles\\NetworkService\\AppData\\Local\\Microsoft\\Windows\\DeliveryOptimization\\";
    std::vector<PluginCase> cases = {
        {"System\\User temporary files.lua",
         {{"Temp\\a.tmp", 100}, {"Temp\\setup\\b.log", 5000}, {"Temp\\empty", 0}},
         {{"Local\\keep.txt", 11}, {"Roaming\\keep.txt", 12}},
         0},
        {"System\\Windows temporary files.lua",
         {{"Windows\\Temp\\x.tmp", 10}, {"Windows\\Temp\\dir\\y.dat", 4097}},
         {{"Windows\\win.ini", 11}, {"Temp\\mine.tmp", 12}},
         0},
        {"System\\Windows error reports.lua",
         {{"Local\\Microsoft\\Windows\\WER\\ReportArchive\\AppCrash_x\\Report.wer", 700},
          {"ProgramData\\Microsoft\\Windows\\WER\\ReportQueue\\q1\\Report.wer", 800}},
         {{"Local\\Microsoft\\Windows\\Caches\\keep.db", 11}, {"ProgramData\\Microsoft\\keep.txt", 12}},
         0},
        {"System\\Crash dumps.lua",
         {{"Local\\CrashDumps\\app.exe.123.dmp", 20000},
          {"Windows\\Minidump\\010124-01.dmp", 3000},
          {"Windows\\MEMORY.DMP", 9000}},
         {{"Local\\CrashDumps\\notes.txt", 11},
          {"Windows\\Minidump\\readme.txt", 12},
          {"Windows\\Temp\\memory.dmp", 13},
          {"Windows\\system.ini", 14}},
         0},
        {"System\\Thumbnail and icon caches.lua",
         {{explorer + "thumbcache_256.db", 6000}, {explorer + "iconcache_32.db", 300}},
         {{explorer + "ExplorerStartupLog.etl", 11}, {explorer + "old\\thumbcache_1.db", 12}},
         0},
        {"System\\DirectX shader cache.lua",
         {{"Local\\D3DSCache\\abc\\x.idx", 100}, {"Local\\NVIDIA\\DXCache\\y.bin", 200},
          {"Local\\AMD\\DxCache\\z.bin", 300}},
         {{"Local\\NVIDIA\\GLCache\\g.bin", 11}},
         0},
        {"System\\Windows log files.lua",
         {{"Windows\\Logs\\CBS\\CbsPersist_20240101.log", 70000}, {"Windows\\Logs\\CBS\\CbsPersist_2.cab", 100}},
         {{"Windows\\Logs\\CBS\\CBS.log", 11}},
         0},
        {"System\\Recent documents.lua",
         {{"{RECENT}\\qs-doc.txt.lnk", 500}},
         {{"{RECENT}\\AutomaticDestinations\\qs.automaticDestinations-ms", 11}, {"{RECENT}\\qs-notes.txt", 12}},
         0},
        {"System\\Jump lists.lua",
         {{"{RECENT}\\AutomaticDestinations\\qs.automaticDestinations-ms", 500},
          {"{RECENT}\\CustomDestinations\\qs.customDestinations-ms", 600}},
         {{"{RECENT}\\qs-doc.txt.lnk", 11}, {"{RECENT}\\AutomaticDestinations\\qs.txt", 12}},
         0},
        {"Windows Update\\Windows Update downloads.lua",
         {{"Windows\\SoftwareDistribution\\Download\\abc\\pkg.cab", 50000}},
         {{"Windows\\SoftwareDistribution\\DataStore\\DataStore.edb", 11}},
         0},
        {"Windows Update\\Delivery Optimization.lua",
         {{deliveryOptimization + "Cache\\f1\\piece", 9000}},
         {{deliveryOptimization + "Logs\\dosvc.etl", 11}},
         0},
        {"Browsers\\Internet cache.lua",
         {{"{INTERNET_CACHE}\\IE\\QSABC123\\page[1].htm", 3000}},
         {{"{HISTORY}\\qs-keep.dat", 11}},
         0},
        {"Browsers\\Firefox cache.lua",
         {{ff + "cache2\\entries\\E1", 3000},
          {ff + "cache2\\index", 10},
          {ff + "thumbnails\\t.png", 500},
          {ff + "startupCache\\s.bin", 600}},
         {{ffRoaming + "places.sqlite", 11}, {ffRoaming + "cookies.sqlite", 12}},
         3},
        {"Browsers\\Firefox cookies.lua",
         {{ffRoaming + "cookies.sqlite", 9000}, {ffRoaming + "cookies.sqlite-wal", 100}},
         {{ffRoaming + "places.sqlite", 11}, {ffRoaming + "key4.db", 12}, {ffRoaming + "logins.json", 13}},
         0},
    };
    for (PluginCase& c : ChromiumCases())
        cases.push_back(std::move(c));
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<PluginCase>& info) {
    std::string name;
    for (char ch : info.param.plugin.substr(info.param.plugin.find('\\') + 1))
        if (std::isalnum(static_cast<unsigned char>(ch)))
            name += ch;
    return name.substr(0, name.size() - 3); // without "lua"
}

INSTANTIATE_TEST_SUITE_P(Library, PluginLibrary, ::testing::ValuesIn(FolderCases()), CaseName);

// The registry jobs count and delete the values of their one key, and leave its subkeys.
TEST(PluginLibraryRegistry, MostRecentlyUsedListsAreCountedAndCleared) {
    const char* explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    const std::pair<const char*, const char*> jobs[] = {{"Registry\\Run dialog history.lua", "RunMRU"},
                                                        {"Registry\\Typed paths.lua", "TypedPaths"},
                                                        {"Registry\\Recent documents list.lua", "RecentDocs"}};
    qs::test::ScriptHost host;
    for (const auto& job : jobs) {
        const std::string key = std::string(explorer) + job.second;
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        for (const char* value : {"a", "b", "MRUList"})
            RegSetValueExA(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        HKEY sub = nullptr;
        RegCreateKeyExA(k, ".txt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
        RegSetValueExA(sub, "0", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(sub);

        auto script = std::make_unique<CPluginScript>(host.Vm());
        ASSERT_TRUE(script->LoadFile((std::string(QS_SCRIPTS_SOURCE) + "\\" + job.first).c_str()));
        std::uint64_t size = 1;
        std::uint32_t count = 0;
        ASSERT_TRUE(script->GetSize(size, count));
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(count, 3u) << job.first;
        ASSERT_TRUE(script->Clear());
        ASSERT_TRUE(script->GetSize(size, count));
        EXPECT_EQ(count, 0u) << job.first;
        DWORD subkeys = 0;
        RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
        EXPECT_EQ(subkeys, 1u) << job.first;
        RegCloseKey(k);
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    }
}

TEST(PluginLibraryRecycleBin, MeasuresAndEmptiesTheBin) {
    qs::test::ScriptHost host;
    auto script = std::make_unique<CPluginScript>(host.Vm());
    ASSERT_TRUE(script->LoadFile((std::string(QS_SCRIPTS_SOURCE) + "\\System\\Recycle bin.lua").c_str()));
    std::uint64_t before = 0, after = 0;
    std::uint32_t countBefore = 0, countAfter = 0;
    ASSERT_TRUE(script->GetSize(before, countBefore));
    const std::string file = host.Dir() / "binned.txt";
    qs::test::WriteBytes(file, 1234);
    std::string from = file + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ASSERT_EQ(SHFileOperationA(&op), 0);
    ASSERT_TRUE(script->GetSize(after, countAfter));
    EXPECT_GE(after, before + 1234);
    EXPECT_EQ(countAfter, countBefore + 1);
    ASSERT_TRUE(script->Clear());
    ASSERT_TRUE(script->GetSize(after, countAfter));
    EXPECT_EQ(after, 0u);
    EXPECT_EQ(countAfter, 0u);
}

} // namespace
