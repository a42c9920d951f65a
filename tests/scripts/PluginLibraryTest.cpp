// The shipped plugin library on fake user profiles: what GetSize counts is what Clear removes,
// the user data and the files kept by age beside the targets survive byte for byte, a second
// GetSize finds nothing (or exactly what a running program holds), and programs that are not
// installed get no row.
#include "framework/Handle.h"
#include "hostfn/SystemInfo.h"
#include "support/IndexFileBuilder.h"
#include "support/ScriptHost.h"
#include "support/Spawn.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <set>

namespace {

using qs::CPluginScript;
using qs::test::TempDir;

struct FileSpec {
    std::string path; // relative to the fake profile; {RECENT} and the like stand for real folders
    std::uint64_t size;
};

struct PluginCase {
    PluginCase(std::string plugin_, std::vector<FileSpec> targets_, std::vector<FileSpec> canaries_,
               std::vector<FileSpec> fresh_ = {}, std::string program_ = "", std::uint32_t folderItems_ = 0)
        : plugin(std::move(plugin_)), targets(std::move(targets_)), canaries(std::move(canaries_)),
          fresh(std::move(fresh_)), program(std::move(program_)), folderItems(folderItems_) {}

    std::string plugin;             // relative to the scripts folder
    std::vector<FileSpec> targets;  // last written three days ago: the job removes them
    std::vector<FileSpec> canaries; // the user data beside them: intact byte for byte
    std::vector<FileSpec> fresh;    // written just now beside the targets: kept, and never counted, by age
    std::string program;            // the program whose running makes Clear skip, if any
    std::uint32_t folderItems;      // matching folders that count as items of their own
};

void PrintTo(const PluginCase& c, std::ostream* os) { *os << c.plugin; }

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
    return path;
}

std::string Script(const std::string& plugin) { return std::string(QS_SCRIPTS_SOURCE) + "\\" + plugin; }

// Sets the last write time of a file `hours` into the past.
void Age(const std::string& path, int hours) {
    qs::Handle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file) << path;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(hours) * 3600 * 10000000;
    const FILETIME then{t.LowPart, t.HighPart};
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &then)) << path;
}

// A copy of the stand-in program under another program's file name, running until the object goes.
class RunningProgram {
public:
    RunningProgram(const TempDir& dir, const std::string& exeName) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string standIn = self;
        standIn = standIn.substr(0, standIn.find_last_of('\\') + 1) + "program_stand_in.exe";
        const std::string copy = dir / exeName;
        EXPECT_TRUE(CopyFileA(standIn.c_str(), copy.c_str(), FALSE)) << standIn;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string command = "\"" + copy + "\"";
        EXPECT_TRUE(qs::test::StartPatiently([&] {
            return CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        })) << copy;
        m_process.Reset(pi.hProcess);
        qs::Handle thread(pi.hThread);
        for (int i = 0; i < 200 && !qs::IsProcessRunning(exeName); ++i)
            Sleep(25);
        EXPECT_TRUE(qs::IsProcessRunning(exeName)) << exeName;
    }
    ~RunningProgram() {
        if (m_process) {
            TerminateProcess(m_process.Get(), 0);
            WaitForSingleObject(m_process.Get(), 5000);
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

private:
    qs::Handle m_process;
};

// A fake profile: the environment variables the plugins use point into a temporary folder for
// the test's lifetime. The folder macros name the test prefix's own special folders.
class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        cluster = qs::test::TempClusterSize();
        folders = {{"{RECENT}", SpecialFolder(CSIDL_RECENT)},
                   {"{INTERNET_CACHE}", SpecialFolder(CSIDL_INTERNET_CACHE)},
                   {"{HISTORY}", SpecialFolder(CSIDL_HISTORY)},
                   {"{COOKIES}", SpecialFolder(CSIDL_COOKIES)}};
        const std::pair<const char*, const char*> vars[] = {
            {"TEMP", "Temp"},           {"TMP", "Temp"},         {"LOCALAPPDATA", "Local"},
            {"APPDATA", "Roaming"},     {"WINDIR", "Windows"},   {"SystemRoot", "Windows"},
            {"ProgramData", "ProgramData"}, {"USERPROFILE", "User"}, {"SystemDrive", "Drive"},
            {"ProgramFiles(x86)", "Programs"}};
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
    std::uint64_t OnDrive(const std::vector<FileSpec>& files) const {
        std::uint64_t total = 0;
        for (const FileSpec& f : files)
            total += OnDrive(f.size);
        return total;
    }
    // Writes the files with `fill`, aged by `hours` unless that is 0.
    void Write(const std::vector<FileSpec>& files, char fill, int hours) {
        for (const FileSpec& f : files) {
            qs::test::WriteBytes(Resolve(f.path), f.size, fill);
            if (hours != 0)
                Age(Resolve(f.path), hours);
        }
    }
    // Every file is there with exactly the bytes it was written with.
    void ExpectIntact(const std::vector<FileSpec>& files, char fill, const char* what) {
        for (const FileSpec& f : files) {
            ASSERT_TRUE(qs::test::Exists(Resolve(f.path))) << what << " lost: " << f.path;
            EXPECT_EQ(qs::test::ReadText(Resolve(f.path)), std::string(f.size, fill)) << what << " changed: " << f.path;
        }
    }
    std::unique_ptr<CPluginScript> LoadPlugin(const std::string& plugin) {
        auto script = std::make_unique<CPluginScript>(host.Vm());
        EXPECT_TRUE(script->LoadFile(Script(plugin).c_str())) << plugin << ": " << host.Vm().LastError();
        return script;
    }
    static std::string Name(CPluginScript& script) {
        std::string name;
        script.GetPluginName(name);
        return name;
    }

    qs::test::ScriptHost host;
    TempDir profile;
    std::uint32_t cluster = 0;
    std::vector<std::pair<std::string, std::string>> folders;
    std::vector<std::pair<std::string, std::string>> saved;
    std::vector<std::string> madeOutside;
};

