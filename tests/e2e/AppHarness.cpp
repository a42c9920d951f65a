// Starting the program beside a test's own scripts and finding and driving its windows.
#include "e2e/AppHarness.h"

#include "resource.h"
#include "support/Spawn.h"

#include <commctrl.h>

#include <cstdio>
#include <stdexcept>

namespace qs::e2e {
namespace {

// Written into the status line before a pass starts: the pass has ended once the line says
// something else again.
constexpr char kStatusMark[] = "(waiting for the pass)";

// Every plugin of the tests: the files directly in one folder, measured and deleted alike. The
// hold file lets a test stop a pass inside the plugin; the loop is bounded so that a failed test
// cannot leave the plugin spinning for good.
constexpr char kPluginTemplate[] = R"(local folder = [[%DATA%]]
local hold = [[%HOLD%]]
local function wait(self)
    if hold == "" then return end
    for i = 1, 2000000 do
        if self:GetFileSize(hold) == 0 then return end
    end
end
function this:GetPluginName() return "%NAME%" end
function this:GetSize()
    wait(self)
    return self:GetFolderSize(folder, "*", false)
end
function this:Clear()
    wait(self)
    self:DeleteFolderContent(folder, "*", false)
end
)";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

struct FindMain {
    DWORD pid;
    int childId;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
    auto* find = reinterpret_cast<FindMain*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == find->pid && std::string(cls) == "#32770" && ::GetDlgItem(hwnd, find->childId) != nullptr) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialogOf(DWORD pid, int childId) {
    FindMain find{pid, childId, nullptr};
    ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

BOOL CALLBACK FindMenu(HWND hwnd, LPARAM param) {
    auto* find = reinterpret_cast<FindMain*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == find->pid && std::string(cls) == "#32768" && ::IsWindowVisible(hwnd)) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return done();
        ::Sleep(5);
    }
}

std::string ProgramPath() {
    char value[MAX_PATH] = "";
    const DWORD n = ::GetEnvironmentVariableA("QS_PROGRAM", value, sizeof value);
    if (n > 0 && n < sizeof value) {
        std::string path = value;
        // ctest hands over the build tree's Unix path; Wine shows the Unix root as Z:.
        if (path[0] == '/') {
            for (char& c : path)
                if (c == '/')
                    c = '\\';
            path = "Z:" + path;
        }
        return path;
    }
    char module[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, sizeof module);
    std::string dir = module;
    dir.erase(dir.find_last_of('\\'));
    return dir + "\\..\\Quillsweep.exe";
}

// ---- the folder ---------------------------------------------------------------------------

AppFolder::AppFolder() {
    if (!::CopyFileA(ProgramPath().c_str(), Exe().c_str(), FALSE))
        throw std::runtime_error("cannot copy " + ProgramPath());
    test::MakeDirs(Scripts());
    test::MakeDirs(m_dir / "data");
}

std::string AppFolder::Scripts(const std::string& relative) const {
    return relative.empty() ? m_dir / "scripts" : m_dir / ("scripts\\" + relative);
}

void AppFolder::AddCategory(const std::string& folder, const std::string& name) {
    test::WriteText(Scripts(folder + "\\category.lua"),
                    "function this:GetCategoryName() return \"" + name + "\" end\n");
}

void AppFolder::AddPlugin(const std::string& script, const std::string& name, const std::string& data,
                          const std::string& holdFile) {
    test::MakeDirs(Data(data));
    std::string source = Replace(kPluginTemplate, "%DATA%", Data(data));
    source = Replace(source, "%HOLD%", holdFile);
    source = Replace(source, "%NAME%", name);
    test::WriteText(Scripts(script), source);
}

void AppFolder::AddFiles(const std::string& data, int count, std::uint32_t bytes, int first) {
    for (int i = first; i < first + count; ++i)
        test::WriteBytes(Data(data + "\\f" + std::to_string(i) + ".tmp"), bytes);
}

