// The files tree-list: a view of a tree model's checkable rows under a column header, over a
// subclassed window.
#pragma once

#include "controls/ControlAccessible.h"
#include "controls/FilesTreeGeometry.h"
#include "controls/HighlightColor.h"
#include "controls/TreeListAccessible.h"
#include "framework/CommonControls.h"
#include "framework/Dpi.h"
#include "framework/Handle.h"
#include "framework/TreeModel.h"
#include "framework/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Sent to the control's parent before a row's check state changes: wParam the row, lParam the
// new state; the receiver still reads the old state in the row. wParam 0 asks for a recount.
// The view sends it for every check notice of its model.
#define WM_ITEMCHECKCHANGING (WM_USER + 567)

// Sent to the control's parent after input moved the focus to another row: wParam the row, or 0
// for none.
#define WM_ITEMFOCUSCHANGED (WM_USER + 568)

// Sent to the control's parent when a row's menu is about to open, after the list put its own
// commands in: wParam the row, lParam the menu (an HMENU). The parent may append commands of its
// own for the row; one of them chosen reaches the parent as WM_COMMAND. One menu per row, so
// that the keyboard and a right click find every command in the same place.
#define WM_ROWMENU (WM_USER + 569)

namespace qs {

// One header item of the tree-list; array index = header item index.
struct CTlxFilesTreeColumn {
    std::int32_t savedWidth = 0;  // width before the column was hidden
    std::int32_t insertIndex = 0; // the index passed to InsertColumn
    std::int32_t hidden = 0;      // the header item has width 0
    RECT rect{};                  // the header item's rectangle at the latest column layout
};

// Display-order arithmetic of the header when a column is hidden or shown again. Hidden columns
// collect at the left edge; a shown column goes back among the visible ones in insertion order.
// `order` holds header item indexes by display position.
namespace tlx {

// The list's timer for its accessibility events: they go out once the change they announce is
// complete (the model's check notice comes before the row takes its new state, and a client
// reading the row at once would read the old one). A timer rather than a posted message: it
// comes after whatever the thread has queued and takes no place among it.
constexpr UINT_PTR kAccessEventsTimer = 0x5153;

// Moves `column`, found at display position `position`, to position 0; the entries before it
// move one place to the right.
inline void MoveToFront(std::vector<int>& order, std::size_t position) {
    if (position >= order.size())
        return;
    const int column = order[position];
    for (std::size_t i = position; i > 0; --i)
        order[i] = order[i - 1];
    order[0] = column;
}

// Moves the column at display position `position` past the hidden columns on its right (those
// before column 0), then past the columns inserted before it. `insertIndexOf(item)` answers an
// item's insertion index. Answers the column's new position.
template <typename InsertIndexOf>
std::size_t MoveBackInPlace(std::vector<int>& order, std::size_t position, InsertIndexOf&& insertIndexOf) {
    if (position >= order.size())
        return position;
    const int column = order[position];
    std::size_t zeroAt = 0;
    while (zeroAt < order.size() && order[zeroAt] != 0)
        ++zeroAt;
    std::size_t p = position;
    const std::size_t last = order.size() - 1;
    while (p < last && p < zeroAt) {
        order[p] = order[p + 1];
        ++p;
    }
    while (p < last && insertIndexOf(order[p + 1]) < insertIndexOf(column)) {
        order[p] = order[p + 1];
        ++p;
    }
    order[p] = column;
    return p;
}

} // namespace tlx

// The header child of the tree-list. Messages sent to it pass through here first: an inserted
// item is followed by the control's column layout, and so is a changed item or order.
class CTlxHeaderWindow : public CWindowImpl {
public:
    std::function<void()> onItemInserted;
    std::function<void()> onItemsChanged;

    bool ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (msg) {
        case HDM_INSERTITEMA:
            result = DefWindowProc(msg, wParam, lParam);
            if (result != -1 && onItemInserted)
                onItemInserted();
            return true;
        case HDM_SETITEMA:
        case HDM_SETITEMW:
        case HDM_SETORDERARRAY:
            // The header reports an item change before it moves its items' rectangles, so a
            // layout made on that report reads the old ones; the layout is made again once the
            // header has finished.
            result = DefWindowProc(msg, wParam, lParam);
            if (result != 0 && onItemsChanged)
                onItemsChanged();
            return true;
        default:
            return false;
        }
    }
};

