// The real program in its window: start-up with and without settings, the first refresh, the
// totals in the status line, the select commands, refreshing and cleaning, cancelling, closing,
// resizing, the stored placement and two copies side by side.
#include "app/PassHost.h"
#include "e2e/AppHarness.h"
#include "engine/Passes.h"
#include "engine/Settings.h"
#include "hostfn/FileErase.h"
#include "resource.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qs;
using e2e::AppFolder;
using e2e::AppProcess;
using e2e::WaitUntil;

constexpr DWORD kNormalExit = 2;

std::uint64_t Clusters(std::uint64_t bytes) {
    const std::uint64_t cluster = test::TempClusterSize();
    return (bytes + cluster - 1) / cluster * cluster;
}

// What one plugin's folder holds.
struct Content {
    int files;
    std::uint32_t bytes;
    std::uint64_t Size() const { return files * Clusters(bytes); }
};

// Whether plugins can delete files in this build: the deleting walks arrive with a change of
// their own, and the cleaning tests wait for them.
bool DeletingWorks() {
    static const bool works = [] {
        test::TempDir dir;
        test::WriteBytes(dir / "probe.tmp", 1);
        const std::string everything = "*";
        EraseFolderContent(dir.Path(), &everything, false);
        return !test::Exists(dir / "probe.tmp");
    }();
    return works;
}

#define SKIP_UNLESS_DELETING()                                                                                         \
    if (!DeletingWorks())                                                                                              \
    GTEST_SKIP() << "plugins cannot delete files in this build yet"

std::string Total(std::uint64_t size, std::uint32_t count) { return SelectionStatusText(size, count); }

std::string SettingsXml(const std::string& window, const std::vector<std::string>& names) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Quillsweep version=\"1\">\n<general>" + window +
                      "</general>\n<selected>";
    for (const std::string& n : names)
        xml += "<plugin>" + n + "</plugin>";
    return xml + "</selected>\n</Quillsweep>\n";
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

// Two categories and a plugin at the top: "Temporary files" (Logs, Dumps), "Caches" (Thumbnails)
// and "Recent list". Every plugin measures and cleans a data folder of its own.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.AddCategory("Temp", "Temporary files");
        app.AddPlugin("Temp\\logs.lua", "Logs", "logs");
        app.AddPlugin("Temp\\dumps.lua", "Dumps", "dumps");
        app.AddCategory("Caches", "Caches");
        app.AddPlugin("Caches\\thumbs.lua", "Thumbnails", "thumbs");
        app.AddPlugin("recent.lua", "Recent list", "recent");
        Fill("logs", {3, 1000});
        Fill("dumps", {2, 9000});
        Fill("thumbs", {4, 100});
        Fill("recent", {1, 5000});
    }

    void Fill(const std::string& data, Content c, int first = 0) {
        app.AddFiles(data, c.files, c.bytes, first);
        sizes[data] += c.Size();
        counts[data] += c.files;
    }

    std::string TotalOf(const std::vector<std::string>& data) {
        std::uint64_t size = 0;
        std::uint32_t count = 0;
        for (const std::string& d : data) {
            size += sizes[d];
            count += counts[d];
        }
        return Total(size, count);
    }

    static constexpr int kRows = 6;
    AppFolder app;
    std::map<std::string, std::uint64_t> sizes;
    std::map<std::string, std::uint32_t> counts;
};

TEST_F(MainWindowTest, StartsCentredWithZeroTotalsAndWritesSettingsOnEsc) {
    RECT shown{};
    {
        AppProcess quillsweep(app);
        HWND main = quillsweep.Main();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(AppProcess::Text(main), "Quillsweep 1.2.3.48 - Kestrilo");
        ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows)) << quillsweep.Status();
        EXPECT_EQ(quillsweep.Status(), Total(0, 0));
        EXPECT_TRUE(::IsWindowVisible(main));

        // Centred on the work area at the size of its template.
        shown = WindowRect(main);
        RECT work{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_LE(std::abs((shown.left + shown.right) - (work.left + work.right)), 2);
        EXPECT_LE(std::abs((shown.top + shown.bottom) - (work.top + work.bottom)), 2);

        // Enter with no button focused does nothing; Esc closes.
        ::SendMessageA(main, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(quillsweep.Running() && ::IsWindowVisible(main));
        quillsweep.PressEsc();
        EXPECT_EQ(quillsweep.WaitExit(), kNormalExit);
    }
    CSettings stored(app.SettingsPath());
    EXPECT_EQ(stored.left, shown.left);
    EXPECT_EQ(stored.top, shown.top);
    EXPECT_EQ(stored.right, shown.right);
    EXPECT_EQ(stored.bottom, shown.bottom);
    EXPECT_EQ(stored.maximized, 0);
    EXPECT_TRUE(stored.Selected().empty());
}

