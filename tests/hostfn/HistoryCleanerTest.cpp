// Clearing history index files in place: folders and MSHist subfolders, shared names, the mutex.
#include "hostfn/HistoryCleaner.h"

#include "support/IndexFileBuilder.h"
#include "support/ScriptHost.h"
#include "support/Spawn.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

using qs::test::Exists;
using qs::test::ReadText;
using qs::test::ScriptHost;
using qs::test::TempDir;
using qs::test::Wide;
using qs::test::WriteText;

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(IndexNames, MappingAndMutexNamesFollowThePath) {
    EXPECT_EQ(qs::IndexMappingName(L"C:\\CACHE\\index.dat", 16384), L"C:_CACHE_index.dat_16384");
    EXPECT_EQ(qs::IndexMutexName(L"C:\\CACHE\\index.dat"), L"c:!cache!index.dat!");
    EXPECT_EQ(qs::IndexMappingName(L"C:\\A B\\MSHIST01\\index.dat", 4294967295u),
              L"C:_A B_MSHIST01_index.dat_4294967295");
    EXPECT_EQ(qs::IndexMutexName(L"C:\\A B\\MSHist01\\Index.DAT"), L"c:!a b!mshist01!index.dat!");
}

class HistoryCleanerTest : public ::testing::Test {
protected:
    void SetUp() override { m_sample = qs::test::MakeIndexSample(); }

    std::string Index(const std::string& folder) const { return folder + "\\index.dat"; }
    void WriteIndex(const std::string& folder) const { WriteText(Index(folder), Text(m_sample.original)); }

    TempDir m_dir;
    qs::test::IndexSample m_sample;
};

TEST_F(HistoryCleanerTest, ClearsTheFolderAndItsMSHistSubfolders) {
    struct Case {
        const char* name;
        bool trailingBackslash;
        bool leakScan;
    } cases[] = {{"plain", false, false}, {"backslash", true, false}, {"leak-scan", false, true}};
    for (const Case& c : cases) {
        const std::string root = m_dir / c.name;
        WriteIndex(root);
        WriteIndex(root + "\\MSHist012024010120240108");
        WriteIndex(root + "\\mshist2"); // the platform's name matching ignores case
        WriteIndex(root + "\\Other");
        qs::test::MakeDirs(root + "\\MSHistEmpty");
        WriteText(root + "\\MSHistFile", "a file, not a folder");
        // A link is not followed: the index behind it belongs to another folder.
        ASSERT_TRUE(qs::test::MakeFolderLink(root + "\\MSHistLink", root + "\\Other")) << c.name;

        EXPECT_TRUE(qs::CleanIndexFolder(c.trailingBackslash ? root + "\\" : root, c.leakScan)) << c.name;
        const std::string& main = c.leakScan ? Text(m_sample.afterLeakScan) : Text(m_sample.afterHashWalk);
        EXPECT_EQ(ReadText(Index(root)), main) << c.name;
        // Subfolder indexes are always scanned for leaks.
        EXPECT_EQ(ReadText(Index(root + "\\MSHist012024010120240108")), Text(m_sample.afterLeakScan)) << c.name;
        EXPECT_EQ(ReadText(Index(root + "\\mshist2")), Text(m_sample.afterLeakScan)) << c.name;
        EXPECT_EQ(ReadText(Index(root + "\\Other")), Text(m_sample.original)) << c.name;
        EXPECT_FALSE(Exists(Index(root + "\\MSHistEmpty"))) << c.name;
        EXPECT_EQ(ReadText(root + "\\MSHistFile"), "a file, not a folder") << c.name;
    }
}

// MSHist folders are found by their real names: one with fullwidth digits is cleared as itself,
// and a fullwidth look-alike of "MSHist" is no MSHist folder (nor a way to another one's index).
TEST_F(HistoryCleanerTest, MSHistFoldersAreFoundAndOpenedByTheirRealNames) {
    const std::string root = m_dir / "names";
    WriteIndex(root);
    WriteIndex(root + "\\MSHist01");
    qs::test::MakeEntry(root, L"MSHist\xFF10\xFF11\\index.dat", Text(m_sample.original));
    qs::test::MakeEntry(root, L"\xFF2D\xFF33\xFF28\xFF49\xFF53\xFF54" L"02\\index.dat", Text(m_sample.original));
    EXPECT_TRUE(qs::CleanIndexFolder(root, false));
    const qs::test::TreeSnapshot after = qs::test::Snapshot(root);
    EXPECT_EQ(after.at(L"MSHist01\\index.dat"), Text(m_sample.afterLeakScan));
    EXPECT_EQ(after.at(L"MSHist\xFF10\xFF11\\index.dat"), Text(m_sample.afterLeakScan));
    EXPECT_EQ(after.at(L"\xFF2D\xFF33\xFF28\xFF49\xFF53\xFF54" L"02\\index.dat"), Text(m_sample.original));
}

