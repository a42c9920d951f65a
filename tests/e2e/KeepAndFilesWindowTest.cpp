// The keep list and "Show files..." in the real program's window: the row menu, the files list
// with its copy, the keep-list dialog with typed and picked paths, and kept paths surviving Clean
// Selected with everything else outside the checked jobs intact byte for byte.
#include "app/PassHost.h"
#include "e2e/AppHarness.h"
#include "engine/Settings.h"
#include "framework/ByteSize.h"
#include "resource.h"
#include "support/HostScopeProbe.h"
#include "support/Snapshot.h"
#include "support/TempDir.h"
#include "support/WideTree.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace qs;
using e2e::AppFolder;
using e2e::AppProcess;
using e2e::WaitUntil;

constexpr DWORD kNormalExit = 2;

std::uint64_t OnDrive(std::uint64_t bytes) {
    const std::uint64_t cluster = test::TempClusterSize();
    return (bytes + cluster - 1) / cluster * cluster;
}

// A plugin that measures and cleans everything below data\<data>, subfolders too.
std::string Recursive(const std::string& name, const std::string& folder) {
    return "function this:GetPluginName() return '" + name +
           "' end\n"
           "function this:GetSize() return self:GetFolderSize([[" +
           folder +
           "]], '*', true) end\n"
           "function this:Clear() self:DeleteFolderContent([[" +
           folder + "]], '*', true) end\n";
}

// The clipboard's text, or false while another program has it open: Wine's clipboard manager
// opens it for a moment whenever its content changes.
bool ReadClipboard(std::wstring& text) {
    if (!::OpenClipboard(nullptr))
        return false;
    text.clear();
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* at = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = at;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return true;
}

bool EmptyTheClipboard() {
    return WaitUntil([] {
        if (!::OpenClipboard(nullptr))
            return false;
        ::EmptyClipboard();
        ::CloseClipboard();
        return true;
    });
}

// Waits until the clipboard holds something other than `before`.
std::wstring NewClipboard(const std::wstring& before) {
    std::wstring now = before;
    WaitUntil([&] { return ReadClipboard(now) && now != before; }, 10000);
    return now;
}

std::string Text(HWND window) { return AppProcess::Text(window); }

// Two plugins at the top, each over a folder of its own with files directly in it and below.
class KeepAndFilesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::MakeDirs(DataRoot());
        for (const auto& [path, bytes] : std::vector<std::pair<std::wstring, std::size_t>>{
                 {L"logs\\a.log", 1000},
                 {L"logs\\b.log", 9000},
                 {L"logs\\old\\c.log", 100},
                 {L"dumps\\d.dmp", 5000},
                 {L"dumps\\Caf\u00e9.dmp", 20},
                 {L"dumps\\Keep\\inside.dmp", 3000},
                 {L"canary.txt", 30}})
            ASSERT_TRUE(test::MakeEntry(DataRoot(), path, std::string(bytes, 'z')));
        test::WriteText(app.Scripts("logs.lua"), Recursive("Logs", app.Data("logs")));
        test::WriteText(app.Scripts("dumps.lua"), Recursive("Dumps", app.Data("dumps")));
    }

    std::string DataRoot() const { return app.Path() + "\\data"; }

    // The point of a row's name in the list: rows follow the scripts folder's listing order.
    POINT NameOf(AppProcess& quillsweep, const std::string& script) {
        const std::vector<std::string> top = AppFolder::ListingOrder(app.Scripts());
        POINT p =
            quillsweep.CheckBoxPoint(static_cast<int>(std::find(top.begin(), top.end(), script) - top.begin()), 0);
        p.x += 40;
        return p;
    }

    void WriteSettings(const std::vector<std::string>& selected, const std::vector<std::string>& kept) {
        CSettings settings(app.SettingsPath());
        for (const std::string& s : selected)
            settings.Add(s);
        settings.SetKeptPaths(kept);
    }

    static constexpr int kRows = 2;
    AppFolder app;
};