TEST_F(MainWindowTest, StoredPlacementAndNamesComeBackAndAreWrittenAgain) {
    app.WriteSettings(
        SettingsXml(R"(<window left="60" top="40" width="700" height="480" maximized="0"/>)", {"LOGS", "Caches"}));
    {
        AppProcess quillsweep(app);
        ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
        // A stored name checks its row whatever the letter case; a stored category checks the
        // plugins inside it.
        EXPECT_EQ(quillsweep.Status(), TotalOf({"logs", "thumbs"}));
        const RECT r = WindowRect(quillsweep.Main());
        EXPECT_EQ(r.left, 60);
        EXPECT_EQ(r.top, 40);
        EXPECT_EQ(r.right - r.left, 700);
        EXPECT_EQ(r.bottom - r.top, 480);
        quillsweep.PressEsc();
        ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
    }
    CSettings stored(app.SettingsPath());
    EXPECT_EQ(stored.left, 60);
    EXPECT_EQ(stored.right, 760);
    EXPECT_EQ(stored.bottom, 520);
    // Names as the scripts answer them; "Temporary files" is partly checked and not stored.
    EXPECT_EQ(Sorted(stored.Selected()), Sorted({"Caches", "Logs", "Thumbnails"}));
}

TEST_F(MainWindowTest, SelectCommandsActOnTopLevelRows) {
    app.WriteSettings(SettingsXml("", {"Logs"}));
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    ASSERT_EQ(quillsweep.Status(), TotalOf({"logs"}));

    const struct {
        UINT command;
        std::vector<std::string> checked;
    } steps[] = {
        // "Temporary files" is partly checked: inverting leaves it and its plugins alone.
        {ID_INVERT_SELECTION, {"logs", "thumbs", "recent"}},
        {ID_SELECT_NONE, {}},
        {ID_SELECT_ALL, {"logs", "dumps", "thumbs", "recent"}},
        {ID_SELECT_ALL, {"logs", "dumps", "thumbs", "recent"}},
        {ID_INVERT_SELECTION, {}},
        {ID_INVERT_SELECTION, {"logs", "dumps", "thumbs", "recent"}},
    };
    for (const auto& step : steps) {
        quillsweep.Command(step.command);
        EXPECT_EQ(quillsweep.Status(), TotalOf(step.checked)) << "command " << step.command;
    }
}

TEST_F(MainWindowTest, RefreshSelectedMeasuresOnlyCheckedRowsAndRefreshAllEveryRow) {
    app.WriteSettings(SettingsXml("", {"Logs"}));
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    const std::uint64_t dumpsSize = sizes["dumps"];
    const std::uint32_t dumpsCount = counts["dumps"];
    Fill("logs", {2, 3000}, 100);
    Fill("dumps", {5, 100}, 100);

    ASSERT_TRUE(quillsweep.RunPass(ID_REFRESH_SELECTED));
    EXPECT_EQ(quillsweep.Status(), TotalOf({"logs"}));
    // Dumps was not measured again: checking it adds what the first refresh found.
    quillsweep.Command(ID_SELECT_ALL);
    EXPECT_EQ(quillsweep.Status(), Total(sizes["logs"] + dumpsSize + sizes["thumbs"] + sizes["recent"],
                                         counts["logs"] + dumpsCount + counts["thumbs"] + counts["recent"]));

    ASSERT_TRUE(quillsweep.RunPass(ID_REFRESH_ALL));
    EXPECT_EQ(quillsweep.Status(), TotalOf({"logs", "dumps", "thumbs", "recent"}));
}

