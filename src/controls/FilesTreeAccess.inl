// The files tree-list for screen readers and the keyboard focus: the accessible object's view of
// the rows, the focus row the list takes with the keyboard focus, the focus cue, and the events
// that announce focus, selection, state and order changes. Included by FilesTreeCtrl.h.
#pragma once

namespace qs {

template <typename T>
bool CTlxFilesTreeCtrlImpl<T>::HandleAccessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_TIMER:
        if (wParam != tlx::kAccessEventsTimer)
            return false;
        FlushAccessEvents();
        result = 0;
        return true;
    case WM_GETOBJECT:
        if (!AsksForClientObject(lParam))
            return false;
        result = accessible.Answer(
            wParam, [this] { return CTreeListAccessible::Create(m_hWnd, static_cast<ITreeListAccessSource&>(*this)); });
        return true;
    case WM_SETFOCUS:
        OnFocusArrives();
        return false; // the list-view underneath tells the parent
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        InvalidateRows(FALSE); // the focus cue comes or goes
        return false;
    case WM_DESTROY:
        accessible.Disconnect();
        accessEvents.clear();
        ::KillTimer(m_hWnd, tlx::kAccessEventsTimer);
        return false;
    default:
        return HandleMenuKey(msg, wParam, lParam, result);
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OnFocusArrives() {
    InvalidateRows(FALSE);
    // A click sets the focus row itself, right after.
    if (focusByClick)
        return;
    if (focus == nullptr) {
        // The first row shown: the first row of the list unless the user has scrolled it away.
        focus = topNode != nullptr ? topNode : Root()->firstChild;
        return; // the message map reports the new focus row
    }
    QueueAccessEvent(EVENT_OBJECT_FOCUS, focus);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::FocusMoved() {
    if (!IsWindow())
        return;
    ::SendMessageA(GetParent(), WM_ITEMFOCUSCHANGED, reinterpret_cast<WPARAM>(focus), 0);
    if (focus == nullptr)
        return;
    // The focus row is the one selected row: a reader hears the selection move with it.
    QueueAccessEvent(EVENT_OBJECT_SELECTION, focus);
    if (::GetFocus() == m_hWnd)
        QueueAccessEvent(EVENT_OBJECT_FOCUS, focus);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::QueueAccessEvent(DWORD event, Node* row) {
    if (!IsWindow())
        return;
    if (row != nullptr && removingRows != nullptr && (row == removingRows || removingRows->IsAncestorOf(row)))
        return;
    const std::pair<DWORD, Node*> entry(event, row);
    if (std::find(accessEvents.begin(), accessEvents.end(), entry) == accessEvents.end())
        accessEvents.push_back(entry);
    if (!accessFlushPending)
        accessFlushPending = ::SetTimer(m_hWnd, tlx::kAccessEventsTimer, USER_TIMER_MINIMUM, nullptr) != 0;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::FlushAccessEvents() {
    ::KillTimer(m_hWnd, tlx::kAccessEventsTimer);
    accessFlushPending = false;
    std::vector<std::pair<DWORD, Node*>> events;
    events.swap(accessEvents);
    for (const auto& [event, row] : events) {
        // Rows are children by display position, which they have only while shown.
        const long index = row != nullptr ? DisplayIndex(row) : -1;
        if (row != nullptr && index < 0)
            continue;
        ::NotifyWinEvent(event, m_hWnd, OBJID_CLIENT, row != nullptr ? index + 1 : CHILDID_SELF);
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::ForgetAccessEvents(const Node* removed) {
    accessEvents.erase(std::remove_if(accessEvents.begin(), accessEvents.end(),
                                      [removed](const std::pair<DWORD, Node*>& e) {
                                          return e.second != nullptr &&
                                                 (e.second == removed || removed->IsAncestorOf(e.second));
                                      }),
                       accessEvents.end());
}

template <typename T> long CTlxFilesTreeCtrlImpl<T>::DisplayIndex(const Node* node) const {
    if (!IsVisible(node))
        return -1;
    long index = 0;
    for (Node* row = Root()->firstChild; row != nullptr; row = row->NextVisible(false), ++index)
        if (row == node)
            return index;
    return -1;
}

template <typename T> typename CTlxFilesTreeCtrlImpl<T>::Node* CTlxFilesTreeCtrlImpl<T>::NodeAtIndex(long index) {
    if (index < 0)
        return nullptr;
    // From the top row when the index lies at or below it: the rows a reader asks for are
    // mostly the shown ones.
    const bool fromTop = topNode != nullptr && index >= static_cast<long>(topIndex);
    Node* row = fromTop ? topNode : Root()->firstChild;
    for (long i = fromTop ? static_cast<long>(topIndex) : 0; i < index && row != nullptr; ++i)
        row = row->NextVisible(false);
    return row;
}

template <typename T> RECT CTlxFilesTreeCtrlImpl<T>::RowScreenRect(long index) {
    const RECT client = GetClientRect();
    const long top = headerHeight + (index - static_cast<long>(topIndex)) * static_cast<long>(rowHeight);
    RECT r{client.left, top, client.right, top + static_cast<long>(rowHeight)};
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

template <typename T> bool CTlxFilesTreeCtrlImpl<T>::ShowsFocusCue() {
    return IsWindow() && ::GetFocus() == m_hWnd && (SendMessage(WM_QUERYUISTATE) & UISF_HIDEFOCUS) == 0;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::DrawFocusCue(HDC dc, const RECT& rect) {
    // Inside the highlight's frame, while the keyboard works in the list.
    RECT cue = rect;
    ::InflateRect(&cue, -1, -1);
    if (cue.right > cue.left && cue.bottom > cue.top && ShowsFocusCue())
        ::DrawFocusRect(dc, &cue);
}

// ---- the accessible object's questions ------------------------------------------------------

template <typename T> long CTlxFilesTreeCtrlImpl<T>::AccessRowCount() { return model.VisibleCount(); }

template <typename T> bool CTlxFilesTreeCtrlImpl<T>::AccessRow(long index, AccessibleRow& row) {
    Node* node = NodeAtIndex(index);
    if (node == nullptr)
        return false;
    std::string text;
    GetItemText(node, 0, text);
    row.name = AccessibleText(text);
    row.description.clear();
    for (int column = 1; column < HeaderItemCount() && static_cast<std::size_t>(column) < columns.size(); ++column) {
        if (columns[column].hidden)
            continue;
        text.clear();
        GetItemText(node, column, text);
        if (text.empty())
            continue;
        char title[tlx::kColumnMenuTextMax + 1] = {};
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = sizeof title;
        header.SendMessage(HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        if (!row.description.empty())
            row.description += L", ";
        row.description += AccessibleText(std::string(title) + ": " + text);
    }
    row.level = -1;
    for (const Node* p = node->parent; p != nullptr; p = p->parent)
        ++row.level;
    row.checkState = node->checkState;
    row.hasChildren = node->firstChild != nullptr;
    row.expanded = node->expanded != 0;
    row.focused = node == focus;
    row.onPage = index >= static_cast<long>(topIndex) && index < static_cast<long>(topIndex + rowsPerPage);
    row.screen = RowScreenRect(index);
    return true;
}

template <typename T> long CTlxFilesTreeCtrlImpl<T>::AccessFocusRow() {
    return focus != nullptr ? DisplayIndex(focus) : -1;
}

template <typename T> long CTlxFilesTreeCtrlImpl<T>::AccessRowAt(POINT screen) {
    POINT p = screen;
    ::ScreenToClient(m_hWnd, &p);
    const RECT client = GetClientRect();
    if (!::PtInRect(&client, p) || p.y < headerHeight)
        return -1;
    Node* row = RowAt(p.y);
    return row != nullptr ? DisplayIndex(row) : -1;
}

template <typename T> bool CTlxFilesTreeCtrlImpl<T>::AccessSelectRow(long index, bool takeFocus) {
    Node* node = NodeAtIndex(index);
    if (node == nullptr)
        return false;
    if (takeFocus) {
        focusByClick = true; // the row is named: the first row must not take the focus first
        ::SetFocus(m_hWnd);
        focusByClick = false;
    }
    Node* const before = focus;
    focus = node;
    EnsureVisible(node);
    InvalidateControl(TRUE);
    if (focus != before)
        FocusMoved();
    return true;
}

template <typename T> bool CTlxFilesTreeCtrlImpl<T>::AccessDefaultAction(long index) {
    Node* node = NodeAtIndex(index);
    if (node == nullptr)
        return false;
    if (node->checkState != kNoCheckBox)
        ToggleCheck(node);
    else if (node->firstChild != nullptr)
        ToggleExpand(node);
    else
        return false;
    InvalidateControl(TRUE);
    return true;
}

} // namespace qs
