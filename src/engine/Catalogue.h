// The plugin catalogue: the scripts folder turned into category and plugin rows of the list.
#pragma once

#include "controls/FilesTreeCtrl.h"
#include "engine/PluginScript.h"
#include "engine/SelectionStore.h"

#include <string>

namespace qs {

using CScriptsTree = CTlxFilesTreeCtrlImpl<CPluginScript*>;
using CScriptRow = CTlxFilesTreeNode<CPluginScript*>;

// Empties the list and fills it from the scripts folder beside the executable (or wherever
// SetScriptsFolder points). Rows whose names are stored come up checked.
void LoadScripts(CLuaVirtualMachine& vm, CScriptsTree& list, const CSelectionStore& selection);

// Adds a category row for every folder below `folder` (named by its category.lua when that
// answers, else by the folder) and a plugin row for every file that loads and answers a
// non-empty name, under `parent` (the root when null), in the order the file system lists
// them. Then checks, with propagation, every new row whose name is stored. Script objects that
// get no row are deleted at once; the others belong to whoever deletes the rows' scripts
// (DeleteRowScripts). Always answers true.
bool ScanScriptFolder(CLuaVirtualMachine& vm, CScriptsTree& list, const CSelectionStore& selection,
                      const std::string& folder, CScriptRow* parent);

// Checks, with propagation up and down, `row` and every row below it whose name is stored, a
// row before its children. ScanScriptFolder runs it over the rows it added once they are all
// in place.
void RestoreStoredChecks(CScriptsTree& list, const CSelectionStore& selection, CScriptRow* row);

// Deletes the script object of every row below `root` and leaves the rows without one.
void DeleteRowScripts(CScriptRow* root);

} // namespace qs