TEST_F(MainWindowTest, CleanSelectedDeletesExactlyTheCheckedPluginsFiles) {
    SKIP_UNLESS_DELETING();
    app.WriteSettings(SettingsXml("", {"Dumps", "Recent list"}));
    {
        AppProcess quillsweep(app);
        ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
        ASSERT_EQ(quillsweep.Status(), TotalOf({"dumps", "recent"}));
        ASSERT_TRUE(quillsweep.RunPass(IDC_CLEAN_SELECTED));
        // The follow-up refresh measured what is left.
        EXPECT_EQ(quillsweep.Status(), Total(0, 0));
        EXPECT_EQ(app.CountFiles("dumps"), 0);
        EXPECT_EQ(app.CountFiles("recent"), 0);
        EXPECT_EQ(app.CountFiles("logs"), 3);
        EXPECT_EQ(app.CountFiles("thumbs"), 4);
        quillsweep.PressEsc();
        ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
    }
    EXPECT_EQ(Sorted(CSettings(app.SettingsPath()).Selected()), Sorted({"Dumps", "Recent list"}));
}

// A job whose Clear skips (its program is running) keeps its files and its size, and the status
// line names it with its reason after the clean and its refresh.
TEST_F(MainWindowTest, CleanSelectedNamesTheJobsThatSkippedInTheStatusLine) {
    SKIP_UNLESS_DELETING();
    test::WriteText(app.Scripts("Temp\\logs.lua"),
                    test::ReadText(app.Scripts("Temp\\logs.lua")) +
                        "function this:Clear() return 'Logger is running:\\nclose it first' end\n");
    app.WriteSettings(SettingsXml("", {"Logs", "Dumps"}));
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    ASSERT_EQ(quillsweep.Status(), TotalOf({"logs", "dumps"}));
    ASSERT_TRUE(quillsweep.RunPass(IDC_CLEAN_SELECTED));
    const std::string skipped = "Skipped: Logs (Logger is running: close it first). " + TotalOf({"logs"});
    EXPECT_EQ(quillsweep.Status(), skipped);
    EXPECT_EQ(app.CountFiles("logs"), 3);
    EXPECT_EQ(app.CountFiles("dumps"), 0);
    // A refresh keeps the note.
    ASSERT_TRUE(quillsweep.RunPass(ID_REFRESH_ALL));
    EXPECT_EQ(quillsweep.Status(), skipped);
    quillsweep.PressEsc();
    ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
}

// Clean Selected asks once when checked jobs have warnings, naming only those: declining
// cleans nothing and runs no pass; accepting cleans exactly the checked jobs and asks nothing
// more.
TEST_F(MainWindowTest, CleanSelectedAsksOnceAboutWarningsAndCleansNothingWhenDeclined) {
    SKIP_UNLESS_DELETING();
    const auto append = [this](const std::string& script, const std::string& lua) {
        test::WriteText(app.Scripts(script), test::ReadText(app.Scripts(script)) + lua);
    };
    append("Temp\\dumps.lua",
           "function this:GetPluginWarning() return 'Crash dumps you have not sent are lost.' end\n");
    append("Caches\\thumbs.lua", "function this:GetPluginWarning() return 'Thumbnails are rebuilt slowly.' end\n");
    append("recent.lua", "function this:GetPluginDescription() return 'The recently used files list' end\n");
    app.AddPlugin("old.lua", "Old logs", "old");
    append("old.lua", "function this:GetPluginWarning() return 'Logs older than a week\\nare gone for good.' end\n");
    app.WriteSettings(SettingsXml("", {"Dumps", "Recent list"}));

    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows + 1));
    ASSERT_EQ(quillsweep.Status(), TotalOf({"dumps", "recent"}));

    // The status line shows a row's warning while that row has the focus.
    const std::vector<std::string> top = AppFolder::ListingOrder(app.Scripts());
    const auto nameOf = [&](const std::string& entry) {
        POINT p = quillsweep.CheckBoxPoint(static_cast<int>(std::find(top.begin(), top.end(), entry) - top.begin()), 0);
        p.x += 40;
        return p;
    };
    quillsweep.ClickList(nameOf("old.lua"));
    EXPECT_EQ(quillsweep.Status(), "Warning: Logs older than a week are gone for good.");
    quillsweep.ClickList(nameOf("recent.lua"));
    EXPECT_EQ(quillsweep.Status(), TotalOf({"dumps", "recent"}));

    quillsweep.PostCommand(IDC_CLEAN_SELECTED);
    HWND question = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (question = quillsweep.Question()) != nullptr; }));
    const std::string text = AppProcess::DialogText(question);
    EXPECT_NE(text.find("Dumps:\r\nCrash dumps you have not sent are lost."), std::string::npos) << text;
    EXPECT_EQ(text.find("Thumbnails"), std::string::npos) << text; // not checked
    EXPECT_EQ(text.find("Recent"), std::string::npos) << text;     // no warning
    ASSERT_TRUE(quillsweep.Answer(question, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return quillsweep.Idle(); }));
    ::Sleep(200); // a pass started by mistake would have shown by now
    EXPECT_TRUE(quillsweep.Idle());
    EXPECT_EQ(quillsweep.Status(), TotalOf({"dumps", "recent"}));
    EXPECT_EQ(app.CountFiles("dumps"), 2);
    EXPECT_EQ(app.CountFiles("recent"), 1);

    quillsweep.MarkStatus();
    quillsweep.PostCommand(IDC_CLEAN_SELECTED);
    ASSERT_TRUE(WaitUntil([&] { return (question = quillsweep.Question()) != nullptr; }));
    ASSERT_TRUE(quillsweep.Answer(question, IDYES));
    ASSERT_TRUE(quillsweep.WaitPassEnd());
    EXPECT_EQ(quillsweep.Question(), nullptr);
    EXPECT_EQ(quillsweep.Status(), Total(0, 0));
    EXPECT_EQ(app.CountFiles("dumps"), 0);
    EXPECT_EQ(app.CountFiles("recent"), 0);
    EXPECT_EQ(app.CountFiles("logs"), 3);
    EXPECT_EQ(app.CountFiles("thumbs"), 4);

    quillsweep.PressEsc();
    ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
}

