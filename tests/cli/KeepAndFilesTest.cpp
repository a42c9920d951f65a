// The companion's keep list and file listing over a fake profile: list --keep, preview --files in
// text and JSON, and the listed files being exactly those that clean then removes, with every
// kept file and everything outside the job intact byte for byte.
#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "cli/TextTable.h"
#include "framework/ByteSize.h"
#include "ChildProcess.h"
#include "support/TempDir.h"
#include "support/Unicode.h"
#include "support/WideTree.h"

#include "support/HostScopeProbe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

using qs::test::ChildProcess;
using qs::test::MakeEntry;
using qs::test::Snapshot;
using qs::test::TempDir;
using qs::test::TreeSnapshot;
using qs::test::WriteText;
using Lines = std::vector<std::string>;

using Result = qs::test::RunResult;

// A folder a script names as the host reports it: expanded and upper-cased in the code page.
std::string HostCase(std::string path) {
    CharUpperBuffA(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

std::uint64_t OnDrive(std::uint64_t bytes) {
    const std::uint64_t cluster = qs::test::TempClusterSize();
    return (bytes + cluster - 1) / cluster * cluster;
}

// A profile folder with a cache that the plugin "Cache" measures and cleans whole, a file and a
// folder in it that the keep list protects, a name outside the code page, and a second plugin's
// folder and a canary beside it that no command may touch.
class KeepAndFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        exe = dir / "QuillsweepCmd.exe";
        ASSERT_TRUE(CopyFileA(qs::test::BuiltCompanion().c_str(), exe.c_str(), FALSE));
        profile = dir / "profile";
        qs::test::MakeDirs(profile);
        for (const auto& [path, bytes] : std::vector<std::pair<std::wstring, std::size_t>>{
                 {L"Cache\\a.tmp", 100},
                 {L"Cache\\Sub\\b.tmp", 5000},
                 {L"Cache\\\u65e5\u672c.tmp", 10},
                 {L"Cache\\pinned.lnk", 7},
                 {L"Cache\\Offline\\song.dat", 3000},
                 {L"Cache\\Offline\\Deep\\more.dat", 20},
                 {L"Other\\x.tmp", 50},
                 {L"canary.txt", 30}})
            ASSERT_TRUE(MakeEntry(profile, path, std::string(bytes, 'q')));
        const std::string cache = profile + "\\Cache";
        WriteText(dir / "scripts\\Browsers\\category.lua", "function this:GetCategoryName() return 'Browsers' end\n");
        WriteText(dir / "scripts\\Browsers\\cache.lua",
                  "function this:GetPluginName() return 'Cache' end\n"
                  "function this:GetSize() return self:GetFolderSize([[" + cache + "]], '*', true) end\n"
                  "function this:Clear() self:DeleteFolderContent([[" + cache + "]], '*', true) end\n");
        WriteText(dir / "scripts\\other.lua",
                  "function this:GetPluginName() return 'Other' end\n"
                  "function this:GetSize() return self:GetFolderSize([[" + profile + "\\Other]], '*', true) end\n"
                  "function this:Clear() self:DeleteFolderContent([[" + profile + "\\Other]], '*', true) end\n");
        kept = {cache + "\\PINNED.lnk", "%QS_TEST_PROFILE%\\Cache\\Offline"};
        SetEnvironmentVariableA("QS_TEST_PROFILE", profile.c_str());
        std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Quillsweep version=\"1\"><keep>";
        for (const std::string& k : kept)
            xml += "<path>" + k + "</path>";
        WriteText(dir / "settings.xml", xml + "</keep></Quillsweep>\n");
    }
    void TearDown() override { SetEnvironmentVariableA("QS_TEST_PROFILE", nullptr); }

    Result Run(const Lines& args) { return qs::test::RunToEnd(exe, args); }

    TempDir dir;
    std::string exe, profile;
    Lines kept;
};