int AppFolder::CountFiles(const std::string& data) const {
    int n = 0;
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((Data(data) + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            ++n;
    } while (::FindNextFileA(find, &fd));
    ::FindClose(find);
    return n;
}

void AppFolder::WriteSettings(const std::string& xml) const { test::WriteText(SettingsPath(), xml); }

std::vector<std::string> AppFolder::ListingOrder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = fd.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileA(find, &fd));
    ::FindClose(find);
    return names;
}

// ---- the process --------------------------------------------------------------------------

AppProcess::AppProcess(const AppFolder& folder) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    const std::string exe = folder.Exe();
    if (!test::StartPatiently([&] {
            return ::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(), &si,
                                    &m_pi);
        }))
        throw std::runtime_error("cannot start " + exe + " (error " + std::to_string(::GetLastError()) + ")");
}

AppProcess::~AppProcess() {
    if (Running()) {
        ::TerminateProcess(m_pi.hProcess, 1);
        ::WaitForSingleObject(m_pi.hProcess, 10000);
    }
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

bool AppProcess::Running() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }

HWND AppProcess::Main() {
    if (m_main == nullptr || !::IsWindow(m_main)) {
        m_main = nullptr;
        // Found while it is still being created, the window is not yet answering messages (under
        // load, long enough for a message with a time-out to give up): wait until it is shown.
        WaitUntil([this] {
            m_main = FindDialogOf(Id(), IDC_STATUS);
            return (m_main != nullptr && ::IsWindowVisible(m_main)) || !Running();
        });
    }
    return m_main;
}

HWND AppProcess::Progress() const { return FindDialogOf(Id(), IDC_PROGRESS_BAR); }

HWND AppProcess::Question() const {
    HWND question = FindDialogOf(Id(), IDNO);
    return question != nullptr && ::IsWindowVisible(question) ? question : nullptr;
}

std::string AppProcess::DialogText(HWND dialog) {
    std::string text;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = "";
        ::GetClassNameA(child, cls, sizeof cls);
        if (std::string(cls) == "Static")
            text += Text(child);
    }
    return text;
}

bool AppProcess::Answer(HWND question, int id) {
    ::PostMessageA(question, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(question, id)));
    return WaitUntil([question] { return !::IsWindow(question) || !::IsWindowVisible(question); });
}

HWND AppProcess::WaitDialog(int id, DWORD timeoutMs) const {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            dialog = FindDialogOf(Id(), id);
            return dialog != nullptr && ::IsWindowVisible(dialog);
        },
        timeoutMs);
    return dialog != nullptr && ::IsWindowVisible(dialog) ? dialog : nullptr;
}

void AppProcess::Click(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void AppProcess::RightClickList(POINT point) {
    HWND list = Item(IDC_SCRIPTS_LIST);
    WaitUntil([list] { return !::GetUpdateRect(list, nullptr, FALSE); }, 5000);
    ::SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x, point.y));
    // Posted: the menu it opens runs a loop of its own until it is closed.
    ::PostMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

HWND AppProcess::WaitPopupMenu(DWORD timeoutMs) const {
    FindMain find{Id(), 0, nullptr};
    WaitUntil(
        [&] {
            find.found = nullptr;
            ::EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&find));
            return find.found != nullptr;
        },
        timeoutMs);
    return find.found;
}

RECT AppProcess::ItemRect(int id) {
    RECT r{};
    ::GetWindowRect(Item(id), &r);
    ::MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string AppProcess::Text(HWND window) {
    char text[1024] = "";
    DWORD_PTR length = 0;
    if (window == nullptr || !::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                                    SMTO_ABORTIFHUNG, 5000, &length))
        return "";
    return std::string(text, length);
}

std::string AppProcess::ProgressStatus() const { return Text(::GetDlgItem(Progress(), IDC_PROGRESS_STATUS)); }

bool AppProcess::Idle() {
    HWND main = Main();
    HWND progress = Progress();
    for (int id : {IDC_REFRESH, IDC_CLEAN_SELECTED, IDC_HELP_BUTTON, IDC_SELECT})
        if (!::IsWindowEnabled(::GetDlgItem(main, id)))
            return false;
    return ::IsWindowEnabled(main) && (progress == nullptr || !::IsWindowVisible(progress));
}

