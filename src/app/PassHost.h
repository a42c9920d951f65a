// The main window's side of the refresh and clean passes: one pass at a time on a worker thread,
// the command buttons, the progress dialog and the status line, fed by the shared passes' notices.
#pragma once

#include "engine/Passes.h"
#include "engine/SelectionStore.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qs {

// A plugin whose Clear chose to clean nothing, and the reason it gave.
struct CSkippedJob {
    std::string name;
    std::string reason;
};

// What a pass needs from the window that runs it: the main window, or a stand-in in tests. A
// pass calls these from its worker thread; whatever touches a window must reach it through
// window calls or synchronous sends, which the platform carries out on the window's thread.
class CPassHost : public CPassObserver {
public:
    CPassHost() = default;
    ~CPassHost() override = default;
    CPassHost(const CPassHost&) = delete;
    CPassHost& operator=(const CPassHost&) = delete;

    // The hidden root of the rows.
    virtual CScriptRow* GetRootItem() = 0;

    virtual int RunMode() const = 0;
    virtual void SetRunMode(int mode) = 0;

    // Enables or disables the command buttons (see EnableCommandButtonsOf).
    virtual void EnableCommandButtons(bool enable) = 0;

    // The progress dialog; ProgressShow gives it the host window as owner.
    virtual void ProgressReset() = 0;
    virtual void ProgressSetRange(int low, int high) = 0;
    virtual void ProgressSetPos(int pos) = 0;
    virtual void ProgressSetStep(int step) = 0;
    virtual void ProgressShow() = 0;
    virtual void ProgressStepIt() = 0;
    virtual void ProgressHide() = 0;
    virtual void ProgressSetStatusText(const char* text) = 0;

    // Repaints the whole list, erasing the background.
    virtual void RepaintList() = 0;
    // Sends WM_ITEMCHECKCHANGING (0, 0) to the host window: the totals are counted again.
    virtual void RequestRecount() = 0;
    // The stored selection (the settings' checked names), rebuilt by a clean pass.
    virtual CSelectionStore& StoredSelection() = 0;

    // Starts `proc` on a new thread with this host as its argument and closes the handle at
    // once; false when no thread could be created.
    virtual bool StartWorker(LPTHREAD_START_ROUTINE proc);

    // A pass (or a clean followed by its refresh) is running. Marked by the command handler
    // before the worker starts, so that a second command queued behind the first finds it
    // marked; cleared by the worker that ends the chain.
    bool PassRunning() const { return m_passRunning.load(); }
    // Marks a pass as running; false when one is running already.
    bool TryBeginPass() {
        bool idle = false;
        return m_passRunning.compare_exchange_strong(idle, true);
    }
    void EndPass() { m_passRunning.store(false); }

    // The plugin row that a files pass lists; set by StartFilesPass before its worker starts.
    CScriptRow* FilesRow() const { return m_filesRow; }
    void SetFilesRow(CScriptRow* row) { m_filesRow = row; }
    // A files pass has ended: `files` is what the row's measurement counted. Called on the
    // worker after the pass's last notice, while the pass still counts as running.
    virtual void OnFilesListed(const CScriptRow& /*row*/, std::vector<CListedFile> /*files*/, bool /*cancelled*/) {}

    // ---- the pass's notices, turned into the window's calls above ----
    // Disables the buttons and opens the progress dialog over every row of the list.
    void OnPassStarted(CPassKind kind, const CScriptRow& root) override;
    // The row's status text in the progress dialog.
    void OnRowStarting(CPassKind kind, const CScriptRow& row) override;
    void OnProgress(const CScriptRow& row) override;
    // Repaints the list, recounts the totals after a refresh or a listing (which measured its row
    // again), and hides the progress dialog.
    void OnPassEnded(CPassKind kind, bool cancelled) override;
    // Notes a plugin whose Clear skipped, for the status line.
    void OnRowCleared(const CScriptRow& row, const CEntryResult& result) override;

    // The plugins that the last clean skipped, in the order it ran them; emptied when the next
    // clean starts. Safe to call from any thread.
    std::vector<CSkippedJob> SkippedJobs() const;

private:
    std::atomic<bool> m_passRunning{false};
    CScriptRow* m_filesRow = nullptr;
    mutable std::mutex m_skippedLock;
    std::vector<CSkippedJob> m_skipped;
};

// The command handlers' work (Refresh All, Refresh Selected, Clean Selected): sets the run mode
// and starts the pass on a new worker. Answers false, starting nothing, while a pass is running
// or when no worker could be started.
bool StartRefreshPass(CPassHost& host, int runMode);
bool StartCleanPass(CPassHost& host);
// Show files...: measures the plugin `row` alone with its files recorded (RunFilesPass), then
// hands them to OnFilesListed. Answers false as the other starts do.
bool StartFilesPass(CPassHost& host, CScriptRow& row);

// Worker procedures; the argument is the CPassHost. Each answers 0. A clean hands over to a
// refresh of the checked rows, which ends the chain.
DWORD WINAPI RefreshThreadProc(LPVOID host);
DWORD WINAPI CleanThreadProc(LPVOID host);
DWORD WINAPI FilesThreadProc(LPVOID host);

// "Total selected: <size> in <count> files (items)." with the size as the shell words it.
std::string SelectionStatusText(std::uint64_t size, std::uint32_t count);
// "Skipped: <name> (<reason>); ... " for the jobs the last clean skipped, then the totals.
std::string SelectionStatusText(std::uint64_t size, std::uint32_t count, const std::vector<CSkippedJob>& skipped);

// Window helpers for hosts: enable or disable, in this order, Refresh (1001), Clean Selected
// (1003), Help (1006) and Select (1005) of `dialog`; write the totals and the skipped jobs into
// its status line (1004).
void EnableCommandButtonsOf(HWND dialog, bool enable);
void WriteSelectionStatus(HWND dialog, const CSelectionTotals& totals, const std::vector<CSkippedJob>& skipped = {});

} // namespace qs
