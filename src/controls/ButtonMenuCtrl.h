// A push button turned into a drop-down button: a divider and a down arrow at its right end, and
// any click drops a popup menu down under it whose chosen command goes to the top-level window.
#pragma once

#include "controls/ControlAccessible.h"
#include "framework/CommonControls.h"
#include "framework/Dpi.h"
#include "framework/EnterKey.h"
#include "framework/Handle.h"
#include "framework/Window.h"

#include <commctrl.h>

namespace qs {

// The access key of a menu text: the character after its single "&" ("&&" shows an ampersand),
// upper-cased in the ANSI code page; 0 when it has none.
char AccessKeyOf(const char* text);

class CButtonMenuCtrl : public CWindowImpl {
public:
    // Option bits.
    static constexpr UINT kCheckColumn = 0x01;       // reserve an 18-pixel check column
    static constexpr UINT kKeepMenuWidth = 0x02;     // do not widen the menu to the button
    static constexpr UINT kSharedImageList = 0x04;   // a list set while this is on is not destroyed with us
    static constexpr UINT kCheckBeforeImage = 0x08;  // the check column comes before the icon
    static constexpr UINT kCheckedBackground = 0x10; // checked items halfway to the highlight

    CButtonMenuCtrl() = default;
    ~CButtonMenuCtrl() override;

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The menu whose first popup drops down. A menu set before and owned is destroyed first.
    void SetMenu(HMENU menu, bool ownsMenu);
    HMENU GetMenu() const { return m_menu; }
    // Optional icons for the items, one per item position.
    void SetImageList(HIMAGELIST images);
    void SetOptions(UINT options) { m_options = options; }
    UINT Options() const { return m_options; }

    // Major version of the common-controls library, asked once per process; 0 when it cannot be
    // asked.
    static int QueryCommonControlsVersion();
    int CommonControlsVersion() const { return m_commonControlsVersion; }
    // Draws as for the given version from now on: owner-drawn below 6, a themed push button with
    // the divider and arrow painted over it from 6.
    void SetCommonControlsVersion(int major);

    // Drops the menu down under the button and posts the chosen command to the top-level window.
    // Answers the command, or 0 when the menu was dismissed.
    UINT DropDown();

    int ItemWidth() const { return m_itemWidth; }
    int ItemHeight() const { return m_itemHeight; }
    HFONT ArrowFont() const { return m_arrowFont.Get(); }
    HFONT MenuFont() const { return m_menuFont.Get(); }

    // Draws and measures for `dpi` from now on: arrow and menu fonts, divider and item margins.
    void ApplyDpi(int dpi);
    int Dpi() const { return m_scale.dpi; }

    // The window at the top of the parent and owner chain of `hwnd`.
    static HWND TopLevelWindow(HWND hwnd);

protected:
    void OnSubclassed() override;

private:
    // Accessibility and the menu's access keys (ButtonMenuAccess.cpp).
    bool HandleAccessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    AccessibleFacts AccessFacts() const;
    // The drawn items leave their access keys to the owner: the item whose text has `key`.
    LRESULT OnMenuChar(char key) const;

    void ApplyButtonStyle();
    void MakeFonts();
    void DrawMenuItem(const DRAWITEMSTRUCT& dis);
    void DrawButton(const DRAWITEMSTRUCT& dis);
    LRESULT CustomDraw(const NMCUSTOMDRAW& cd);
    void DrawDividerAndArrow(HDC dc, const RECT& rect, int dividerTop, int dividerBottom, COLORREF arrowColor);

    HMENU m_menu = nullptr;
    bool m_ownsMenu = false;
    Font m_arrowFont;
    Font m_menuFont;
    HIMAGELIST m_images = nullptr; // the list the menu items draw from
    ImageList m_ownedImages;       // the same list when it is ours to destroy
    UINT m_options = 0;
    int m_commonControlsVersion = 0;
    int m_itemWidth = 0;
    int m_itemHeight = 0;
    Scale m_scale; // the DPI the button draws for
    CEnterKey m_enter;
    CAccessibleSlot<CControlAccessible> m_accessible;
};

} // namespace qs
