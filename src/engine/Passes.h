// The refresh and clean passes over the rows of the scripts model, told to an observer; the
// totals of the selection. No window: the main window and the companion each observe a pass.
#pragma once

#include "engine/Catalogue.h"
#include "engine/FileListing.h"
#include "engine/PluginScript.h"
#include "engine/SelectionStore.h"
#include "hostfn/ListingCache.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// Run modes: a refresh measures every row, or only the checked ones.
enum : int { kRunAllRows = 0, kRunCheckedRows = 1 };

// kFiles: one plugin measured alone, with every file its measurement counts recorded.
enum class CPassKind { kRefresh, kClean, kFiles };

// What one entry point of a row answered. The figures are the script's after the call: new
// ones when GetSize answered, the ones it had when it did not.
struct CEntryResult {
    bool answered = false; // the entry point ran and gave its answer
    bool raised = false;   // it raised an error (`error` holds the Lua message)
    bool stoppedByCancel = false; // the error was the cancellation stopping the script itself
    std::string error;
    std::uint64_t size = 0;
    std::uint32_t count = 0;
    // Clear only: the reason the script gave for cleaning nothing (what it cleans is in use);
    // empty when it cleaned.
    std::string skipped;
};

// Hears one pass. A pass runs on whatever thread calls it; so do the notices.
class CPassObserver {
public:
    virtual ~CPassObserver() = default;
    // Before the first row; `root` is the hidden root of the rows the pass walks.
    virtual void OnPassStarted(CPassKind, const CScriptRow& /*root*/) {}
    // A row is about to run: measured by a refresh, cleared by a clean.
    virtual void OnRowStarting(CPassKind, const CScriptRow& /*row*/) {}
    // GetSize of a row returned; `beforeClear`: the measurement a clean takes ahead of Clear.
    virtual void OnRowMeasured(const CScriptRow& /*row*/, const CEntryResult&, bool /*beforeClear*/) {}
    // Clear of a row returned.
    virtual void OnRowCleared(const CScriptRow& /*row*/, const CEntryResult&) {}
    // A row of the pass is done (a progress bar steps).
    virtual void OnProgress(const CScriptRow& /*row*/) {}
    // After the last row; `cancelled`: the pass stopped early.
    virtual void OnPassEnded(CPassKind, bool /*cancelled*/) {}
};

struct CPassOptions {
    int runMode = kRunAllRows; // a refresh: every row, or only the checked ones
    // Category rows are neither run nor stepped: only plugins count.
    bool pluginsOnly = false;
    // A clean measures each plugin before its Clear, for what it freed. A cancel seen after
    // that measurement leaves Clear out; one seen after Clear leaves the second measurement
    // out, since a walk stopped at once would report too little left and so too much freed.
    bool measureBeforeClear = false;
    // A refresh lists each folder at most once (hostfn/ListingCache.h): its measurements share
    // one listing cache, made for the pass and dropped at its end. False lists every folder live.
    bool listingCache = true;
    // Filled at the end of a refresh with what its listing cache did, when given.
    CListingCacheStats* listingStats = nullptr;
};

// "Now updating: <name>" for a refresh, "Now clearing: <name>" for a clean, "Listing files: <name>"
// for a listing.
std::string RowStatusText(CPassKind kind, const CScriptRow& row);

// Measures the rows below `root` in list order (a row before its children): every row, or the
// checked ones. A category's totals move by the difference each of its plugins made. Polls the
// cancellation flag before and after each row; answers false once it stopped for it. The rows'
// measurements list through one listing cache of the pass (unless the options say not to), put
// into each row's machine scope for its call: a folder that several rows' jobs name or lie
// under is listed once. A host call that changes files drops the cache; the clean and files
// passes have none.
bool RunRefreshPass(CScriptRow& root, const CPassOptions& options, CPassObserver& observer);

// Clears and measures again every checked plugin below `root`, walking every category that is
// not unchecked, and recounts each walked category's totals from its plugins. Polls the
// cancellation flag like the refresh; answers false once it stopped for it.
bool RunCleanPass(CScriptRow& root, const CPassOptions& options, CPassObserver& observer);

// Measures the plugin `row` alone, as a refresh measures it (its figures and its category's
// totals move alike), with a recorder in its machine's host scope for the call: the keep list in
// force stays so, and a machine without a scope gets an empty one for the call. `files` receives
// every entry the measurement counted, in the listing's order. Told to `observer` as a pass of
// kind kFiles over that one row. Polls the cancellation flag before and after; answers false
// once it stopped for it (`files` then holds what was counted up to the stop). A category row,
// or one without a script, is not measured.
bool RunFilesPass(CScriptRow& row, CPassObserver& observer, std::vector<CListedFile>& files);

// The plugin rows a clean pass below `root` would clear, in the order it would clear them.
std::vector<const CScriptRow*> RowsToClean(const CScriptRow& root);

// Those of them that have a warning.
std::vector<const CScriptRow*> WarnedRowsToClean(const CScriptRow& root);

// Depth first, a row before its children: the display name of every checked row, categories too.
void StoreCheckedNames(const CScriptRow* root, CSelectionStore& names);

// The totals of the checked plugin rows and how check notices change them.
class CSelectionTotals {
public:
    // Applies one check notice, which arrives before `row` takes `newState`: no row counts
    // everything again; a category row changes nothing; a plugin row adds or subtracts its size
    // and count as it becomes checked or stops being checked. Answers true when the totals are
    // to be shown again.
    bool OnItemCheckChanging(const CScriptRow* root, const CScriptRow* row, std::uint32_t newState);

    // Sums every checked plugin row of the tree.
    void Recount(const CScriptRow* root);

    std::uint64_t Size() const { return m_size; }
    std::uint32_t Count() const { return m_count; }

private:
    std::uint64_t m_size = 0;
    std::uint32_t m_count = 0;
};

} // namespace qs
