// The one refresh pass and the one clean pass: walks over the rows, category totals,
// cancellation, and the selection totals.
#include "engine/Passes.h"

#include "hostfn/Cancellation.h"

#include <algorithm>

namespace qs {
namespace {

// Runs one entry point of `script` (`call` answers whether it gave its answer) and reads what
// it left: the error it raised, if any, and the row's figures.
template <typename Call> CEntryResult RunEntry(CPluginScript& script, Call&& call) {
    CEntryResult result;
    CLuaVirtualMachine& vm = script.Machine();
    const std::size_t errors = vm.ErrorCount();
    result.answered = call();
    result.raised = vm.ErrorCount() != errors;
    if (result.raised) {
        result.error = vm.LastError();
        result.stoppedByCancel = vm.LastInterrupt() == CCallInterrupt::kCancelled;
    }
    result.size = script.Size();
    result.count = script.FileCount();
    return result;
}

CEntryResult Measure(CPluginScript& script) {
    return RunEntry(script, [&script] {
        std::uint64_t size = 0;
        std::uint32_t count = 0;
        return script.GetSize(size, count);
    });
}

CEntryResult ClearRow(CPluginScript& script) {
    std::string skipped;
    CEntryResult result = RunEntry(script, [&script, &skipped] { return script.Clear(skipped); });
    result.skipped = std::move(skipped);
    return result;
}

// Measures a row's script, moving the totals of `category` (the row's category, or null for a
// row at the top) by the difference it made.
CEntryResult MeasureRow(CPluginScript& script, CPluginScript* category) {
    const std::uint64_t oldSize = script.Size();
    const std::uint32_t oldCount = script.FileCount();
    // A category script has no GetSize: that call fails and changes nothing.
    const CEntryResult result = Measure(script);
    if (result.answered && category != nullptr) {
        // Unsigned wrap-around makes these the signed differences.
        category->SetTotals(category->Size() + (result.size - oldSize),
                            category->FileCount() + (result.count - oldCount));
    }
    return result;
}

// Sets one field of a machine's host scope for as long as it lives (a machine without a scope
// gets an empty one meanwhile), and puts the field and the scope back as they were afterwards.
template <typename T, T CHostScope::*Field> class CScopeField {
public:
    CScopeField(CLuaVirtualMachine& vm, T value)
        : m_vm(vm), m_previous(vm.HostScope()), m_scope(m_previous != nullptr ? *m_previous : m_empty),
          m_previousValue(m_scope.*Field) {
        m_scope.*Field = value;
        m_vm.SetHostScope(&m_scope);
    }
    ~CScopeField() {
        m_scope.*Field = m_previousValue;
        m_vm.SetHostScope(m_previous);
    }
    CScopeField(const CScopeField&) = delete;
    CScopeField& operator=(const CScopeField&) = delete;

private:
    CLuaVirtualMachine& m_vm;
    CHostScope* m_previous;
    CHostScope m_empty;
    CHostScope& m_scope;
    T m_previousValue;
};

// A recorder in a machine's scope, for one row's measurement.
using CRecordingScope = CScopeField<CFileRecorder*, &CHostScope::recorder>;
// The pass's listing cache in a machine's scope, for one row's measurement.
using CListingScope = CScopeField<CListingCache*, &CHostScope::listings>;

class CRefresh {
public:
    CRefresh(const CPassOptions& options, CPassObserver& observer, CListingCache* listings)
        : m_options(options), m_observer(observer), m_listings(listings) {}

    // Measures the children of `row` in list order and below them, each child when every row
    // is measured or when it is checked. Answers false once the pass is cancelled.
    bool Walk(CScriptRow& row, bool isRoot) {
        for (CScriptRow* child = row.firstChild; child != nullptr; child = child->nextSibling) {
            const bool selected = m_options.runMode == kRunAllRows || child->checkState == kChecked;
            if (selected && !(m_options.pluginsOnly && child->isGroup)) {
                if (IsCancelled())
                    return false;
                m_observer.OnRowStarting(CPassKind::kRefresh, *child);
                if (CPluginScript* script = child->userData.get()) {
                    CEntryResult result;
                    {
                        const CListingScope listing(script->Machine(), m_listings);
                        result = MeasureRow(*script, isRoot ? nullptr : row.userData.get());
                    }
                    m_observer.OnRowMeasured(*child, result, false);
                }
                m_observer.OnProgress(*child);
                if (IsCancelled())
                    return false;
            }
            if (child->firstChild != nullptr && !Walk(*child, false))
                return false;
        }
        return true;
    }

private:
    const CPassOptions& m_options;
    CPassObserver& m_observer;
    CListingCache* const m_listings;
};

// A category's totals: the sums over the plugin rows directly under it.
void RecountCategory(CScriptRow& category) {
    if (category.userData == nullptr)
        return;
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    for (const CScriptRow* child = category.firstChild; child != nullptr; child = child->nextSibling) {
        if (!child->isGroup && child->userData != nullptr) {
            size += child->userData->Size();
            count += child->userData->FileCount();
        }
    }
    category.userData->SetTotals(size, count);
}

// The walk of the clean pass (CClean::Walk): checked plugins under every category that is not
// unchecked.
void CollectRowsToClean(const CScriptRow& row, std::vector<const CScriptRow*>& rows) {
    for (const CScriptRow* child = row.firstChild; child != nullptr; child = child->nextSibling) {
        if (child->checkState == kUnchecked)
            continue;
        if (!child->isGroup) {
            if (child->checkState == kChecked)
                rows.push_back(child);
        } else {
            CollectRowsToClean(*child, rows);
        }
    }
}

class CClean {
public:
    CClean(const CPassOptions& options, CPassObserver& observer) : m_options(options), m_observer(observer) {}

