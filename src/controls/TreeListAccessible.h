// The accessible object of the files tree-list: an outline whose children are the rows shown in
// display order (child k is the k-th shown row, counted from 1), each an outline item with its
// name, level, check and expansion states and the other columns as its description.
#pragma once

#include "controls/AccessibleBase.h"

#include <cstdint>
#include <string>

namespace qs {

// One shown row as the accessible object reports it.
struct AccessibleRow {
    std::wstring name;
    std::wstring description;     // the other visible columns: "Size On Drive: 12 KB, Files: 3"
    int level = 0;                // 0 for a top-level row
    std::uint32_t checkState = 0; // the model's: 0 no box, 1 unchecked, 2 checked, 3 partly
    bool hasChildren = false;
    bool expanded = false;
    bool focused = false; // the list's focus row, which is also its one selected row
    bool onPage = false;  // inside the client area below the header
    RECT screen{};        // where it lies, in screen coordinates
};

// What the object asks of the list; rows by display index (0 = the first row shown).
class ITreeListAccessSource {
public:
    virtual ~ITreeListAccessSource() = default;
    virtual long AccessRowCount() = 0;
    virtual bool AccessRow(long index, AccessibleRow& row) = 0;
    virtual long AccessFocusRow() = 0;          // -1 for none
    virtual long AccessRowAt(POINT screen) = 0; // -1 for none
    // Moves the focus row there (and the keyboard focus into the list with `takeFocus`).
    virtual bool AccessSelectRow(long index, bool takeFocus) = 0;
    virtual bool AccessDefaultAction(long index) = 0;
};

// The states of a row: selectable and focusable always; selected while it is the focus row and
// focused while the list has the keyboard focus too; checked or mixed by its box; expanded or
// collapsed when it has children; off-screen when scrolled out of the page.
long AccessibleRowState(const AccessibleRow& row, bool listHasFocus);

// What the row's default action does: its box when it has one ("Check" unless it is checked),
// else its expansion; empty for a leaf without a box.
std::wstring AccessibleRowAction(const AccessibleRow& row);

// The child that accNavigate reaches from child `from` (0 for the list itself) among `count`
// rows; 0 when there is none that way.
long NavigateRows(long direction, long from, long count);

class CTreeListAccessible : public CAccessibleBase {
public:
    // The source is the list's, asked on the window's thread until Disconnect.
    static ComPtr<CTreeListAccessible> Create(HWND window, ITreeListAccessSource& source);

    void Disconnect() override;

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;

private:
    CTreeListAccessible(HWND window, ITreeListAccessSource& source);

    // Checks the request and reads the row of a child (not 0); S_OK with the row filled in.
    HRESULT RowOf(const VARIANT& child, AccessibleRow& row);
    long Count() { return source != nullptr ? source->AccessRowCount() : 0; }
    bool ListHasFocus() const { return hwnd != nullptr && ::GetFocus() == hwnd; }

    ITreeListAccessSource* source;
};

} // namespace qs
