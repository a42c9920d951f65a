// A shown top-level window with a list-view child like the main window's item 1000, a tree-list
// over integer rows with its state open to tests, and the image lists the program hands over.
#pragma once

#include "controls/FilesTreeCtrl.h"
#include "support/Snapshot.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

namespace qs::test {

// Records what the tree-list tells its parent.
class TreeListHost {
public:
    // The list-view gets the client size `width` x `height` plus its border.
    TreeListHost(int width, int height) {
        window = SharedParent();
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // The style of the main window's placeholder: a list-view in icon view.
        list = ::CreateWindowExA(
            0, WC_LISTVIEWA, "",
            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_ALIGNLEFT, 10, 10,
            0, 0, window, reinterpret_cast<HMENU>(1000), ::GetModuleHandleA(nullptr), nullptr);
        ResizeClient(width, height);
    }
    ~TreeListHost() {
        ::DestroyWindow(list);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    TreeListHost(const TreeListHost&) = delete;
    TreeListHost& operator=(const TreeListHost&) = delete;

    // One shown top-level window for all tests, never destroyed: under Wine without a window
    // manager, destroying a shown top-level window waits two seconds for the X server.
    static HWND SharedParent() {
        static const HWND parent = [] {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
            ::InitCommonControlsEx(&icc);
            WNDCLASSA wc{};
            wc.lpfnWndProc = &TreeListHost::Proc;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
            wc.lpszClassName = "qsTreeListHost";
            ::RegisterClassA(&wc);
            return ::CreateWindowExA(0, "qsTreeListHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
        }();
        return parent;
    }

    // Gives the list-view a client area of `width` x `height` (without scroll bars).
    void ResizeClient(int width, int height) {
        RECT r{0, 0, width, height};
        ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongA(list, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL),
                             FALSE, static_cast<DWORD>(::GetWindowLongA(list, GWL_EXSTYLE)));
        ::SetWindowPos(list, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    }

    void Pump() {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    HWND window = nullptr;
    HWND list = nullptr;
    std::vector<UINT> notifications;                // WM_NOTIFY codes from the list
    std::vector<UINT> keys;                         // virtual keys of NM_KEYDOWN
    std::vector<std::pair<void*, unsigned>> checks; // WM_ITEMCHECKCHANGING (row, new state)
    std::vector<void*> focusChanges;                // WM_ITEMFOCUSCHANGED (row)

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<TreeListHost*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr && msg == WM_ITEMFOCUSCHANGED) {
            self->focusChanges.push_back(reinterpret_cast<void*>(wp));
            return 0;
        }
        if (self != nullptr && msg == WM_ITEMCHECKCHANGING) {
            self->checks.emplace_back(reinterpret_cast<void*>(wp), static_cast<unsigned>(lp));
            return 0;
        }
        if (self != nullptr && msg == WM_NOTIFY) {
            const auto* nm = reinterpret_cast<const NMHDR*>(lp);
            // The list-view underneath reports focus changes itself; those are not the
            // tree-list's.
            if (nm->hwndFrom == self->list && nm->code != static_cast<UINT>(NM_SETFOCUS) &&
                nm->code != static_cast<UINT>(NM_KILLFOCUS)) {
                self->notifications.push_back(nm->code);
                if (nm->code == static_cast<UINT>(NM_KEYDOWN))
                    self->keys.push_back(reinterpret_cast<const NMKEY*>(lp)->nVKey);
            }
            return 0;
        }
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    }
};

// Holds a model for a view that is given one, ahead of the view among the bases of a test's
// view class, so that the model is made first and goes last.
template <typename Model> struct ModelHolder { Model ownModel; };

// The tree-list over integer rows, with a model of its own. Row n shows the text "row n"; its
// icon is n % 10 when an icon list is set. Rows with a negative n show neither, leaving the tree
// part alone to probe.
class ProbeTree : private ModelHolder<CTlxFilesTreeModel<int>>, public CTlxFilesTreeCtrlImpl<int> {
public:
    ProbeTree() : CTlxFilesTreeCtrlImpl(ownModel) {}
    using CTlxFilesTreeCtrlImpl::BuildColumnMenu;
    using CTlxFilesTreeCtrlImpl::columns;
    using CTlxFilesTreeCtrlImpl::columnsWidth;
    using CTlxFilesTreeCtrlImpl::commonControlsVersion;
    using CTlxFilesTreeCtrlImpl::focus;
    using CTlxFilesTreeCtrlImpl::header;
    using CTlxFilesTreeCtrlImpl::headerFont;
    using CTlxFilesTreeCtrlImpl::headerHeight;
    using CTlxFilesTreeCtrlImpl::HideColumn;
    using CTlxFilesTreeCtrlImpl::lastDrawn;
    using CTlxFilesTreeCtrlImpl::minFirstColumnWidth;
    using CTlxFilesTreeCtrlImpl::rowHeight;
    using CTlxFilesTreeCtrlImpl::rowsPerPage;
    using CTlxFilesTreeCtrlImpl::scrollX;
    using CTlxFilesTreeCtrlImpl::sortAscending;
    using CTlxFilesTreeCtrlImpl::sortAscendingBitmap;
    using CTlxFilesTreeCtrlImpl::sortColumn;
    using CTlxFilesTreeCtrlImpl::sortDescendingBitmap;
    using CTlxFilesTreeCtrlImpl::topIndex;
    using CTlxFilesTreeCtrlImpl::topNode;
    std::int32_t VisibleCount() const { return ownModel.VisibleCount(); }

