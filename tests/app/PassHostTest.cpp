// The window's side of the refresh and clean passes, with real plugins, a real progress dialog
// and a small window that stands in for the main window; the selection totals behind the
// status line.
#include "app/PassHost.h"

#include "app/ScriptsListCtrl.h"
#include "app/SimpleProgressDlg.h"
#include "engine/Settings.h"
#include "framework/ByteSize.h"
#include "hostfn/Cancellation.h"
#include "resource.h"
#include "support/ScriptHost.h"
#include "support/WindowSupport.h"

#include <gtest/gtest.h>

#include <lauxlib.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace qs;
using test::Event;
using test::PumpUntil;

using Names = std::vector<std::string>;

// The main window's part in a pass: command buttons 1001, 1003, 1005, 1006, status line 1004,
// the scripts list 1000, the progress dialog and the totals handler. It records what the passes
// ask of it; the records are written by the worker and read after the pass has ended.
class TestMainWindow : public CWindowImpl, public CPassHost {
public:
    TestMainWindow() {
        HWND w = test::CreatePlainWindow(WS_OVERLAPPEDWINDOW, 600, 400);
        SubclassWindow(w);
        HWND listWindow = ::CreateWindowExA(0, test::PlainWindowClass(), "", WS_CHILD | WS_VISIBLE, 10, 10, 580, 300, w,
                                            reinterpret_cast<HMENU>(1000), nullptr, nullptr);
        list.SubclassWindow(listWindow);
        for (int id : {IDC_REFRESH, IDC_SELECT, IDC_CLEAN_SELECTED, IDC_HELP_BUTTON})
            ::CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10 + (id - 1001) * 80, 360, 70,
                              24, w, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        ::CreateWindowExA(0, "STATIC", "Total selected:", WS_CHILD | WS_VISIBLE, 10, 320, 580, 16, w,
                          reinterpret_cast<HMENU>(IDC_STATUS), nullptr, nullptr);
        progress.Create(w);
        progress.Hide();
        ::ShowWindow(w, SW_SHOW);
    }
    ~TestMainWindow() override {
        if (m_hWnd != nullptr)
            ::DestroyWindow(m_hWnd);
    }

