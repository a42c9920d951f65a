// The shared refresh and clean passes with real plugins on a model and no window: what they run
// in which order, what they tell their observer, category totals, cancellation and the
// companion's options.
#include "engine/Passes.h"

#include "engine/HostFunctions.h"
#include "engine/HostScope.h"
#include "hostfn/Cancellation.h"
#include "support/ScriptHost.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include "support/HostScopeProbe.h"

#include <gtest/gtest.h>

#include <lauxlib.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace qs;
using Names = std::vector<std::string>;

// Writes every notice as one line: "start refresh", "row A1", "measured A1 1001 1", "before A1
// ...", "cleared A1", "raised A1 <message>", "step A1", "end refresh cancelled".
class Recorder : public CPassObserver {
public:
    void OnPassStarted(CPassKind kind, const CScriptRow& root) override {
        // A listing runs over its one row; the other passes over the hidden root.
        if (kind != CPassKind::kFiles) {
            EXPECT_EQ(root.parent, nullptr) << "the pass reports the hidden root";
        }
        events.push_back("start " + Kind(kind));
    }
    void OnRowStarting(CPassKind kind, const CScriptRow& row) override {
        statuses.push_back(RowStatusText(kind, row));
        events.push_back("row " + Name(row));
        if (onRow)
            onRow(row);
    }
    void OnRowMeasured(const CScriptRow& row, const CEntryResult& r, bool beforeClear) override {
        if (r.raised)
            events.push_back("raised " + Name(row) + " " + r.error);
        else
            events.push_back((beforeClear ? "before " : "measured ") + Name(row) + " " + std::to_string(r.size) + " " +
                             std::to_string(r.count));
        if (onMeasured)
            onMeasured(row);
    }
    void OnRowCleared(const CScriptRow& row, const CEntryResult& r) override {
        events.push_back("cleared " + Name(row) + (r.answered ? "" : " unanswered") +
                         (r.skipped.empty() ? "" : " skipped: " + r.skipped));
        if (onCleared)
            onCleared(row);
    }
    void OnProgress(const CScriptRow& row) override { events.push_back("step " + Name(row)); }
    void OnPassEnded(CPassKind kind, bool cancelled) override {
        events.push_back("end " + Kind(kind) + (cancelled ? " cancelled" : ""));
    }

    // The events whose first word is `what`, without it.
    Names Only(const std::string& what) const {
        Names out;
        for (const std::string& e : events)
            if (e.compare(0, what.size() + 1, what + " ") == 0)
                out.push_back(e.substr(what.size() + 1));
        return out;
    }

    static std::string Kind(CPassKind kind) {
        return kind == CPassKind::kRefresh ? "refresh" : kind == CPassKind::kClean ? "clean" : "files";
    }
    static std::string Name(const CScriptRow& row) { return row.userData != nullptr ? row.userData->Name() : "?"; }

    Names events, statuses;
    std::function<void(const CScriptRow&)> onRow, onMeasured, onCleared;
};

// Each plugin answers GetSize from the Lua table Sizes, fails while Fail names it, and is left
// empty by Clear, which instead answers the reason it skips while Skip names it.
const char* const kPlugin = R"(
local NAME = "%s"
function this:GetPluginName() return NAME end
function this:GetSize()
    if Fail[NAME] then error("cannot measure " .. NAME) end
    local v = Sizes[NAME]
    return v[1], v[2]
end
function this:Clear()
    if Skip[NAME] then return Skip[NAME] end
    Sizes[NAME] = {"0", "0"}
end
)";