// The row menu's Show files... measures the plugin with its files recorded and lists them, kept
// ones left out, sorted, with sizes on drive; Copy and Ctrl+C put the rows on the clipboard, and
// Copy says so when it cannot; the list follows the window's size.
TEST_F(KeepAndFilesWindowTest, ShowFilesListsWhatThePluginCountsAndCopiesIt) {
    SKIP_UNLESS_HOST_SCOPE();
    WriteSettings({}, {app.Data("logs\\B.LOG")});
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));

    quillsweep.RightClickList(NameOf(quillsweep, "logs.lua"));
    HWND menu = quillsweep.WaitPopupMenu();
    ASSERT_NE(menu, nullptr);
    // Show files..., after the row's own Check, chosen by its access key as a user would.
    ::PostMessageA(menu, WM_KEYDOWN, 'F', 0);
    HWND files = quillsweep.WaitDialog(IDC_FILES_LIST);
    ASSERT_NE(files, nullptr);
    HWND list = ::GetDlgItem(files, IDC_FILES_LIST);
    // The subfolder counts as an item of size 0, as the measurement counts it.
    EXPECT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
    const std::uint64_t size = OnDrive(1000) + OnDrive(100);
    EXPECT_EQ(Text(::GetDlgItem(files, IDC_FILES_SUMMARY)), "Logs: 3 items, " + FormatByteSize(size) + " on drive");

    // The folder as the script named it, expanded and upper-cased by the host; the names as listed.
    std::string root = app.Data("logs");
    ::CharUpperBuffA(&root[0], static_cast<DWORD>(root.size()));
    const std::wstring logs = test::Wide(root);
    const std::wstring all = logs + L"\\a.log\t" + std::to_wstring(OnDrive(1000)) + L"\r\n" + logs + L"\\old\t0\r\n" +
                             logs + L"\\old\\c.log\t" + std::to_wstring(OnDrive(100)) + L"\r\n";
    ASSERT_TRUE(EmptyTheClipboard());
    // While another program keeps the clipboard open, Copy says that nothing was copied.
    ASSERT_TRUE(WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }));
    AppProcess::Click(files, IDC_FILES_COPY);
    HWND busy = quillsweep.WaitDialog(IDOK);
    ::CloseClipboard();
    ASSERT_NE(busy, nullptr) << "no word of the busy clipboard";
    {
        RECT r{};
        ::GetWindowRect(busy, &r);
        test::PaintCanvas shot(r.right - r.left, r.bottom - r.top);
        test::CaptureWindow(busy, shot);
        test::SavePng(shot, test::ShotPath("files-clipboard-busy"));
    }
    EXPECT_NE(AppProcess::DialogText(busy).find("Nothing was copied"), std::string::npos)
        << AppProcess::DialogText(busy);
    ASSERT_TRUE(quillsweep.Answer(busy, IDOK));
    std::wstring still;
    EXPECT_TRUE(WaitUntil([&] { return ReadClipboard(still); }));
    EXPECT_EQ(still, L"");
    AppProcess::Click(files, IDC_FILES_COPY);
    EXPECT_EQ(NewClipboard(L""), all);
    // Ctrl+C with the last row selected copies that row alone.
    ::PostMessageA(list, WM_KEYDOWN, VK_END, 0);
    ::PostMessageA(list, WM_CHAR, 3, 0);
    EXPECT_EQ(NewClipboard(all), logs + L"\\old\\c.log\t" + std::to_wstring(OnDrive(100)) + L"\r\n");

    RECT before{}, after{}, window{};
    ::GetWindowRect(list, &before);
    ::GetWindowRect(files, &window);
    ::SetWindowPos(files, nullptr, 0, 0, window.right - window.left + 200, window.bottom - window.top + 100,
                   SWP_NOMOVE | SWP_NOZORDER);
    WaitUntil([&] {
        ::GetWindowRect(list, &after);
        return after.right - after.left == before.right - before.left + 200;
    });
    EXPECT_EQ(after.right - after.left, before.right - before.left + 200);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + 100);

    AppProcess::Click(files, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(files); }));
    EXPECT_TRUE(WaitUntil([&] { return quillsweep.Idle(); }));
    EXPECT_EQ(test::ReadText(app.Data("canary.txt")), std::string(30, 'z'));
    quillsweep.PressEsc();
    ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
}