    bool ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg == WM_ITEMCHECKCHANGING) {
            const auto* row = reinterpret_cast<const CScriptRow*>(wParam);
            notices.push_back({row, static_cast<std::uint32_t>(lParam)});
            if (totals.OnItemCheckChanging(list.GetRootItem(), row, static_cast<std::uint32_t>(lParam)))
                WriteSelectionStatus(m_hWnd, totals);
            result = 0;
            return true;
        }
        if (msg == WM_COMMAND && HIWORD(wParam) == 0) {
            // As the main window's command handlers: the result is not looked at.
            switch (LOWORD(wParam)) {
            case ID_REFRESH_ALL:
                StartRefreshPass(*this, kRunAllRows);
                return true;
            case ID_REFRESH_SELECTED:
                StartRefreshPass(*this, kRunCheckedRows);
                return true;
            case IDC_CLEAN_SELECTED:
                StartCleanPass(*this);
                return true;
            }
        }
        return false;
    }

    // ---- the pass host ----
    CScriptRow* GetRootItem() override { return list.GetRootItem(); }
    int RunMode() const override { return runMode; }
    void SetRunMode(int mode) override { runMode = mode; }
    void EnableCommandButtons(bool enable) override { EnableCommandButtonsOf(m_hWnd, enable); }
    void ProgressReset() override { progress.Reset(); }
    void ProgressSetRange(int low, int high) override {
        ranges.push_back(high - low);
        progress.SetRange(low, high);
    }
    void ProgressSetPos(int pos) override { progress.SetPos(pos); }
    void ProgressSetStep(int step) override { progress.SetStep(step); }
    void ProgressShow() override {
        ++shows;
        progress.Show(m_hWnd);
    }
    void ProgressStepIt() override {
        if (steps++ == 0) {
            // What the user meets while the pass runs.
            disabledWhileRunning = !::IsWindowEnabled(::GetDlgItem(m_hWnd, IDC_REFRESH)) &&
                                   !::IsWindowEnabled(::GetDlgItem(m_hWnd, IDC_CLEAN_SELECTED)) &&
                                   !::IsWindowEnabled(::GetDlgItem(m_hWnd, IDC_SELECT)) &&
                                   !::IsWindowEnabled(::GetDlgItem(m_hWnd, IDC_HELP_BUTTON)) &&
                                   !::IsWindowEnabled(m_hWnd) && ::IsWindowVisible(progress.Handle());
        }
        progress.StepIt();
    }
    void ProgressHide() override {
        ++hides;
        progress.Hide();
    }
    void ProgressSetStatusText(const char* text) override {
        if (*text != '\0')
            statuses.push_back(text);
        progress.SetStatusText(text);
        if (onStatus)
            onStatus(text);
    }
    void RepaintList() override {
        ++repaints;
        list.Invalidate(TRUE);
    }
    void RequestRecount() override {
        ++recounts;
        ::SendMessageA(m_hWnd, WM_ITEMCHECKCHANGING, 0, 0);
    }
    CSelectionStore& StoredSelection() override { return selection; }
    bool StartWorker(LPTHREAD_START_ROUTINE proc) override {
        ++workers;
        auto* job = new Job{proc, this};
        HANDLE thread = ::CreateThread(nullptr, 0, &RunJob, job, 0, nullptr);
        if (thread == nullptr) {
            delete job;
            return false;
        }
        ::CloseHandle(thread);
        return true;
    }

    // Delivers a command as the main window gets it and waits until the passes it set off have
    // ended. The worker cannot end its pass before this thread serves its window calls, so
    // commands sent before waiting all find the pass running.
    bool Run(WORD command) {
        ClearRecords();
        SendMessage(WM_COMMAND, command, 0);
        return Wait();
    }
    bool Wait() { return PumpUntil(ended.Get()); }
    void ClearRecords() {
        ended.Reset();
        ranges.clear();
        statuses.clear();
        notices.clear();
        shows = hides = steps = repaints = recounts = workers = 0;
        disabledWhileRunning = false;
    }
    // Presses the progress dialog's Cancel from the worker, as the user would during a plugin.
    void CancelOn(const std::string& status) {
        onStatus = [this, status](const std::string& text) {
            if (text == status)
                ::SendMessageA(progress.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0);
        };
    }
    std::string StatusLine() const {
        char text[512] = {};
        ::GetDlgItemTextA(m_hWnd, IDC_STATUS, text, sizeof text);
        return text;
    }
    int BarPos() const { return static_cast<int>(::SendMessageA(progress.ProgressBar(), PBM_GETPOS, 0, 0)); }
    bool ButtonsEnabled() const {
        for (int id : {IDC_REFRESH, IDC_CLEAN_SELECTED, IDC_SELECT, IDC_HELP_BUTTON})
            if (!::IsWindowEnabled(::GetDlgItem(m_hWnd, id)))
                return false;
        return ::IsWindowEnabled(m_hWnd) != FALSE;
    }

    struct Notice {
        const CScriptRow* row;
        std::uint32_t state;
    };

    CScriptsModel model;
    CScriptsListCtrl list{model};
    CSimpleProgressDlg progress;
    CSelectionTotals totals;
    test::TempDir dir;
    CSettings selection{dir / "settings.xml"};
    std::atomic<int> runMode{-1};
    Event ended;
    std::vector<int> ranges;
    Names statuses;
    std::vector<Notice> notices;
    int shows = 0, hides = 0, steps = 0, repaints = 0, recounts = 0, workers = 0;
    bool disabledWhileRunning = false;
    std::function<void(const std::string&)> onStatus;

private:
    struct Job {
        LPTHREAD_START_ROUTINE proc;
        TestMainWindow* host;
    };
    // Runs a worker and tells the test when the chain of passes is over.
    static DWORD WINAPI RunJob(LPVOID param) {
        std::unique_ptr<Job> job(static_cast<Job*>(param));
        job->proc(static_cast<CPassHost*>(job->host));
        if (!job->host->PassRunning())
            job->host->ended.Set();
        return 0;
    }
};