// Two categories of three plugins on a model: Cat A (A1..A3) and Cat B (B1..B3).
class PassesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Lua("Sizes, Fail, Skip = {}, {}, {}");
        for (char c : {'A', 'B'}) {
            const std::string cat = std::string("Cat ") + c;
            CScriptRow* catRow = Add("function this:GetCategoryName() return '" + cat + "' end", true, nullptr, cat);
            for (int i = 1; i <= 3; ++i) {
                const std::string name = std::string(1, c) + std::to_string(i);
                char source[1024];
                std::snprintf(source, sizeof source, kPlugin, name.c_str());
                Add(source, false, catRow, name);
                SetSize(name, (c - 'A' + 1) * 1000 + i, i); // A1: 1001 bytes in 1 file ...
            }
        }
        CancelledFlag().store(false);
    }
    void TearDown() override { CancelledFlag().store(false); }

    CScriptRow* Add(const std::string& source, bool isGroup, CScriptRow* parent, const std::string& name) {
        auto script = host.Load(source);
        EXPECT_TRUE(script) << name;
        std::string answered;
        if (isGroup)
            script->GetCategoryName(answered);
        else
            script->GetPluginName(answered);
        CScriptRow* row = model.InsertItem(std::move(script), -1, kUnchecked, isGroup ? 1 : 0, parent);
        rows[name] = row;
        return row;
    }
    void Lua(const std::string& chunk) {
        ASSERT_EQ(luaL_dostring(host.Vm().State(), chunk.c_str()), 0) << lua_tostring(host.Vm().State(), -1);
    }
    void SetSize(const std::string& name, std::uint64_t size, std::uint32_t count) {
        Lua("Sizes['" + name + "'] = {'" + std::to_string(size) + "', '" + std::to_string(count) + "'}");
    }
    std::uint64_t SizeOf(const std::string& name) { return rows.at(name)->userData->Size(); }
    void Check(const std::string& name) { model.SetCheck(rows.at(name), kChecked, true, true); }
    CScriptRow& Root() { return *model.GetRootItem(); }

    test::ScriptHost host; // outlives the rows' scripts
    CScriptsModel model;
    std::map<std::string, CScriptRow*> rows;
    Recorder seen;
};

TEST_F(PassesTest, RefreshTellsEachRowBeforeItRunsAndKeepsCategoryTotals) {
    EXPECT_TRUE(RunRefreshPass(Root(), CPassOptions(), seen));
    EXPECT_EQ(seen.statuses,
              (Names{"Now updating: Cat A", "Now updating: A1", "Now updating: A2", "Now updating: A3",
                     "Now updating: Cat B", "Now updating: B1", "Now updating: B2", "Now updating: B3"}));
    // A category row runs too (it has no GetSize and keeps its figures), and is stepped.
    const Names head(seen.events.begin(), seen.events.begin() + 8);
    EXPECT_EQ(head, (Names{"start refresh", "row Cat A", "measured Cat A 0 0", "step Cat A", "row A1",
                           "measured A1 1001 1", "step A1", "row A2"}));
    EXPECT_EQ(seen.events.back(), "end refresh");
    EXPECT_EQ(SizeOf("Cat B"), 2001u + 2002 + 2003);

    // Only the checked rows, and a category moves by the difference its plugin made.
    Check("B2");
    SetSize("B2", 2, 0);
    SetSize("B1", 9, 9);
    seen = Recorder();
    EXPECT_TRUE(RunRefreshPass(Root(), CPassOptions{kRunCheckedRows, false, false}, seen));
    EXPECT_EQ(seen.Only("measured"), Names{"B2 2 0"});
    EXPECT_EQ(seen.Only("step"), Names{"B2"});
    EXPECT_EQ(SizeOf("Cat B"), 2001u + 2 + 2003);
    EXPECT_EQ(SizeOf("B1"), 2001u);
}

TEST_F(PassesTest, CleanClearsCheckedPluginsThenMeasuresThemAndRecountsTheirCategories) {
    EXPECT_TRUE(RunRefreshPass(Root(), CPassOptions(), seen));
    Check("A1");
    Check("Cat B");
    seen = Recorder();
    EXPECT_TRUE(RunCleanPass(Root(), CPassOptions(), seen));
    EXPECT_EQ(seen.statuses, (Names{"Now clearing: A1", "Now clearing: B1", "Now clearing: B2", "Now clearing: B3"}));
    const Names head(seen.events.begin(), seen.events.begin() + 6);
    EXPECT_EQ(head, (Names{"start clean", "row A1", "cleared A1", "measured A1 0 0", "step A1", "row B1"}));
    EXPECT_EQ(seen.events.back(), "end clean");
    EXPECT_EQ(SizeOf("Cat A"), 1002u + 1003) << "unchecked plugins still count";
    EXPECT_EQ(SizeOf("Cat B"), 0u);
}