class PluginLibrary : public LibraryTest, public ::testing::WithParamInterface<PluginCase> {};

// Whether this build has the job functions the library is written on: they arrive with a change
// of their own, and the tests that run the plugins wait for them.
bool HostHasJobFunctions() {
    static const bool has = [] {
        qs::test::ScriptHost host;
        return host.Eval("return type(self.MeasureFiles)") == std::vector<std::string>{"s:function"};
    }();
    return has;
}

#define SKIP_UNLESS_JOB_FUNCTIONS()                                                                                     \
    if (!HostHasJobFunctions())                                                                                        \
    GTEST_SKIP() << "the library needs the job functions, which this build lacks yet"

TEST_P(PluginLibrary, MeasuresExactlyWhatItRemovesAndNothingElse) {
    SKIP_UNLESS_JOB_FUNCTIONS();
    const PluginCase& c = GetParam();
    Write(c.targets, 't', 72);
    Write(c.canaries, 'c', 72);
    Write(c.fresh, 'f', 0);

    auto script = LoadPlugin(c.plugin);
    EXPECT_FALSE(Name(*script).empty()) << "installed, yet no row";
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    ASSERT_TRUE(script->GetSize(size, count)) << host.Vm().LastError();
    EXPECT_EQ(size, OnDrive(c.targets));
    EXPECT_EQ(count, c.targets.size() + c.folderItems);

    // A program that this test does not control (the prefix's own shell) may hold the files.
    const bool held = !c.program.empty() && qs::IsProcessRunning(c.program);
    std::string skipped;
    ASSERT_TRUE(script->Clear(skipped)) << host.Vm().LastError();
    EXPECT_EQ(skipped.empty(), !held) << skipped;
    for (const FileSpec& f : c.targets)
        EXPECT_EQ(qs::test::Exists(Resolve(f.path)), held) << f.path;
    ExpectIntact(c.canaries, 'c', "canary");
    ExpectIntact(c.fresh, 'f', "recent file");

    // Files kept by age were never counted; files held by a running program all are.
    ASSERT_TRUE(script->GetSize(size, count));
    EXPECT_EQ(size, held ? OnDrive(c.targets) : 0u);
    EXPECT_EQ(count, held ? c.targets.size() + c.folderItems : 0u);
}

// While the program runs, its job shows its sizes but cleans nothing and says why; once it has
// ended, the same Clear cleans.
TEST_P(PluginLibrary, ARunningProgramsFilesAreMeasuredButNotCleaned) {
    SKIP_UNLESS_JOB_FUNCTIONS();
    const PluginCase& c = GetParam();
    if (c.program.empty())
        GTEST_SKIP() << "no running check";
    if (qs::IsProcessRunning(c.program))
        GTEST_SKIP() << c.program << " runs in this prefix already";
    Write(c.targets, 't', 72);
    auto script = LoadPlugin(c.plugin);
    std::uint64_t size = 0, sizeAfter = 0;
    std::uint32_t count = 0, countAfter = 0;
    std::string skipped;
    {
        TempDir programs;
        RunningProgram running(programs, c.program);
        ASSERT_TRUE(script->GetSize(size, count));
        EXPECT_EQ(size, OnDrive(c.targets));
        ASSERT_TRUE(script->Clear(skipped));
        EXPECT_FALSE(skipped.empty());
        for (const FileSpec& f : c.targets)
            EXPECT_TRUE(qs::test::Exists(Resolve(f.path))) << "removed while running: " << f.path;
        ASSERT_TRUE(script->GetSize(sizeAfter, countAfter));
        EXPECT_EQ(sizeAfter, size);
        EXPECT_EQ(countAfter, count);
    }
    ASSERT_TRUE(script->Clear(skipped));
    EXPECT_EQ(skipped, "");
    ASSERT_TRUE(script->GetSize(sizeAfter, countAfter));
    EXPECT_EQ(sizeAfter, 0u);
}

