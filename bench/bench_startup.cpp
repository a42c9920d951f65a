// Start-up with a rule file: from launch to an idle main window (visible, its first refresh done),
// with the shipped library alone and with the shipped library plus a generated 4,000-entry
// winapp2.ini, on the profile of the run (where none of the generated programs is installed).
// Both installs are started in turns; prints the median of each and their ratio.
#include "resource.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

void CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + "\\" + name, to + "\\" + name);
        else
            CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void WriteFileText(const std::string& path, const std::string& text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

// 4,000 entries in the shape of the community's file: a category, detection by a registry key
// and a program folder, two or three file keys, an exclusion, a registry key now and then.
std::string RuleFile(int entries) {
    std::string text = "; Generated for the start-up benchmark\n\n";
    for (int i = 0; i < entries; ++i) {
        const std::string n = std::to_string(i);
        text += "[Program " + n + " *]\nLangSecRef=" + std::to_string(3021 + i % 5) +
                "\nDetect=HKCU\\Software\\Vendor" + n + "\\Program" + n + "\nDetectFile=%ProgramFiles%\\Vendor" +
                n + "\\Program" + n + "\nDefault=False\nFileKey1=%LocalAppData%\\Vendor" + n +
                "\\Cache|*.*|RECURSE\nFileKey2=%AppData%\\Vendor" + n + "\\Logs|*.log;*.tmp\n";
        if (i % 3 == 0)
            text += "FileKey3=%LocalAppData%\\Vendor" + n + "\\Profiles\\*\\GPUCache|*.*|REMOVESELF\n";
        if (i % 4 == 0)
            text += "ExcludeKey1=FILE|%LocalAppData%\\Vendor" + n + "\\Cache\\|index.dat\n";
        if (i % 7 == 0)
            text += "RegKey1=HKCU\\Software\\Vendor" + n + "\\Program" + n + "\\Recent\n";
        text += "\n";
    }
    return text;
}

struct FindDialog {
    DWORD pid;
    int childId;
    HWND found;
};

// The process's dialog that has a child of `childId` (the main window, the progress window).
HWND DialogOf(DWORD pid, int childId) {
    FindDialog find{pid, childId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* f = reinterpret_cast<FindDialog*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char cls[32] = "";
            GetClassNameA(hwnd, cls, sizeof cls);
            if (owner == f->pid && std::strcmp(cls, "#32770") == 0 && GetDlgItem(hwnd, f->childId) != nullptr) {
                f->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// Visible, its buttons enabled (a pass disables them), no progress window showing.
bool Idle(DWORD pid) {
    HWND main = DialogOf(pid, IDC_REFRESH);
    if (main == nullptr || !IsWindowVisible(main) || !IsWindowEnabled(main))
        return false;
    for (int id : {IDC_REFRESH, IDC_CLEAN_SELECTED, IDC_HELP_BUTTON, IDC_SELECT})
        if (!IsWindowEnabled(GetDlgItem(main, id)))
            return false;
    HWND progress = DialogOf(pid, IDC_PROGRESS_BAR);
    return progress == nullptr || !IsWindowVisible(progress);
}

// Starts the program and answers the seconds until its main window is idle after its first
// refresh, then closes it; -1 when it never gets there.
double StartToIdle(const std::string& exe) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = "\"" + exe + "\"";
    const double start = Now();
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, Folder(exe).c_str(), &si, &pi))
        return -1;
    double idle = -1;
    while (Now() - start < 60) {
        if (Idle(pi.dwProcessId)) {
            idle = Now() - start;
            break;
        }
        Sleep(1);
    }
    if (HWND main = DialogOf(pi.dwProcessId, IDC_REFRESH))
        PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return idle;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int repeat = quick ? 3 : 9;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string build = Folder(Folder(self)); // build\bench\bench_startup.exe
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "qs-bench-startup-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(base.c_str(), nullptr);
    std::vector<std::string> installs = {base + "\\alone", base + "\\rules"};
    for (const std::string& install : installs) {
        CreateDirectoryA(install.c_str(), nullptr);
        CopyFileA((build + "\\Quillsweep.exe").c_str(), (install + "\\Quillsweep.exe").c_str(), FALSE);
        CopyTree(build + "\\scripts", install + "\\scripts");
    }
    WriteFileText(installs[1] + "\\winapp2.ini", RuleFile(4000));

    std::vector<double> alone, rules;
    StartToIdle(installs[0] + "\\Quillsweep.exe"); // warms the file cache and the wineserver
    for (int i = 0; i < repeat; ++i) {
        alone.push_back(StartToIdle(installs[0] + "\\Quillsweep.exe"));
        rules.push_back(StartToIdle(installs[1] + "\\Quillsweep.exe"));
    }
    const double a = Median(alone), r = Median(rules);
    std::printf("start-up to an idle window, median of %d: shipped library %.1f ms, with 4,000 rule entries %.1f ms\n",
                repeat, a * 1000, r * 1000);
    std::printf("RESULT alone=%.4f rules=%.4f ratio=%.3f\n", a, r, a > 0 ? r / a : 0);
    std::system(("rmdir /s /q \"" + base + "\"").c_str());
    return a > 0 && r > 0 ? 0 : 1;
}