bool AppProcess::WaitFirstRefresh(int rows) {
    return WaitUntil([this, rows] {
        HWND progress = Progress();
        if (progress == nullptr)
            return false;
        // The bar's range starts as 0 to 100; the pass sets it to the row count once it has
        // disabled the buttons, so the range tells a pass that has ended from one not yet begun.
        HWND bar = ::GetDlgItem(progress, IDC_PROGRESS_BAR);
        return ::SendMessageA(bar, PBM_GETRANGE, FALSE, 0) == rows && ::SendMessageA(bar, PBM_GETPOS, 0, 0) == rows &&
               Idle();
    });
}

void AppProcess::MarkStatus() {
    ::SendMessageA(Item(IDC_STATUS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kStatusMark));
}

bool AppProcess::WaitPassEnd() {
    return WaitUntil([this] { return Status() != kStatusMark && Idle(); });
}

bool AppProcess::RunPass(UINT command) {
    MarkStatus();
    Command(command);
    return WaitPassEnd();
}

void AppProcess::Command(UINT command) { ::SendMessageA(Main(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }

void AppProcess::PostCommand(UINT command) { ::PostMessageA(Main(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }

void AppProcess::PressEsc() { PressKey(VK_ESCAPE); }

HWND AppProcess::Focused() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(m_pi.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void AppProcess::PressKey(UINT key) {
    // While another program's window has come up on the display, the program has no focus and a
    // key would go astray: it is pressed once the focus is back.
    WaitUntil([this] { return Focused() != nullptr; }, 5000);
    HWND target = Focused();
    if (target == nullptr)
        target = Main();
    // The key's scan code in bits 16 to 23, as the keyboard gives it.
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageA(target, WM_KEYDOWN, key, scan | 0x00000001);
    ::PostMessageA(target, WM_KEYUP, key, scan | static_cast<LPARAM>(0xC0000001));
}

bool AppProcess::TabTo(HWND target) {
    for (int i = 0; i < 16; ++i) {
        const HWND before = Focused();
        PressKey(VK_TAB);
        if (!WaitUntil([&] { return Focused() != before; }, 5000))
            return false;
        if (Focused() == target)
            return true;
    }
    return false;
}

int AppProcess::ListHeaderHeight() {
    HWND header = ::FindWindowExA(Item(IDC_SCRIPTS_LIST), nullptr, "SysHeader32", nullptr);
    RECT r{};
    ::GetWindowRect(header, &r);
    return r.bottom - r.top;
}

int AppProcess::ListRowHeight() {
    // The list's rows are as high as the text of the system's menu font plus 2, made even.
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = ::CreateFontIndirectA(&metrics.lfMenuFont);
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICA text{};
    ::GetTextMetricsA(dc, &text);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(font);
    const int height = text.tmHeight + 2;
    return height + (height & 1);
}

POINT AppProcess::CheckBoxPoint(int row, int depth) {
    return {8 + 18 * (depth - 1) + 17 + 7, ListHeaderHeight() + row * ListRowHeight() + 7};
}

POINT AppProcess::ExpandButtonPoint(int row, int depth) {
    return {8 + 18 * (depth - 1) + 4, ListHeaderHeight() + row * ListRowHeight() + ListRowHeight() / 2};
}

void AppProcess::ClickList(POINT point) {
    HWND list = Item(IDC_SCRIPTS_LIST);
    // The list finds check boxes and buttons where it last painted them: a click counts once
    // the list has painted what changed before it (a refresh, an expanded category).
    auto painted = [list] { return !::GetUpdateRect(list, nullptr, FALSE); };
    WaitUntil(painted, 5000);
    // Sent, so that the click has been handled on return.
    ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    ::SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    WaitUntil(painted, 5000);
}

void AppProcess::KeyInList(UINT key) {
    HWND list = Item(IDC_SCRIPTS_LIST);
    ::PostMessageA(list, WM_KEYDOWN, key, 0x00000001);
    ::PostMessageA(list, WM_KEYUP, key, 0xC0000001);
}

DWORD AppProcess::WaitExit(DWORD timeoutMs) {
    ::WaitForSingleObject(m_pi.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

} // namespace qs::e2e
