// Refresh and clean passes: the walks over the rows, category totals, cancellation, and the
// selection totals behind the status line.
#include "engine/Passes.h"

#include "framework/ByteSize.h"
#include "hostfn/Cancellation.h"
#include "resource.h"

#include <cstdio>

namespace qs {
namespace {

std::string StatusText(const char* verb, const CPluginScript* script) {
    return std::string(verb) + (script != nullptr ? script->Name() : std::string());
}

// Range, position and step of the bar for a pass over every row of the list; the dialog is
// shown last.
void OpenProgress(CPassHost& host, const CScriptRow* root) {
    host.ProgressSetStatusText("");
    host.ProgressReset();
    host.ProgressSetRange(0, static_cast<int>(root->CountDescendants()));
    host.ProgressSetPos(0);
    host.ProgressSetStep(1);
    host.ProgressShow();
}

// Measures the children of `row` in list order and below them, each child when every row is
// measured or when it is checked. A category's totals move by the difference each of its
// plugins made. Answers false once the pass is cancelled.
bool RefreshWalk(CPassHost& host, CScriptRow* row, bool isRoot, int runMode) {
    for (CScriptRow* child = row->firstChild; child != nullptr; child = child->nextSibling) {
        if (runMode == kRunAllRows || child->checkState == kChecked) {
            CPluginScript* script = child->userData;
            host.ProgressSetStatusText(StatusText("Now updating: ", script).c_str());
            if (script != nullptr) {
                const std::uint64_t oldSize = script->Size();
                const std::uint32_t oldCount = script->FileCount();
                std::uint64_t size = 0;
                std::uint32_t count = 0;
                // A category script has no GetSize: that call fails and changes nothing.
                if (script->GetSize(size, count) && !isRoot && row->userData != nullptr) {
                    CPluginScript* category = row->userData;
                    // Unsigned wrap-around makes these the signed differences.
                    category->SetTotals(category->Size() + (size - oldSize),
                                        category->FileCount() + (count - oldCount));
                }
            }
            host.ProgressStepIt();
            if (IsCancelled())
                return false;
        }
        if (child->firstChild != nullptr && !RefreshWalk(host, child, false, runMode))
            return false;
    }
    return true;
}

// A category's totals: the sums over the plugin rows directly under it.
void RecountCategory(CScriptRow* category) {
    if (category->userData == nullptr)
        return;
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    for (const CScriptRow* child = category->firstChild; child != nullptr; child = child->nextSibling) {
        if (!child->isGroup && child->userData != nullptr) {
            size += child->userData->Size();
            count += child->userData->FileCount();
        }
    }
    category->userData->SetTotals(size, count);
}

// Clears and measures again the checked plugins under `row`, walking every category that is not
// unchecked. Answers false once the pass is cancelled; a category's totals are recounted when
// its walk ends, stopped or not.
bool CleanWalk(CPassHost& host, CScriptRow* row, bool isRoot) {
    bool goOn = true;
    for (CScriptRow* child = row->firstChild; child != nullptr && goOn; child = child->nextSibling) {
        if (child->checkState == kUnchecked)
            continue;
        if (!child->isGroup) {
            // Only a row the user checked is cleared; a row without a check box cannot be.
            if (child->checkState != kChecked)
                continue;
            CPluginScript* script = child->userData;
            host.ProgressSetStatusText(StatusText("Now clearing: ", script).c_str());
            if (script != nullptr) {
                script->Clear(); // measured again whatever it reports
                std::uint64_t size = 0;
                std::uint32_t count = 0;
                script->GetSize(size, count);
            }
            host.ProgressStepIt();
            if (IsCancelled())
                goOn = false;
        } else if (child->firstChild != nullptr) {
            goOn = CleanWalk(host, child, false);
        }
    }
    if (!isRoot)
        RecountCategory(row);
    return goOn;
}

void StoreNamesBelow(const CScriptRow* row, CSelectionStore& names) {
    for (const CScriptRow* child = row->firstChild; child != nullptr; child = child->nextSibling) {
        if (child->checkState == kChecked && child->userData != nullptr)
            names.Add(child->userData->Name());
        StoreNamesBelow(child, names);
    }
}

void AddCheckedPlugins(const CScriptRow* row, std::uint64_t& size, std::uint32_t& count) {
    for (const CScriptRow* child = row->firstChild; child != nullptr; child = child->nextSibling) {
        if (!child->isGroup && child->checkState == kChecked && child->userData != nullptr) {
            size += child->userData->Size();
            count += child->userData->FileCount();
        }
        AddCheckedPlugins(child, size, count);
    }
}

} // namespace

bool CPassHost::StartWorker(LPTHREAD_START_ROUTINE proc) {
    HANDLE thread = ::CreateThread(nullptr, 0, proc, static_cast<CPassHost*>(this), 0, nullptr);
    if (thread == nullptr)
        return false;
    ::CloseHandle(thread); // nobody waits for a worker
    return true;
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

DWORD WINAPI RefreshThreadProc(LPVOID param) {
    CPassHost& host = *static_cast<CPassHost*>(param);
    CScriptRow* root = host.GetRootItem();
    host.EnableCommandButtons(false);
    OpenProgress(host, root);
    RefreshWalk(host, root, true, host.RunMode());
    host.RepaintList();
    host.RequestRecount();
    host.ProgressHide();
    host.EnableCommandButtons(true);
    host.EndPass();
    return 0;
}

DWORD WINAPI CleanThreadProc(LPVOID param) {
    CPassHost& host = *static_cast<CPassHost*>(param);
    CScriptRow* root = host.GetRootItem();
    host.EnableCommandButtons(false);
    OpenProgress(host, root);
    CSelectionStore& names = host.StoredSelection();
    names.ClearSelected();
    StoreCheckedNames(root, names);
    CleanWalk(host, root, true);
    host.RepaintList();
    host.ProgressHide();
    // The refresh that follows keeps the pass marked as running and ends it. Should no thread
    // be had for it, it runs here: otherwise the buttons would stay disabled for good.
    host.SetRunMode(kRunCheckedRows);
    if (!host.StartWorker(RefreshThreadProc))
        RefreshThreadProc(param);
    return 0;
}

void StoreCheckedNames(const CScriptRow* root, CSelectionStore& names) { StoreNamesBelow(root, names); }

bool CSelectionTotals::OnItemCheckChanging(const CScriptRow* root, const CScriptRow* row, std::uint32_t newState) {
    if (row == nullptr) {
        Recount(root);
        return true;
    }
    if (row->isGroup)
        return false;
    // The row still holds its old state: it counts when it enters or leaves the checked state,
    // so a row that gains or loses its box without ever being checked changes nothing.
    const CPluginScript* script = row->userData;
    const bool was = row->checkState == kChecked, will = newState == kChecked;
    if (script != nullptr && was != will) {
        if (will) {
            m_size += script->Size();
            m_count += script->FileCount();
        } else {
            m_size -= script->Size();
            m_count -= script->FileCount();
        }
    }
    return true;
}

void CSelectionTotals::Recount(const CScriptRow* root) {
    m_size = 0;
    m_count = 0;
    if (root != nullptr)
        AddCheckedPlugins(root, m_size, m_count);
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

void WriteSelectionStatus(HWND dialog, const CSelectionTotals& totals) {
    ::SetDlgItemTextA(dialog, IDC_STATUS, SelectionStatusText(totals.Size(), totals.Count()).c_str());
}

} // namespace qs