// Each plugin answers GetSize from the Lua table Sizes, fails while Fail names it, records its
// calls in Measured and Cleared, and is left empty by Clear.
const char* const kPlugin = R"(
local NAME = "%s"
function this:GetPluginName() return NAME end
function this:GetSize()
    if Fail[NAME] then error("cannot measure " .. NAME) end
    Measured[#Measured + 1] = NAME
    local v = Sizes[NAME]
    return v[1], v[2]
end
function this:Clear()
    Cleared[#Cleared + 1] = NAME
    Sizes[NAME] = {"0", "0"}
end
)";

// Three categories of four plugins: Cat A (A1..A4), Cat B, Cat C; fifteen rows in all.
class PassHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        Lua("Sizes, Fail, Measured, Cleared = {}, {}, {}, {}");
        for (char c : {'A', 'B', 'C'}) {
            const std::string cat = std::string("Cat ") + c;
            CScriptRow* catRow =
                Add(host.Load("function this:GetCategoryName() return '" + cat + "' end"), true, nullptr, cat);
            for (int i = 1; i <= 4; ++i) {
                const std::string name = std::string(1, c) + std::to_string(i);
                char source[1024];
                std::snprintf(source, sizeof source, kPlugin, name.c_str());
                Add(host.Load(source), false, catRow, name);
                SetSize(name, (c - 'A' + 1) * 1000 + i, i); // A1: 1001 bytes in 1 file ...
            }
        }
        CancelledFlag().store(false);
    }

    CScriptRow* Add(std::unique_ptr<CPluginScript> script, bool isGroup, CScriptRow* parent, const std::string& name) {
        EXPECT_TRUE(script) << name;
        std::string answered;
        if (isGroup)
            script->GetCategoryName(answered);
        else
            script->GetPluginName(answered);
        EXPECT_EQ(answered, name);
        CScriptRow* row = win.list.InsertItem(std::move(script), -1, kUnchecked, isGroup ? 1 : 0, parent);
        rows[name] = row;
        return row;
    }

    void Lua(const std::string& chunk) {
        ASSERT_EQ(luaL_dostring(host.Vm().State(), chunk.c_str()), 0) << lua_tostring(host.Vm().State(), -1);
    }
    void SetSize(const std::string& name, std::uint64_t size, std::uint32_t count) {
        Lua("Sizes['" + name + "'] = {'" + std::to_string(size) + "', '" + std::to_string(count) + "'}");
    }
    // Empties Measured and Cleared, answering what they held.
    Names Take(const char* list) {
        lua_State* L = host.Vm().State();
        Names out;
        lua_getglobal(L, list);
        for (int i = 1;; ++i) {
            lua_rawgeti(L, -1, i);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                break;
            }
            out.push_back(lua_tostring(L, -1));
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
        Lua(std::string(list) + " = {}");
        return out;
    }
    CPluginScript& Script(const std::string& name) { return *rows.at(name)->userData; }
    std::uint64_t SizeOf(const std::string& name) { return Script(name).Size(); }
    std::uint32_t CountOf(const std::string& name) { return Script(name).FileCount(); }
    void Check(const std::string& name, std::uint32_t state = kChecked) {
        win.list.SetCheck(rows.at(name), state, true, true);
    }
    std::string Status(std::uint64_t size, std::uint32_t count) {
        return "Total selected: " + FormatByteSize(size) + " in " + std::to_string(count) + " files (items).";
    }
    static Names Prefixed(const char* verb, const Names& names) {
        Names out;
        for (const std::string& n : names)
            out.push_back(verb + n);
        return out;
    }

    test::ScriptHost host; // outlives the window's rows and their scripts
    TestMainWindow win;
    std::map<std::string, CScriptRow*> rows;
};

const Names kAllRows = {"Cat A", "A1", "A2",    "A3", "A4", "Cat B", "B1", "B2",
                        "B3",    "B4", "Cat C", "C1", "C2", "C3",    "C4"};
const Names kAllPlugins = {"A1", "A2", "A3", "A4", "B1", "B2", "B3", "B4", "C1", "C2", "C3", "C4"};

