// The tree-list's accessible outline: its rows as simple children, their states and actions.
#include "controls/TreeListAccessible.h"

#include "framework/TreeModel.h"

namespace qs {

long AccessibleRowState(const AccessibleRow& row, bool listHasFocus) {
    long state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (row.focused) {
        state |= STATE_SYSTEM_SELECTED;
        if (listHasFocus)
            state |= STATE_SYSTEM_FOCUSED;
    }
    if (row.checkState == kChecked)
        state |= STATE_SYSTEM_CHECKED;
    else if (row.checkState == kPartlyChecked)
        state |= STATE_SYSTEM_MIXED;
    if (row.hasChildren)
        state |= row.expanded ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
    if (!row.onPage)
        state |= STATE_SYSTEM_OFFSCREEN;
    return state;
}

std::wstring AccessibleRowAction(const AccessibleRow& row) {
    switch (row.checkState) {
    case kUnchecked:
    case kPartlyChecked:
        return L"Check";
    case kChecked:
        return L"Uncheck";
    default:
        break;
    }
    if (!row.hasChildren)
        return {};
    return row.expanded ? L"Collapse" : L"Expand";
}

long NavigateRows(long direction, long from, long count) {
    if (from == CHILDID_SELF) {
        if (count <= 0)
            return 0;
        return direction == NAVDIR_FIRSTCHILD ? 1 : direction == NAVDIR_LASTCHILD ? count : 0;
    }
    switch (direction) {
    case NAVDIR_NEXT:
    case NAVDIR_DOWN:
        return from < count ? from + 1 : 0;
    case NAVDIR_PREVIOUS:
    case NAVDIR_UP:
        return from > 1 ? from - 1 : 0;
    default:
        return 0;
    }
}

namespace {

HRESULT AnswerNumber(long value, VARIANT* out) {
    if (out == nullptr)
        return E_POINTER;
    V_VT(out) = VT_I4;
    V_I4(out) = value;
    return S_OK;
}

HRESULT AnswerNothing(VARIANT* out) {
    if (out != nullptr)
        ::VariantInit(out);
    return S_FALSE;
}

} // namespace

ComPtr<CTreeListAccessible> CTreeListAccessible::Create(HWND window, ITreeListAccessSource& source) {
    return ComPtr<CTreeListAccessible>(new CTreeListAccessible(window, source));
}

CTreeListAccessible::CTreeListAccessible(HWND window, ITreeListAccessSource& rows)
    : CAccessibleBase(window), source(&rows) {}

void CTreeListAccessible::Disconnect() {
    source = nullptr;
    CAccessibleBase::Disconnect();
}

HRESULT CTreeListAccessible::RowOf(const VARIANT& child, AccessibleRow& row) {
    const HRESULT hr = CheckChild(child, Count());
    if (FAILED(hr))
        return hr;
    const long id = ChildIdOf(child);
    return id > 0 && source->AccessRow(id - 1, row) ? S_OK : E_INVALIDARG;
}

HRESULT CTreeListAccessible::get_accChildCount(long* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    *count = Count();
    return S_OK;
}

HRESULT CTreeListAccessible::get_accChild(VARIANT child, IDispatch** object) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accChild(child, object);
    if (object != nullptr)
        *object = nullptr;
    const HRESULT hr = CheckChild(child, Count());
    // Rows are simple children: the list answers for them by number.
    return FAILED(hr) ? hr : S_FALSE;
}

HRESULT CTreeListAccessible::get_accName(VARIANT child, BSTR* name) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accName(child, name);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    return FAILED(hr) ? hr : AnswerText(row.name, name);
}

// A row's value is its level, counted from 0 at the top, as the platform's own tree view
// reports it: screen readers read the level of an outline item from there.
HRESULT CTreeListAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accValue(child, value);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    return FAILED(hr) ? hr : AnswerText(std::to_wstring(row.level), value);
}

HRESULT CTreeListAccessible::get_accDescription(VARIANT child, BSTR* description) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accDescription(child, description);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    return FAILED(hr) ? hr : AnswerText(row.description, description);
}