// Chrome, Edge and Brave share one layout: User Data per channel, profiles inside it.
std::vector<PluginCase> ChromiumCases() {
    struct Browser {
        std::string name, userData, otherChannel, exe;
        bool models;
    };
    const Browser browsers[] = {
        {"Google Chrome", "Local\\Google\\Chrome\\User Data\\", "Local\\Google\\Chrome SxS\\User Data\\", "chrome.exe",
         true},
        {"Microsoft Edge", "Local\\Microsoft\\Edge\\User Data\\", "Local\\Microsoft\\Edge Beta\\User Data\\",
         "msedge.exe", true},
        {"Brave", "Local\\BraveSoftware\\Brave-Browser\\User Data\\",
         "Local\\BraveSoftware\\Brave-Browser-Nightly\\User Data\\", "brave.exe", false}};
    std::vector<PluginCase> cases;
    for (const Browser& b : browsers) {
        const std::string& ud = b.userData;
        const std::string& other = b.otherChannel;
        const std::string extension = ud + "Default\\Extensions\\abcdefgh\\1.0_0\\";
        cases.push_back({"Browsers\\" + b.name + " cache.lua",
                         {{ud + "Default\\Cache\\Cache_Data\\f_000001", 5000},
                          {ud + "Default\\Cache\\Cache_Data\\index", 100},
                          {ud + "Default\\Code Cache\\js\\index-dir\\the-real-index", 10},
                          {ud + "Default\\Code Cache\\wasm\\w", 10},
                          {ud + "Default\\DawnWebGPUCache\\data_0", 10},
                          {ud + "Profile 1\\GPUCache\\data_0", 100},
                          {ud + "ShaderCache\\data_1", 10},
                          {ud + "GrShaderCache\\data_2", 10},
                          {other + "Default\\Cache\\Cache_Data\\f_000002", 300}},
                         {{ud + "Default\\Bookmarks", 11},
                          {ud + "Default\\Network\\Cookies", 12},
                          {ud + "Default\\History", 13},
                          {ud + "Default\\Login Data", 14},
                          {ud + "Default\\Preferences", 15},
                          {ud + "Local State", 16},
                          {ud + "Default\\Service Worker\\CacheStorage\\abc\\index", 17},
                          {extension + "GPUCache\\keep.js", 18}},
                         {},
                         b.exe});
        cases.push_back({"Browsers\\" + b.name + " cookies.lua",
                         {{ud + "Default\\Network\\Cookies", 3000},
                          {ud + "Default\\Network\\Cookies-journal", 10},
                          {ud + "Profile 1\\Network\\Cookies", 200},
                          {ud + "Profile 3\\Cookies", 20},
                          {other + "Default\\Network\\Cookies", 50}},
                         {{ud + "Default\\Network\\TransportSecurity", 11},
                          {ud + "Default\\History", 12},
                          {ud + "Default\\Login Data", 13},
                          {ud + "Default\\Cache\\Cache_Data\\f_1", 14},
                          {extension + "Cookies", 15}},
                         {},
                         b.exe});
        cases.push_back({"Browsers\\" + b.name + " history.lua",
                         {{ud + "Default\\History", 9000},
                          {ud + "Default\\History-journal", 10},
                          {ud + "Default\\Shortcuts", 20},
                          {ud + "Default\\Top Sites", 30},
                          {ud + "Default\\Network Action Predictor", 40},
                          {ud + "Default\\History Provider Cache", 50},
                          {ud + "Default\\DownloadMetadata", 60},
                          {ud + "Profile 2\\Visited Links", 300},
                          {other + "Default\\History", 70}},
                         {{ud + "Default\\Bookmarks", 11},
                          {ud + "Default\\Network\\Cookies", 12},
                          {ud + "Default\\Login Data", 13},
                          {ud + "Default\\Favicons", 14},
                          {extension + "History", 15},
                          {ud + "Default\\IndexedDB\\site\\History", 16},
                          {ud + "History", 17}},
                         {},
                         b.exe});
        cases.push_back({"Browsers\\" + b.name + " site caches.lua",
                         {{ud + "Default\\Service Worker\\CacheStorage\\abc\\index", 500},
                          {ud + "Default\\Service Worker\\ScriptCache\\s_0", 100},
                          {other + "Profile 1\\Service Worker\\CacheStorage\\d\\e", 50}},
                         {{ud + "Default\\Service Worker\\Database\\000001.log", 11},
                          {ud + "Default\\IndexedDB\\site\\000001.log", 12},
                          {ud + "Default\\Local Storage\\leveldb\\000001.log", 13},
                          {ud + "Default\\Cache\\Cache_Data\\f_1", 14}},
                         {},
                         b.exe});
        if (b.models)
            cases.push_back({"Browsers\\" + b.name + " on-device models.lua",
                             {{ud + "OptGuideOnDeviceModel\\2024.9.25.2033\\weights.bin", 9000},
                              {ud + "OnDeviceHeadSuggestModel\\20240101.1\\model.tflite", 700},
                              {other + "OptGuideOnDeviceClassifierModel\\1\\model.tflite", 80}},
                             {{ud + "Default\\Bookmarks", 11},
                              {ud + "Local State", 12},
                              {extension + "OptGuideOnDeviceModel\\keep.bin", 13}},
                             {},
                             b.exe});
    }
    return cases;
}