TEST_F(PassHostTest, RefreshAllNamesAndStepsEveryRowAndKeepsCategoryTotals) {
    // Start commands that arrive while the first one's pass runs start nothing.
    win.ClearRecords();
    for (WORD command : {ID_REFRESH_ALL, ID_REFRESH_ALL, IDC_CLEAN_SELECTED, ID_REFRESH_SELECTED})
        win.SendMessage(WM_COMMAND, command, 0);
    ASSERT_TRUE(win.Wait());
    EXPECT_EQ(win.workers, 1);
    EXPECT_EQ(win.RunMode(), kRunAllRows);
    EXPECT_EQ(win.ranges, std::vector<int>{15});
    EXPECT_EQ(win.steps, 15);
    EXPECT_EQ(win.BarPos(), 15) << "the bar ends full";
    EXPECT_EQ(win.statuses, Prefixed("Now updating: ", kAllRows));
    EXPECT_EQ(Take("Measured"), kAllPlugins);
    EXPECT_TRUE(win.disabledWhileRunning);
    EXPECT_TRUE(win.ButtonsEnabled());
    EXPECT_FALSE(::IsWindowVisible(win.progress.Handle()));
    EXPECT_EQ(win.repaints, 1);
    EXPECT_EQ(win.recounts, 1);
    EXPECT_FALSE(win.PassRunning());

    EXPECT_EQ(SizeOf("A3"), 1003u);
    EXPECT_EQ(CountOf("A3"), 3u);
    EXPECT_EQ(SizeOf("Cat B"), 2001u + 2002 + 2003 + 2004);
    EXPECT_EQ(CountOf("Cat B"), 10u);

    // A plugin that shrinks moves its category's totals down by the difference.
    SetSize("B2", 2, 0);
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    EXPECT_EQ(SizeOf("Cat B"), 2001u + 2 + 2003 + 2004);
    EXPECT_EQ(CountOf("Cat B"), 8u);
}

TEST_F(PassHostTest, RefreshSelectedMeasuresOnlyTheCheckedPlugin) {
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    Take("Measured");
    Check("A2");
    for (const std::string& name : kAllPlugins)
        SetSize(name, 50000, 50);
    ASSERT_TRUE(win.Run(ID_REFRESH_SELECTED));
    EXPECT_EQ(win.RunMode(), kRunCheckedRows);
    EXPECT_EQ(win.statuses, Names{"Now updating: A2"}) << "a partly checked category is not named";
    EXPECT_EQ(Take("Measured"), Names{"A2"});
    EXPECT_EQ(win.ranges, std::vector<int>{15});
    EXPECT_EQ(win.BarPos(), 1);
    EXPECT_EQ(SizeOf("A2"), 50000u);
    EXPECT_EQ(SizeOf("A1"), 1001u);
    EXPECT_EQ(SizeOf("Cat A"), 1001u + 50000 + 1003 + 1004);
    EXPECT_EQ(win.StatusLine(), Status(50000, 50)) << "recounted at the end";
}

TEST_F(PassHostTest, CheckNoticesAddAndSubtractRowsInConstantSteps) {
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    EXPECT_EQ(win.StatusLine(), Status(0, 0));

    win.notices.clear();
    Check("Cat B");
    ASSERT_EQ(win.notices.size(), 5u) << "one notice per row";
    EXPECT_EQ(win.notices[0].row, rows["Cat B"]);
    EXPECT_EQ(win.notices[4].row, rows["B4"]);
    const std::uint64_t all = 2001 + 2002 + 2003 + 2004;
    EXPECT_EQ(win.totals.Size(), all) << "the category's own notice adds nothing";
    EXPECT_EQ(win.totals.Count(), 10u);
    EXPECT_EQ(win.StatusLine(), Status(all, 10));

    Check("B2", kUnchecked);
    EXPECT_EQ(win.totals.Size(), all - 2002) << "unchecking subtracts exactly what checking added";
    EXPECT_EQ(win.totals.Count(), 8u);
    EXPECT_EQ(win.StatusLine(), Status(all - 2002, 8));
    Check("Cat B", kUnchecked);
    EXPECT_EQ(win.totals.Size(), 0u);
    EXPECT_EQ(win.totals.Count(), 0u);

    // A row that gains or loses its check box without being checked moves nothing.
    Check("C1", kNoCheckBox);
    Check("C1", kUnchecked);
    EXPECT_EQ(win.totals.Size(), 0u);
    EXPECT_EQ(win.totals.Count(), 0u);

    // The same totals as a full recount.
    Check("A1");
    Check("Cat C");
    const std::uint64_t size = win.totals.Size();
    win.SendMessage(WM_ITEMCHECKCHANGING, 0, 0);
    EXPECT_EQ(win.totals.Size(), size);
    EXPECT_EQ(size, 1001u + 3001 + 3002 + 3003 + 3004);
}

