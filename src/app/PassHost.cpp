// The window's part in a pass: workers, the chain from a clean to its refresh, progress,
// buttons and the status line.
#include "app/PassHost.h"

#include "engine/ScriptValues.h"
#include "framework/ByteSize.h"
#include "resource.h"

#include <cstdio>

namespace qs {

bool CPassHost::StartWorker(LPTHREAD_START_ROUTINE proc) {
    HANDLE thread = ::CreateThread(nullptr, 0, proc, static_cast<CPassHost*>(this), 0, nullptr);
    if (thread == nullptr)
        return false;
    ::CloseHandle(thread); // nobody waits for a worker
    return true;
}

void CPassHost::OnPassStarted(CPassKind kind, const CScriptRow& root) {
    if (kind == CPassKind::kClean) {
        const std::lock_guard<std::mutex> lock(m_skippedLock);
        m_skipped.clear();
    }
    EnableCommandButtons(false);
    // Range, position and step of the bar for a pass over every row of the list; the dialog
    // is shown last.
    ProgressSetStatusText("");
    ProgressReset();
    // A listing runs over its one row.
    ProgressSetRange(0, kind == CPassKind::kFiles ? 1 : static_cast<int>(root.CountDescendants()));
    ProgressSetPos(0);
    ProgressSetStep(1);
    ProgressShow();
}

void CPassHost::OnRowStarting(CPassKind kind, const CScriptRow& row) {
    ProgressSetStatusText(RowStatusText(kind, row).c_str());
}

void CPassHost::OnProgress(const CScriptRow&) { ProgressStepIt(); }

void CPassHost::OnRowCleared(const CScriptRow& row, const CEntryResult& result) {
    if (result.skipped.empty() || row.userData == nullptr)
        return;
    const std::lock_guard<std::mutex> lock(m_skippedLock);
    m_skipped.push_back({row.userData->Name(), OneLine(result.skipped)});
}

std::vector<CSkippedJob> CPassHost::SkippedJobs() const {
    const std::lock_guard<std::mutex> lock(m_skippedLock);
    return m_skipped;
}

void CPassHost::OnPassEnded(CPassKind kind, bool) {
    RepaintList();
    if (kind != CPassKind::kClean)
        RequestRecount();
    ProgressHide();
}

bool StartRefreshPass(CPassHost& host, int runMode) {
    if (!host.TryBeginPass())
        return false;
    host.SetRunMode(runMode);
    if (!host.StartWorker(RefreshThreadProc)) {
        host.EndPass();
        return false;
    }
    return true;
}

bool StartCleanPass(CPassHost& host) {
    if (!host.TryBeginPass())
        return false;
    host.SetRunMode(kRunCheckedRows);
    if (!host.StartWorker(CleanThreadProc)) {
        host.EndPass();
        return false;
    }
    return true;
}

bool StartFilesPass(CPassHost& host, CScriptRow& row) {
    if (row.isGroup || row.userData == nullptr || !host.TryBeginPass())
        return false;
    host.SetFilesRow(&row);
    if (!host.StartWorker(FilesThreadProc)) {
        host.EndPass();
        return false;
    }
    return true;
}

DWORD WINAPI FilesThreadProc(LPVOID param) {
    CPassHost& host = *static_cast<CPassHost*>(param);
    CScriptRow& row = *host.FilesRow();
    std::vector<CListedFile> files;
    const bool done = RunFilesPass(row, host, files);
    host.OnFilesListed(row, std::move(files), !done);
    host.EnableCommandButtons(true);
    host.EndPass();
    return 0;
}

DWORD WINAPI RefreshThreadProc(LPVOID param) {
    CPassHost& host = *static_cast<CPassHost*>(param);
    CPassOptions options;
    options.runMode = host.RunMode();
    RunRefreshPass(*host.GetRootItem(), options, host);
    host.EnableCommandButtons(true);
    host.EndPass();
    return 0;
}

DWORD WINAPI CleanThreadProc(LPVOID param) {
    CPassHost& host = *static_cast<CPassHost*>(param);
    CScriptRow& root = *host.GetRootItem();
    CSelectionStore& names = host.StoredSelection();
    names.ClearSelected();
    StoreCheckedNames(&root, names);
    RunCleanPass(root, CPassOptions(), host);
    // The refresh that follows keeps the pass marked as running and ends it. Should no thread
    // be had for it, it runs here: otherwise the buttons would stay disabled for good.
    host.SetRunMode(kRunCheckedRows);
    if (!host.StartWorker(RefreshThreadProc))
        RefreshThreadProc(param);
    return 0;
}

std::string SelectionStatusText(std::uint64_t size, std::uint32_t count) {
    char text[1024 + 64];
    std::snprintf(text, sizeof text, "Total selected: %s in %lu files (items).", FormatByteSize(size).c_str(),
                  static_cast<unsigned long>(count));
    return text;
}

void EnableCommandButtonsOf(HWND dialog, bool enable) {
    for (int id : {IDC_REFRESH, IDC_CLEAN_SELECTED, IDC_HELP_BUTTON, IDC_SELECT})
        ::EnableWindow(::GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

std::string SelectionStatusText(std::uint64_t size, std::uint32_t count, const std::vector<CSkippedJob>& skipped) {
    // The skipped jobs come first: a status line too narrow for all of it cuts the totals, which
    // the list shows as well, rather than the names.
    std::string text;
    for (std::size_t i = 0; i < skipped.size(); ++i)
        text += (i == 0 ? "Skipped: " : "; ") + skipped[i].name + " (" + skipped[i].reason + ")";
    return (skipped.empty() ? text : text + ". ") + SelectionStatusText(size, count);
}

void WriteSelectionStatus(HWND dialog, const CSelectionTotals& totals, const std::vector<CSkippedJob>& skipped) {
    ::SetDlgItemTextA(dialog, IDC_STATUS, SelectionStatusText(totals.Size(), totals.Count(), skipped).c_str());
}

} // namespace qs
