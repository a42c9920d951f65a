// The web link for screen readers: its accessible object and the default action it posts.
#include "controls/HyperLinkEx.h"

namespace qs {

AccessibleFacts CHyperLinkEx::AccessFacts() const {
    AccessibleFacts facts;
    facts.name = AccessibleText(GetLabel());
    facts.value = AccessibleText(GetHyperLink());
    facts.role = ROLE_SYSTEM_LINK;
    facts.addedStates = STATE_SYSTEM_LINKED | (IsVisited() ? STATE_SYSTEM_TRAVERSED : 0);
    facts.defaultAction = L"Jump";
    return facts;
}

bool CHyperLinkEx::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == AccessibleDefaultActionMessage()) {
        Navigate();
        result = 0;
        return true;
    }
    if (msg == WM_GETOBJECT && AsksForClientObject(lParam)) {
        result = m_accessible.Answer(
            wParam, [this] { return CControlAccessible::Create(m_hWnd, [this] { return AccessFacts(); }); });
        return true;
    }
    if (msg == WM_DESTROY)
        m_accessible.Disconnect();
    return CHyperLinkImpl::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

} // namespace qs