HRESULT CTreeListAccessible::get_accRole(VARIANT child, VARIANT* role) {
    AnswerNothing(role);
    const HRESULT hr = CheckChild(child, Count());
    if (FAILED(hr))
        return hr;
    return AnswerNumber(ChildIdOf(child) == CHILDID_SELF ? ROLE_SYSTEM_OUTLINE : ROLE_SYSTEM_OUTLINEITEM, role);
}

HRESULT CTreeListAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accState(child, state);
    AnswerNothing(state);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    return FAILED(hr) ? hr : AnswerNumber(AccessibleRowState(row, ListHasFocus()), state);
}

HRESULT CTreeListAccessible::get_accHelp(VARIANT child, BSTR* help) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accHelp(child, help);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    return FAILED(hr) ? hr : AnswerText({}, help);
}

HRESULT CTreeListAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accKeyboardShortcut(child, shortcut);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    return FAILED(hr) ? hr : AnswerText({}, shortcut);
}

HRESULT CTreeListAccessible::get_accFocus(VARIANT* focus) {
    AnswerNothing(focus);
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    if (!ListHasFocus())
        return S_FALSE;
    const long row = source->AccessFocusRow();
    return AnswerNumber(row >= 0 ? row + 1 : CHILDID_SELF, focus);
}

HRESULT CTreeListAccessible::get_accSelection(VARIANT* selection) {
    AnswerNothing(selection);
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    const long row = source->AccessFocusRow();
    return row >= 0 ? AnswerNumber(row + 1, selection) : S_FALSE;
}

HRESULT CTreeListAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::get_accDefaultAction(child, action);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    return FAILED(hr) ? hr : AnswerText(AccessibleRowAction(row), action);
}

HRESULT CTreeListAccessible::accSelect(long flags, VARIANT child) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::accSelect(flags, child);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    if (FAILED(hr))
        return hr;
    // One row at most is selected, and it is the focus row: a selection can only be moved.
    if ((flags & (SELFLAG_EXTENDSELECTION | SELFLAG_REMOVESELECTION)) != 0)
        return E_INVALIDARG;
    if ((flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION | SELFLAG_ADDSELECTION)) == 0)
        return S_OK;
    return source->AccessSelectRow(ChildIdOf(child) - 1, (flags & SELFLAG_TAKEFOCUS) != 0) ? S_OK : E_FAIL;
}

HRESULT CTreeListAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::accLocation(left, top, width, height, child);
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
        return E_POINTER;
    *left = *top = *width = *height = 0;
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    if (FAILED(hr))
        return hr;
    *left = row.screen.left;
    *top = row.screen.top;
    *width = row.screen.right - row.screen.left;
    *height = row.screen.bottom - row.screen.top;
    return S_OK;
}

HRESULT CTreeListAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    const long from = ChildIdOf(start);
    if (from == CHILDID_SELF && direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD)
        return CAccessibleBase::accNavigate(direction, start, end);
    AnswerNothing(end);
    const HRESULT hr = CheckChild(start, Count());
    if (FAILED(hr))
        return hr;
    const long to = NavigateRows(direction, from, Count());
    return to > 0 ? AnswerNumber(to, end) : S_FALSE;
}

HRESULT CTreeListAccessible::accHitTest(long x, long y, VARIANT* child) {
    AnswerNothing(child);
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    const long row = source->AccessRowAt(POINT{x, y});
    return row >= 0 ? AnswerNumber(row + 1, child) : CAccessibleBase::accHitTest(x, y, child);
}

HRESULT CTreeListAccessible::accDoDefaultAction(VARIANT child) {
    if (ChildIdOf(child) == CHILDID_SELF)
        return CAccessibleBase::accDoDefaultAction(child);
    AccessibleRow row;
    const HRESULT hr = RowOf(child, row);
    if (FAILED(hr))
        return hr;
    if (AccessibleRowAction(row).empty())
        return DISP_E_MEMBERNOTFOUND;
    return source->AccessDefaultAction(ChildIdOf(child) - 1) ? S_OK : E_FAIL;
}

} // namespace qs