TEST_F(MainWindowTest, RowsAreCheckedWithTheMouseAndTheSpaceBar) {
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    // Categories start collapsed; rows come in the order the folders list their entries.
    auto rowOf = [](const std::vector<std::string>& entries, const std::string& entry) {
        return static_cast<int>(std::find(entries.begin(), entries.end(), entry) - entries.begin());
    };
    const std::vector<std::string> top = AppFolder::ListingOrder(app.Scripts());
    std::vector<std::string> temp = AppFolder::ListingOrder(app.Scripts("Temp"));
    temp.erase(std::find(temp.begin(), temp.end(), "category.lua"));
    const int caches = rowOf(top, "Caches"), tempRow = rowOf(top, "Temp");
    auto shows = [&](const std::vector<std::string>& checked) {
        return WaitUntil([&] { return quillsweep.Status() == TotalOf(checked); }, 10000);
    };

    quillsweep.ClickList(quillsweep.CheckBoxPoint(caches, 1));
    EXPECT_TRUE(shows({"thumbs"})) << quillsweep.Status();
    // Expanding "Temporary files" brings its two plugins in below it.
    quillsweep.ClickList(quillsweep.ExpandButtonPoint(tempRow, 1));
    const int dumps = tempRow + 1 + rowOf(temp, "dumps.lua");
    const int cachesNow = caches > tempRow ? caches + 2 : caches;
    quillsweep.ClickList(quillsweep.CheckBoxPoint(dumps, 2));
    EXPECT_TRUE(shows({"thumbs", "dumps"})) << quillsweep.Status();
    // Space toggles the row clicked last.
    quillsweep.KeyInList(VK_SPACE);
    EXPECT_TRUE(shows({"thumbs"})) << quillsweep.Status();
    // A category's box checks every plugin in it; a second click on "Caches" unchecks its plugin.
    quillsweep.ClickList(quillsweep.CheckBoxPoint(tempRow, 1));
    EXPECT_TRUE(shows({"thumbs", "logs", "dumps"})) << quillsweep.Status();
    quillsweep.ClickList(quillsweep.CheckBoxPoint(cachesNow, 1));
    EXPECT_TRUE(shows({"logs", "dumps"})) << quillsweep.Status();
}