std::vector<PluginCase> BrowserCases() {
    const std::string ff = "Local\\Mozilla\\Firefox\\Profiles\\abc.default\\";
    const std::string ffRoaming = "Roaming\\Mozilla\\Firefox\\Profiles\\abc.default\\";
    const std::string store = "Local\\Packages\\Mozilla.Firefox_n80bbvh6b1yt2\\LocalCache\\";
    const std::string storeRoaming = store + "Roaming\\Mozilla\\Firefox\\Profiles\\xyz.default-release\\";
    const std::string storeLocal = store + "Local\\Mozilla\\Firefox\\Profiles\\xyz.default-release\\";
    std::vector<PluginCase> cases = {
        {"Browsers\\Firefox cache.lua",
         {{ff + "cache2\\entries\\E1", 3000},
          {ff + "cache2\\index", 10},
          {ff + "thumbnails\\t.png", 500},
          {ff + "startupCache\\s.bin", 600},
          {ffRoaming + "shader-cache\\gl.bin", 700},
          {storeLocal + "cache2\\entries\\E2", 800},
          {storeRoaming + "cache2\\entries\\E3", 90},
          {storeRoaming + "shader-cache\\gl.bin", 100}},
         {{ffRoaming + "places.sqlite", 11},
          {ffRoaming + "cookies.sqlite", 12},
          {ffRoaming + "storage\\default\\site\\idb\\1.sqlite", 13},
          {storeRoaming + "places.sqlite", 14},
          {storeRoaming + "logins.json", 15}},
         {},
         "firefox.exe"},
        {"Browsers\\Firefox cookies.lua",
         {{ffRoaming + "cookies.sqlite", 9000},
          {ffRoaming + "cookies.sqlite-wal", 100},
          {storeRoaming + "cookies.sqlite", 200}},
         {{ffRoaming + "places.sqlite", 11},
          {ffRoaming + "key4.db", 12},
          {ffRoaming + "logins.json", 13},
          {ffRoaming + "storage\\cookies.sqlite", 14},
          {storeRoaming + "logins.json", 15}},
         {},
         "firefox.exe"},
        {"Browsers\\Internet cache.lua",
         {{"{INTERNET_CACHE}\\IE\\QSABC123\\page[1].htm", 3000}},
         {{"{HISTORY}\\qs-keep.dat", 11}}},
    };
    for (PluginCase& c : ChromiumCases())
        cases.push_back(std::move(c));
    return cases;
}