TEST_F(PassHostTest, CleanWithNothingCheckedStillRunsAndEmptiesTheStoredSelection) {
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    Take("Measured");
    win.selection.Add("stale");
    ASSERT_TRUE(win.Run(IDC_CLEAN_SELECTED));
    EXPECT_EQ(win.shows, 2) << "the clean and its refresh";
    EXPECT_EQ(win.hides, 2);
    EXPECT_EQ(win.workers, 2);
    EXPECT_TRUE(win.selection.Selected().empty());
    EXPECT_TRUE(win.statuses.empty());
    EXPECT_TRUE(Take("Cleared").empty());
    EXPECT_TRUE(Take("Measured").empty());
    EXPECT_EQ(win.RunMode(), kRunCheckedRows);
    EXPECT_EQ(win.recounts, 1);
    EXPECT_TRUE(win.ButtonsEnabled());
    EXPECT_FALSE(win.PassRunning());
}

TEST_F(PassHostTest, CleanClearsCheckedPluginsOnlyAndRecountsTheirCategories) {
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    Take("Measured");
    Check("A1");
    Check("A3");
    Check("Cat C");
    ASSERT_TRUE(win.Run(IDC_CLEAN_SELECTED));
    EXPECT_EQ(win.selection.Selected(), (Names{"A1", "A3", "Cat C", "C1", "C2", "C3", "C4"}))
        << "checked rows, a category before its plugins; a partly checked one is not stored";
    EXPECT_EQ(Take("Cleared"), (Names{"A1", "A3", "C1", "C2", "C3", "C4"}));
    EXPECT_EQ(win.statuses,
              (Names{"Now clearing: A1", "Now clearing: A3", "Now clearing: C1", "Now clearing: C2", "Now clearing: C3",
                     "Now clearing: C4", "Now updating: A1", "Now updating: A3", "Now updating: Cat C",
                     "Now updating: C1", "Now updating: C2", "Now updating: C3", "Now updating: C4"}));
    EXPECT_EQ(win.ranges, (std::vector<int>{15, 15}));
    EXPECT_EQ(SizeOf("A1"), 0u);
    EXPECT_EQ(SizeOf("A2"), 1002u) << "unchecked plugins keep their sizes";
    EXPECT_EQ(SizeOf("Cat A"), 1002u + 1004) << "and their category still counts them";
    EXPECT_EQ(CountOf("Cat A"), 2u + 4);
    EXPECT_EQ(SizeOf("Cat C"), 0u);
    EXPECT_EQ(win.StatusLine(), Status(0, 0));
    EXPECT_TRUE(win.ButtonsEnabled());
}

TEST_F(PassHostTest, CancelDuringARefreshStopsAfterThePluginAtHand) {
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    Take("Measured");
    Check("Cat A");
    Check("Cat B");
    for (const std::string& name : kAllPlugins)
        SetSize(name, 70000, 7);
    win.CancelOn("Now updating: B1");
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    EXPECT_EQ(Take("Measured"), (Names{"A1", "A2", "A3", "A4", "B1"}));
    EXPECT_EQ(win.statuses.back(), "Now updating: B1");
    EXPECT_EQ(SizeOf("B1"), 70000u);
    EXPECT_EQ(SizeOf("B2"), 2002u) << "the rows after it keep their old values";
    EXPECT_EQ(SizeOf("Cat B"), 70000u + 2002 + 2003 + 2004);
    EXPECT_EQ(win.StatusLine(), Status(5 * 70000 + 2002 + 2003 + 2004, 5 * 7 + 2 + 3 + 4)) << "recounted";
    EXPECT_TRUE(win.ButtonsEnabled());
    EXPECT_FALSE(::IsWindowVisible(win.progress.Handle()));
}