TEST_F(MainWindowTest, ResizingMovesTheControlsAndTheTemplateSizeIsTheMinimum) {
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    HWND main = quillsweep.Main();
    const RECT start = WindowRect(main);
    const int ids[] = {IDC_SCRIPTS_LIST, IDC_STATUS,         IDC_WEB_LINK, IDC_BEVEL_LOWER,
                       IDC_REFRESH,      IDC_CLEAN_SELECTED, IDC_SELECT,   IDC_HELP_BUTTON};
    std::map<int, RECT> before;
    for (int id : ids)
        before[id] = quillsweep.ItemRect(id);

    const int dx = 150, dy = 90;
    ::SetWindowPos(main, nullptr, 0, 0, start.right - start.left + dx, start.bottom - start.top + dy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Left, top, right, bottom growth of each control.
    const std::map<int, std::vector<int>> moves = {
        {IDC_SCRIPTS_LIST, {0, 0, dx, dy}}, {IDC_STATUS, {0, dy, dx, dy}},        {IDC_BEVEL_LOWER, {0, dy, dx, dy}},
        {IDC_WEB_LINK, {dx, dy, dx, dy}},   {IDC_HELP_BUTTON, {dx, dy, dx, dy}},  {IDC_REFRESH, {0, dy, 0, dy}},
        {IDC_SELECT, {0, dy, 0, dy}},       {IDC_CLEAN_SELECTED, {0, dy, 0, dy}},
    };
    for (const auto& [id, m] : moves) {
        const RECT b = before[id], a = quillsweep.ItemRect(id);
        EXPECT_EQ((std::vector<int>{a.left - b.left, a.top - b.top, a.right - b.right, a.bottom - b.bottom}), m)
            << "control " << id;
    }

    // The window answers its starting size as the smallest it may be tracked to.
    MINMAXINFO info{};
    ::SendMessageA(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, start.right - start.left);
    EXPECT_EQ(info.ptMinTrackSize.y, start.bottom - start.top);
}

TEST_F(MainWindowTest, StoredMaximizedPlacementOpensMaximized) {
    app.WriteSettings(SettingsXml(R"(<window left="10" top="10" width="400" height="300" maximized="1"/>)", {}));
    {
        AppProcess quillsweep(app);
        ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
        HWND main = quillsweep.Main();
        EXPECT_TRUE(WaitUntil([main] { return ::IsZoomed(main) != FALSE; }));
        // The size gripper hides while the window is maximized.
        HWND gripper = ::FindWindowExA(main, nullptr, "ScrollBar", nullptr);
        ASSERT_NE(gripper, nullptr);
        EXPECT_TRUE(WaitUntil([gripper] { return ::IsWindowVisible(gripper) == FALSE; }));
        quillsweep.PressEsc();
        ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
    }
    EXPECT_EQ(CSettings(app.SettingsPath()).maximized, 1);
}

TEST_F(MainWindowTest, TwoCopiesRunSideBySideAndTheLastToCloseWritesLast) {
    AppProcess first(app), second(app);
    ASSERT_TRUE(first.WaitFirstRefresh(kRows));
    ASSERT_TRUE(second.WaitFirstRefresh(kRows));
    ASSERT_NE(first.Main(), second.Main());
    ::SetWindowPos(first.Main(), nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(second.Main(), nullptr, 500, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    second.Command(ID_SELECT_ALL);
    EXPECT_EQ(second.Status(), TotalOf({"logs", "dumps", "thumbs", "recent"}));
    EXPECT_EQ(first.Status(), Total(0, 0));
    first.PressEsc();
    ASSERT_EQ(first.WaitExit(), kNormalExit);
    EXPECT_EQ(CSettings(app.SettingsPath()).left, 20);
    second.PressEsc();
    ASSERT_EQ(second.WaitExit(), kNormalExit);
    CSettings stored(app.SettingsPath());
    EXPECT_EQ(stored.left, 500);
    EXPECT_EQ(stored.top, 300);
    EXPECT_EQ(stored.Selected().size(), 6u);
}

TEST_F(MainWindowTest, CleanSelectedWithNothingCheckedStillRunsAndDeletesNothing) {
    app.WriteSettings(SettingsXml("", {"Logs"}));
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    quillsweep.Command(ID_SELECT_NONE);
    ASSERT_TRUE(quillsweep.RunPass(IDC_CLEAN_SELECTED));
    EXPECT_EQ(quillsweep.Status(), Total(0, 0));
    for (const char* data : {"logs", "dumps", "thumbs", "recent"})
        EXPECT_EQ(app.CountFiles(data), counts[data]) << data;
    quillsweep.PressEsc();
    ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
}

// Three top-level plugins, all checked; "Gate" can be held inside its GetSize or Clear while a
// hold file exists, so that a test meets a pass in the middle.
class HeldPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        hold = app.Data("hold.flag");
        app.AddPlugin("alpha.lua", "Alpha", "alpha");
        app.AddPlugin("gate.lua", "Gate", "gate", hold);
        app.AddPlugin("zulu.lua", "Zulu", "zulu");
        for (const char* data : {"alpha", "gate", "zulu"})
            app.AddFiles(data, 2, 100);
        app.WriteSettings(SettingsXml("", {"Alpha", "Gate", "Zulu"}));
    }

    // Holds Gate, starts `command` and waits until the pass is inside Gate.
    bool HoldInGate(AppProcess& quillsweep, UINT command, const std::string& status) {
        test::WriteBytes(hold, 1);
        quillsweep.MarkStatus();
        quillsweep.PostCommand(command);
        return WaitUntil([&] { return quillsweep.ProgressStatus() == status; });
    }

    AppFolder app;
    std::string hold;
};

TEST_F(HeldPassTest, CancelDuringACleanClearsNothingFromThePluginAtHandOn) {
    SKIP_UNLESS_DELETING();
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(3));
    ASSERT_TRUE(HoldInGate(quillsweep, IDC_CLEAN_SELECTED, "Now clearing: Gate"));
    HWND cancel = ::GetDlgItem(quillsweep.Progress(), IDCANCEL);
    ::SendMessageA(cancel, BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(cancel)); // one press per run
    ::DeleteFileA(hold.c_str());
    ASSERT_TRUE(quillsweep.WaitPassEnd());

    // Rows come in the order the scripts folder lists them. Gate's own walk began after the
    // press and stopped at once, as every walk does once the run is cancelled.
    const std::map<std::string, std::string> dataOf = {
        {"alpha.lua", "alpha"}, {"gate.lua", "gate"}, {"zulu.lua", "zulu"}};
    bool kept = false;
    std::uint64_t left = 0;
    std::uint32_t leftCount = 0;
    for (const std::string& script : AppFolder::ListingOrder(app.Scripts())) {
        const std::string& data = dataOf.at(script);
        kept = kept || data == "gate";
        EXPECT_EQ(app.CountFiles(data), kept ? 2 : 0) << data;
        if (kept) {
            left += 2 * Clusters(100);
            leftCount += 2;
        }
    }
    // The refresh after the clean ran in full: the cancel belonged to the clean alone.
    EXPECT_EQ(quillsweep.Status(), Total(left, leftCount));
}