// The keep list is edited in its dialog: a typed path with a macro, a file from the file browser,
// a removed entry; OK saves it at once and measures the rows again without the kept files.
TEST_F(KeepAndFilesWindowTest, KeepListDialogAddsTypedAndPickedPathsAndRemovesThem) {
    WriteSettings({"Logs"}, {});
    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    // The subfolder counts as an item.
    EXPECT_EQ(quillsweep.Status(), SelectionStatusText(OnDrive(1000) + OnDrive(9000) + OnDrive(100), 4));

    quillsweep.PostCommand(ID_KEEP_LIST);
    HWND keep = quillsweep.WaitDialog(IDC_KEEP_LIST);
    ASSERT_NE(keep, nullptr);
    HWND list = ::GetDlgItem(keep, IDC_KEEP_LIST);
    const auto count = [list] { return ::SendMessageA(list, LB_GETCOUNT, 0, 0); };
    EXPECT_EQ(count(), 0);

    ::SendMessageA(::GetDlgItem(keep, IDC_KEEP_PATH), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>("%TEMP%\\Keep  me"));
    AppProcess::Click(keep, IDC_KEEP_ADD);
    EXPECT_TRUE(WaitUntil([&] { return count() == 1; }));

    // The file browser: its file name box takes the path, Open returns it.
    AppProcess::Click(keep, IDC_KEEP_ADD_FILE);
    const int kFileNameBox = 0x47c;
    HWND browser = quillsweep.WaitDialog(kFileNameBox);
    ASSERT_NE(browser, nullptr) << "no file browser";
    ::SendMessageA(::GetDlgItem(browser, kFileNameBox), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(app.Data("logs\\b.log").c_str()));
    AppProcess::Click(browser, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return count() == 2; }));

    // The folder browser (known by its folder tree) opens, and cancelled it adds nothing.
    AppProcess::Click(keep, IDC_KEEP_ADD_FOLDER);
    const int kFolderTree = 0x3741;
    HWND folders = quillsweep.WaitDialog(kFolderTree);
    ASSERT_NE(folders, nullptr) << "no folder browser";
    AppProcess::Click(folders, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(folders) || !::IsWindowVisible(folders); }));
    EXPECT_EQ(count(), 2);

    // The typed path goes again.
    ::SendMessageA(list, LB_SETSEL, FALSE, -1);
    ::SendMessageA(list, LB_SETSEL, TRUE, 0);
    AppProcess::Click(keep, IDC_KEEP_REMOVE);
    EXPECT_TRUE(WaitUntil([&] { return count() == 1; }));

    quillsweep.MarkStatus();
    AppProcess::Click(keep, IDOK);
    ASSERT_TRUE(quillsweep.WaitPassEnd());
    EXPECT_FALSE(::IsWindow(keep));
    // Saved at once, in the form the file browser named it.
    std::vector<std::string> kept = CSettings(app.SettingsPath()).KeptPaths();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(CompareSelectedNames(kept[0], app.Data("logs\\b.log")), 0) << kept[0];
    if (test::HostScopeHonoured()) {
        EXPECT_EQ(quillsweep.Status(), SelectionStatusText(OnDrive(1000) + OnDrive(100), 3));
    }

    quillsweep.PressEsc();
    ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
    EXPECT_EQ(CSettings(app.SettingsPath()).KeptPaths(), kept);
}

