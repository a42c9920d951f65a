// The childless controls for screen readers and the keyboard: the drop-down button (a menu
// button that opens its menu, whose drawn items answer their access keys), the web link and the
// mini HTML label, each read through AccessibleObjectFromWindow; and the plain functions behind
// them (access keys, the label's text without markup).
#include "controls/ButtonMenuCtrl.h"
#include "controls/HyperLinkEx.h"
#include "controls/MiniHtmlCtrl.h"
#include "controls/MiniHtmlText.h"
#include "framework/ComHandle.h"

#include "support/HostWindow.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using qs::Bstr;
using qs::ComPtr;
using qs::test::HostWindow;

TEST(AccessKeys, AreTheCharacterAfterASingleAmpersand) {
    const std::pair<const char*, char> cases[] = {
        {"Refresh &All", 'A'},
        {"&invert Selection", 'I'},
        {"On-Line &Help", 'H'},
        {"Tom && Jerry", 0},
        {"Tom && &Jerry", 'J'},
        {"Trailing&", 0},
        {"None", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const auto& [text, key] : cases)
        EXPECT_EQ(qs::AccessKeyOf(text), key) << (text != nullptr ? text : "(null)");
}

TEST(HtmlPlainText, IsWhatTheLabelShowsLineByLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"<B>Quillsweep</B><BR>Version 1.2<BR><BR>Free &amp; clean", "Quillsweep\nVersion 1.2\nFree & clean"},
        {"<FONT COLOR=\"#FF0000\" SIZE=4>red</FONT> text", "red text"},
        {"a &lt;b&gt; &quot;c&quot;&nbsp;d", "a <b> \"c\" d"},
        {"one\ntwo<BR>", "one\ntwo"},
        {"<DIV ALIGN=CENTER>&unknown;</DIV>", "&unknown;"},
        {"", ""},
    };
    for (const auto& [markup, text] : cases)
        EXPECT_EQ(qs::HtmlPlainText(markup), text) << markup;
}

// ---- through the platform ------------------------------------------------------------------

ComPtr<IAccessible> ObjectOf(HWND hwnd) {
    ComPtr<IAccessible> object;
    EXPECT_EQ(
        ::AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(object.Put())),
        S_OK);
    return object;
}

VARIANT Self() {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = CHILDID_SELF;
    return v;
}

// What a reader hears of a control.
struct Heard {
    std::wstring name;
    std::wstring value;
    long role;
    long state;
    std::wstring action;
};

std::wstring Text(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    Bstr text;
    (object->*get)(Self(), text.Put());
    return text ? std::wstring(text.Get()) : L"";
}

Heard Hear(IAccessible* object) {
    VARIANT role, state;
    ::VariantInit(&role);
    ::VariantInit(&state);
    object->get_accRole(Self(), &role);
    object->get_accState(Self(), &state);
    return {Text(object, &IAccessible::get_accName), Text(object, &IAccessible::get_accValue), V_I4(&role),
            V_I4(&state), Text(object, &IAccessible::get_accDefaultAction)};
}

// Presses keys in the open menu from a timer, which the menu's own loop runs.
struct MenuKeys {
    HWND target = nullptr;
    std::vector<WPARAM> keys;
    std::size_t next = 0;
};
MenuKeys* g_keys = nullptr;