// A plugin whose Clear skips is reported with its reason, keeps what it measures and does not
// stop the pass.
TEST_F(PassesTest, ASkippingClearIsReportedWithItsReasonAndTheRestRuns) {
    const CPassOptions companion{kRunCheckedRows, true, true};
    Check("A1");
    Check("A2");
    Lua("Skip['A1'] = 'Viewer is running'");
    EXPECT_TRUE(RunCleanPass(Root(), companion, seen));
    EXPECT_EQ(seen.events,
              (Names{"start clean", "before A1 1001 1", "row A1", "cleared A1 skipped: Viewer is running",
                     "measured A1 1001 1", "step A1", "before A2 1002 2", "row A2", "cleared A2", "measured A2 0 0",
                     "step A2", "end clean"}));
}

TEST_F(PassesTest, ACancelStopsAfterTheRowAtHand) {
    seen.onRow = [](const CScriptRow& row) {
        if (Recorder::Name(row) == "A2")
            CancelledFlag().store(true);
    };
    EXPECT_FALSE(RunRefreshPass(Root(), CPassOptions(), seen));
    EXPECT_EQ(seen.Only("step"), (Names{"Cat A", "A1", "A2"}));
    EXPECT_EQ(seen.events.back(), "end refresh cancelled");

    // Set before the pass: nothing runs.
    seen = Recorder();
    EXPECT_FALSE(RunRefreshPass(Root(), CPassOptions(), seen));
    EXPECT_EQ(seen.events, (Names{"start refresh", "end refresh cancelled"}));
}

TEST_F(PassesTest, ARaisingPluginIsReportedKeepsItsFiguresAndIsStillStepped) {
    EXPECT_TRUE(RunRefreshPass(Root(), CPassOptions(), seen));
    Lua("Fail['A2'] = true");
    seen = Recorder();
    EXPECT_TRUE(RunRefreshPass(Root(), CPassOptions(), seen));
    const Names raised = seen.Only("raised");
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].rfind("A2 ", 0), 0u);
    EXPECT_NE(raised[0].find("cannot measure A2"), std::string::npos) << raised[0];
    EXPECT_EQ(SizeOf("A2"), 1002u);
    EXPECT_EQ(seen.Only("step").size(), 8u);
}

// The companion's pass: plugins only, each measured before its Clear, and a cancel that keeps a
// measurement from reporting too little.
TEST_F(PassesTest, CompanionOptionsMeasureBeforeClearAndSkipCategories) {
    const CPassOptions companion{kRunCheckedRows, true, true};
    Check("A1");
    Check("A3");
    EXPECT_TRUE(RunRefreshPass(Root(), companion, seen));
    EXPECT_EQ(seen.statuses, (Names{"Now updating: A1", "Now updating: A3"}));
    EXPECT_EQ(seen.Only("step"), (Names{"A1", "A3"}));

    seen = Recorder();
    EXPECT_TRUE(RunCleanPass(Root(), companion, seen));
    EXPECT_EQ(seen.events,
              (Names{"start clean", "before A1 1001 1", "row A1", "cleared A1", "measured A1 0 0", "step A1",
                     "before A3 1003 3", "row A3", "cleared A3", "measured A3 0 0", "step A3", "end clean"}));

    // A cancel while measuring before: Clear does not begin.
    SetSize("A1", 5, 5);
    seen = Recorder();
    seen.onMeasured = [](const CScriptRow&) { CancelledFlag().store(true); };
    EXPECT_FALSE(RunCleanPass(Root(), companion, seen));
    EXPECT_EQ(seen.events, (Names{"start clean", "before A1 5 5", "end clean cancelled"}));
    EXPECT_EQ(SizeOf("A1"), 5u);

    // A cancel during Clear: no measurement after it.
    CancelledFlag().store(false);
    seen = Recorder();
    seen.onCleared = [](const CScriptRow&) { CancelledFlag().store(true); };
    EXPECT_FALSE(RunCleanPass(Root(), companion, seen));
    EXPECT_EQ(seen.events,
              (Names{"start clean", "before A1 5 5", "row A1", "cleared A1", "step A1", "end clean cancelled"}));
}

} // namespace