std::vector<PluginCase> SystemCases() {
    const std::string explorer = "Local\\Microsoft\\Windows\\Explorer\\";
    const std::string deliveryOptimization =
        "Windows\\ServiceProfiles\\NetworkService\\AppData\\Local\\Microsoft\\Windows\\DeliveryOptimization\\";
    const std::string serviceTemp = "Windows\\ServiceProfiles\\LocalService\\AppData\\Local\\Temp\\";
    const std::string systemTemp = "Windows\\System32\\config\\systemprofile\\AppData\\Local\\Temp\\";
    const std::string defender = "ProgramData\\Microsoft\\Windows Defender\\";
    const std::string lowNvidia = "User\\AppData\\LocalLow\\NVIDIA\\";
    return {
        {"System\\User temporary files.lua",
         {{"Temp\\a.tmp", 100}, {"Temp\\setup\\b.log", 5000}, {"Temp\\empty", 0}},
         {{"Local\\keep.txt", 11}, {"Roaming\\keep.txt", 12}},
         {{"Temp\\installing.msi", 700}, {"Temp\\setup\\now.log", 300}}},
        {"System\\Windows temporary files.lua",
         {{"Windows\\Temp\\x.tmp", 10}, {"Windows\\Temp\\dir\\y.dat", 4097}, {"Windows\\SystemTemp\\z.tmp", 30}},
         {{"Windows\\win.ini", 11}, {"Temp\\mine.tmp", 12}},
         {{"Windows\\SystemTemp\\new.tmp", 40}}},
        {"System\\Service temporary files.lua",
         {{serviceTemp + "a.tmp", 100},
          {"Windows\\ServiceProfiles\\NetworkService\\AppData\\Local\\Temp\\b\\c.tmp", 200},
          {systemTemp + "d.tmp", 300}},
         {{"Windows\\ServiceProfiles\\LocalService\\AppData\\Local\\keep.dat", 11},
          {"Windows\\System32\\config\\SOFTWARE", 12},
          {"Windows\\System32\\config\\systemprofile\\AppData\\Roaming\\keep.dat", 13},
          {"Windows\\Temp\\other.tmp", 14}},
         {{serviceTemp + "new.tmp", 50}}},
        {"System\\Windows error reports.lua",
         {{"Local\\Microsoft\\Windows\\WER\\ReportArchive\\AppCrash_x\\Report.wer", 700},
          {"ProgramData\\Microsoft\\Windows\\WER\\ReportQueue\\q1\\Report.wer", 800}},
         {{"Local\\Microsoft\\Windows\\Caches\\keep.db", 11}, {"ProgramData\\Microsoft\\keep.txt", 12}}},
        {"System\\Crash dumps.lua",
         {{"Local\\CrashDumps\\app.exe.123.dmp", 20000},
          {"Windows\\Minidump\\010124-01.dmp", 3000},
          {"Windows\\MEMORY.DMP", 9000},
          {"Windows\\LiveKernelReports\\WATCHDOG\\WD-20240101.dmp", 4000}},
         {{"Local\\CrashDumps\\notes.txt", 11},
          {"Windows\\Minidump\\readme.txt", 12},
          {"Windows\\Temp\\memory.dmp", 13},
          {"Windows\\system.ini", 14},
          {"Windows\\LiveKernelReports\\WATCHDOG\\notes.txt", 15}}},
        {"System\\Thumbnail and icon caches.lua",
         {{explorer + "thumbcache_256.db", 6000}, {explorer + "iconcache_32.db", 300}, {"Local\\IconCache.db", 400}},
         {{explorer + "ExplorerStartupLog.etl", 11},
          {explorer + "old\\thumbcache_1.db", 12},
          {"Local\\keep.db", 13},
          {"Local\\Microsoft\\IconCache.db", 14}},
         {},
         "explorer.exe"},
        {"System\\DirectX shader cache.lua",
         {{"Local\\D3DSCache\\abc\\x.idx", 100}},
         {{"Local\\NVIDIA\\GLCache\\g.bin", 11}, {"Local\\keep.txt", 12}}},
        {"System\\NVIDIA shader cache.lua",
         {{"Local\\NVIDIA\\DXCache\\y.bin", 200},
          {"Local\\NVIDIA\\GLCache\\a\\g.bin", 300},
          {lowNvidia + "PerDriverVersion\\DXCache\\p.bin", 400},
          {"Local\\Temp\\NVIDIA Corporation\\NV_Cache\\n.bin", 500},
          {"ProgramData\\NVIDIA Corporation\\NV_Cache\\m.bin", 600}},
         {{"Local\\NVIDIA\\keep.cfg", 11},
          {"ProgramData\\NVIDIA Corporation\\Drs\\nvdrsdb0.bin", 12},
          {lowNvidia + "PerDriverVersion\\keep.txt", 13},
          {"Local\\D3DSCache\\abc\\x.idx", 14}}},
        {"System\\AMD shader cache.lua",
         {{"User\\AppData\\LocalLow\\AMD\\DxCache\\a.bin", 100},
          {"Local\\AMD\\DxCache\\b.bin", 200},
          {"Local\\AMD\\GLCache\\c.bin", 300},
          {"Local\\AMD\\VkCache\\d.bin", 400},
          {"Local\\AMD\\RadeonSoftware\\vkcache\\e.bin", 500}},
         {{"Local\\AMD\\CN\\settings.json", 11},
          {"Local\\AMD\\RadeonSoftware\\settings.xml", 12},
          {"User\\AppData\\LocalLow\\AMD\\keep.txt", 13}}},
        {"System\\Intel shader cache.lua",
         {{"User\\AppData\\LocalLow\\Intel\\ShaderCache\\s.bin", 100}},
         {{"User\\AppData\\LocalLow\\Intel\\keep.txt", 11}}},
        {"System\\Windows log files.lua",
         {{"Windows\\Logs\\CBS\\CbsPersist_20240101.log", 70000},
          {"Windows\\Logs\\CBS\\CbsPersist_2.cab", 100},
          {"Windows\\Logs\\CBS\\CBS.log", 200},
          {"Windows\\Logs\\DISM\\dism.log", 300},
          {"Windows\\Panther\\setupact.log", 400},
          {"Windows\\Panther\\diag\\diagerr.etl", 500},
          {"Windows\\System32\\LogFiles\\Srt\\SrtTrail.log", 600},
          {"Windows\\System32\\LogFiles\\WMI\\RtBackup\\a.etl", 700}},
         {{"Windows\\System32\\winevt\\Logs\\System.evtx", 11},
          {"Windows\\System32\\winevt\\Logs\\Setup.log", 12},
          {"Windows\\Panther\\unattend.xml", 13},
          {"Windows\\Logs\\CBS\\FilterList.xml", 14},
          {"Windows\\System32\\LogFiles\\Sum\\Svc.mdb", 15}}},
        {"System\\Recent documents.lua",
         {{"{RECENT}\\qs-doc.txt.lnk", 500}},
         {{"{RECENT}\\AutomaticDestinations\\qs.automaticDestinations-ms", 11}, {"{RECENT}\\qs-notes.txt", 12}}},
        {"System\\Jump lists.lua",
         {{"{RECENT}\\AutomaticDestinations\\qs.automaticDestinations-ms", 500},
          {"{RECENT}\\CustomDestinations\\qs.customDestinations-ms", 600}},
         {{"{RECENT}\\qs-doc.txt.lnk", 11},
          {"{RECENT}\\AutomaticDestinations\\qs.txt", 12},
          {"{RECENT}\\AutomaticDestinations\\f01b4d95cf55d32a.automaticDestinations-ms", 13}}},
        {"System\\Windows Defender history.lua",
         {{defender + "Scans\\History\\Service\\DetectionHistory\\01\\ABCDEF", 700},
          {defender + "Scans\\History\\Results\\Resource\\x", 80},
          {defender + "Support\\MPLog-20240101.log", 900}},
         {{defender + "Quarantine\\Entries\\{0A1B}", 11},
          {defender + "Quarantine\\ResourceData\\ab\\ABCD", 12},
          {defender + "Scans\\mpenginedb.db", 13},
          {defender + "Definition Updates\\Default\\mpasbase.vdm", 14}}},
        {"System\\Old Windows installations.lua",
         {{"Drive\\Windows.old\\Windows\\System32\\kernel.dll", 7000},
          {"Drive\\Windows.old\\Users\\me\\Documents\\letter.txt", 300},
          {"Drive\\$Windows.~BT\\Sources\\setup.dat", 500},
          {"Drive\\$Windows.~WS\\x.esd", 100}},
         {{"Drive\\Windows\\win.ini", 11},
          {"Drive\\Users\\me\\Documents\\letter.txt", 12},
          {"Drive\\Windows.older\\keep.txt", 13},
          {"Drive\\$Windows.~BT.txt", 14}},
         {},
         "",
         9}, // every folder goes and counts: the three roots and the six folders below them
        {"Windows Update\\Windows Update downloads.lua",
         {{"Windows\\SoftwareDistribution\\Download\\abc\\pkg.cab", 50000}},
         {{"Windows\\SoftwareDistribution\\DataStore\\DataStore.edb", 11}},
         {},
         "TiWorker.exe"},
        {"Windows Update\\Delivery Optimization.lua",
         {{deliveryOptimization + "Cache\\f1\\piece", 9000},
          {"Windows\\SoftwareDistribution\\DeliveryOptimization\\Cache\\f2\\piece", 800}},
         {{deliveryOptimization + "Logs\\dosvc.etl", 11},
          {"Windows\\SoftwareDistribution\\DataStore\\DataStore.edb", 12}}},
    };
}