TEST_F(HeldPassTest, CloseDuringAPassCancelsItAndThenCloses) {
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(3));
    HWND main = quillsweep.Main();
    ASSERT_TRUE(HoldInGate(quillsweep, ID_REFRESH_ALL, "Now updating: Gate"));
    // What a close request from outside amounts to (the close box and the system menu's Close
    // become this command; the window's own controls are disabled). Gate stops waiting at its
    // script's next hook check, the pass ends, and the window closes and writes its settings.
    const DWORD start = ::GetTickCount();
    ::SendMessageA(main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(quillsweep.WaitExit(), kNormalExit);
    EXPECT_LT(::GetTickCount() - start, 10000u);
    ::DeleteFileA(hold.c_str());
    EXPECT_EQ(Sorted(CSettings(app.SettingsPath()).Selected()), Sorted({"Alpha", "Gate", "Zulu"}));
}

// A settings file the program cannot use (nested past the parser's stack, huge, binary, cut
// short): the window appears with the defaults and says so, the file stays as it was while the
// program runs, and a normal close keeps it aside byte for byte and replaces it with a good one.
TEST(MainWindowSettingsTest, UnusableSettingsGiveDefaultsAndAreReplacedOnClose) {
    std::string deep = "<Quillsweep><selected><plugin>Fine</plugin></selected>";
    for (int i = 0; i < 20000; ++i)
        deep += "<a>";
    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary += static_cast<char>((i * 7919) >> 3);
    const std::string good = "<Quillsweep><selected><plugin>Fine</plugin></selected></Quillsweep>";
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"deep", deep},
        {"huge", good + std::string(60u * 1000u * 1000u, ' ')},
        {"binary", binary},
        {"truncated", good.substr(0, 40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppFolder app;
        app.AddPlugin("fine.lua", "Fine", "fine");
        app.WriteSettings(c.bytes);
        AppProcess quillsweep(app);
        ASSERT_NE(quillsweep.Main(), nullptr);
        HWND notice = quillsweep.WaitDialog(IDOK);
        ASSERT_NE(notice, nullptr);
        const std::string told = AppProcess::DialogText(notice);
        EXPECT_NE(told.find("could not be read"), std::string::npos) << told;
        EXPECT_NE(told.find(app.SettingsPath() + ".bad"), std::string::npos) << told;
        ASSERT_TRUE(quillsweep.Answer(notice, IDOK));
        ASSERT_TRUE(quillsweep.WaitFirstRefresh(1)) << quillsweep.Status();
        EXPECT_TRUE(::IsWindowVisible(quillsweep.Main()));
        EXPECT_EQ(quillsweep.Status(), Total(0, 0)); // "Fine" did not come up checked
        EXPECT_TRUE(test::ReadText(app.SettingsPath()) == c.bytes);
        quillsweep.PressEsc();
        EXPECT_EQ(quillsweep.WaitExit(), kNormalExit);
        EXPECT_TRUE(test::ReadText(app.SettingsPath() + ".bad") == c.bytes);
        CSettings written(app.SettingsPath());
        written.SetSaveOnDestroy(false);
        EXPECT_EQ(written.ReadResult(), CSettingsRead::kRead);
        EXPECT_TRUE(written.Selected().empty());
    }
}

