// Runs the built Quillsweep.exe in a folder of the test's own (scripts, data, settings.xml) and
// drives its windows from outside, with window messages, as a user would.
#pragma once

#include "support/TempDir.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qs::e2e {

// The program as the build made it.
std::string ProgramPath();

// A folder holding a copy of the program, its `scripts` folder and `data`, the files the test
// plugins measure and clean.
class AppFolder {
public:
    AppFolder();

    const std::string& Path() const { return m_dir.Path(); }
    std::string Exe() const { return m_dir / "Quillsweep.exe"; }
    std::string Scripts(const std::string& relative = "") const;
    std::string Data(const std::string& relative) const { return m_dir / ("data\\" + relative); }
    std::string SettingsPath() const { return m_dir / "settings.xml"; }

    // A category folder whose category.lua answers `name`.
    void AddCategory(const std::string& folder, const std::string& name);
    // A plugin script named `name` that measures, and cleans, the files directly in data\<data>.
    // With `holdFile`, its GetSize and Clear first wait while that file exists (and is not
    // empty), so that a test can catch a pass in the middle.
    void AddPlugin(const std::string& script, const std::string& name, const std::string& data,
                   const std::string& holdFile = "");
    // Writes `count` files of `bytes` bytes each into data\<data>, named from `first` on.
    void AddFiles(const std::string& data, int count, std::uint32_t bytes, int first = 0);
    // Files left directly in data\<data>.
    int CountFiles(const std::string& data) const;

    void WriteSettings(const std::string& xml) const;

    // The entries of a folder in the order the file system lists them, as the catalogue meets them.
    static std::vector<std::string> ListingOrder(const std::string& folder);

private:
    test::TempDir m_dir;
};

// One running copy of the program. Ended by id (TerminateProcess) when the test leaves it running.
class AppProcess {
public:
    explicit AppProcess(const AppFolder& folder);
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    DWORD Id() const { return m_pi.dwProcessId; }
    bool Running() const;

    // The main window, waited for; null when it did not appear in time.
    HWND Main();
    // The progress dialog, once created; null before.
    HWND Progress() const;
    // A shown yes/no question of the program (a message box), or null.
    HWND Question() const;
    // The texts of a dialog's static controls, one after the other.
    static std::string DialogText(HWND dialog);
    // Presses the button `id` of a question; returns once the question has gone.
    bool Answer(HWND question, int id);
    // A shown dialog of the program that holds a control `id`, waited for; null when none
    // appeared in time.
    HWND WaitDialog(int id, DWORD timeoutMs = 20000) const;
    // Clicks the button `id` of `dialog` (posted: a button that opens a modal window must not
    // hold up the caller).
    static void Click(HWND dialog, int id);
    // A right click on a point of the list's client area; the list focuses the row there and
    // the window opens its context menu.
    void RightClickList(POINT point);
    // The shown popup menu of the program, waited for; null when none appeared in time.
    HWND WaitPopupMenu(DWORD timeoutMs = 20000) const;
    HWND Item(int id) { return ::GetDlgItem(Main(), id); }
    RECT ItemRect(int id); // in the main window's client coordinates

    std::string Status() { return Text(Item(1004)); }
    std::string ProgressStatus() const;
    // No pass runs: the command buttons are enabled and the progress dialog is hidden.
    bool Idle();

    // Waits for the pass that every start begins with: the bar set up for and stepped through
    // `rows` rows, then idle.
    bool WaitFirstRefresh(int rows);
    // Marks the status line; a pass rewrites it when it ends.
    void MarkStatus();
    // Waits until the pass started after MarkStatus has ended (a clean pass with its refresh):
    // the status line has been written again and the window is idle.
    bool WaitPassEnd();
    // MarkStatus, Command, WaitPassEnd.
    bool RunPass(UINT command);
    // Sends a command and returns once the window has handled it.
    void Command(UINT command);
    // Posts a command (one whose handling must not hold up the caller).
    void PostCommand(UINT command);
    // Esc, pressed in the window with the keyboard focus.
    void PressEsc();
    // The program's window with the keyboard focus, or null.
    HWND Focused() const;
    // A key pressed and released in the window with the keyboard focus (posted, as the keyboard
    // would deliver it; nothing waits for it to be handled).
    void PressKey(UINT key);
    // Presses Tab until the window `target` has the keyboard focus, waiting for the focus to move
    // after each press; false when it never arrives.
    bool TabTo(HWND target);
    // Waits for the process to end and answers its exit code; STILL_ACTIVE when it did not.
    DWORD WaitExit(DWORD timeoutMs = 20000);

    static std::string Text(HWND window);

    // ---- the scripts list's rows, as the list lays them out ----
    // Row k (0 = the first row shown) lies below the list's header, rowHeight pixels each; its
    // tree part starts 8 pixels in plus 18 per level below the top; the 9-pixel expand button
    // there, the 15-pixel check box 17 pixels right of it.
    int ListHeaderHeight();
    static int ListRowHeight();
    POINT CheckBoxPoint(int row, int depth);
    POINT ExpandButtonPoint(int row, int depth);
    // A left click at a point of the list's client area (button down, then up); returns once
    // the list has handled it and painted what it changed.
    void ClickList(POINT point);
    // A key pressed and released in the list.
    void KeyInList(UINT key);

private:
    PROCESS_INFORMATION m_pi{};
    HWND m_main = nullptr;
};

// Polls `done` until it answers true or `timeoutMs` passes; the answer of the last poll.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000);

} // namespace qs::e2e
