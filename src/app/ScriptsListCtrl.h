// The list of categories and plugins: the files tree-list view over the scripts model, showing
// each row's icon, name, size on drive and file count, and sorting a level by a header click.
#pragma once

#include "controls/FilesTreeCtrl.h"
#include "engine/Catalogue.h"

#include <memory>
#include <string>

namespace qs {

class CScriptsListCtrl : public CTlxFilesTreeCtrlImpl<std::unique_ptr<CPluginScript>> {
public:
    explicit CScriptsListCtrl(CScriptsModel& model) : CTlxFilesTreeCtrlImpl(model) {}
    ~CScriptsListCtrl() override;

    // The icon index of the row's script; -1 for a row without one.
    int GetItemImage(Node* node) override;
    // The cell's text on one line, vertically centred, cut with an ellipsis at the end.
    void DrawSubItem(HDC dc, Node* node, int column, const RECT& rect) override;
    // Sorts the rows of one level, from the focused row's level on (see the definition);
    // always answers true.
    bool SortItems(int column, bool ascending) override;
    // A plugin row's description and warning (RowTipText).
    bool GetItemTip(Node* node, std::string& text) override;

    // The text of one cell: name, formatted size, file count; empty for other columns and rows
    // without a script.
    void GetItemText(Node* node, int column, std::string& text) override;
};

} // namespace qs
