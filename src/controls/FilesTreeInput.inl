// The files tree-list's input side: scrolling, mouse and keyboard, the header's sorting, column
// menu and drag and resize rules, and the notifications to the parent. Included by
// FilesTreeCtrl.h.
#pragma once

namespace qs {

template <typename T> void CTlxFilesTreeCtrlImpl<T>::InvalidateRows(BOOL erase) {
    if (!IsWindow())
        return;
    RECT rows = GetClientRect();
    rows.top = headerHeight;
    ::InvalidateRect(m_hWnd, &rows, erase);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OnVScroll(int request, int step) {
    if (request == SB_ENDSCROLL || (GetStyle() & WS_VSCROLL) == 0)
        return;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    if (!::GetScrollInfo(m_hWnd, SB_VERT, &si) || si.nMax == 0)
        return;
    const std::int64_t last = static_cast<std::int64_t>(si.nMax) - rowsPerPage;
    ScrollTo(tlx::VerticalTarget(request, si.nPos, last, si.nTrackPos, step, rowsPerPage));
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OnHScroll(int request, int thumb) {
    // Without the bar the columns fit: the bar's range left from earlier says nothing.
    if (request == SB_ENDSCROLL || (GetStyle() & WS_HSCROLL) == 0)
        return;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    if (!::GetScrollInfo(m_hWnd, SB_HORZ, &si))
        return;
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    int target = tlx::HorizontalTarget(request, si.nPos, si.nMax, width, thumb);
    // Kept within what the bar itself accepts, so that the drawing offset and the bar agree
    // (a later layout reads the offset back from the bar).
    const int page = si.nPage > 0 ? static_cast<int>(si.nPage) : 1;
    const int limit = si.nMax - si.nMin - page + 1;
    if (target > limit)
        target = limit;
    if (target < 0)
        target = 0;
    if (-target == scrollX)
        return;
    ::SetScrollPos(m_hWnd, SB_HORZ, target, TRUE);
    scrollX = -target;
    if (header.IsWindow()) {
        const RECT h = header.GetWindowRect();
        ::SetWindowPos(header.m_hWnd, nullptr, scrollX, 0, ::GetSystemMetrics(SM_CXVSCROLL) + 1 + target + width,
                       h.bottom - h.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    InvalidateRows(FALSE);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OnButtonDown(bool left, LPARAM position) {
    if (topNode != nullptr) {
        focusByClick = true;
        ::SetFocus(m_hWnd);
        focusByClick = false;
        const int x = LOWORD(position);
        const int y = HIWORD(position);
        const std::uint32_t rowPosition = tlx::RowPositionAt(y, headerHeight, rowHeight);
        if (rowPosition > rowsPerPage)
            return;
        Node* hit = topNode;
        for (std::uint32_t i = 0; i < rowPosition && hit != nullptr; ++i)
            hit = hit->NextVisible(false);
        if (left && hit != nullptr) {
            // The rectangles were recorded in drawing coordinates, which run `scrollX` to the
            // right of the client's while the list is scrolled sideways.
            const POINT p{x - scrollX, y};
            if (hit->firstChild != nullptr && tlx::HitsButton(tlx::ToRect(hit->buttonRect), p, metrics))
                ToggleExpand(hit);
            const RECT box = tlx::ToRect(hit->checkRect);
            if (hit->checkState != kNoCheckBox && ::PtInRect(&box, p))
                SetCheck(hit, hit->checkState == kUnchecked ? kChecked : kUnchecked, true, true);
        }
        focus = hit;
        InvalidateControl(TRUE);
    }
    NotifyParent(left ? NM_CLICK : NM_RCLICK);
}

template <typename T> typename CTlxFilesTreeCtrlImpl<T>::Node* CTlxFilesTreeCtrlImpl<T>::PageDownTarget() {
    if (lastPaintFilled && lastDrawn != nullptr && IsVisible(lastDrawn))
        return lastDrawn;
    // Every row fits (or the list changed since it was drawn): the last row stands in for the
    // row past the page, instead of a row that is no longer shown or none at all.
    return Root()->firstChild != nullptr ? Root()->LastVisibleDescendant() : nullptr;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OnKeyDown(WPARAM key, LPARAM flags) {
    if (focus == nullptr)
        return;
    switch (key) {
    case VK_SPACE:
        ToggleCheck(focus);
        InvalidateControl(TRUE);
        break;
    case VK_HOME:
        focus = Root()->firstChild;
        SendMessage(WM_VSCROLL, SB_TOP);
        InvalidateControl(TRUE);
        break;
    case VK_END:
        focus = Root()->LastVisibleDescendant();
        SendMessage(WM_VSCROLL, SB_BOTTOM);
        InvalidateControl(TRUE);
        break;
    case VK_MULTIPLY: // the keypad's star: the row and every row below it
        ExpandAllBelow(focus);
        InvalidateControl(TRUE);
        break;
    case VK_APPS:
        OpenRowMenu();
        break;
    case VK_PRIOR:
        if (focus != topNode) {
            focus = topNode;
            InvalidateControl(TRUE);
            return;
        }
        SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, rowsPerPage));
        focus = topNode;
        InvalidateControl(TRUE);
        break;
    case VK_NEXT: {
        Node* target = PageDownTarget();
        if (target != focus) {
            focus = target;
            InvalidateControl(TRUE);
            return;
        }
        for (std::uint32_t i = 0; i < rowsPerPage; ++i) {
            Node* next = focus->NextVisible(false);
            if (next == nullptr)
                break;
            focus = next;
        }
        SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, rowsPerPage));
        InvalidateControl(TRUE);
        break;
    }
    case VK_LEFT:
    case VK_SUBTRACT: // the keypad's minus
        if (focus->firstChild != nullptr && focus->expanded) {
            ToggleExpand(focus);
            InvalidateControl(TRUE);
        }
        break;
    case VK_RIGHT:
    case VK_ADD: // the keypad's plus
        if (focus->firstChild != nullptr && !focus->expanded) {
            ToggleExpand(focus);
            InvalidateControl(TRUE);
        }
        break;
    case VK_UP: {
        Node* prev = focus->PrevVisible();
        if (prev != nullptr && prev != Root()) {
            if (focus == topNode)
                SendMessage(WM_VSCROLL, SB_LINEUP);
            focus = prev;
            InvalidateControl(TRUE);
        }
        break;
    }
    case VK_DOWN: {
        Node* next = focus->NextVisible(false);
        if (next != nullptr) {
            focus = next;
            // Stepping past the row drawn below the last whole one scrolls a row, whichever
            // level that next row is on.
            if (lastPaintFilled && lastDrawn != nullptr && next == lastDrawn->NextVisible(false))
                SendMessage(WM_VSCROLL, SB_LINEDOWN);
            InvalidateControl(TRUE);
        }
        break;
    }
    default:
        break;
    }
    NotifyKeyDown(key, flags);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::NotifyKeyDown(WPARAM key, LPARAM flags) {
    if (!IsWindow())
        return;
    NMKEY nm{};
    nm.hdr.hwndFrom = m_hWnd;
    nm.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd));
    nm.hdr.code = static_cast<UINT>(NM_KEYDOWN);
    nm.nVKey = static_cast<UINT>(key);
    nm.uFlags = HIWORD(flags);
    ::SendMessageA(GetParent(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

template <typename T> bool CTlxFilesTreeCtrlImpl<T>::OnHeaderNotify(NMHDR* nm, LRESULT& result) {
    const auto* hn = reinterpret_cast<const NMHEADERA*>(nm);
    auto isHidden = [this](int item) {
        return item >= 0 && static_cast<std::size_t>(item) < columns.size() && columns[item].hidden != 0;
    };
    switch (nm->code) {
    case HDN_ITEMCLICKA:
    case HDN_ITEMCLICKW:
        SortByColumn(hn->iItem);
        result = 0;
        return true;
    case NM_RCLICK:
        ShowColumnMenu();
        result = 0;
        return true;
    case HDN_BEGINDRAG:
        if (hn->iItem == 0 || isHidden(hn->iItem)) {
            result = 1;
            return true;
        }
        return false;
    case HDN_ENDDRAG: {
        if (hn->iItem == 0) {
            result = 1;
            return true;
        }
        const DWORD at = ::GetMessagePos();
        POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        ::ScreenToClient(m_hWnd, &p);
        // Column 0's edge in client coordinates: the header sits `scrollX` to the left.
        if (!columns.empty() && p.x <= columns[0].rect.right + scrollX) {
            result = 1;
            return true;
        }
        Layout();
        return false;
    }
    case HDN_ITEMCHANGINGA:
    case HDN_ITEMCHANGINGW:
        if (isHidden(hn->iItem))
            result = 1;
        else if (hn->iItem == 0 && hn->pitem != nullptr && (hn->pitem->mask & HDI_WIDTH) != 0 &&
                 hn->pitem->cxy < minFirstColumnWidth)
            result = 1;
        else
            result = 0;
        return true;
    case HDN_ITEMCHANGEDA:
    case HDN_ITEMCHANGEDW:
    case NM_RELEASEDCAPTURE:
        UpdateColumns();
        Layout();
        EnsureFirstColumnWidth();
        return false;
    default:
        return false;
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::SortByColumn(int column) {
    if (Root()->firstChild == nullptr)
        return;
    sortAscending = column == sortColumn ? !sortAscending : 1;
    if (sortColumn != -1)
        SetSortArrow(sortColumn, -1);
    sortColumn = column;
    SetSortArrow(column, sortAscending ? 0 : 1);
    if (SortItems(column, sortAscending != 0)) {
        topIndex = 0;
        topNode = Root()->firstChild;
        // The bar goes back to the top as well: the vertical layout reads its position.
        if (IsWindow() && (GetStyle() & WS_VSCROLL) != 0)
            ::SetScrollPos(m_hWnd, SB_VERT, 0, TRUE);
        UpdateVScroll();
        InvalidateControl(TRUE);
        // The rows changed places, and the focus row shows another row's content now.
        QueueAccessEvent(EVENT_OBJECT_REORDER, nullptr);
        if (focus != nullptr)
            QueueAccessEvent(EVENT_OBJECT_NAMECHANGE, focus);
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::SetSortArrow(int column, int direction) {
    if (column < 0 || column >= HeaderItemCount())
        return;
    HDITEMA item{};
    item.mask = HDI_FORMAT;
    if (!header.SendMessage(HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
        return;
    if (commonControlsVersion >= tlx::kNativeSortArrowsVersion) {
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (direction == 0)
            item.fmt |= HDF_SORTUP;
        else if (direction == 1)
            item.fmt |= HDF_SORTDOWN;
    } else if (direction == -1) {
        item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    } else {
        item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
        item.mask |= HDI_BITMAP;
        item.hbm = direction == 0 ? sortAscendingBitmap.Get() : sortDescendingBitmap.Get();
    }
    header.SendMessage(HDM_SETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
}

template <typename T> Menu CTlxFilesTreeCtrlImpl<T>::BuildColumnMenu() const {
    Menu menu(::CreatePopupMenu());
    if (!menu)
        return menu;
    const int count = HeaderItemCount();
    for (int i = 1; i < count; ++i) {
        char text[tlx::kColumnMenuTextMax + 1] = {};
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        header.SendMessage(HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        const bool shown = static_cast<std::size_t>(i) >= columns.size() || columns[i].hidden == 0;
        ::AppendMenuA(menu.Get(), MF_STRING | (shown ? MF_CHECKED : MF_UNCHECKED), tlx::kColumnMenuFirstId + i, text);
    }
    return menu;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::ShowColumnMenu() {
    Menu menu = BuildColumnMenu();
    if (!menu)
        return;
    POINT p{};
    ::GetCursorPos(&p);
    if (::MonitorFromPoint(p, MONITOR_DEFAULTTONULL) == nullptr) {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        if (::GetMonitorInfoA(::MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &mi)) {
            if (p.x < mi.rcWork.left)
                p.x = mi.rcWork.left;
            if (p.x >= mi.rcWork.right)
                p.x = mi.rcWork.right - 1;
        }
    }
    // The choice comes back to this window as WM_COMMAND.
    ::TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, p.x, p.y, 0, m_hWnd, nullptr);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::OnColumnCommand(UINT id) {
    const int column = static_cast<int>(id - tlx::kColumnMenuFirstId);
    if (column >= HeaderItemCount())
        return;
    if (static_cast<std::size_t>(column) < columns.size() && columns[column].hidden)
        ShowColumn(column);
    else
        HideColumn(column);
}

} // namespace qs