// Kept index files are left as they are, the main one or a subfolder's; a kept folder keeps
// every index below it. The other indexes are cleared as ever.
TEST_F(HistoryCleanerTest, KeptIndexFilesAreLeftAsTheyAre) {
    struct Case {
        const char* name;
        std::vector<std::string> kept; // relative to the folder
        bool mainCleared, firstCleared, secondCleared;
    } cases[] = {
        {"main", {"index.dat"}, false, true, true},
        {"sub", {"MSHIST01\\INDEX.DAT"}, true, false, true},
        {"folder", {""}, false, false, false},
        {"none", {"elsewhere"}, true, true, true},
    };
    for (const Case& c : cases) {
        const std::string root = m_dir / c.name;
        WriteIndex(root);
        WriteIndex(root + "\\MSHist01");
        WriteIndex(root + "\\MSHist02");
        std::vector<std::wstring> kept;
        for (const std::string& k : c.kept)
            kept.push_back(Wide(k.empty() ? root : root + "\\" + k));
        qs::CWalkScope scope;
        scope.keep = qs::CKeepList::FromWide(kept);
        qs::CleanIndexFolder(scope, root, false);
        const auto expect = [&](const std::string& folder, bool cleared, const std::string& afterClear) {
            EXPECT_EQ(ReadText(Index(folder)), cleared ? afterClear : Text(m_sample.original)) << c.name << " " << folder;
        };
        expect(root, c.mainCleared, Text(m_sample.afterHashWalk));
        expect(root + "\\MSHist01", c.firstCleared, Text(m_sample.afterLeakScan));
        expect(root + "\\MSHist02", c.secondCleared, Text(m_sample.afterLeakScan));
    }
}

TEST_F(HistoryCleanerTest, AMainIndexThatCannotBeOpenedStopsEverything) {
    struct Case {
        const char* name;
        std::string mainContent; // "-" for no file at all
        bool readOnly;
    } cases[] = {{"missing", "-", false}, {"empty", "", false}, {"read-only", Text(m_sample.original), true}};
    for (const Case& c : cases) {
        const std::string root = m_dir / c.name;
        WriteIndex(root + "\\MSHist01");
        qs::test::MakeDirs(root);
        if (c.mainContent != "-")
            WriteText(Index(root), c.mainContent);
        if (c.readOnly)
            SetFileAttributesA(Index(root).c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_FALSE(qs::CleanIndexFolder(root, true)) << c.name;
        if (c.mainContent != "-") {
            EXPECT_EQ(ReadText(Index(root)), c.mainContent) << c.name;
        }
        EXPECT_EQ(ReadText(Index(root + "\\MSHist01")), Text(m_sample.original)) << c.name;
        SetFileAttributesA(Index(root).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    // A folder named index.dat is no index file.
    qs::test::MakeDirs(Index(m_dir / "dir"));
    qs::CClearWizard wizard;
    EXPECT_FALSE(wizard.OpenIndexFile(Index(m_dir / "dir")));
    EXPECT_FALSE(qs::CleanIndexFolder("", false));
}

TEST_F(HistoryCleanerTest, WithoutMSHistSubfoldersTheMainIndexIsClearedAndTheAnswerIsFalse) {
    WriteIndex(m_dir.Path());
    EXPECT_FALSE(qs::CleanIndexFolder(m_dir.Path(), false));
    EXPECT_EQ(ReadText(Index(m_dir.Path())), Text(m_sample.afterHashWalk));
}

TEST_F(HistoryCleanerTest, TheOpenFileIsSharedUnderItsNamesUntilClosed) {
    const std::string path = Index(m_dir.Path());
    WriteIndex(m_dir.Path());
    const std::wstring mapping =
        qs::IndexMappingName(Wide(path), static_cast<std::uint32_t>(m_sample.original.size()));
    const std::wstring mutex = qs::IndexMutexName(Wide(path));
    {
        qs::CHistoryCleaner cleaner;
        ASSERT_TRUE(cleaner.OpenIndexFile(path));
        HANDLE m = OpenFileMappingW(FILE_MAP_READ, FALSE, mapping.c_str());
        HANDLE x = OpenMutexW(SYNCHRONIZE, FALSE, mutex.c_str());
        EXPECT_NE(m, nullptr);
        EXPECT_NE(x, nullptr);
        CloseHandle(m);
        CloseHandle(x);
        // The base class visits without erasing.
        EXPECT_TRUE(cleaner.ClearHashedRecords());
        EXPECT_TRUE(cleaner.ClearLeakRecords());
        cleaner.CloseIndexFile();
        EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, mapping.c_str()), nullptr);
        EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, mutex.c_str()), nullptr);
        EXPECT_FALSE(cleaner.ClearHashedRecords());
        EXPECT_FALSE(cleaner.ClearLeakRecords());
    }
    EXPECT_EQ(ReadText(path), Text(m_sample.original));
}

