// The plugin catalogue: the scripts folder turned into category and plugin rows of the list.
#pragma once

#include "engine/PluginScript.h"
#include "engine/SelectionStore.h"
#include "framework/TreeModel.h"

#include <memory>
#include <string>

namespace qs {

// The rows of categories and plugins; each row owns its script, which goes with the row. The
// scripts live on a machine that must outlive the model.
using CScriptsModel = CTlxFilesTreeModel<std::unique_ptr<CPluginScript>>;
using CScriptRow = CScriptsModel::Node;

// Hears what a scan does with each script file, in particular what the rows do not show: files
// that got no row and why, category scripts that did not answer, icon entry points that raised.
// The program itself passes none; tools that report on scripts do. Observing changes nothing
// in the scan.
class CCatalogueObserver {
public:
    enum Problem {
        kLoadFailed,         // the file did not load (not a script, syntax error, error in its main chunk): no row
        kNoPluginName,       // loaded without a GetPluginName entry point: no row
        kPluginNameRaised,   // GetPluginName raised an error: no row
        kEmptyPluginName,    // GetPluginName answered nil or empty text: no row
        kPathTooLong,        // the full path passes the classic limit: left alone, no row
        kCategoryLoadFailed, // the folder's category.lua exists but did not load: the row keeps the folder's name
        kCategoryNameRaised, // GetCategoryName raised: the row keeps the folder's name
        kCategoryIconRaised, // GetCategoryIcon raised: the row has no icon
        kPluginIconRaised,   // GetPluginIcon raised: the row, if any, has no icon
    };

    virtual ~CCatalogueObserver() = default;
    // Paths come in their shown form (FileNameText.h), the one the scripts' chunk names and so
    // their error messages use; the scan itself opens files by their listed UTF-16 names.
    // A row was added: for a category `path` is its folder, for a plugin its file.
    virtual void OnRowAdded(const CScriptRow* row, const std::string& path) = 0;
    // `path` is the script file (or the entry left alone); `message` the Lua error where there
    // was one ("file:line: message"), else empty.
    virtual void OnProblem(const std::string& path, Problem problem, const std::string& message) = 0;
};

// Empties the model and fills it from the scripts folder beside the executable (or wherever
// SetScriptsFolder points). Rows whose names are stored come up checked.
void LoadScripts(CLuaVirtualMachine& vm, CScriptsModel& list, const CSelectionStore& selection,
                 CCatalogueObserver* observer = nullptr);

// Adds a category row for every folder below `folder` (named by its category.lua when that
// answers, else by the folder's shown name) and a plugin row for every file that loads and answers a
// non-empty name, under `parent` (the root when null), in the order the file system lists
// them. Then checks, with propagation, every new row whose name is stored. Script objects that
// get no row go at once; the others belong to their rows. Always answers true. `observer`,
// when given, hears about every file.
bool ScanScriptFolder(CLuaVirtualMachine& vm, CScriptsModel& list, const CSelectionStore& selection,
                      const std::string& folder, CScriptRow* parent, CCatalogueObserver* observer = nullptr);

// Removes every category row with no plugin row anywhere below it (a category that holds only
// such categories goes too), so that a category whose every job was undetected does not show.
// Run once every source of rows (the scripts folder, the rule files) has added its rows: a rule
// file may fill a category that the scripts left empty. A category comes back at the next load
// that finds a job for it. A parent of a removed row is judged again on the rows it keeps.
void RemoveEmptyCategories(CScriptsModel& list);

// Checks, with propagation up and down, `row` and every row below it whose name is stored, a
// row before its children. ScanScriptFolder runs it over the rows it added once they are all
// in place.
void RestoreStoredChecks(CScriptsModel& list, const CSelectionStore& selection, CScriptRow* row);

} // namespace qs