// The view over a model it is given, which must outlive it. Rows, checks and expansion live in
// the model; the view keeps what it needs to draw them (scroll position, focus, columns) and
// turns the model's notices into repaints, scroll ranges and WM_ITEMCHECKCHANGING.
template <typename T>
class CTlxFilesTreeCtrlImpl : public CWindowImpl,
                              private CTreeModelObserver<CTlxFilesTreeNode<T>>,
                              private ITreeListAccessSource {
public:
    using Node = CTlxFilesTreeNode<T>;
    using Model = CTlxFilesTreeModel<T>;

    explicit CTlxFilesTreeCtrlImpl(Model& model) : model(model), commonControlsVersion(CommonControlsVersion()) {
        model.AddObserver(this);
    }
    // Image lists belong to whoever set them; the rows to the model. The window may outlive the
    // control (unsubclassed): the events timer must not.
    ~CTlxFilesTreeCtrlImpl() override {
        if (IsWindow())
            ::KillTimer(m_hWnd, tlx::kAccessEventsTimer);
        model.RemoveObserver(this);
    }

    Model& GetModel() { return model; }

    // ---- virtual hooks, in slot order after the window framework's ----------------------

    // A left double click: tells the parent with NM_DBLCLK.
    virtual void OnDblClick() { NotifyParent(NM_DBLCLK); }

    // Expands a collapsed row or collapses an expanded one; the caller repaints.
    virtual void ToggleExpand(Node* node) { model.ToggleExpand(node); }

    // Removes a row and its subtree; the parent window hears every checked row of it go
    // unchecked first. False for null or the root.
    virtual bool DeleteItem(Node* node) { return model.DeleteItem(node); }

    // Fills the drawing area with the window colour.
    virtual void DrawBackground(HDC dc, const RECT& rect) { ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_WINDOW)); }

    // The icon of a row in the item image list; -1 for none.
    virtual int GetItemImage(Node*) { return -1; }

    // Draws the text of one cell; the plain tree-list draws none.
    virtual void DrawSubItem(HDC, Node*, int /*column*/, const RECT&) {}

    // A customisation point with one argument that nothing calls.
    virtual LRESULT ReservedHook(Node*) { return 0; }

    // Sorts rows by a column; answers true when it rearranged something.
    virtual bool SortItems(int /*column*/, bool /*ascending*/) { return false; }

    // The tooltip of a row; false (or empty text) for none.
    virtual bool GetItemTip(Node*, std::string& /*text*/) { return false; }

    // The text of one cell as screen readers hear it; the plain tree-list has none.
    virtual void GetItemText(Node*, int /*column*/, std::string& /*text*/) {}

    // ---- rows --------------------------------------------------------------------------

    // The model's rows, reached through the view for the callers that hold only the view.
    Node* GetRootItem() const { return model.GetRootItem(); }
    // The row with the focus, or null.
    Node* GetFocusItem() const { return focus; }
    Node* InsertItem(T userData, int imageIndex, std::uint32_t checkState, int isGroup, Node* parent) {
        return model.InsertItem(std::move(userData), imageIndex, checkState, isGroup, parent);
    }
    int SetCheck(Node* node, std::uint32_t state, bool propagateUp, bool propagateDown) {
        return model.SetCheck(node, state, propagateUp, propagateDown);
    }
    bool DeleteAllItems() { return model.DeleteAllItems(); }

    // ---- columns -----------------------------------------------------------------------

    // Inserts a header item at `index` (left-aligned text) and its column record; a width of 0
    // hides the column. Answers the header's answer: the new item's index, or -1.
    int InsertColumn(int index, int width, const char* text) {
        if (!header.IsWindow())
            return -1;
        HDITEMA item{};
        item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
        item.cxy = width;
        item.pszText = const_cast<char*>(text != nullptr ? text : "");
        item.fmt = HDF_LEFT | HDF_STRING;
        const int result = static_cast<int>(
            header.SendMessage(HDM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        // A record is kept only for an item the header took, so that record k stays item k.
        if (result == -1)
            return -1;
        CTlxFilesTreeColumn column;
        column.insertIndex = index;
        columns.push_back(column);
        UpdateColumns();
        if (width == 0)
            HideColumn(index);
        return result;
    }

    // Gives a column width 0 and moves it to the left edge of the header; column 0 never hides.
    void HideColumn(int index) {
        const int count = HeaderItemCount();
        if (index < 1 || index >= count || static_cast<std::size_t>(index) >= columns.size() || columns[index].hidden)
            return;
        SendMessage(WM_SETREDRAW, FALSE);
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        header.SendMessage(HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        columns[index].savedWidth = item.cxy;
        item.cxy = 0;
        header.SendMessage(HDM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        std::vector<int> order = HeaderOrder(count);
        // The column's place is looked up rather than derived from the insertion indexes: the
        // two differ once the user has dragged columns, and a derived place would then write an
        // order that names one column twice.
        tlx::MoveToFront(order, PositionOf(order, index));
        header.SendMessage(HDM_SETORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
        // Marked hidden only now: the width change above must not be refused as a change to a
        // hidden column.
        columns[index].hidden = 1;
        SendMessage(WM_SETREDRAW, TRUE);
        InvalidateControl(FALSE);
    }

    // Shows a hidden column again at its width before hiding (100 pixels when that was 0).
    void ShowColumn(int index) {
        const int count = HeaderItemCount();
        if (index < 1 || index >= count || static_cast<std::size_t>(index) >= columns.size() || !columns[index].hidden)
            return;
        SendMessage(WM_SETREDRAW, FALSE);
        std::vector<int> order = HeaderOrder(count);
        tlx::MoveBackInPlace(order, PositionOf(order, index), [this](int item) {
            return static_cast<std::size_t>(item) < columns.size() ? columns[item].insertIndex : item;
        });
        header.SendMessage(HDM_SETORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
        // Unmarked first: the header refuses width changes of hidden columns.
        columns[index].hidden = 0;
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        item.cxy = columns[index].savedWidth > 0 ? columns[index].savedWidth : 100;
        header.SendMessage(HDM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        SendMessage(WM_SETREDRAW, TRUE);
        InvalidateControl(FALSE);
    }

    // ---- image lists (owned by the caller) -----------------------------------------------

    void SetItemImages(HIMAGELIST list, int width, int height) {
        itemImages = list;
        itemImageWidth = width;
        itemImageHeight = height;
    }
    void SetStateImages(HIMAGELIST list, int width, int height) {
        stateImages = list;
        stateImageWidth = width;
        stateImageHeight = height;
    }

    // ---- layout ------------------------------------------------------------------------

    // Reads the header items' rectangles into the column records and sums their widths.
    void UpdateColumns() {
        const std::int32_t previousHeaderHeight = headerHeight;
        columnsWidth = 0;
        const int count = HeaderItemCount();
        for (int i = 0; i < count && static_cast<std::size_t>(i) < columns.size(); ++i) {
            RECT r{};
            header.SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
            columns[i].rect = r;
            columnsWidth += r.right - r.left;
        }
        headerHeight = count > 0 && !columns.empty() ? columns[0].rect.bottom - columns[0].rect.top : 0;
        UpdateHorizontalBar(previousHeaderHeight);
    }

    // Places the header along the top of the client area and recomputes columns and rows.
    void Layout() {
        scrollX = 0;
        if (IsWindow() && (GetStyle() & WS_HSCROLL) != 0)
            scrollX = -::GetScrollPos(m_hWnd, SB_HORZ);
        // The header's own visibility: the dialog around the control is still hidden while it
        // initialises, and a header left unplaced then would stay 0 pixels high.
        if (header.IsWindow() && (header.GetStyle() & WS_VISIBLE) != 0) {
            RECT client = GetClientRect();
            WINDOWPOS pos{};
            HDLAYOUT layout{&client, &pos};
            header.SendMessage(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
            ::SetWindowPos(header.m_hWnd, pos.hwndInsertAfter, pos.x, pos.y, pos.cx, pos.cy,
                           pos.flags | SWP_NOACTIVATE);
        }
        UpdateColumns();
        UpdateVScroll();
        InvalidateControl(TRUE);
    }

    // Keeps `topNode` at the vertical scroll position and, while the window exists, the
    // vertical scroll bar's range at the row count (hidden when every row fits).
    void UpdateVScroll() {
        const bool hasBar = IsWindow() && (GetStyle() & WS_VSCROLL) != 0;
        const std::int32_t visibleCount = model.VisibleCount();
        if (visibleCount <= static_cast<std::int32_t>(rowsPerPage)) {
            topNode = Root()->firstChild;
            topIndex = 0;
            if (hasBar) {
                SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
                ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
            }
            return;
        }
        std::uint32_t position = 0;
        if (hasBar) {
            SCROLLINFO current{sizeof current, SIF_POS, 0, 0, 0, 0, 0};
            if (::GetScrollInfo(m_hWnd, SB_VERT, &current))
                position = static_cast<std::uint32_t>(current.nPos);
        } else {
            position = topIndex;
        }
        const std::uint32_t last = static_cast<std::uint32_t>(visibleCount) - rowsPerPage;
        if (position > last)
            position = last;
        if (IsWindow()) {
            SCROLLINFO si{sizeof si,       SIF_RANGE | SIF_PAGE | SIF_POS, 0, visibleCount,
                          rowsPerPage + 1, static_cast<int>(position),     0};
            ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
        }
        Node* row = Root()->firstChild;
        for (std::uint32_t i = 0; i < position && row != nullptr; ++i)
            row = row->NextVisible(false);
        topNode = row;
        topIndex = position;
    }

    // ---- window side: layout and painting (FilesTreePaint.inl) ----------------------------

    // The message maps (HandleAccessMessage, HandleViewMessage), then WM_ITEMFOCUSCHANGED to
    // the parent when the message moved the focus.
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        Node* const before = focus;
        const bool handled =
            HandleAccessMessage(msg, wParam, lParam, result) || HandleViewMessage(hwnd, msg, wParam, lParam, result);
        if (focus != before)
            FocusMoved();
        return handled;
    }
    // Layout and painting, scrolling, mouse, keyboard, header and tooltips.
    bool HandleViewMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Rebuilds the line pen and both fonts from the system menu font, the row height and the
    // rows per page.
    void MakeFonts();
    std::uint32_t ComputeRowHeight();
    // Whole rows that fit below the header.
    std::uint32_t VisibleRows();
    // Gives column 0 at least the width of the widest tree part drawn since the last expand or
    // collapse.
    void EnsureFirstColumnWidth();
    // Lays the control out for `dpi`: row geometry, fonts, row height and column widths. The
    // control takes its window's DPI when it is created and again when the window moves to a
    // monitor of another scale; the owner gives the check box and icon images of that scale.
    void ApplyDpi(int dpi);
    int Dpi() const { return scale.dpi; }
    // Column 0 takes the width the control gains (and gives it back when it shrinks); the other
    // columns keep theirs. Stops for good once the user sizes a column in the header.
    void SetFirstColumnFills(bool fills);
    bool UserSizedColumns() const { return userSizedColumns; }

    // ---- window side: input and header (FilesTreeInput.inl) -------------------------------

    // Shows a sort arrow on a header item: direction 0 ascending, 1 descending, -1 none.
    void SetSortArrow(int column, int direction);

    // ---- window side: the row's menu and the keys that move far (FilesTreeKeys.inl) ---------

    // The commands of a row's menu: check or uncheck (the default, as Space), and expand or
    // collapse and expand all below for a row with children; empty for a leaf without a box.
    Menu BuildRowMenu(const Node* row) const;
    // Scrolls as little as it takes to bring a shown row onto the page.
    void EnsureVisible(Node* node);

protected:
    // Attachment by SubclassWindow: the header is created and laid out.
    void OnSubclassed() override { Init(); }

    // Creates the header, the fonts and the sort bitmaps, and lays the control out.
    void Init();
    // The horizontal scroll bar after the columns were read: shown while they are wider than
    // the client, and the rows per page when the header's height changed.
    void UpdateHorizontalBar(std::int32_t previousHeaderHeight);
    // Column 0 to the width the client gives it, while it fills.
    void FillFirstColumn();
    void NoteUserColumnSizing(const NMHDR* nm);

    // Painting: the whole client below the header, through one off-screen bitmap.
    void PaintTo(HDC target);
    void DrawRows(HDC dc);
    // Draws a row's button, lines, check box and icon; moves `cell`'s left edge to the text.
    void DrawTreePart(HDC dc, Node* node, RECT& cell);
    void DrawFocusHighlight(HDC dc, const RECT& rect);

    // Input.
    void OnVScroll(int request, int step);
    void OnHScroll(int request, int thumb);
    void OnButtonDown(bool left, LPARAM position);
    void OnKeyDown(WPARAM key, LPARAM flags);
    bool OnHeaderNotify(NMHDR* nm, LRESULT& result);
    // The row under a point of the client area, or null.
    Node* RowAt(int y);
    // Mouse messages go on to the tooltip; a move onto another row takes the tip shown down, so
    // that the next one asks for that row's text.
    void RelayToTip(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnTipNotify(NMHDR* nm, LRESULT& result);
    void SortByColumn(int column);
    // The header's column menu: one checked item per visible column from 1 on.
    Menu BuildColumnMenu() const;
    void ShowColumnMenu();
    void OnColumnCommand(UINT id);
    void InvalidateRows(BOOL erase);
    void NotifyKeyDown(WPARAM key, LPARAM flags);
    // The row Page Down moves the focus to first: the one drawn just past the last whole row,
    // or the last row when the latest paint did not fill the page.
    Node* PageDownTarget();
    // Moves the top row to display position `target` (at least 0), the bar with it.
    void ScrollTo(std::int64_t target);

    // The row menu (FilesTreeKeys.inl): Shift+F10 and WM_CONTEXTMENU; the context-menu key
    // comes through OnKeyDown.
    bool HandleMenuKey(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnContextMenu(LPARAM position);
    void OpenRowMenu();
    void ShowRowMenu(Node* row, POINT screen);
    void DoRowCommand(UINT command, Node* row);
    // Space's change: a checked row is unchecked, an unchecked or partly checked one checked.
    void ToggleCheck(Node* node);
    void ExpandAllBelow(Node* node);

    // Accessibility and the keyboard focus (FilesTreeAccess.inl).
    bool HandleAccessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The keyboard focus arrives: with no focus row the first row shown takes it.
    void OnFocusArrives();
    // Tells the parent (WM_ITEMFOCUSCHANGED) and screen readers that the focus row moved.
    void FocusMoved();
    // Gathers an event for `row` (null: the list itself) until the flush timer sends it.
    void QueueAccessEvent(DWORD event, Node* row);
    void FlushAccessEvents();
    void ForgetAccessEvents(const Node* removed);
    // A shown row's display position (0 = the first row), -1 for any other node.
    long DisplayIndex(const Node* node) const;
    Node* NodeAtIndex(long index);
    RECT RowScreenRect(long index);
    bool ShowsFocusCue();
    void DrawFocusCue(HDC dc, const RECT& rect);
    long AccessRowCount() override;
    bool AccessRow(long index, AccessibleRow& row) override;
    long AccessFocusRow() override;
    long AccessRowAt(POINT screen) override;
    bool AccessSelectRow(long index, bool takeFocus) override;
    bool AccessDefaultAction(long index) override;

    Node* Root() const { return model.GetRootItem(); }
    tlx::TreeColours Colours() const {
        return tlx::ColoursFor(highContrast, {::GetSysColor(COLOR_HIGHLIGHT), StartupHighlightColor(),
                                              ::GetSysColor(COLOR_GRAYTEXT), ::GetSysColor(COLOR_WINDOWTEXT)});
    }
    bool IsVisible(const Node* node) const { return model.IsVisible(node); }

    // ---- the model's notices ----------------------------------------------------------

    void OnCheckChanging(Node* node, std::uint32_t state) override {
        if (IsWindow())
            ::SendMessageA(GetParent(), WM_ITEMCHECKCHANGING, reinterpret_cast<WPARAM>(node),
                           static_cast<LPARAM>(state));
        if (node != nullptr)
            QueueAccessEvent(EVENT_OBJECT_STATECHANGE, node);
    }

    void OnRowInserted(Node*, bool shown, bool repaint) override {
        if (shown) {
            UpdateVScroll();
            QueueAccessEvent(EVENT_OBJECT_REORDER, nullptr);
        }
        if (repaint)
            InvalidateControl(TRUE);
    }

    // The focus moves to the row before (or after) the rows that go; nothing drawn keeps
    // pointing into them.
    void OnRowRemoving(Node* node) override {
        // The rows that go are still told of (unchecked) before they go: nothing of them may
        // wait to be announced.
        removingRows = node;
        ForgetAccessEvents(node);
        if (node == Root()) {
            topNode = focus = lastDrawn = nullptr;
            return;
        }
        if (focus != nullptr && (focus == node || node->IsAncestorOf(focus))) {
            Node* prev = node->PrevVisible();
            focus = prev != Root() ? prev : node->NextVisible(true);
        }
        if (lastDrawn == node || node->IsAncestorOf(lastDrawn))
            lastDrawn = nullptr;
        if (tipNode == node || node->IsAncestorOf(tipNode))
            tipNode = nullptr;
        if (topNode == node || node->IsAncestorOf(topNode))
            topNode = nullptr;
    }

    void OnRowsRemoved() override {
        removingRows = nullptr;
        UpdateVScroll();
        InvalidateControl(TRUE);
        QueueAccessEvent(EVENT_OBJECT_REORDER, nullptr);
    }

    void OnExpansionChanged(Node* node) override {
        minFirstColumnWidth = 0;
        UpdateVScroll();
        QueueAccessEvent(EVENT_OBJECT_STATECHANGE, node);
        QueueAccessEvent(EVENT_OBJECT_REORDER, nullptr);
    }

    void NotifyParent(UINT code) {
        if (!IsWindow())
            return;
        NMHDR nm{};
        nm.hwndFrom = m_hWnd;
        nm.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd));
        nm.code = code;
        ::SendMessageA(GetParent(), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
    }

    void InvalidateControl(BOOL erase) {
        if (IsWindow())
            Invalidate(erase);
    }

    int HeaderItemCount() const {
        return header.IsWindow() ? static_cast<int>(header.SendMessage(HDM_GETITEMCOUNT)) : 0;
    }

    std::vector<int> HeaderOrder(int count) const {
        std::vector<int> order(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            order[i] = i;
        if (count > 0)
            header.SendMessage(HDM_GETORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
        return order;
    }

    static std::size_t PositionOf(const std::vector<int>& order, int item) {
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == item)
                return i;
        return order.size();
    }

    // The control's state.
    std::int32_t sortAscending = 1;
    std::int32_t sortColumn = -1;
    std::vector<CTlxFilesTreeColumn> columns;
    HIMAGELIST itemImages = nullptr;  // not owned
    HIMAGELIST stateImages = nullptr; // not owned; image k is drawn for check state k
    std::int32_t scrollX = 0;         // minus the horizontal scroll position
    std::uint32_t topIndex = 0;       // display position of the first drawn row
    std::int32_t columnsWidth = 0;
    std::int32_t headerHeight = 0;
    std::uint32_t rowHeight = 0;
    std::int32_t itemImageWidth = 0, itemImageHeight = 0;
    std::int32_t stateImageWidth = 0, stateImageHeight = 0;
    std::uint32_t rowsPerPage = 0;
    std::int32_t minFirstColumnWidth = 0;
    CTlxHeaderWindow header; // "SysHeader32", a child of the control; destroyed with it
    Font headerFont, itemFont;
    Pen linePen;
    Model& model;
    Node* focus = nullptr;
    Node* topNode = nullptr;
    Node* lastDrawn = nullptr;
    std::uint32_t commonControlsVersion = 0;
    Scale scale;               // the DPI the control is laid out for
    tlx::TreeMetrics metrics;  // the row geometry at that DPI
    bool highContrast = false; // read with the fonts, on every settings change
    bool fillFirstColumn = false;
    bool userSizedColumns = false; // the user dragged or double-clicked a header divider
    int fillOffset = 0;            // column 0's width less the client width while it fills
    Bitmap sortAscendingBitmap, sortDescendingBitmap;
    // The tooltip: a popup, which the system would destroy only with the top-level window; the
    // control destroys it when it goes itself.
    OwnedWindow tipWindow;
    Node* tipNode = nullptr; // the row under the mouse
    std::string tipText;     // the text handed to the tooltip, kept until the next request
    std::wstring tipTextWide;
    // Whether the latest paint reached the row past the last whole one (`lastDrawn` keeps an
    // older row otherwise).
    bool lastPaintFilled = false;
    // Accessibility: the object screen readers hold, and the events not yet sent.
    CAccessibleSlot<CTreeListAccessible> accessible;
    std::vector<std::pair<DWORD, Node*>> accessEvents;
    bool accessFlushPending = false; // the timer runs
    Node* removingRows = nullptr;    // the rows going, from OnRowRemoving to OnRowsRemoved
    // A click is taking the keyboard focus and sets the focus row itself.
    bool focusByClick = false;
};

} // namespace qs

#include "controls/FilesTreeAccess.inl"
#include "controls/FilesTreeInput.inl"
#include "controls/FilesTreeKeys.inl"
#include "controls/FilesTreePaint.inl"