namespace {

// The rows the window asks about are exactly the warned ones among those the clean pass clears.
TEST_F(PassesTest, WarnedRowsAreTheWarnedRowsTheCleanPassWouldClear) {
    const auto warned = [this](const std::string& name, CScriptRow* parent) {
        char source[1024];
        std::snprintf(source, sizeof source, kPlugin, name.c_str());
        Add(std::string(source) + "function this:GetPluginWarning() return 'Careful with " + name + "' end\n", false,
            parent, name);
        rows.at(name)->userData->ReadPluginTexts();
        SetSize(name, 1, 1);
    };
    warned("WA", rows.at("Cat A"));
    warned("WB", rows.at("Cat B"));
    warned("WTop", nullptr);
    const auto names = [](const std::vector<const CScriptRow*>& list) {
        Names out;
        for (const CScriptRow* row : list)
            out.push_back(row->userData->Name());
        return out;
    };
    struct {
        Names checked;
        Names asked;
    } cases[] = {
        {{}, {}}, {{"A1", "B2"}, {}}, {{"WA"}, {"WA"}}, {{"Cat B", "WTop"}, {"WB", "WTop"}}, {{"Cat A", "A1"}, {"WA"}},
    };
    for (const auto& c : cases) {
        for (CScriptRow* top = Root().firstChild; top != nullptr; top = top->nextSibling)
            model.SetCheck(top, kUnchecked, true, true);
        for (const std::string& name : c.checked)
            Check(name);
        EXPECT_EQ(names(WarnedRowsToClean(Root())), c.asked);
        Recorder clean;
        RunCleanPass(Root(), CPassOptions(), clean);
        Names clearedWarned;
        for (const std::string& cleared : clean.Only("cleared"))
            if (rows.at(cleared)->userData->Warning() != "")
                clearedWarned.push_back(cleared);
        EXPECT_EQ(clearedWarned, c.asked);
    }
}

// Show files...: one plugin measured alone and told as a pass of its own; its figures and its
// category's totals move as a refresh moves them; the machine's scope, keep list included, is
// as it was before. A category row is not measured; a cancel set before runs nothing.
TEST_F(PassesTest, FilesPassMeasuresOnePluginAloneAndLeavesTheScopeAsItWas) {
    EXPECT_TRUE(RunRefreshPass(Root(), CPassOptions(), seen));
    SetSize("B2", 7, 1);
    CHostScope scope;
    scope.keptPaths = {"C:\\kept"};
    host.Vm().SetHostScope(&scope);
    std::vector<CListedFile> files = {{L"stale", 1}};
    seen = Recorder();
    EXPECT_TRUE(RunFilesPass(*rows.at("B2"), seen, files));
    EXPECT_EQ(seen.events, (Names{"start files", "row B2", "measured B2 7 1", "step B2", "end files"}));
    EXPECT_EQ(seen.statuses, Names{"Listing files: B2"});
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(SizeOf("Cat B"), 2001u + 7 + 2003);
    EXPECT_EQ(host.Vm().HostScope(), &scope);
    EXPECT_EQ(scope.recorder, nullptr);
    EXPECT_EQ(scope.keptPaths, Names{"C:\\kept"});

    seen = Recorder();
    EXPECT_TRUE(RunFilesPass(*rows.at("Cat A"), seen, files));
    EXPECT_EQ(seen.events, (Names{"start files", "end files"}));
    CancelledFlag().store(true);
    seen = Recorder();
    EXPECT_FALSE(RunFilesPass(*rows.at("A1"), seen, files));
    EXPECT_EQ(seen.events, (Names{"start files", "end files cancelled"}));
    host.Vm().SetHostScope(nullptr);
}

// What the measurement counts is what the listing holds, sorted, with sizes on drive; a machine
// without a scope gets one for the call and none afterwards.
TEST_F(PassesTest, FilesPassListsWhatTheMeasurementCounts) {
    SKIP_UNLESS_HOST_SCOPE();
    test::TempDir dir;
    test::WriteBytes(dir / "b.tmp", 10);
    test::WriteBytes(dir / "A.tmp", 5000);
    test::WriteBytes(dir / "other.log", 7);
    CScriptRow* row = Add("function this:GetPluginName() return 'Disk' end\n"
                          "function this:GetSize() return self:GetFolderSize([[" +
                              dir.Path() + "]], '*.tmp', false) end\n",
                          false, nullptr, "Disk");
    std::vector<CListedFile> files;
    EXPECT_TRUE(RunFilesPass(*row, seen, files));
    const std::uint64_t cluster = test::TempClusterSize();
    ASSERT_EQ(files.size(), 2u);
    // The folder as the script named it, expanded and upper-cased by the host; the names as listed.
    std::string root = dir.Path();
    CharUpperBuffA(&root[0], static_cast<DWORD>(root.size()));
    EXPECT_EQ(files[0].path, test::Wide(root + "\\A.tmp"));
    EXPECT_EQ(files[0].sizeOnDrive, (5000 + cluster - 1) / cluster * cluster);
    EXPECT_EQ(files[1].path, test::Wide(root + "\\b.tmp"));
    EXPECT_EQ(files[1].sizeOnDrive, cluster);
    EXPECT_EQ(row->userData->Size(), ListedSize(files));
    EXPECT_EQ(host.Vm().HostScope(), nullptr);
}

// The tree below a folder as it was; ExpectGoneOnly checks that exactly `gone` disappeared and
// that everything else is as it was, byte for byte.
struct TreeSnapshotOf {
    explicit TreeSnapshotOf(std::string folder) : root(std::move(folder)), before(test::Snapshot(root)) {}
    void ExpectGoneOnly(const std::set<std::wstring>& gone) const {
        const test::TreeSnapshot after = test::Snapshot(root);
        for (const auto& [path, content] : before) {
            const auto left = after.find(path);
            if (gone.count(path) != 0)
                EXPECT_TRUE(left == after.end()) << test::Printable(path) << " stayed";
            else if (left == after.end())
                ADD_FAILURE() << test::Printable(path) << " went";
            else
                EXPECT_EQ(left->second, content) << test::Printable(path) << " changed";
        }
        EXPECT_EQ(after.size() + gone.size(), before.size());
    }
    std::string root;
    test::TreeSnapshot before;
};

// The listing cache of a refresh: folders that several rows name, or that lie under what they
// name, are listed once in the pass; a row that deletes drops the listings, so the rows after it
// measure the disk as it is; every figure is the one the pass gives without the cache.
TEST_F(PassesTest, RefreshListsEachFolderOnceAndAnythingThatDeletesDropsTheListings) {
    test::TempDir dir;
    for (const char* f : {"shared\\a.tmp", "shared\\sub\\b.tmp", "shared\\sub\\deep\\c.log", "other\\keep.tmp"})
        test::WriteBytes(dir / f, 3000);
    const std::string shared = "[[" + dir.Path() + "\\shared]]";
    const std::string upper = "[[" + dir.Path() + "\\SHARED\\Sub]]";
    const auto plugin = [&](const std::string& name, const std::string& body) {
        Add("function this:GetPluginName() return '" + name + "' end\nfunction this:GetSize() " + body + " end\n",
            false, nullptr, name);
    };
    plugin("Whole", "return self:GetFolderSize(" + shared + ", '', true)");
    plugin("Deleter", "self:DeleteFile(" + shared + " .. '\\\\a.tmp') return self:GetFolderSize(" + shared +
                          ", '', true)");
    plugin("Sub", "return self:MeasureFiles({folder = " + upper + ", masks = '*', recurse = true})");
    plugin("Deep", "return self:GetFolderSize(" + upper + " .. '\\\\deep', '*.log', false)");
    plugin("Wild", "return self:MeasureFiles({folder = " + shared + " .. '\\\\*', recurse = true, removeSelf = true})");
    const TreeSnapshotOf before(dir.Path());

    CListingCacheStats stats;
    CPassOptions options;
    options.listingStats = &stats;
    EXPECT_TRUE(RunRefreshPass(Root(), options, seen));
    const Names cached = seen.Only("measured");
    // shared, sub and deep by Whole; again by Deleter after its delete; the rest read them.
    EXPECT_EQ(stats.listed, 6u);
    EXPECT_EQ(stats.folders, 3u);
    EXPECT_GT(stats.served, 0u);
    EXPECT_EQ(SizeOf("Deleter") * 3, SizeOf("Whole") * 2) << "the delete is seen by the measurement after it";

    // Without the cache (a.tmp is gone for good now): the figures of every row after the delete.
    seen = Recorder();
    options.listingCache = false;
    EXPECT_TRUE(RunRefreshPass(Root(), options, seen));
    Names live = seen.Only("measured");
    ASSERT_EQ(live.size(), cached.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        // Category totals move from pass to pass; Whole ran before the delete.
        if (live[i].rfind("Whole ", 0) != 0 && live[i].rfind("Cat ", 0) != 0) {
            EXPECT_EQ(live[i], cached[i]);
        }
    }
    // Only the file the row named went.
    before.ExpectGoneOnly({L"shared\\a.tmp"});
}

// What the host functions' work got as the listing cache: the pass's for a refresh's
// measurements, none for anything that changes files, and none in a clean pass at all.
std::vector<std::string>& ListingsSeen() {
    static std::vector<std::string> seen;
    return seen;
}

TEST_F(PassesTest, TheCleanPassAndChangingCallsNeverListThroughTheCache) {
    test::TempDir dir;
    for (const char* f : {"t\\a.tmp", "t\\sub\\b.tmp", "t\\keep.txt", "other\\c.tmp"})
        test::WriteBytes(dir / f, 100);
    const std::string t = "[[" + dir.Path() + "\\t]]";
    Add("function this:GetPluginName() return 'Both' end\n"
        "function this:GetSize()\n"
        "  local a, b = self:GetFolderSize(" + t + ", '*.tmp', true)\n"
        "  local c, d = self:MeasureFiles({folder = " + t + ", masks = '*.tmp', recurse = true})\n"
        "  return a + c, b + d\n"
        "end\n"
        "function this:Clear()\n"
        "  self:DeleteFiles({folder = " + t + " .. '\\\\sub', masks = '*.tmp'})\n"
        "  self:DeleteFolderContent(" + t + ", '*.tmp', false)\n"
        "end\n",
        false, nullptr, "Both");
    Check("Both");
    const HostWork saved = CurrentHostWork();
    HostWork& work = CurrentHostWork();
    work.measureFolder = [](const CWalkScope& s, const std::string& f, const std::string& m, bool r,
                            std::uint64_t& size, std::uint32_t& count) {
        ListingsSeen().push_back(std::string("measureFolder ") + (s.listings ? "cache" : "live"));
        DefaultHostWork().measureFolder(s, f, m, r, size, count);
    };
    work.measureJob = [](const CWalkScope& s, const FileJob& j, std::uint64_t& size, std::uint32_t& count) {
        ListingsSeen().push_back(std::string("measureJob ") + (s.listings ? "cache" : "live"));
        DefaultHostWork().measureJob(s, j, size, count);
    };
    work.deleteJob = [](const CWalkScope& s, const FileJob& j) {
        ListingsSeen().push_back(std::string("deleteJob ") + (s.listings ? "cache" : "live"));
        DefaultHostWork().deleteJob(s, j);
    };
    work.eraseFolder = [](const CWalkScope& s, const std::string& f, const std::string* m, bool r) {
        ListingsSeen().push_back(std::string("eraseFolder ") + (s.listings ? "cache" : "live"));
        DefaultHostWork().eraseFolder(s, f, m, r);
    };
    const TreeSnapshotOf before(dir.Path());
    ListingsSeen().clear();
    EXPECT_TRUE(RunRefreshPass(Root(), CPassOptions(), seen));
    EXPECT_EQ(ListingsSeen(), (Names{"measureFolder cache", "measureJob cache"}));
    ListingsSeen().clear();
    EXPECT_TRUE(RunCleanPass(Root(), CPassOptions{kRunCheckedRows, true, true}, seen));
    EXPECT_EQ(ListingsSeen(), (Names{"measureFolder live", "measureJob live", "deleteJob live", "eraseFolder live",
                                     "measureFolder live", "measureJob live"}));
    CurrentHostWork() = saved;
    EXPECT_EQ(seen.Only("measured").back(), "Both 0 0");
    before.ExpectGoneOnly({L"t\\a.tmp", L"t\\sub\\b.tmp"});
}

} // namespace
