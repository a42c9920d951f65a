// The files tree-list's keys beyond the arrows and pages: Home and End, the keypad's plus, minus
// and star, and the row's menu (the context-menu key, Shift+F10 or a right click) with the
// row's own commands. Included by FilesTreeCtrl.h.
#pragma once

namespace qs {
namespace tlx {

// The row menu's commands, returned by the menu rather than sent (below the column menu's).
constexpr UINT kRowMenuCheck = 4900;
constexpr UINT kRowMenuExpand = 4901;
constexpr UINT kRowMenuExpandAll = 4902;

inline bool IsOwnRowCommand(UINT command) { return command >= kRowMenuCheck && command <= kRowMenuExpandAll; }

} // namespace tlx

template <typename T>
bool CTlxFilesTreeCtrlImpl<T>::HandleMenuKey(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const bool shiftF10 = wParam == VK_F10 && ::GetKeyState(VK_SHIFT) < 0;
    switch (msg) {
    case WM_SYSKEYDOWN:
        if (!shiftF10)
            return false;
        OpenRowMenu();
        result = 0;
        return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // The release of a key that opened the row menu: the default handling would make a
        // second WM_CONTEXTMENU of it.
        if (wParam != VK_APPS && !shiftF10)
            return false;
        result = 0;
        return true;
    case WM_CONTEXTMENU:
        // The header's right click reaches here too, after its column menu: it goes on.
        if (reinterpret_cast<HWND>(wParam) != m_hWnd)
            return false;
        OnContextMenu(lParam);
        result = 0;
        return true;
    default:
        return false;
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OnContextMenu(LPARAM position) {
    if (position == -1 || (LOWORD(position) == 0xFFFF && HIWORD(position) == 0xFFFF)) {
        OpenRowMenu(); // from the keyboard: the focus row's menu
        return;
    }
    const POINT screen{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    POINT p = screen;
    ::ScreenToClient(m_hWnd, &p);
    Node* row = p.y >= headerHeight ? RowAt(p.y) : nullptr;
    // The right button's press made the row under it the focus row.
    if (row != nullptr && row == focus)
        ShowRowMenu(row, screen);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OpenRowMenu() {
    if (focus == nullptr)
        return;
    EnsureVisible(focus);
    const long index = DisplayIndex(focus);
    if (index < 0)
        return;
    // Below the row, from its check box (where it was drawn) or its left margin.
    const RECT row = RowScreenRect(index);
    const int boxLeft = focus->checkRect.right > focus->checkRect.left ? focus->checkRect.left + scrollX : 0;
    ShowRowMenu(focus, POINT{row.left + (boxLeft > 0 ? boxLeft : tlx::kRowMargin), row.bottom});
}

template <typename T> Menu CTlxFilesTreeCtrlImpl<T>::BuildRowMenu(const Node* row) const {
    Menu menu(::CreatePopupMenu());
    if (!menu || row == nullptr)
        return menu;
    if (row->checkState != kNoCheckBox) {
        ::AppendMenuA(menu.Get(), MF_STRING, tlx::kRowMenuCheck, row->checkState == kChecked ? "&Uncheck" : "&Check");
        ::SetMenuDefaultItem(menu.Get(), tlx::kRowMenuCheck, FALSE); // what Space does
    }
    if (row->firstChild != nullptr) {
        ::AppendMenuA(menu.Get(), MF_STRING, tlx::kRowMenuExpand, row->expanded ? "C&ollapse" : "&Expand");
        ::AppendMenuA(menu.Get(), MF_STRING, tlx::kRowMenuExpandAll, "Expand &All Below");
    }
    return menu;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::ShowRowMenu(Node* row, POINT screen) {
    Menu menu = BuildRowMenu(row);
    if (!menu)
        return;
    ::SendMessageA(GetParent(), WM_ROWMENU, reinterpret_cast<WPARAM>(row), reinterpret_cast<LPARAM>(menu.Get()));
    if (::GetMenuItemCount(menu.Get()) <= 0)
        return;
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr));
    if (command == 0)
        return;
    if (!tlx::IsOwnRowCommand(command)) {
        // The parent's own command, as its menus would have sent it.
        ::PostMessageA(GetParent(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return;
    }
    // Rows that went while the menu was open took the focus away from theirs.
    if (row == focus)
        DoRowCommand(command, row);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::DoRowCommand(UINT command, Node* row) {
    switch (command) {
    case tlx::kRowMenuCheck:
        ToggleCheck(row);
        break;
    case tlx::kRowMenuExpand:
        ToggleExpand(row);
        break;
    case tlx::kRowMenuExpandAll:
        ExpandAllBelow(row);
        break;
    default:
        return;
    }
    InvalidateControl(TRUE);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::ToggleCheck(Node* node) {
    if (node->checkState == kChecked)
        SetCheck(node, kUnchecked, true, true);
    else if (node->checkState == kUnchecked || node->checkState == kPartlyChecked)
        SetCheck(node, kChecked, true, true);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::ExpandAllBelow(Node* node) {
    std::vector<Node*> pending{node};
    while (!pending.empty()) {
        Node* n = pending.back();
        pending.pop_back();
        if (n->firstChild == nullptr)
            continue;
        if (!n->expanded)
            ToggleExpand(n);
        for (Node* c = n->firstChild; c != nullptr; c = c->nextSibling)
            pending.push_back(c);
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::ScrollTo(std::int64_t target) {
    if (target < 0)
        target = 0;
    if (target == static_cast<std::int64_t>(topIndex) || topNode == nullptr)
        return;
    // One display-order step at a time from where the list stands, never a walk from the top.
    while (static_cast<std::int64_t>(topIndex) < target) {
        Node* next = topNode->NextVisible(false);
        if (next == nullptr)
            break;
        topNode = next;
        ++topIndex;
    }
    while (static_cast<std::int64_t>(topIndex) > target) {
        Node* prev = topNode->PrevVisible();
        if (prev == nullptr || prev == Root())
            break;
        topNode = prev;
        --topIndex;
    }
    ::SetScrollPos(m_hWnd, SB_VERT, static_cast<int>(topIndex), TRUE);
    InvalidateRows(TRUE);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::EnsureVisible(Node* node) {
    // Without the bar every row is on the page.
    if (!IsWindow() || (GetStyle() & WS_VSCROLL) == 0)
        return;
    const long index = DisplayIndex(node);
    if (index < 0)
        return;
    std::int64_t target = topIndex;
    if (index < static_cast<long>(topIndex))
        target = index;
    else if (rowsPerPage > 0 && index >= static_cast<long>(topIndex + rowsPerPage))
        target = static_cast<std::int64_t>(index) - rowsPerPage + 1;
    const std::int64_t last = static_cast<std::int64_t>(model.VisibleCount()) - rowsPerPage;
    if (target > last)
        target = last;
    ScrollTo(target);
}

} // namespace qs
