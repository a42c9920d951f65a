// The files tree-list's window side: its message map, header and fonts, column layout and
// scroll bars, and the double-buffered paint. Included by FilesTreeCtrl.h.
#pragma once

namespace qs {
namespace tlx {

struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};
using MemoryDc = UniqueHandle<MemoryDcTraits>;

inline void DrawLine(HDC dc, const LineSegment& line) {
    ::MoveToEx(dc, line.x1, line.y1, nullptr);
    ::LineTo(dc, line.x2, line.y2);
}

} // namespace tlx

template <typename T>
bool CTlxFilesTreeCtrlImpl<T>::HandleViewMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_DESTROY:
        tipWindow.Reset();
        tipNode = nullptr;
        return false;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        RelayToTip(msg, wParam, lParam);
        return false;
    case WM_CREATE:
        Init();
        result = 0;
        return true;
    case WM_SIZE:
        rowsPerPage = VisibleRows();
        FillFirstColumn();
        Layout();
        result = 0;
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT: // the same picture into a device context of the caller's (snapshots)
        PaintClient(m_hWnd, wParam, [this](HDC dc) { PaintTo(dc); });
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // painting covers everything
        return true;
    case WM_WININICHANGE:
        MakeFonts();
        result = 0;
        return true;
    case WM_DPICHANGED_AFTERPARENT: // the window moved to a monitor of another scale
        ApplyDpi(DpiOfWindow(m_hWnd));
        result = 0;
        return true;
    case WM_WINDOWPOSCHANGED:
    case WM_STYLECHANGED:
    case WM_SETREDRAW:
        // The list-view underneath recomputes its own scroll bars for these (for its empty item
        // set) and would take ours away; the plain default handling still sends WM_SIZE.
        result = ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
        return true;
    case WM_NOTIFY:
        NoteUserColumnSizing(reinterpret_cast<const NMHDR*>(lParam));
        return lParam != 0 && (OnTipNotify(reinterpret_cast<NMHDR*>(lParam), result) ||
                               OnHeaderNotify(reinterpret_cast<NMHDR*>(lParam), result));
    case WM_KEYDOWN:
        OnKeyDown(wParam, lParam);
        result = 0;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) < tlx::kColumnMenuFirstId || LOWORD(wParam) > tlx::kColumnMenuLastId)
            return false;
        OnColumnCommand(LOWORD(wParam));
        result = 0;
        return true;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam));
        result = 0;
        return true;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam));
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        RelayToTip(msg, wParam, lParam);
        OnButtonDown(msg == WM_LBUTTONDOWN, lParam);
        result = 0;
        return true;
    case WM_LBUTTONDBLCLK:
        OnDblClick();
        result = 0;
        return true;
    case WM_MOUSEWHEEL: {
        const WPARAM request = static_cast<short>(HIWORD(wParam)) > 0 ? SB_LINEUP : SB_LINEDOWN;
        for (int i = 0; i < tlx::kWheelRows; ++i)
            SendMessage(WM_VSCROLL, request);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::Init() {
    scale = Scale{DpiOfWindow(m_hWnd)};
    metrics = tlx::MetricsFor(scale);
    if ((GetStyle() & WS_BORDER) == 0)
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() | WS_BORDER);
    if (!header.IsWindow()) {
        HWND h = ::CreateWindowExA(
            0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS | HDS_HOTTRACK | HDS_DRAGDROP | HDS_FULLDRAG, 0, 0,
            0, 0, m_hWnd, nullptr, reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE)), nullptr);
        if (h != nullptr) {
            header.onItemInserted = [this] { UpdateColumns(); };
            header.onItemsChanged = [this] {
                UpdateColumns();
                Layout();
                EnsureFirstColumnWidth();
            };
            if (!header.SubclassWindow(h))
                header.m_hWnd = h; // still usable, only without the insertion hook
        }
    }
    if (!tipWindow || !::IsWindow(tipWindow.Get())) {
        tipWindow.Reset(
            ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                              reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE)), nullptr));
        if (tipWindow) {
            // One tool for the whole control, its text asked for when it shows; the messages are
            // relayed rather than subclassed, so that the control's own subclassing stays alone.
            TTTOOLINFOA tool{};
            tool.cbSize = TTTOOLINFOA_V2_SIZE; // the size every version of the control takes
            tool.uFlags = TTF_IDISHWND;
            tool.hwnd = m_hWnd;
            tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
            tool.lpszText = LPSTR_TEXTCALLBACKA;
            ::SendMessageA(tipWindow.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
            ::SendMessageA(tipWindow.Get(), TTM_SETMAXTIPWIDTH, 0, scale(480)); // longer texts wrap
        }
    }
    SendMessage(WM_WININICHANGE);
    Layout();
    if (header.IsWindow())
        ::ShowWindow(header.m_hWnd, SW_SHOW);
    if (commonControlsVersion < tlx::kNativeSortArrowsVersion) {
        HMODULE shell = ::GetModuleHandleA("shell32.dll");
        Module loaded;
        if (shell == nullptr) {
            loaded.Reset(::LoadLibraryA("shell32.dll"));
            shell = loaded.Get();
        }
        if (shell != nullptr) {
            sortAscendingBitmap.Reset(static_cast<HBITMAP>(
                ::LoadImageA(shell, MAKEINTRESOURCEA(133), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
            sortDescendingBitmap.Reset(static_cast<HBITMAP>(
                ::LoadImageA(shell, MAKEINTRESOURCEA(134), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
        }
    }
}

template <typename T> typename CTlxFilesTreeCtrlImpl<T>::Node* CTlxFilesTreeCtrlImpl<T>::RowAt(int y) {
    const std::uint32_t position = tlx::RowPositionAt(y, headerHeight, rowHeight);
    if (topNode == nullptr || position > rowsPerPage)
        return nullptr;
    Node* row = topNode;
    for (std::uint32_t i = 0; i < position && row != nullptr; ++i)
        row = row->NextVisible(false);
    return row;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::RelayToTip(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!tipWindow)
        return;
    if (msg == WM_MOUSEMOVE) {
        Node* row = RowAt(static_cast<short>(HIWORD(lParam)));
        if (row != tipNode) {
            tipNode = row;
            ::SendMessageA(tipWindow.Get(), TTM_POP, 0, 0);
        }
    }
    MSG relayed{m_hWnd, msg, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    relayed.pt.x = static_cast<short>(LOWORD(::GetMessagePos()));
    relayed.pt.y = static_cast<short>(HIWORD(::GetMessagePos()));
    ::SendMessageA(tipWindow.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

template <typename T> bool CTlxFilesTreeCtrlImpl<T>::OnTipNotify(NMHDR* nm, LRESULT& result) {
    if (!tipWindow || nm->hwndFrom != tipWindow.Get() || (nm->code != TTN_GETDISPINFOA && nm->code != TTN_GETDISPINFOW))
        return false;
    tipText.clear();
    if (tipNode != nullptr && !GetItemTip(tipNode, tipText))
        tipText.clear();
    if (nm->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(nm);
        info->hinst = nullptr;
        info->szText[0] = '\0';
        info->lpszText = const_cast<char*>(tipText.c_str());
    } else {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(nm);
        const int length = static_cast<int>(tipText.size());
        const int chars = length > 0 ? ::MultiByteToWideChar(CP_ACP, 0, tipText.data(), length, nullptr, 0) : 0;
        tipTextWide.assign(static_cast<std::size_t>(chars), L'\0');
        if (chars > 0)
            ::MultiByteToWideChar(CP_ACP, 0, tipText.data(), length, &tipTextWide[0], chars);
        info->hinst = nullptr;
        info->szText[0] = L'\0';
        info->lpszText = const_cast<wchar_t*>(tipTextWide.c_str());
    }
    result = 0;
    return true;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::MakeFonts() {
    highContrast = HighContrastOn();
    LOGBRUSH brush{BS_SOLID, Colours().lines, 0};
    const DWORD dotted[2] = {1, 1}; // one pixel on, one off
    linePen.Reset(::ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, 1, &brush, 2, dotted));

    LOGFONTA menuFont{};
    if (MenuFontForDpi(scale.dpi, menuFont)) {
        // The header gets its new font before the old one goes.
        Font newHeaderFont(::CreateFontIndirectA(&menuFont));
        if (header.IsWindow())
            header.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(newHeaderFont.Get()), TRUE);
        headerFont = std::move(newHeaderFont);
        itemFont.Reset(::CreateFontIndirectA(&menuFont));
    }
    rowHeight = ComputeRowHeight();
    rowsPerPage = VisibleRows();
    // The header takes the new font's height only when it is laid out again; without this the
    // rows would start at the old header height until the next resize.
    if (header.IsWindow())
        Layout();
    InvalidateControl(TRUE);
}

template <typename T> std::uint32_t CTlxFilesTreeCtrlImpl<T>::ComputeRowHeight() {
    TEXTMETRICA metrics{};
    HDC dc = ::GetDC(m_hWnd);
    if (dc != nullptr) {
        HGDIOBJ old = itemFont ? ::SelectObject(dc, itemFont.Get()) : nullptr;
        ::GetTextMetricsA(dc, &metrics);
        if (old != nullptr)
            ::SelectObject(dc, old);
        ::ReleaseDC(m_hWnd, dc);
    }
    std::int32_t height = metrics.tmHeight + 2;
    height += height & 1;
    if (itemImages != nullptr && itemImageHeight > height)
        height = itemImageHeight;
    // A box taller than the text (a large scale with a small font) would be cut by the next row.
    if (stateImages != nullptr && stateImageHeight > height)
        height = stateImageHeight;
    return static_cast<std::uint32_t>(height);
}

template <typename T> std::uint32_t CTlxFilesTreeCtrlImpl<T>::VisibleRows() {
    if (rowHeight == 0 || !IsWindow())
        return 0;
    const RECT client = GetClientRect();
    std::int32_t height = client.bottom - client.top - headerHeight;
    if ((GetStyle() & WS_HSCROLL) != 0)
        height -= ::GetSystemMetrics(SM_CXHTHUMB);
    return height > 0 ? static_cast<std::uint32_t>(height) / rowHeight : 0;
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::UpdateHorizontalBar(std::int32_t previousHeaderHeight) {
    if (!IsWindow())
        return;
    // The first column inserted gives the header its height: the rows per page counted
    // without it would let the last row hide behind the bottom edge.
    if (headerHeight != previousHeaderHeight) {
        rowsPerPage = VisibleRows();
        UpdateVScroll();
    }
    const RECT client = GetClientRect();
    const std::int32_t width = client.right - client.left;
    std::int32_t available = width;
    if ((GetStyle() & WS_VSCROLL) != 0)
        available += ::GetSystemMetrics(SM_CXHTHUMB);
    if (columnsWidth < available) {
        scrollX = 0;
        if ((GetStyle() & WS_HSCROLL) != 0) {
            ::SetScrollPos(m_hWnd, SB_HORZ, 0, FALSE);
            ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() & ~static_cast<LONG_PTR>(WS_HSCROLL));
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            rowsPerPage = VisibleRows();
            UpdateVScroll();
            InvalidateControl(TRUE);
        }
        return;
    }
    SCROLLINFO si{sizeof si,
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  columnsWidth,
                  static_cast<UINT>(available),
                  ::GetScrollPos(m_hWnd, SB_HORZ),
                  0};
    ::SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    if ((GetStyle() & WS_HSCROLL) == 0) {
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() | WS_HSCROLL);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int position = ::GetScrollPos(m_hWnd, SB_HORZ);
    scrollX = -position;
    if (position != 0 && header.IsWindow()) {
        const RECT h = header.GetWindowRect();
        ::SetWindowPos(header.m_hWnd, nullptr, scrollX, 0,
                       ::GetSystemMetrics(SM_CXVSCROLL) + position + (client.right - client.left) + 1, h.bottom - h.top,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::ApplyDpi(int dpi) {
    if (dpi <= 0 || dpi == scale.dpi)
        return;
    const Scale previous = scale;
    scale = Scale{dpi};
    metrics = tlx::MetricsFor(scale);
    // Column widths were set for the old scale: they keep their share of the window.
    if (header.IsWindow()) {
        const int count = HeaderItemCount();
        for (int i = 0; i < count; ++i) {
            HDITEMA item{};
            item.mask = HDI_WIDTH;
            header.SendMessage(HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            item.cxy = ::MulDiv(item.cxy, dpi, previous.dpi);
            header.SendMessage(HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        }
    }
    fillOffset = ::MulDiv(fillOffset, dpi, previous.dpi);
    if (tipWindow)
        ::SendMessageA(tipWindow.Get(), TTM_SETMAXTIPWIDTH, 0, scale(480));
    minFirstColumnWidth = 0;
    MakeFonts();
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::SetFirstColumnFills(bool fills) {
    fillFirstColumn = fills;
    if (!fills || columns.empty() || !IsWindow())
        return;
    const RECT client = GetClientRect();
    fillOffset = (columns[0].rect.right - columns[0].rect.left) - (client.right - client.left);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::FillFirstColumn() {
    if (!fillFirstColumn || userSizedColumns || columns.empty() || !header.IsWindow())
        return;
    const RECT client = GetClientRect();
    const int width = tlx::FillColumnWidth(client.right - client.left, fillOffset, minFirstColumnWidth);
    if (width == columns[0].rect.right - columns[0].rect.left)
        return;
    HDITEMA item{};
    item.mask = HDI_WIDTH;
    item.cxy = width;
    header.SendMessage(HDM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::NoteUserColumnSizing(const NMHDR* nm) {
    if (nm == nullptr || nm->hwndFrom != header.m_hWnd)
        return;
    switch (nm->code) {
    case HDN_BEGINTRACKA:
    case HDN_BEGINTRACKW:
    case HDN_DIVIDERDBLCLICKA:
    case HDN_DIVIDERDBLCLICKW:
        userSizedColumns = true;
        break;
    default:
        break;
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::EnsureFirstColumnWidth() {
    if (!header.IsWindow() || columns.empty())
        return;
    const RECT& r = columns[0].rect;
    if (r.right - r.left >= minFirstColumnWidth)
        return;
    HDITEMA item{};
    item.mask = HDI_WIDTH;
    item.cxy = minFirstColumnWidth;
    header.SendMessage(HDM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::PaintTo(HDC target) {
    if (target == nullptr)
        return;
    const RECT client = GetClientRect();
    // The rows' area: the client moved down by the header. Columns wider than the client are
    // drawn whole (plus a margin) and the scroll offset picks the part shown.
    RECT area = client;
    ::OffsetRect(&area, 0, headerHeight);
    if (client.right - client.left < columnsWidth)
        area.right = area.left + columnsWidth + metrics.wideAreaExtra;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return;
    tlx::MemoryDc memory(::CreateCompatibleDC(target));
    Bitmap bitmap(::CreateCompatibleBitmap(target, width, height));
    if (!memory || !bitmap)
        return;
    {
        SelectObjectScope selected(memory.Get(), bitmap.Get());
        // Drawing coordinates are unscrolled client coordinates, as the header items' are.
        ::SetWindowOrgEx(memory.Get(), area.left - scrollX, area.top, nullptr);
        RECT drawn = area;
        ::OffsetRect(&drawn, -scrollX, 0);
        DrawBackground(memory.Get(), drawn);
        if (Root()->firstChild != nullptr)
            DrawRows(memory.Get());
        ::SetWindowOrgEx(memory.Get(), 0, 0, nullptr);
        ::BitBlt(target, area.left, area.top, width, height, memory.Get(), 0, 0, SRCCOPY);
    }
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::DrawRows(HDC dc) {
    if (topNode == nullptr)
        return;
    HGDIOBJ oldFont = itemFont ? ::SelectObject(dc, itemFont.Get()) : nullptr;
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);

    const bool haveColumns = !columns.empty();
    const RECT first = haveColumns ? columns[0].rect : RECT{};
    // The rows run to the right edge of the highest-numbered visible column.
    std::int32_t right = first.right - first.left;
    for (std::size_t j = 1; j < columns.size(); ++j)
        if (!columns[j].hidden)
            right = columns[j].rect.right;

    std::int32_t y = headerHeight;
    const std::int32_t h = static_cast<std::int32_t>(rowHeight);
    bool filled = false;
    Node* row = topNode;
    for (std::uint32_t i = 0; i <= rowsPerPage && row != nullptr; ++i) {
        if (i == rowsPerPage) {
            lastDrawn = row;
            filled = true;
        }
        RECT cell{metrics.margin, y, first.right - first.left, y + h};
        DrawTreePart(dc, row, cell);
        if (row == focus) {
            DrawFocusHighlight(dc, RECT{cell.left, y, right, y + h});
            DrawFocusCue(dc, RECT{cell.left, y, right, y + h});
            ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        } else {
            ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        }
        if (haveColumns) {
            DrawSubItem(dc, row, 0, RECT{cell.left, y, first.right, y + h});
            for (std::size_t j = 1; j < columns.size(); ++j)
                if (!columns[j].hidden)
                    DrawSubItem(dc, row, static_cast<int>(j),
                                RECT{columns[j].rect.left, y, columns[j].rect.right, y + h});
        }
        row = row->NextVisible(false);
        y += h;
    }
    lastPaintFilled = filled;
    if (oldFont != nullptr)
        ::SelectObject(dc, oldFont);
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::DrawFocusHighlight(HDC dc, const RECT& rect) {
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    const tlx::TreeColours colours = Colours();
    const COLORREF top = colours.focusTop;
    const COLORREF bottom = colours.focusBottom;
    if (top == bottom) {
        Brush plain(::CreateSolidBrush(top));
        ::FillRect(dc, &rect, plain.Get());
    } else {
        TRIVERTEX v[2] = {{rect.left, rect.top, static_cast<COLOR16>(GetRValue(top) << 8),
                           static_cast<COLOR16>(GetGValue(top) << 8), static_cast<COLOR16>(GetBValue(top) << 8), 0},
                          {rect.right, rect.bottom, static_cast<COLOR16>(GetRValue(bottom) << 8),
                           static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8),
                           0}};
        GRADIENT_RECT span{0, 1};
        ::GradientFill(dc, v, 2, &span, 1, GRADIENT_FILL_RECT_V);
    }
    Brush frame(::CreateSolidBrush(colours.focusFrame));
    ::FrameRect(dc, &rect, frame.Get());
}

template <typename T> void CTlxFilesTreeCtrlImpl<T>::DrawTreePart(HDC dc, Node* node, RECT& cell) {
    int depth = 0;
    for (const Node* p = node->parent; p != nullptr; p = p->parent)
        ++depth;
    const tlx::TreePlace place = tlx::PlaceTreePart(cell.left, cell.top, static_cast<int>(rowHeight), depth, metrics);
    const bool hasChildren = node->firstChild != nullptr;

    if (hasChildren) {
        const tlx::TreeColours colours = Colours();
        const RECT button = tlx::ButtonRect(place, metrics);
        {
            Pen outline(::CreatePen(PS_SOLID, 1, colours.lines));
            SelectObjectScope pen(dc, outline.Get());
            SelectObjectScope brush(dc, ::GetStockObject(NULL_BRUSH));
            ::Rectangle(dc, button.left, button.top, button.right, button.bottom);
        }
        Pen signPen(::CreatePen(PS_SOLID, 1, colours.sign));
        SelectObjectScope pen(dc, signPen.Get());
        tlx::DrawLine(dc, tlx::ButtonMinus(place, metrics));
        if (!node->expanded)
            tlx::DrawLine(dc, tlx::ButtonUpright(place, metrics));
        node->buttonRect = tlx::ToRowRect(button);
    }

    if (linePen) {
        SelectObjectScope pen(dc, linePen.Get());
        const bool linkUp = node->prevSibling != nullptr || node->parent != Root();
        const tlx::TreeLines lines = tlx::RowLines(place, hasChildren, linkUp, node->nextSibling != nullptr, metrics);
        tlx::DrawLine(dc, lines.horizontal);
        if (lines.hasUp)
            tlx::DrawLine(dc, lines.up);
        if (lines.hasDown)
            tlx::DrawLine(dc, lines.down);
        int level = 1;
        for (const Node* a = node->parent; a != nullptr; a = a->parent, ++level)
            if (a->nextSibling != nullptr)
                tlx::DrawLine(dc, tlx::AncestorLine(place, level, metrics));
    }

    int sx = tlx::CheckBoxLeft(place, metrics);
    if (stateImages != nullptr && node->checkState != kNoCheckBox) {
        const int w = tlx::ClippedImageWidth(stateImageWidth, sx, cell.right);
        // A width of 0 would ask for the whole image: a box with no room is not drawn.
        if (w > 0)
            ::ImageList_DrawEx(stateImages, static_cast<int>(node->checkState), dc, sx, cell.top, w, stateImageHeight,
                               CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
        node->checkRect = CRowRect{sx, cell.top, sx + stateImageWidth, cell.top + stateImageHeight};
        sx += stateImageWidth + metrics.imageGap;
    }
    if (itemImages != nullptr) {
        node->imageIndex = GetItemImage(node);
        if (node->imageIndex >= 0) {
            const int w = tlx::ClippedImageWidth(itemImageWidth, sx, cell.right);
            if (w > 0)
                ::ImageList_DrawEx(itemImages, node->imageIndex, dc, sx, cell.top, w, itemImageHeight, CLR_NONE,
                                   CLR_NONE, ILD_TRANSPARENT);
            sx += itemImageWidth + metrics.imageGap;
        }
    }
    cell.left = sx;
    if (sx + metrics.firstColumnSlack > minFirstColumnWidth) {
        minFirstColumnWidth = sx + metrics.firstColumnSlack;
        EnsureFirstColumnWidth();
    }
}

} // namespace qs
