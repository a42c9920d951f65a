// Refresh and clean passes over the rows of the scripts list, and the totals of the selection.
#pragma once

#include "engine/Catalogue.h"
#include "engine/PluginScript.h"
#include "engine/SelectionStore.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace qs {

// Run modes: a refresh measures every row, or only the checked ones.
enum : int { kRunAllRows = 0, kRunCheckedRows = 1 };

// What a pass needs from the window that runs it: the main window, or a stand-in in tests. A
// pass calls these from its worker thread; whatever touches a window must reach it through
// window calls or synchronous sends, which the platform carries out on the window's thread.
class CPassHost {
public:
    CPassHost() = default;
    virtual ~CPassHost() = default;
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

private:
    std::atomic<bool> m_passRunning{false};
};

// The command handlers' work (Refresh All, Refresh Selected, Clean Selected): sets the run mode
// and starts the pass on a new worker. Answers false, starting nothing, while a pass is running
// or when no worker could be started.
bool StartRefreshPass(CPassHost& host, int runMode);
bool StartCleanPass(CPassHost& host);

// Worker procedures; the argument is the CPassHost. Each answers 0.
DWORD WINAPI RefreshThreadProc(LPVOID host);
DWORD WINAPI CleanThreadProc(LPVOID host);

// Depth first, a row before its children: the display name of every checked row, categories too.
void StoreCheckedNames(const CScriptRow* root, CSelectionStore& names);

// The totals of the checked plugin rows and how check notices change them.
class CSelectionTotals {
public:
    // Applies one WM_ITEMCHECKCHANGING notice, which arrives before `row` takes `newState`:
    // no row counts everything again; a category row changes nothing; a plugin row adds or
    // subtracts its size and count as it becomes checked or stops being checked. Answers true
    // when the status line is to be written again.
    bool OnItemCheckChanging(const CScriptRow* root, const CScriptRow* row, std::uint32_t newState);

    // Sums every checked plugin row of the tree.
    void Recount(const CScriptRow* root);

    std::uint64_t Size() const { return m_size; }
    std::uint32_t Count() const { return m_count; }

private:
    std::uint64_t m_size = 0;
    std::uint32_t m_count = 0;
};

// "Total selected: <size> in <count> files (items)." with the size as the shell words it.
std::string SelectionStatusText(std::uint64_t size, std::uint32_t count);

// Window helpers for hosts: enable or disable, in this order, Refresh (1001), Clean Selected
// (1003), Help (1006) and Select (1005) of `dialog`; write the totals into its status line (1004).
void EnableCommandButtonsOf(HWND dialog, bool enable);
void WriteSelectionStatus(HWND dialog, const CSelectionTotals& totals);

} // namespace qs