TEST_F(PassHostTest, CancelDuringACleanLeavesTheRestAndTheFollowUpRefreshCanBeCancelledItself) {
    Check("Cat A");
    Check("B1");
    win.onStatus = [this](const std::string& text) {
        if (text == "Now clearing: A2" || text == "Now updating: A3")
            ::SendMessageA(win.progress.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0);
    };
    ASSERT_TRUE(win.Run(IDC_CLEAN_SELECTED));
    EXPECT_EQ(Take("Cleared"), (Names{"A1", "A2"}));
    EXPECT_EQ(win.statuses, (Names{"Now clearing: A1", "Now clearing: A2", "Now updating: Cat A", "Now updating: A1",
                                   "Now updating: A2", "Now updating: A3"}));
    // Recounted to nothing where the clean stopped (nothing had been measured before), then moved
    // by A3, the one plugin its refresh measured anew before it was cancelled.
    EXPECT_EQ(SizeOf("Cat A"), 1003u);
    EXPECT_EQ(SizeOf("B1"), 0u) << "never measured";
    EXPECT_TRUE(win.ButtonsEnabled());
    EXPECT_FALSE(win.PassRunning());

    // The next pass is not cancelled by the last one.
    win.onStatus = nullptr;
    ASSERT_TRUE(win.Run(ID_REFRESH_SELECTED));
    EXPECT_EQ(win.steps, 6);
}

TEST_F(PassHostTest, APluginWhoseGetSizeStartsFailingKeepsWhatItShowed) {
    SetSize("A1", 104857600, 7);
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    Lua("Fail['A1'] = true");
    SetSize("A2", 5, 5);
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    EXPECT_EQ(SizeOf("A1"), 104857600u);
    EXPECT_EQ(CountOf("A1"), 7u);
    EXPECT_EQ(SizeOf("Cat A"), 104857600u + 5 + 1003 + 1004);
    EXPECT_EQ(win.steps, 15) << "a failing plugin is still stepped";
    Check("A1");
    EXPECT_EQ(win.StatusLine(), Status(104857600, 7));
}

TEST_F(PassHostTest, TotalsAboveFourGigabytesAreSummedIn64Bits) {
    for (const char* name : {"B1", "B2", "B3"})
        SetSize(name, 5000000000ull, 100);
    ASSERT_TRUE(win.Run(ID_REFRESH_ALL));
    Check("B1");
    Check("B2");
    Check("B3");
    EXPECT_EQ(win.totals.Size(), 15000000000ull);
    EXPECT_EQ(SizeOf("Cat B"), 15000000000ull + 2004);
    EXPECT_NE(win.StatusLine().find("GB in 300 files (items)."), std::string::npos) << win.StatusLine();
}

TEST(SelectionStatusText, UsesTheShellsWordingOfTheSize) {
    EXPECT_EQ(SelectionStatusText(0, 0), "Total selected: " + FormatByteSize(0) + " in 0 files (items).");
    EXPECT_EQ(SelectionStatusText(1536, 4294967295u),
              "Total selected: " + FormatByteSize(1536) + " in 4294967295 files (items).");
    EXPECT_EQ(FormatByteSize(1536), "1.50 KB");
}

// The jobs the last clean skipped come first, each with its reason, then the totals.
TEST(SelectionStatusText, NamesTheSkippedJobsBeforeTheTotals) {
    const std::string total = SelectionStatusText(1536, 2);
    EXPECT_EQ(SelectionStatusText(1536, 2, {}), total);
    EXPECT_EQ(SelectionStatusText(1536, 2, {{"Chrome history", "Chrome is running"}}),
              "Skipped: Chrome history (Chrome is running). " + total);
    EXPECT_EQ(SelectionStatusText(1536, 2, {{"A", "a"}, {"B", "b"}}), "Skipped: A (a); B (b). " + total);
}

} // namespace