// Clean Selected removes every file of the checked jobs except the kept ones: a file given in
// another letter case, a folder with what is in it, a name outside ASCII and one below a path
// longer than MAX_PATH; everything outside the jobs stays byte for byte.
TEST_F(KeepAndFilesWindowTest, KeptPathsSurviveCleanSelected) {
    SKIP_UNLESS_HOST_SCOPE();
    // Below the kept folder, and outside it, a path longer than MAX_PATH.
    const std::wstring longer = std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e');
    const std::wstring deepKept = L"dumps\\Keep\\" + longer + L"\\kept.bin";
    const std::wstring deepGone = L"dumps\\" + longer + L"\\gone.bin";
    ASSERT_TRUE(test::MakeEntry(DataRoot(), deepKept, "long"));
    ASSERT_TRUE(test::MakeEntry(DataRoot(), deepGone, "gone"));
    WriteSettings({"Logs", "Dumps"}, {app.Data("LOGS\\A.log"), app.Data("dumps\\Keep"), app.Data("dumps\\Caf\xE9.dmp")});
    const test::TreeSnapshot before = test::Snapshot(DataRoot());

    AppProcess quillsweep(app);
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    ASSERT_TRUE(quillsweep.RunPass(IDC_CLEAN_SELECTED));
    EXPECT_EQ(quillsweep.Status(), SelectionStatusText(0, 0));

    const test::TreeSnapshot after = test::Snapshot(DataRoot());
    std::vector<std::wstring> removed;
    for (const auto& [path, content] : before) {
        const auto left = after.find(path);
        if (left == after.end())
            removed.push_back(path);
        else
            EXPECT_EQ(left->second, content) << test::Printable(path);
    }
    std::sort(removed.begin(), removed.end());
    const std::wstring d = L"dumps\\" + std::wstring(120, L'd') + L"\\";
    std::vector<std::wstring> expected = {L"dumps\\d.dmp", d, d + std::wstring(120, L'e') + L"\\", deepGone,
                                          L"logs\\b.log", L"logs\\old\\", L"logs\\old\\c.log"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
    for (const std::wstring& stays :
         std::vector<std::wstring>{L"logs\\a.log", L"dumps\\Keep\\inside.dmp", L"dumps\\Caf\u00e9.dmp", deepKept, L"canary.txt"})
        EXPECT_EQ(after.count(stays), 1u) << test::Printable(stays);
    quillsweep.PressEsc();
    ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
}

// A settings file cut short holds a keep list the window cannot read. The window says so at
// start-up and where the file will be kept; Clean Selected asks first, Enter (the default
// button) cleans nothing, and every file stays byte for byte. Yes cleans the checked jobs and
// nothing outside them. On close the damaged file is kept aside byte for byte, and the new
// settings file reads.
TEST_F(KeepAndFilesWindowTest, UnreadableSettingsAreKeptAsideAndCleanAsksFirst) {
    SKIP_UNLESS_HOST_SCOPE();
    const std::string damaged = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Quillsweep version=\"1\"><keep><path>" +
                                app.Data("logs\\a.log") + "</path></keep><selected><plugin>Logs</plu";
    app.WriteSettings(damaged);
    test::WriteText(app.SettingsPath() + ".bad", "an earlier copy");
    const test::TreeSnapshot before = test::Snapshot(DataRoot());

    AppProcess quillsweep(app);
    HWND notice = quillsweep.WaitDialog(IDOK);
    ASSERT_NE(notice, nullptr) << "no word of the unreadable settings";
    EXPECT_TRUE(::IsWindowVisible(quillsweep.Main())); // the notice stands over the window
    const std::string told = AppProcess::DialogText(notice);
    EXPECT_NE(told.find("could not be read (it is not a well-formed document)"), std::string::npos) << told;
    EXPECT_NE(told.find(app.SettingsPath() + ".bad2"), std::string::npos) << told;
    ASSERT_TRUE(quillsweep.Answer(notice, IDOK));
    ASSERT_TRUE(quillsweep.WaitFirstRefresh(kRows));
    EXPECT_EQ(quillsweep.Status(), SelectionStatusText(0, 0)); // nothing came up checked
    // With nothing checked, Clean Selected has nothing to clean and nothing to ask.
    quillsweep.MarkStatus();
    quillsweep.PostCommand(IDC_CLEAN_SELECTED);
    ASSERT_TRUE(quillsweep.WaitPassEnd());
    EXPECT_EQ(quillsweep.Question(), nullptr);
    quillsweep.Command(ID_SELECT_ALL);

    quillsweep.PostCommand(IDC_CLEAN_SELECTED);
    HWND question = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (question = quillsweep.Question()) != nullptr; }));
    const std::string asked = AppProcess::DialogText(question);
    EXPECT_NE(asked.find("the keep list is not known"), std::string::npos) << asked;
    EXPECT_NE(asked.find(app.SettingsPath()), std::string::npos) << asked;
    quillsweep.PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(question) || !::IsWindowVisible(question); }));
    ASSERT_TRUE(WaitUntil([&] { return quillsweep.Idle(); }));
    ::Sleep(300); // a pass started by mistake would have shown by now
    EXPECT_TRUE(quillsweep.Idle());
    EXPECT_EQ(test::Snapshot(DataRoot()), before);

    quillsweep.MarkStatus();
    quillsweep.PostCommand(IDC_CLEAN_SELECTED);
    ASSERT_TRUE(WaitUntil([&] { return (question = quillsweep.Question()) != nullptr; }));
    ASSERT_TRUE(quillsweep.Answer(question, IDYES));
    ASSERT_TRUE(quillsweep.WaitPassEnd());
    const test::TreeSnapshot after = test::Snapshot(DataRoot());
    // What the jobs' folders held went, the kept file too; the folders themselves and everything
    // else stay byte for byte.
    const auto inJob = [](const std::wstring& path) {
        for (const std::wstring job : {L"logs\\", L"dumps\\"})
            if (path.size() > job.size() && path.compare(0, job.size(), job) == 0)
                return true;
        return false;
    };
    test::TreeSnapshot expected;
    for (const auto& [path, content] : before)
        if (!inJob(path))
            expected[path] = content;
    EXPECT_EQ(after, expected);
    EXPECT_EQ(test::ReadText(app.SettingsPath()), damaged); // untouched while the window runs

    quillsweep.PressEsc();
    ASSERT_EQ(quillsweep.WaitExit(), kNormalExit);
    EXPECT_EQ(test::ReadText(app.SettingsPath() + ".bad"), "an earlier copy");
    EXPECT_EQ(test::ReadText(app.SettingsPath() + ".bad2"), damaged);
    EXPECT_FALSE(test::Exists(app.SettingsPath() + ".bad3"));
    CSettings written(app.SettingsPath());
    written.SetSaveOnDestroy(false);
    EXPECT_EQ(written.ReadResult(), CSettingsRead::kRead);
    std::vector<std::string> selected = written.Selected();
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<std::string>{"Dumps", "Logs"}));
}

} // namespace
