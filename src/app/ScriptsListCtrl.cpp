// What a scripts list row shows and how a header click sorts a level of rows.
#include "app/ScriptsListCtrl.h"

#include "app/WarningText.h"

#include "controls/FilesTreeSort.h"
#include "engine/PluginScript.h"
#include "framework/ByteSize.h"

#include <mbstring.h>

#include <cstdint>
#include <cstdio>

namespace qs {
namespace {

using Node = CScriptsListCtrl::Node;

// Rows without a script sort as an empty name with no size, count or key.
const std::string& NameOf(const Node* n) {
    static const std::string none;
    return n->userData != nullptr ? n->userData->Name() : none;
}
std::uint64_t SizeOf(const Node* n) { return n->userData != nullptr ? n->userData->Size() : 0; }
std::uint32_t CountOf(const Node* n) { return n->userData != nullptr ? n->userData->FileCount() : 0; }
int KeyOf(const Node* n) { return n->userData != nullptr ? n->userData->SortKey() : 0; }

// Names compare as multibyte strings of the current code page, case-sensitive (byte order for
// single-byte text).
int CompareNames(const Node* a, const Node* b) {
    return ::_mbscmp(reinterpret_cast<const unsigned char*>(NameOf(a).c_str()),
                     reinterpret_cast<const unsigned char*>(NameOf(b).c_str()));
}

// Sorts the children of `parent` by `goesAfter`, after a pass by the scripts' random keys that
// makes the order of rows comparing equal independent of their order before.
template <typename GoesAfter> void SortChildren(Node* parent, GoesAfter goesAfter) {
    if (parent->childCount <= 1)
        return;
    tlx::SortSiblings(parent->firstChild, parent->lastChild,
                      [](const Node* a, const Node* b) { return KeyOf(a) > KeyOf(b); });
    tlx::SortSiblings(parent->firstChild, parent->lastChild, goesAfter);
}

template <typename GoesAfter> void SortLevels(Node* start, GoesAfter goesAfter) {
    for (Node* n = start; n != nullptr; n = n->nextSibling)
        SortChildren(n, goesAfter);
}

} // namespace

CScriptsListCtrl::~CScriptsListCtrl() = default;

int CScriptsListCtrl::GetItemImage(Node* node) {
    return node != nullptr && node->userData != nullptr ? node->userData->IconIndex() : -1;
}

void CScriptsListCtrl::GetItemText(Node* node, int column, std::string& text) {
    if (node == nullptr || node->userData == nullptr)
        return;
    const CPluginScript& script = *node->userData;
    switch (column) {
    case 0:
        text = script.Name();
        break;
    case 1:
        text = FormatByteSize(script.Size());
        break;
    case 2: {
        char count[16];
        std::snprintf(count, sizeof count, "%lu", static_cast<unsigned long>(script.FileCount()));
        text = count;
        break;
    }
    default:
        break;
    }
}

bool CScriptsListCtrl::GetItemTip(Node* node, std::string& text) {
    if (node == nullptr || node->userData == nullptr)
        return false;
    text = RowTipText(node->userData->Description(), node->userData->Warning());
    return !text.empty();
}

void CScriptsListCtrl::DrawSubItem(HDC dc, Node* node, int column, const RECT& rect) {
    std::string text;
    GetItemText(node, column, text);
    if (text.empty())
        return;
    RECT r = rect;
    r.left += 2;
    // DT_NOPREFIX: a name is shown as the script gives it; "&" is no mnemonic here.
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

bool CScriptsListCtrl::SortItems(int column, bool ascending) {
    // The level to sort: the focused row's own level (its parent's children), and the same
    // level under every later sibling of that parent; the top level when nothing has the focus
    // or a top-level row has it.
    Node* start = focus != nullptr ? focus : Root();
    if (start != Root())
        start = start->parent;
    switch (column) {
    case 0:
        if (ascending)
            SortLevels(start, [](const Node* a, const Node* b) { return CompareNames(a, b) > 0; });
        else
            SortLevels(start, [](const Node* a, const Node* b) { return CompareNames(a, b) < 0; });
        break;
    case 1:
        if (ascending)
            SortLevels(start, [](const Node* a, const Node* b) { return SizeOf(a) > SizeOf(b); });
        else
            SortLevels(start, [](const Node* a, const Node* b) { return SizeOf(a) < SizeOf(b); });
        break;
    case 2:
        if (ascending)
            SortLevels(start, [](const Node* a, const Node* b) { return CountOf(a) > CountOf(b); });
        else
            SortLevels(start, [](const Node* a, const Node* b) { return CountOf(a) < CountOf(b); });
        break;
    default:
        break;
    }
    return true;
}

} // namespace qs
