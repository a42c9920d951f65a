// The counted accessible object, its dispatch stubs and the answers it takes from the window's
// standard object.
#include "controls/AccessibleBase.h"

namespace qs {

std::wstring AccessibleText(const std::string& text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(chars > 0 ? chars : 0), L'\0');
    if (chars > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], chars);
    return wide;
}

Bstr MakeBstr(const std::wstring& text) {
    return Bstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

HRESULT AnswerText(const std::wstring& text, BSTR* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    Bstr copy = MakeBstr(text);
    if (!copy)
        return E_OUTOFMEMORY;
    *out = copy.Release(); // the caller's to free
    return S_OK;
}

long ChildIdOf(const VARIANT& child) { return V_VT(&child) == VT_I4 && V_I4(&child) >= 0 ? V_I4(&child) : -1; }

CAccessibleBase::CAccessibleBase(HWND window) : hwnd(window) {
    ::CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(standard.Put()));
}

CAccessibleBase::~CAccessibleBase() = default;

void CAccessibleBase::Disconnect() {
    hwnd = nullptr;
    standard.Reset();
}

LRESULT CAccessibleBase::AnswerGetObject(WPARAM wParam) {
    return ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(this));
}

HRESULT CAccessibleBase::CheckChild(const VARIANT& child, long children) const {
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    const long id = ChildIdOf(child);
    return id < 0 || id > children ? E_INVALIDARG : S_OK;
}

// ---- IUnknown and IDispatch -------------------------------------------------------------------

HRESULT CAccessibleBase::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CAccessibleBase::AddRef() { return ++refs; }

ULONG CAccessibleBase::Release() {
    const ULONG left = --refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT CAccessibleBase::GetTypeInfoCount(UINT* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CAccessibleBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT CAccessibleBase::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CAccessibleBase::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ---- IAccessible: the window itself through the standard object ---------------------------------

namespace {

// Clears an out-parameter first, so that a failed call never leaves the caller holding rubbish.
template <typename T> void Clear(T* out) {
    if (out != nullptr)
        *out = T{};
}

void Clear(VARIANT* out) {
    if (out != nullptr)
        ::VariantInit(out);
}

} // namespace

HRESULT CAccessibleBase::get_accParent(IDispatch** parent) {
    Clear(parent);
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    return standard ? standard.Get()->get_accParent(parent) : S_FALSE;
}

HRESULT CAccessibleBase::get_accChildCount(long* count) {
    Clear(count);
    if (count == nullptr)
        return E_POINTER;
    return Connected() ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT CAccessibleBase::get_accChild(VARIANT child, IDispatch** object) {
    Clear(object);
    const HRESULT hr = CheckChild(child, 0);
    if (FAILED(hr))
        return hr;
    if (object == nullptr)
        return E_POINTER;
    AddRef();
    *object = static_cast<IAccessible*>(this);
    return S_OK;
}

#define QS_STANDARD_ANSWER(call)                                                                                       \
    do {                                                                                                               \
        const HRESULT checked = CheckChild(child, 0);                                                                  \
        if (FAILED(checked))                                                                                           \
            return checked;                                                                                            \
        return standard ? standard.Get()->call : S_FALSE;                                                              \
    } while (false)

HRESULT CAccessibleBase::get_accName(VARIANT child, BSTR* name) {
    Clear(name);
    QS_STANDARD_ANSWER(get_accName(child, name));
}

HRESULT CAccessibleBase::get_accValue(VARIANT child, BSTR* value) {
    Clear(value);
    QS_STANDARD_ANSWER(get_accValue(child, value));
}

HRESULT CAccessibleBase::get_accDescription(VARIANT child, BSTR* description) {
    Clear(description);
    QS_STANDARD_ANSWER(get_accDescription(child, description));
}

HRESULT CAccessibleBase::get_accRole(VARIANT child, VARIANT* role) {
    Clear(role);
    QS_STANDARD_ANSWER(get_accRole(child, role));
}

HRESULT CAccessibleBase::get_accState(VARIANT child, VARIANT* state) {
    Clear(state);
    QS_STANDARD_ANSWER(get_accState(child, state));
}

HRESULT CAccessibleBase::get_accHelp(VARIANT child, BSTR* help) {
    Clear(help);
    QS_STANDARD_ANSWER(get_accHelp(child, help));
}

HRESULT CAccessibleBase::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    Clear(file);
    Clear(topic);
    QS_STANDARD_ANSWER(get_accHelpTopic(file, child, topic));
}

HRESULT CAccessibleBase::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    Clear(shortcut);
    QS_STANDARD_ANSWER(get_accKeyboardShortcut(child, shortcut));
}

HRESULT CAccessibleBase::get_accDefaultAction(VARIANT child, BSTR* action) {
    Clear(action);
    QS_STANDARD_ANSWER(get_accDefaultAction(child, action));
}

HRESULT CAccessibleBase::accSelect(long flags, VARIANT child) { QS_STANDARD_ANSWER(accSelect(flags, child)); }

HRESULT CAccessibleBase::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    Clear(left);
    Clear(top);
    Clear(width);
    Clear(height);
    QS_STANDARD_ANSWER(accLocation(left, top, width, height, child));
}

HRESULT CAccessibleBase::accNavigate(long direction, VARIANT start, VARIANT* end) {
    Clear(end);
    const VARIANT& child = start;
    QS_STANDARD_ANSWER(accNavigate(direction, start, end));
}

HRESULT CAccessibleBase::accDoDefaultAction(VARIANT child) { QS_STANDARD_ANSWER(accDoDefaultAction(child)); }

#undef QS_STANDARD_ANSWER

HRESULT CAccessibleBase::get_accFocus(VARIANT* focus) {
    Clear(focus);
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    return standard ? standard.Get()->get_accFocus(focus) : S_FALSE;
}

HRESULT CAccessibleBase::get_accSelection(VARIANT* selection) {
    Clear(selection);
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    return standard ? standard.Get()->get_accSelection(selection) : S_FALSE;
}

HRESULT CAccessibleBase::accHitTest(long x, long y, VARIANT* child) {
    Clear(child);
    if (!Connected())
        return CO_E_OBJNOTCONNECTED;
    return standard ? standard.Get()->accHitTest(x, y, child) : S_FALSE;
}

HRESULT CAccessibleBase::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }

HRESULT CAccessibleBase::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

} // namespace qs