    int GetItemImage(Node* node) override { return node->userData >= 0 ? node->userData % 10 : -1; }
    void DrawSubItem(HDC dc, Node* node, int column, const RECT& rect) override {
        if (node->userData < 0)
            return;
        RECT r = rect;
        r.left += 2;
        const std::string text = column == 0 ? "row " + std::to_string(node->userData) : std::to_string(column);
        ::DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    bool SortItems(int column, bool ascending) override {
        sorts.emplace_back(column, ascending);
        return sortAnswer;
    }

    std::vector<std::pair<int, bool>> sorts;
    bool sortAnswer = true;
};

// The check-box strip of the executable's resources as the main window loads it: 15-pixel
// images, white transparent.
inline HIMAGELIST LoadCheckBoxImages() {
    return ImageList_LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(201), 15, 1, RGB(255, 255, 255),
                                IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

// Ten 16 x 16 icons, each one plain colour (kIconColors), with a transparent 1-pixel edge.
constexpr COLORREF kIconColors[10] = {RGB(200, 0, 0),   RGB(0, 160, 0),   RGB(0, 0, 200),  RGB(200, 200, 0),
                                      RGB(0, 160, 160), RGB(160, 0, 160), RGB(100, 50, 0), RGB(0, 100, 50),
                                      RGB(50, 0, 100),  RGB(120, 120, 0)};
inline HIMAGELIST MakeIconImages() {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 10, 0);
    HDC screen = ::GetDC(nullptr);
    for (COLORREF color : kIconColors) {
        HBITMAP bmp = ::CreateCompatibleBitmap(screen, 16, 16);
        HDC dc = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(dc, bmp);
        RECT all{0, 0, 16, 16};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        HBRUSH brush = ::CreateSolidBrush(color);
        RECT inner{1, 1, 15, 15};
        ::FillRect(dc, &inner, brush);
        ::DeleteObject(brush);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        ImageList_AddMasked(list, bmp, RGB(255, 255, 255));
        ::DeleteObject(bmp);
    }
    ::ReleaseDC(nullptr, screen);
    return list;
}

// Renders the control's client area (the rows, not the header) into `canvas` for probing.
inline void RenderClient(HWND hwnd, PaintCanvas& canvas) {
    canvas.Fill(RGB(255, 0, 255)); // anything left unpainted shows up magenta
    PrintClient(hwnd, canvas);
}

// Saves the window as shown, header and scroll bars included, as shots/<name>.png.
inline void SaveShot(HWND hwnd, const std::string& name) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    PaintCanvas shot(r.right - r.left, r.bottom - r.top);
    CaptureWindow(hwnd, shot);
    SavePng(shot, ShotPath(name));
}

// A left click in the middle of a header item, as the mouse gives it.
inline void ClickHeader(HWND header, int item) {
    RECT r{};
    ::SendMessageA(header, HDM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(header, WM_LBUTTONUP, 0, at);
}

} // namespace qs::test