bool MenuShown() {
    bool shown = false;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            char name[16] = {};
            ::GetClassNameA(hwnd, name, sizeof name);
            if (std::strcmp(name, "#32768") == 0 && ::IsWindowVisible(hwnd))
                *reinterpret_cast<bool*>(param) = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

void CALLBACK PressKeys(HWND, UINT, UINT_PTR, DWORD) {
    if (g_keys == nullptr || !MenuShown() || g_keys->next >= g_keys->keys.size())
        return;
    const WPARAM key = g_keys->keys[g_keys->next++];
    ::PostMessageA(g_keys->target, WM_KEYDOWN, key, 0);
    ::PostMessageA(g_keys->target, WM_KEYUP, key, 0);
}

constexpr UINT kAll = 32777, kNone = 32778, kInvert = 32779;

TEST(ButtonMenuAccess, AMenuButtonThatOpensItsMenuWhoseItemsAnswerTheirAccessKeys) {
    HostWindow host(400, 200);
    HWND button = host.AddChild("BUTTON", "&Select", BS_PUSHBUTTON | WS_TABSTOP, RECT{10, 10, 160, 38}, 1005);
    qs::CButtonMenuCtrl ctrl;
    ctrl.SubclassWindow(button);
    HMENU menu = ::CreateMenu();
    HMENU popup = ::CreatePopupMenu();
    ::AppendMenuA(popup, MF_STRING, kAll, "Select &All");
    ::AppendMenuA(popup, MF_STRING, kNone, "Select &None");
    ::AppendMenuA(popup, MF_STRING, kInvert, "&Invert Selection");
    ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Select");
    ctrl.SetMenu(menu, true);

    MenuKeys keys;
    keys.target = button;
    g_keys = &keys;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &PressKeys);

    // The access key of an item chooses it.
    for (const auto& [key, command] : {std::pair<WPARAM, UINT>{'N', kNone}, {'I', kInvert}}) {
        keys.keys = {key};
        keys.next = 0;
        host.menuCommands.clear();
        const int clicks = host.clicksHandled;
        ::SetFocus(button);
        ::PostMessageA(button, WM_KEYDOWN, VK_SPACE, 0);
        ::PostMessageA(button, WM_KEYUP, VK_SPACE, 0);
        ASSERT_TRUE(host.PumpUntil([&] { return host.clicksHandled > clicks; }));
        host.PumpPending();
        EXPECT_EQ(host.menuCommands, (std::vector<WPARAM>{command})) << static_cast<char>(key);
    }
    // Whatever the letter case; a key that no item has chooses nothing.
    EXPECT_EQ(::SendMessageA(button, WM_MENUCHAR, 'i', reinterpret_cast<LPARAM>(popup)), MAKELRESULT(2, MNC_EXECUTE));
    EXPECT_EQ(::SendMessageA(button, WM_MENUCHAR, 'Q', reinterpret_cast<LPARAM>(popup)), MAKELRESULT(0, MNC_IGNORE));

    ComPtr<IAccessible> object = ObjectOf(button);
    const Heard heard = Hear(object.Get());
    EXPECT_EQ(heard.name, L"Select");
    EXPECT_EQ(heard.role, ROLE_SYSTEM_BUTTONMENU);
    EXPECT_NE(heard.state & STATE_SYSTEM_HASPOPUP, 0);
    EXPECT_NE(heard.state & STATE_SYSTEM_FOCUSED, 0);
    EXPECT_EQ(heard.action, L"Open");

    // The default action opens the menu after the call has returned.
    keys.keys = {VK_DOWN, VK_RETURN};
    keys.next = 0;
    host.menuCommands.clear();
    EXPECT_EQ(object.Get()->accDoDefaultAction(Self()), S_OK);
    EXPECT_TRUE(host.menuCommands.empty());
    ASSERT_TRUE(host.PumpUntil([&] { return !host.menuCommands.empty(); }));
    EXPECT_EQ(host.menuCommands, (std::vector<WPARAM>{kAll}));

    ::KillTimer(nullptr, timer);
    g_keys = nullptr;
}

std::vector<std::string> g_opened;
INT_PTR OpenerRecords(const char* address, int) {
    g_opened.emplace_back(address);
    return 42;
}

TEST(LinkAccess, ALinkNamedByItsLabelWithItsTargetAsValueThatJumps) {
    HostWindow host(400, 200);
    HWND hwnd = host.AddChild("STATIC", "Visit our web site", SS_LEFT | WS_TABSTOP, RECT{10, 10, 210, 30}, 1035);
    qs::CHyperLinkEx link;
    link.SubclassWindow(hwnd);
    link.SetHyperLink("https://qs.example.org/");
    link.SetOpener(&OpenerRecords);
    g_opened.clear();

    ComPtr<IAccessible> object = ObjectOf(hwnd);
    Heard heard = Hear(object.Get());
    EXPECT_EQ(heard.name, L"Visit our web site");
    EXPECT_EQ(heard.value, L"https://qs.example.org/");
    EXPECT_EQ(heard.role, ROLE_SYSTEM_LINK);
    EXPECT_EQ(heard.state & (STATE_SYSTEM_LINKED | STATE_SYSTEM_TRAVERSED), STATE_SYSTEM_LINKED);
    EXPECT_EQ(heard.action, L"Jump");

    EXPECT_EQ(object.Get()->accDoDefaultAction(Self()), S_OK);
    host.PumpPending();
    EXPECT_EQ(g_opened, (std::vector<std::string>{"https://qs.example.org/"}));
    EXPECT_NE(Hear(object.Get()).state & STATE_SYSTEM_TRAVERSED, 0);

    // The window goes while the reader holds the object: errors, and nothing left behind.
    ::DestroyWindow(hwnd);
    Bstr name;
    EXPECT_EQ(object.Get()->get_accName(Self(), name.Put()), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object.Get()->accDoDefaultAction(Self()), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object.Release()->Release(), 0u);
}

TEST(MiniHtmlAccess, StaticTextNamedByWhatItShows) {
    HostWindow host(400, 200);
    HWND hwnd = host.AddChild("STATIC", "", SS_LEFT, RECT{10, 10, 310, 110}, 1028);
    qs::CMiniHtmlCtrl label;
    label.SubclassWindow(hwnd);
    ::SetWindowTextA(hwnd, "<B>Quillsweep</B><BR>Version 1.2.3.48<BR><BR><B>FREE</B> &amp; clean");

    ComPtr<IAccessible> object = ObjectOf(hwnd);
    const Heard heard = Hear(object.Get());
    EXPECT_EQ(heard.name, L"Quillsweep\nVersion 1.2.3.48\nFREE & clean");
    EXPECT_EQ(heard.role, ROLE_SYSTEM_STATICTEXT);
    EXPECT_NE(heard.state & STATE_SYSTEM_READONLY, 0);
    EXPECT_EQ(heard.action, L"");
    EXPECT_EQ(object.Get()->accDoDefaultAction(Self()), DISP_E_MEMBERNOTFOUND);
}

} // namespace
