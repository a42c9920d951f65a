// A childless control's accessible answers, taken from the facts its control states.
#include "controls/ControlAccessible.h"

#include <utility>

namespace qs {

UINT AccessibleDefaultActionMessage() {
    static const UINT message = ::RegisterWindowMessageA("Quillsweep.AccessibleDefaultAction");
    return message;
}

ComPtr<CControlAccessible> CControlAccessible::Create(HWND window, FactsSource facts) {
    return ComPtr<CControlAccessible>(new CControlAccessible(window, std::move(facts)));
}

CControlAccessible::CControlAccessible(HWND window, FactsSource source)
    : CAccessibleBase(window), facts(std::move(source)) {}

void CControlAccessible::Disconnect() {
    facts = nullptr;
    CAccessibleBase::Disconnect();
}

HRESULT CControlAccessible::get_accName(VARIANT child, BSTR* name) {
    const HRESULT hr = CheckChild(child, 0);
    if (FAILED(hr) || !facts)
        return FAILED(hr) ? hr : CO_E_OBJNOTCONNECTED;
    const std::wstring own = facts().name;
    return own.empty() ? CAccessibleBase::get_accName(child, name) : AnswerText(own, name);
}

HRESULT CControlAccessible::get_accValue(VARIANT child, BSTR* value) {
    const HRESULT hr = CheckChild(child, 0);
    if (FAILED(hr) || !facts)
        return FAILED(hr) ? hr : CO_E_OBJNOTCONNECTED;
    return AnswerText(facts().value, value);
}

HRESULT CControlAccessible::get_accRole(VARIANT child, VARIANT* role) {
    const HRESULT hr = CheckChild(child, 0);
    if (FAILED(hr) || !facts)
        return FAILED(hr) ? hr : CO_E_OBJNOTCONNECTED;
    const long own = facts().role;
    if (own == 0)
        return CAccessibleBase::get_accRole(child, role);
    if (role == nullptr)
        return E_POINTER;
    V_VT(role) = VT_I4;
    V_I4(role) = own;
    return S_OK;
}

HRESULT CControlAccessible::get_accState(VARIANT child, VARIANT* state) {
    const HRESULT hr = CheckChild(child, 0);
    if (FAILED(hr) || !facts)
        return FAILED(hr) ? hr : CO_E_OBJNOTCONNECTED;
    if (state == nullptr)
        return E_POINTER;
    VARIANT standardState;
    ::VariantInit(&standardState);
    const HRESULT got = CAccessibleBase::get_accState(child, &standardState);
    const long base = SUCCEEDED(got) && V_VT(&standardState) == VT_I4 ? V_I4(&standardState) : 0;
    ::VariantClear(&standardState);
    V_VT(state) = VT_I4;
    V_I4(state) = base | facts().addedStates;
    return S_OK;
}

HRESULT CControlAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (action != nullptr)
        *action = nullptr;
    const HRESULT hr = CheckChild(child, 0);
    if (FAILED(hr) || !facts)
        return FAILED(hr) ? hr : CO_E_OBJNOTCONNECTED;
    return AnswerText(facts().defaultAction, action);
}

HRESULT CControlAccessible::accDoDefaultAction(VARIANT child) {
    const HRESULT hr = CheckChild(child, 0);
    if (FAILED(hr) || !facts)
        return FAILED(hr) ? hr : CO_E_OBJNOTCONNECTED;
    if (facts().defaultAction.empty())
        return DISP_E_MEMBERNOTFOUND;
    return ::PostMessageA(hwnd, AccessibleDefaultActionMessage(), 0, 0) ? S_OK : E_FAIL;
}

} // namespace qs