// Runaway scripts: the window appears once GetPluginName's budget has run out, without that
// script's row; an endless GetSize is ended by Cancel, or by closing the window.
class RunawayScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.AddPlugin("fine.lua", "Fine", "fine");
        app.AddFiles("fine", 2, 100);
    }
    AppFolder app;
};

TEST_F(RunawayScriptTest, EndlessGetPluginNameDelaysTheWindowByItsBudgetOnly) {
    test::WriteText(app.Scripts("endless.lua"), "function this:GetPluginName()\n  while true do end\nend\n");
    const DWORD start = ::GetTickCount();
    AppProcess quillsweep(app);
    ASSERT_TRUE(WaitUntil([&] { return quillsweep.Main() != nullptr && ::IsWindowVisible(quillsweep.Main()); },
                          qs::kQuickCallBudgetMs + 20000));
    const DWORD shown = ::GetTickCount() - start;
    EXPECT_GE(shown, qs::kQuickCallBudgetMs);
    EXPECT_LT(shown, qs::kQuickCallBudgetMs + 15000);
    // One row: the endless script got none, as a script whose GetPluginName raises.
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(1)) << quillsweep.Status();
    quillsweep.PressEsc();
    EXPECT_EQ(quillsweep.WaitExit(), kNormalExit);
}

TEST_F(RunawayScriptTest, CancelEndsAnEndlessGetSizeAndTheWindowThenCloses) {
    test::WriteText(app.Scripts("endless.lua"), "function this:GetPluginName() return 'Endless' end\n"
                                                "function this:GetSize()\n  while true do end\nend\n");
    for (const bool byClosing : {false, true}) {
        SCOPED_TRACE(byClosing ? "closing the window" : "Cancel");
        AppProcess quillsweep(app);
        ASSERT_NE(quillsweep.Main(), nullptr);
        // The first refresh reaches the endless row and stays there.
        ASSERT_TRUE(WaitUntil([&] { return quillsweep.ProgressStatus() == "Now updating: Endless"; }));
        Sleep(300);
        EXPECT_EQ(quillsweep.ProgressStatus(), "Now updating: Endless");
        if (byClosing) {
            ::PostMessageA(quillsweep.Main(), WM_COMMAND, IDCANCEL, 0);
        } else {
            ::SendMessageA(::GetDlgItem(quillsweep.Progress(), IDCANCEL), BM_CLICK, 0, 0);
            ASSERT_TRUE(WaitUntil([&] { return quillsweep.Idle(); }, 10000));
            quillsweep.PressEsc();
        }
        EXPECT_EQ(quillsweep.WaitExit(), kNormalExit);
    }
}

TEST(MainWindowEmptyTest, RunsWithAnEmptyScriptsFolder) {
    AppFolder app;
    AppProcess quillsweep(app);
    ASSERT_NE(quillsweep.Main(), nullptr);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(0));
    EXPECT_EQ(quillsweep.Status(), Total(0, 0));
    ASSERT_TRUE(quillsweep.RunPass(IDC_CLEAN_SELECTED));
    EXPECT_EQ(quillsweep.Status(), Total(0, 0));
    quillsweep.PressEsc();
    EXPECT_EQ(quillsweep.WaitExit(), kNormalExit);
}

} // namespace