std::vector<PluginCase> ToolAndApplicationCases() {
    const std::string steam = "Programs\\Steam\\";
    const std::string teams = "Roaming\\Microsoft\\Teams\\";
    const std::string newTeams = "Local\\Packages\\MSTeams_8wekyb3d8bbwe\\";
    const std::string code = "Roaming\\Code\\";
    const std::vector<FileSpec> codeUserData = {{code + "User\\History\\-1a2b3c\\entries.json", 11},
                                                {code + "User\\History\\-1a2b3c\\AbCd.txt", 12},
                                                {code + "User\\settings.json", 13},
                                                {code + "User\\workspaceStorage\\abc\\state.vscdb", 14},
                                                {"User\\.vscode\\extensions\\x.y-1.0\\package.json", 15}};
    const std::vector<FileSpec> steamUserData = {{steam + "steamapps\\common\\Game\\game.exe", 11},
                                                 {steam + "userdata\\1\\7\\remote\\save.dat", 12},
                                                 {steam + "config\\config.vdf", 13},
                                                 {steam + "appcache\\appinfo.vdf", 14}};
    return {
        {"Developer tools\\npm cache.lua",
         {{"Local\\npm-cache\\_cacache\\content-v2\\sha512\\ab\\cd", 4000}, {"Local\\npm-cache\\_logs\\debug-0.log", 100}},
         {{"Roaming\\npm\\node_modules\\typescript\\package.json", 11}, {"User\\.npmrc", 12}}},
        {"Developer tools\\pip cache.lua",
         {{"Local\\pip\\cache\\http-v2\\a\\b\\c", 3000}, {"Local\\pip\\cache\\wheels\\x\\y.whl", 200}},
         {{"Roaming\\pip\\pip.ini", 11}, {"Local\\pip\\keep.txt", 12}}},
        {"Developer tools\\NuGet caches.lua",
         {{"Local\\NuGet\\v3-cache\\abc$ps_api.nuget.org_v3_index.json\\list.dat", 3000},
          {"Local\\NuGet\\plugins-cache\\p\\q.dat", 200}},
         {{"User\\.nuget\\packages\\newtonsoft.json\\13.0.1\\newtonsoft.json.13.0.1.nupkg", 11},
          {"Roaming\\NuGet\\NuGet.Config", 12},
          {"Local\\NuGet\\Config\\keep.config", 13}}},
        {"Developer tools\\Gradle caches.lua",
         {{"User\\.gradle\\caches\\modules-2\\files-2.1\\org\\x.jar", 5000},
          {"User\\.gradle\\caches\\8.5\\scripts\\abc\\classes.bin", 300}},
         {{"User\\.gradle\\gradle.properties", 11}, {"User\\.gradle\\wrapper\\dists\\gradle-8.5\\gradle.zip", 12}}},
        {"Applications\\Steam caches.lua",
         {{steam + "appcache\\httpcache\\a\\b", 3000},
          {steam + "depotcache\\123_456.manifest", 400},
          {"Local\\Steam\\htmlcache\\Cache\\f_1", 500}},
         steamUserData,
         {},
         "steam.exe"},
        {"Applications\\Steam logs.lua",
         {{steam + "logs\\content_log.txt", 3000}, {steam + "dumps\\crash_steam.dmp", 400}},
         steamUserData,
         {},
         "steam.exe"},
        {"Applications\\Discord cache.lua",
         {{"Roaming\\discord\\Cache\\Cache_Data\\f_1", 3000},
          {"Roaming\\discord\\Code Cache\\js\\x", 100},
          {"Roaming\\discord\\GPUCache\\data_0", 200}},
         {{"Roaming\\discord\\Local Storage\\leveldb\\000003.log", 11}, {"Roaming\\discord\\settings.json", 12}},
         {},
         "Discord.exe"},
        {"Applications\\Microsoft Teams classic cache.lua",
         {{teams + "Cache\\f_1", 3000},
          {teams + "Code Cache\\js\\x", 100},
          {teams + "GPUCache\\data_0", 200},
          {teams + "blob_storage\\abc\\1", 300},
          {teams + "tmp\\t", 400}},
         {{teams + "desktop-config.json", 11},
          {teams + "Local Storage\\leveldb\\000003.log", 12},
          {teams + "IndexedDB\\site\\000003.log", 13},
          {teams + "Backgrounds\\Uploads\\me.png", 14}},
         {},
         "Teams.exe"},
        {"Applications\\Microsoft Teams cache.lua",
         {{newTeams + "LocalCache\\Microsoft\\MSTeams\\EBWebView\\Default\\Cache\\f_1", 3000}},
         {{newTeams + "Settings\\settings.dat", 11}, {newTeams + "LocalState\\state.json", 12}, {newTeams + "AC\\x", 13}},
         {},
         "ms-teams.exe"},
        {"Applications\\Visual Studio Code cache.lua",
         {{code + "Cache\\Cache_Data\\f_1", 3000},
          {code + "CachedData\\abc\\x.js", 100},
          {code + "CachedExtensionVSIXs\\ms-python.python-2024.1.0", 200},
          {code + "Code Cache\\js\\x", 300},
          {code + "GPUCache\\data_0", 400}},
         codeUserData,
         {},
         "Code.exe"},
        {"Applications\\Visual Studio Code logs.lua",
         {{code + "logs\\20240101T000000\\main.log", 3000}, {code + "Crashpad\\reports\\abc.dmp", 100}},
         codeUserData,
         {},
         "Code.exe"},
    };
}

