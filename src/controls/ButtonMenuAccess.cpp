// The drop-down button for screen readers and the keyboard: its accessible object (a menu
// button whose default action opens the menu) and the access keys of its drawn menu items.
#include "controls/ButtonMenuCtrl.h"

namespace qs {
namespace {

char Upper(char c) {
    // A single character goes through in the low word of the pointer argument.
    const auto single = static_cast<UINT_PTR>(static_cast<unsigned char>(c));
    return static_cast<char>(reinterpret_cast<UINT_PTR>(::CharUpperA(reinterpret_cast<LPSTR>(single))));
}

} // namespace

char AccessKeyOf(const char* text) {
    if (text == nullptr)
        return 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '&')
            continue;
        if (p[1] == '&') {
            ++p;
            continue;
        }
        return p[1] != '\0' ? Upper(p[1]) : 0;
    }
    return 0;
}

LRESULT CButtonMenuCtrl::OnMenuChar(char key) const {
    HMENU source = m_menu != nullptr ? ::GetSubMenu(m_menu, 0) : nullptr;
    const int count = source != nullptr ? ::GetMenuItemCount(source) : 0;
    const char wanted = Upper(key);
    for (int i = 0; wanted != 0 && i < count; ++i) {
        char text[200] = {};
        ::GetMenuStringA(source, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        // The copy on screen has the source's items at the same positions.
        if (AccessKeyOf(text) == wanted)
            return MAKELRESULT(i, MNC_EXECUTE);
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

AccessibleFacts CButtonMenuCtrl::AccessFacts() const {
    AccessibleFacts facts; // the name is the caption, as the standard object reads it
    facts.role = ROLE_SYSTEM_BUTTONMENU;
    facts.addedStates = STATE_SYSTEM_HASPOPUP;
    facts.defaultAction = L"Open";
    return facts;
}

bool CButtonMenuCtrl::HandleAccessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == AccessibleDefaultActionMessage()) {
        if (::IsWindowEnabled(m_hWnd))
            DropDown();
        result = 0;
        return true;
    }
    switch (msg) {
    case WM_MENUCHAR:
        result = OnMenuChar(static_cast<char>(LOWORD(wParam)));
        return true;
    case WM_GETOBJECT:
        if (!AsksForClientObject(lParam))
            return false;
        result = m_accessible.Answer(
            wParam, [this] { return CControlAccessible::Create(m_hWnd, [this] { return AccessFacts(); }); });
        return true;
    case WM_DESTROY:
        m_accessible.Disconnect();
        return false;
    default:
        return false;
    }
}

} // namespace qs