TEST_F(HistoryCleanerTest, WalksWaitForTheNamedMutex) {
    const std::string path = Index(m_dir.Path());
    WriteIndex(m_dir.Path());
    // Another user of the file holds the mutex.
    HANDLE held = CreateMutexW(nullptr, TRUE, qs::IndexMutexName(Wide(path)).c_str());
    ASSERT_NE(held, nullptr);
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        qs::CClearWizard wizard;
        if (wizard.OpenIndexFile(path))
            wizard.ClearHashedRecords();
        finished = true;
    });
    Sleep(300);
    EXPECT_FALSE(finished);
    EXPECT_EQ(ReadText(path), Text(m_sample.original));
    ReleaseMutex(held);
    worker.join();
    CloseHandle(held);
    EXPECT_EQ(ReadText(path), Text(m_sample.afterHashWalk));
}

std::string HelperPath() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.find_last_of('\\') + 1) + "index_mapping_holder.exe";
}

// A second process holds the index under its shared name; the script names the folder through
// a macro in lower case, so the mapping name is the special folder's path as the platform gives
// it, the rest upper case, and "index.dat" as it stands.
TEST_F(HistoryCleanerTest, ASecondProcessHoldingTheMappingSeesTheEdits) {
    char history[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, history, CSIDL_HISTORY, FALSE));
    const std::string leaf = "Qs-Test-" + std::to_string(GetCurrentProcessId());
    std::string upperLeaf = leaf;
    CharUpperBuffA(&upperLeaf[0], DWORD(upperLeaf.size()));
    const std::string folder = std::string(history) + "\\" + upperLeaf;
    WriteIndex(folder);
    const std::wstring wideName =
        qs::IndexMappingName(Wide(Index(folder)), static_cast<std::uint32_t>(m_sample.original.size()));
    const std::string name(wideName.begin(), wideName.end()); // the special folder's path is ASCII here
    ASSERT_EQ(name.find('\\'), std::string::npos);
    ASSERT_NE(name.find(upperLeaf + "_index.dat_"), std::string::npos);

    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string readyName = "qs-test-ready-" + tag, doneName = "qs-test-done-" + tag;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, doneName.c_str());
    const std::string output = m_dir / "held.bin";
    std::string line = "\"" + HelperPath() + "\" \"" + name + "\" \"" + Index(folder) + "\" " + readyName + " " +
                       doneName + " \"" + output + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(qs::test::StartPatiently(
        [&] { return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi); }));
    ASSERT_EQ(WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);

    ScriptHost host;
    EXPECT_EQ(host.Eval("self:ClearIndexFile('%history%\\\\" + leaf + "', 1)"), std::vector<std::string>{});

    SetEvent(done);
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(ready);
    CloseHandle(done);
    EXPECT_EQ(code, 0u);
    // The edits landed in the other process's memory; the file itself was never mapped here.
    EXPECT_EQ(ReadText(output), Text(m_sample.afterLeakScan));
    EXPECT_EQ(ReadText(Index(folder)), Text(m_sample.original));
    qs::test::RemoveTree(folder);
}

} // namespace