std::vector<PluginCase> AllCases() {
    std::vector<PluginCase> all;
    for (auto part : {BrowserCases(), SystemCases(), ToolAndApplicationCases()})
        for (PluginCase& c : part)
            all.push_back(std::move(c));
    return all;
}

std::string CaseName(const ::testing::TestParamInfo<PluginCase>& info) {
    std::string name;
    for (char ch : info.param.plugin.substr(info.param.plugin.find('\\') + 1))
        if (std::isalnum(static_cast<unsigned char>(ch)))
            name += ch;
    return name.substr(0, name.size() - 3); // without "lua"
}

INSTANTIATE_TEST_SUITE_P(Library, PluginLibrary, ::testing::ValuesIn(AllCases()), CaseName);

// Every plugin file of the shipped library, relative to the scripts folder.
std::vector<std::string> ShippedPlugins(const std::string& folder = "") {
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    const std::string base = std::string(QS_SCRIPTS_SOURCE) + (folder.empty() ? "" : "\\" + folder);
    qs::FindHandle find(FindFirstFileA((base + "\\*").c_str(), &data));
    if (!find)
        return found;
    do {
        const std::string name = data.cFileName;
        const std::string relative = folder.empty() ? name : folder + "\\" + name;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (std::string& inner : ShippedPlugins(relative))
                found.push_back(std::move(inner));
        } else if (name != "category.lua") {
            found.push_back(relative);
        }
    } while (FindNextFileA(find.Get(), &data));
    return found;
}

// The library's rules: every job is tested above, has a description, and has a warning exactly
// when cleaning it can cost the user something; at least 45 jobs ship.
TEST_F(LibraryTest, EveryJobIsTestedDescribedAndWarnedWhereItCosts) {
    const std::set<std::string> warned = {
        "Browsers\\Google Chrome cookies.lua",   "Browsers\\Google Chrome history.lua",
        "Browsers\\Google Chrome site caches.lua", "Browsers\\Microsoft Edge cookies.lua",
        "Browsers\\Microsoft Edge history.lua",  "Browsers\\Microsoft Edge site caches.lua",
        "Browsers\\Brave cookies.lua",           "Browsers\\Brave history.lua",
        "Browsers\\Brave site caches.lua",       "Browsers\\Firefox cookies.lua",
        "Browsers\\Internet history index.lua",  "System\\Jump lists.lua",
        "System\\Recycle bin.lua",               "System\\Windows error reports.lua",
        "System\\Old Windows installations.lua", "Windows Update\\Windows Update downloads.lua"};
    // Tested by the tests of their own below.
    std::set<std::string> tested = {"Browsers\\Internet history index.lua", "System\\Recycle bin.lua",
                                    "Registry\\Recent documents list.lua", "Registry\\Run dialog history.lua",
                                    "Registry\\Typed paths.lua"};
    for (const PluginCase& c : AllCases())
        tested.insert(c.plugin);

    const std::vector<std::string> plugins = ShippedPlugins();
    EXPECT_GE(plugins.size(), 45u);
    for (const std::string& plugin : plugins) {
        EXPECT_EQ(tested.count(plugin), 1u) << "untested: " << plugin;
        auto script = LoadPlugin(plugin);
        script->ReadPluginTexts();
        EXPECT_FALSE(script->Description().empty()) << plugin;
        EXPECT_EQ(!script->Warning().empty(), warned.count(plugin) == 1) << plugin << ": " << script->Warning();
    }
}

// On a profile where no program is installed, only the jobs for Windows' own parts get a row.
TEST_F(LibraryTest, ProgramsThatAreNotInstalledGetNoRow) {
    SKIP_UNLESS_JOB_FUNCTIONS();
    const std::set<std::string> always = {
        "Browsers\\Internet cache.lua",         "Registry\\Recent documents list.lua",
        "Registry\\Run dialog history.lua",     "Registry\\Typed paths.lua",
        "System\\Crash dumps.lua",              "System\\DirectX shader cache.lua",
        "System\\Jump lists.lua",               "System\\Recent documents.lua",
        "System\\Recycle bin.lua",              "System\\Thumbnail and icon caches.lua",
        "System\\User temporary files.lua",     "System\\Windows temporary files.lua",
        "System\\Service temporary files.lua",  "System\\Windows error reports.lua",
        "System\\Windows log files.lua",        "Windows Update\\Windows Update downloads.lua",
        "Windows Update\\Delivery Optimization.lua"};
    for (const std::string& plugin : ShippedPlugins()) {
        auto script = LoadPlugin(plugin);
        EXPECT_EQ(!Name(*script).empty(), always.count(plugin) == 1) << plugin;
    }
}