TEST_F(KeepAndFilesTest, ListKeepPrintsTheListAsWritten) {
    Result r = Run({"list", "--keep"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(r.out, kept[0] + qs::kEol + kept[1] + qs::kEol);
    r = Run({"list", "--keep", "--json"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(r.out, qs::FormatKeepList(kept, dir / "settings.xml", true));
    EXPECT_NE(r.out.find("\"keep\":[\""), std::string::npos) << r.out;

    // No scripts are needed to read the list; an empty list says so.
    WriteText(dir / "settings.xml", "<Quillsweep/>");
    r = Run({"list", "--keep", "--scripts", dir / "missing"});
    EXPECT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(r.out, "The keep list is empty (" + (dir / "settings.xml") + ")." + qs::kEol);

    for (const Lines& wrong : {Lines{"preview", "--keep"}, Lines{"list", "--files"}, Lines{"clean", "--files", "X"}}) {
        r = Run(wrong);
        EXPECT_EQ(r.code, qs::kExitUsage) << wrong[0] << " " << wrong[1];
        EXPECT_EQ(r.out, "");
    }
}

// preview --files lists every file the plugin counts, kept ones left out, with sizes on drive,
// sorted; clean then removes exactly those files and nothing else.
TEST_F(KeepAndFilesTest, ListedFilesAreExactlyWhatCleanRemoves) {
    SKIP_UNLESS_HOST_SCOPE();
    const std::string cache = HostCase(profile + "\\Cache");
    // A folder the measurement counts is an item of size 0.
    const std::vector<std::pair<std::string, std::uint64_t>> expected = {
        {cache + "\\a.tmp", OnDrive(100)},
        {cache + "\\Sub", 0},
        {cache + "\\Sub\\b.tmp", OnDrive(5000)},
        {cache + "\\<U+65E5><U+672C>.tmp", OnDrive(10)},
    };
    std::uint64_t total = 0;
    std::vector<std::vector<std::string>> table = {{"Size On Drive", "Path"}};
    for (const auto& [path, size] : expected) {
        table.push_back({std::to_string(size), path});
        total += size;
    }
    Result r = Run({"preview", "--files", "-q", "cache"});
    ASSERT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_EQ(r.out, "Cache (Browsers): 4 items, " + qs::FormatByteSize(total) + " (" + std::to_string(total) +
                         " bytes)" + qs::kEol + qs::FormatTable(table, {true, false}))
        << r.out;

    // JSON: the paths with their real characters, in UTF-8; a category stands for its plugins.
    r = Run({"preview", "--files", "--json", "-q", "Browsers"});
    ASSERT_EQ(r.code, qs::kExitOk) << r.err;
    EXPECT_TRUE(qs::test::IsUtf8(r.out)) << r.out;
    std::string escaped;
    for (const char c : cache)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_NE(r.out.find("\"files\":[{\"path\":\"" + escaped + "\\\\a.tmp\",\"sizeOnDrive\":" +
                         std::to_string(OnDrive(100)) + "},{\"path\":\"" + escaped + "\\\\Sub\",\"sizeOnDrive\":0},"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"path\":\"" + escaped + "\\\\\xE6\x97\xA5\xE6\x9C\xAC.tmp\",\"sizeOnDrive\":" +
                         std::to_string(OnDrive(10)) + "}]"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"listed\":{\"size\":" + std::to_string(total)), std::string::npos) << r.out;

    const TreeSnapshot before = Snapshot(profile);
    r = Run({"clean", "-q", "Cache"});
    ASSERT_EQ(r.code, qs::kExitOk) << r.err;
    const TreeSnapshot after = Snapshot(profile);
    std::set<std::wstring> removed;
    for (const auto& [path, content] : before) {
        const auto left = after.find(path);
        if (left == after.end())
            removed.insert(path.back() == L'\\' ? path.substr(0, path.size() - 1) : path);
        else
            EXPECT_EQ(left->second, content) << qs::test::Printable(path);
    }
    EXPECT_EQ(removed, (std::set<std::wstring>{L"Cache\\a.tmp", L"Cache\\Sub", L"Cache\\Sub\\b.tmp",
                                               L"Cache\\\u65e5\u672c.tmp"}));
    for (const std::wstring& stays : std::vector<std::wstring>{L"Cache\\pinned.lnk", L"Cache\\Offline\\song.dat",
                                      L"Cache\\Offline\\Deep\\more.dat", L"Other\\x.tmp", L"canary.txt"})
        EXPECT_EQ(after.count(stays), 1u) << qs::test::Printable(stays);
}

// A settings file that is there but cannot be read hides its keep list: clean runs nothing,
// preview says the list is not used.
TEST_F(KeepAndFilesTest, UnreadableSettingsStopCleanBeforeAnythingRuns) {
    WriteText(dir / "settings.xml", "<Quillsweep><keep><path>" + kept[0] + "</path></keep>");
    const TreeSnapshot before = Snapshot(profile);
    Result r = Run({"clean", "Cache"});
    EXPECT_EQ(r.code, qs::kExitCannotStart);
    EXPECT_NE(r.err.find("its keep list is unknown"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Snapshot(profile), before);
    r = Run({"preview", "Cache"});
    EXPECT_EQ(r.code, qs::kExitOk);
    EXPECT_NE(r.err.find("no row is selected and no path is kept"), std::string::npos) << r.err;
}

} // namespace