    // Clears and measures again the checked plugins under `row`, walking every category that
    // is not unchecked. Answers false once the pass is cancelled; a category's totals are
    // recounted when its walk ends, stopped or not.
    bool Walk(CScriptRow& row, bool isRoot) {
        bool goOn = true;
        for (CScriptRow* child = row.firstChild; child != nullptr && goOn; child = child->nextSibling) {
            if (child->checkState == kUnchecked)
                continue;
            if (!child->isGroup) {
                // Only a row the user checked is cleared; a row without a check box cannot be.
                if (child->checkState == kChecked)
                    goOn = CleanPlugin(*child);
            } else if (child->firstChild != nullptr) {
                goOn = Walk(*child, false);
            }
        }
        if (!isRoot)
            RecountCategory(row);
        return goOn;
    }

private:
    bool CleanPlugin(CScriptRow& row) {
        if (IsCancelled())
            return false;
        CPluginScript* script = row.userData.get();
        if (script != nullptr && m_options.measureBeforeClear) {
            m_observer.OnRowMeasured(row, Measure(*script), true);
            if (IsCancelled())
                return false;
        }
        m_observer.OnRowStarting(CPassKind::kClean, row);
        if (script != nullptr) {
            m_observer.OnRowCleared(row, ClearRow(*script));
            // Measured again whatever Clear reports.
            if (!(m_options.measureBeforeClear && IsCancelled()))
                m_observer.OnRowMeasured(row, Measure(*script), false);
        }
        m_observer.OnProgress(row);
        return !IsCancelled();
    }

    const CPassOptions& m_options;
    CPassObserver& m_observer;
};

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

std::string RowStatusText(CPassKind kind, const CScriptRow& row) {
    const char* doing = kind == CPassKind::kRefresh ? "Now updating: "
                        : kind == CPassKind::kClean ? "Now clearing: "
                                                    : "Listing files: ";
    return doing + (row.userData != nullptr ? row.userData->Name() : std::string());
}

bool RunRefreshPass(CScriptRow& root, const CPassOptions& options, CPassObserver& observer) {
    observer.OnPassStarted(CPassKind::kRefresh, root);
    bool done = false;
    {
        // The pass's listings: what its folders held when they were listed, kept for this pass
        // alone and let go before anyone hears that it ended.
        CListingCache listings;
        done = CRefresh(options, observer, options.listingCache ? &listings : nullptr).Walk(root, true);
        if (options.listingStats != nullptr)
            *options.listingStats = listings.Stats();
    }
    observer.OnPassEnded(CPassKind::kRefresh, !done);
    return done;
}

bool RunCleanPass(CScriptRow& root, const CPassOptions& options, CPassObserver& observer) {
    observer.OnPassStarted(CPassKind::kClean, root);
    const bool done = CClean(options, observer).Walk(root, true);
    observer.OnPassEnded(CPassKind::kClean, !done);
    return done;
}

bool RunFilesPass(CScriptRow& row, CPassObserver& observer, std::vector<CListedFile>& files) {
    files.clear();
    observer.OnPassStarted(CPassKind::kFiles, row);
    bool done = !IsCancelled();
    CPluginScript* script = row.userData.get();
    if (done && script != nullptr && !row.isGroup) {
        observer.OnRowStarting(CPassKind::kFiles, row);
        // A row directly below the hidden root has no category.
        CPluginScript* category =
            row.parent != nullptr && row.parent->parent != nullptr ? row.parent->userData.get() : nullptr;
        CFileListRecorder recorder;
        CEntryResult result;
        {
            const CRecordingScope recording(script->Machine(), &recorder);
            result = MeasureRow(*script, category);
        }
        files = recorder.TakeSorted();
        observer.OnRowMeasured(row, result, false);
        observer.OnProgress(row);
        done = !IsCancelled();
    }
    observer.OnPassEnded(CPassKind::kFiles, !done);
    return done;
}

std::vector<const CScriptRow*> RowsToClean(const CScriptRow& root) {
    std::vector<const CScriptRow*> rows;
    CollectRowsToClean(root, rows);
    return rows;
}

std::vector<const CScriptRow*> WarnedRowsToClean(const CScriptRow& root) {
    std::vector<const CScriptRow*> rows = RowsToClean(root);
    rows.erase(std::remove_if(
                   rows.begin(), rows.end(),
                   [](const CScriptRow* row) { return row->userData == nullptr || row->userData->Warning().empty(); }),
               rows.end());
    return rows;
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
    const CPluginScript* script = row->userData.get();
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

} // namespace qs