// Old Windows installations go whole: the folders themselves too, and nothing that only
// resembles their names.
TEST_F(LibraryTest, OldWindowsInstallationsAreRemovedWithTheirFolders) {
    SKIP_UNLESS_JOB_FUNCTIONS();
    Write({{"Drive\\Windows.old\\Windows\\a.dll", 10}, {"Drive\\$Windows.~WS\\Sources\\b.esd", 20}}, 't', 72);
    Write({{"Drive\\Windows.older\\keep.txt", 11}, {"Drive\\$Windows.~BT.txt", 12}}, 'c', 72);
    qs::test::MakeDirs(profile / "Drive\\$Windows.~BT");
    auto script = LoadPlugin("System\\Old Windows installations.lua");
    ASSERT_TRUE(script->Clear());
    for (const char* gone : {"Drive\\Windows.old", "Drive\\$Windows.~WS", "Drive\\$Windows.~BT"})
        EXPECT_FALSE(qs::test::Exists(profile / gone)) << gone;
    ExpectIntact({{"Drive\\Windows.older\\keep.txt", 11}, {"Drive\\$Windows.~BT.txt", 12}}, 'c', "canary");
    // With nothing left of them, the job has no row.
    auto after = LoadPlugin("System\\Old Windows installations.lua");
    EXPECT_EQ(Name(*after), "");
}

// The registry lists: the Run dialog's and Explorer's typed paths lose their values and keep
// their subkeys; the recent documents list goes whole, its per-type subkeys included. Sibling
// keys stay.
TEST_F(LibraryTest, MostRecentlyUsedListsAreCountedAndCleared) {
    const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    const struct {
        const char* plugin;
        const char* key;
        bool whole;
    } jobs[] = {{"Registry\\Run dialog history.lua", "RunMRU", false},
                {"Registry\\Typed paths.lua", "TypedPaths", false},
                {"Registry\\Recent documents list.lua", "RecentDocs", true}};
    const std::string sibling = explorer + "QsSiblingCanary";
    qs::RegKey canary;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sibling.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, canary.Put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(canary.Get(), "a", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    for (const auto& job : jobs) {
        const std::string key = explorer + job.key;
        {
            qs::RegKey k;
            ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(),
                                      nullptr),
                      ERROR_SUCCESS);
            for (const char* value : {"a", "b", "MRUList"})
                RegSetValueExA(k.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
            for (const char* type : {".txt", "Folder"}) {
                qs::RegKey sub;
                RegCreateKeyExA(k.Get(), type, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.Put(), nullptr);
                RegSetValueExA(sub.Get(), "0", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
            }
        }
        auto script = LoadPlugin(job.plugin);
        std::uint64_t size = 1;
        std::uint32_t count = 0;
        ASSERT_TRUE(script->GetSize(size, count));
        EXPECT_EQ(size, 0u);
        // The key, its three values, two subkeys and their values; or the three values alone.
        EXPECT_EQ(count, job.whole ? 1u + 3 + 2 + 2 : 3u) << job.plugin;
        ASSERT_TRUE(script->Clear());
        ASSERT_TRUE(script->GetSize(size, count));
        EXPECT_EQ(count, 0u) << job.plugin;
        qs::RegKey k;
        const bool exists = RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
        EXPECT_EQ(exists, !job.whole) << job.plugin;
        if (exists) {
            DWORD subkeys = 0;
            RegQueryInfoKeyA(k.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr);
            EXPECT_EQ(subkeys, 2u) << job.plugin;
        }
        k.Reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    }
    DWORD values = 0;
    RegQueryInfoKeyA(canary.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(values, 1u);
    canary.Reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, sibling.c_str());
}

// The legacy history index job gets a row only where an index file is there, empties the
// history and cache indexes in place, and never touches the cookie folder's index.
TEST_F(LibraryTest, LegacyHistoryIndexIsClearedAndTheCookieIndexIsNot) {
    SKIP_UNLESS_JOB_FUNCTIONS();
    auto absent = LoadPlugin("Browsers\\Internet history index.lua");
    ASSERT_EQ(Name(*absent), "") << "no index file, yet a row";

    const qs::test::IndexSample sample = qs::test::MakeIndexSample();
    const std::string original(sample.original.begin(), sample.original.end());
    const std::string history = Resolve("{HISTORY}\\History.IE5\\index.dat");
    const std::string cookies = Resolve("{COOKIES}\\index.dat");
    qs::test::WriteText(history, original);
    qs::test::WriteText(cookies, original);

    auto script = LoadPlugin("Browsers\\Internet history index.lua");
    EXPECT_NE(Name(*script), "");
    std::uint64_t size = 1;
    std::uint32_t count = 1;
    ASSERT_TRUE(script->GetSize(size, count));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(script->Clear());
    EXPECT_EQ(qs::test::ReadText(history), std::string(sample.afterLeakScan.begin(), sample.afterLeakScan.end()));
    EXPECT_EQ(qs::test::ReadText(cookies), original);
}

TEST(PluginLibraryRecycleBin, MeasuresAndEmptiesTheBin) {
    qs::test::ScriptHost host;
    auto script = std::make_unique<CPluginScript>(host.Vm());
    ASSERT_TRUE(script->LoadFile(Script("System\\Recycle bin.lua").c_str()));
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
