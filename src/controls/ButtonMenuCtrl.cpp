// Dropping the menu down, drawing its owner-drawn items, and drawing the drop-down button.
#include "controls/ButtonMenuCtrl.h"

#include "controls/GdiPaint.h"
#include "framework/CommonControls.h"

#include <algorithm>
#include <cstring>

namespace qs {
namespace {

constexpr int kMaxItemText = 200; // 199 characters and the terminator
constexpr int kCheckColumnWidth = 18;
constexpr int kArrowWidth = 18;

// In the arrow font (Webdings) these characters are a down-pointing triangle and a check mark.
const char kArrowGlyph[] = "6";
const char kCheckGlyph[] = "a";

struct ItemText {
    char text[kMaxItemText] = {};
    UINT state = 0;
    bool found = false;
};

ItemText ReadItem(HMENU menu, UINT position) {
    ItemText item;
    if (menu == nullptr)
        return item;
    // 64-bit builds run only where the full menu-item record is known, so the older, shorter one
    // is never needed.
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING | MIIM_STATE;
    mii.dwTypeData = item.text;
    mii.cch = kMaxItemText;
    item.found = ::GetMenuItemInfoA(menu, position, TRUE, &mii) != FALSE;
    item.state = item.found ? mii.fState : 0;
    if (!item.found)
        item.text[0] = '\0';
    return item;
}

COLORREF Halfway(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
}

void DrawGlyph(HDC dc, HFONT font, const char* glyph, RECT rect, UINT format) {
    SelectObjectScope scope(dc, font);
    ::DrawTextA(dc, glyph, 1, &rect, format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

} // namespace

CButtonMenuCtrl::~CButtonMenuCtrl() {
    if (m_ownsMenu && m_menu != nullptr)
        ::DestroyMenu(m_menu);
}

int CButtonMenuCtrl::QueryCommonControlsVersion() {
    // A library without the version function answers 0 here rather than 4; both are below 6 and
    // draw alike.
    static const int major = static_cast<int>(HIWORD(::qs::CommonControlsVersion()));
    return major;
}

void CButtonMenuCtrl::OnSubclassed() {
    m_commonControlsVersion = QueryCommonControlsVersion();
    ApplyButtonStyle();

    m_scale = Scale{DpiOfWindow(m_hWnd)};
    MakeFonts();
}

void CButtonMenuCtrl::MakeFonts() {
    LOGFONTA lf{};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::strcpy(lf.lfFaceName, "Webdings");
    lf.lfCharSet = SYMBOL_CHARSET;
    lf.lfHeight = m_scale(18);
    m_arrowFont.Reset(::CreateFontIndirectA(&lf));
    LOGFONTA menu{};
    if (MenuFontForDpi(m_scale.dpi, menu))
        m_menuFont.Reset(::CreateFontIndirectA(&menu));
}

void CButtonMenuCtrl::ApplyDpi(int dpi) {
    if (dpi <= 0 || dpi == m_scale.dpi)
        return;
    m_scale = Scale{dpi};
    MakeFonts();
    if (m_hWnd != nullptr)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CButtonMenuCtrl::SetCommonControlsVersion(int major) {
    m_commonControlsVersion = major;
    if (m_hWnd != nullptr)
        ApplyButtonStyle();
}

void CButtonMenuCtrl::ApplyButtonStyle() {
    const LONG_PTR type = m_commonControlsVersion < 6 ? BS_OWNERDRAW : BS_PUSHBUTTON;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, (GetStyle() & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | type);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CButtonMenuCtrl::SetMenu(HMENU menu, bool ownsMenu) {
    if (m_ownsMenu && m_menu != nullptr && m_menu != menu)
        ::DestroyMenu(m_menu);
    m_menu = menu;
    m_ownsMenu = ownsMenu;
}

void CButtonMenuCtrl::SetImageList(HIMAGELIST images) {
    if (images == m_images)
        return;
    // The list held before goes when it was ours; the new one is ours unless it is shared.
    m_ownedImages.Reset((m_options & kSharedImageList) ? nullptr : images);
    m_images = images;
}

HWND CButtonMenuCtrl::TopLevelWindow(HWND hwnd) {
    HWND top = hwnd;
    for (;;) {
        HWND next = (::GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD) ? ::GetParent(top) : ::GetWindow(top, GW_OWNER);
        if (next == nullptr)
            return top;
        top = next;
    }
}

UINT CButtonMenuCtrl::DropDown() {
    HMENU source = m_menu != nullptr ? ::GetSubMenu(m_menu, 0) : nullptr;
    Menu popup(::CreatePopupMenu());
    if (!popup)
        return 0;

    // An owner-drawn copy of the first popup. Only the checked state is kept: every item is
    // offered enabled, whatever the resource says.
    int widest = 0;
    int textHeight = 0;
    {
        HDC dc = ::GetDC(m_hWnd);
        SelectObjectScope font(dc, m_menuFont ? static_cast<HGDIOBJ>(m_menuFont.Get())
                                              : ::GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc, &tm);
        textHeight = tm.tmHeight;
        const int count = source != nullptr ? ::GetMenuItemCount(source) : 0;
        for (int i = 0; i < count; ++i) {
            char text[kMaxItemText] = {};
            MENUITEMINFOA mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_FTYPE;
            mii.dwTypeData = text;
            mii.cch = kMaxItemText;
            if (!::GetMenuItemInfoA(source, static_cast<UINT>(i), TRUE, &mii))
                text[0] = '\0';
            MENUITEMINFOA copy{};
            copy.cbSize = sizeof copy;
            copy.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA;
            copy.fType = MFT_OWNERDRAW;
            copy.fState = mii.fState & MFS_CHECKED;
            copy.wID = mii.wID;
            copy.dwItemData = static_cast<ULONG_PTR>(i);
            ::InsertMenuItemA(popup.Get(), static_cast<UINT>(i), TRUE, &copy);
            RECT r{0, 0, 0, 0};
            ::DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE);
            widest = std::max<int>(widest, r.right - r.left);
        }
        ::ReleaseDC(m_hWnd, dc);
    }

    int imageWidth = 0, imageHeight = 0;
    if (m_images != nullptr)
        ::ImageList_GetIconSize(m_images, &imageWidth, &imageHeight);
    m_itemHeight = std::max(textHeight, imageHeight) + m_scale(6);
    m_itemWidth = m_images != nullptr ? imageWidth + widest + m_scale(6) : widest + m_scale(4);
    if (m_options & kCheckColumn)
        m_itemWidth += m_scale(kCheckColumnWidth);
    if (!(m_options & kKeepMenuWidth)) {
        // The menu adds the check-mark width to every owner-drawn item: take it off again so that
        // the menu comes out as wide as the button.
        const RECT client = GetClientRect();
        m_itemWidth = std::max<int>(m_itemWidth, client.right - client.left) - ::GetSystemMetrics(SM_CYMENUCHECK);
    }

    HWND top = TopLevelWindow(m_hWnd);
    ::SendMessageA(top, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup.Get()), 0);

    // The key press that dropped the menu down may have left its character in the queue (a
    // release that arrives before the character is read). The open menu would take a blank or a
    // carriage return as choosing the selected item, of which there is none, and close at once.
    MSG pending;
    while (::PeekMessageA(&pending, m_hWnd, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }

    const RECT button = GetWindowRect();
    TPMPARAMS params{};
    params.cbSize = sizeof params;
    params.rcExclude = RECT{button.left + 1, button.top + 1, button.right - 1, button.bottom - 1};
    const int x = button.left + (m_commonControlsVersion >= 6 ? 2 : 0);
    const UINT command = static_cast<UINT>(::TrackPopupMenuEx(
        popup.Get(), TPM_VERTICAL | TPM_RETURNCMD | TPM_VERPOSANIMATION, x, button.bottom, m_hWnd, &params));
    if (command != 0)
        ::PostMessageA(top, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return command;
}

void CButtonMenuCtrl::DrawMenuItem(const DRAWITEMSTRUCT& dis) {
    HMENU source = m_menu != nullptr ? ::GetSubMenu(m_menu, 0) : nullptr;
    const UINT position = static_cast<UINT>(dis.itemData);
    const ItemText item = ReadItem(source, position);
    const bool checked = (item.state & MFS_CHECKED) != 0;
    HDC dc = dis.hDC;

    COLORREF text = ::GetSysColor(COLOR_MENUTEXT), back = ::GetSysColor(COLOR_MENU);
    if ((m_options & kCheckedBackground) && checked)
        back = Halfway(::GetSysColor(COLOR_MENU), ::GetSysColor(COLOR_HIGHLIGHT));
    if (dis.itemState & ODS_SELECTED) {
        text = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
        back = ::GetSysColor(COLOR_HIGHLIGHT);
    }
    FillSolidRect(dc, dis.rcItem, back);
    RECT r = dis.rcItem;
    r.left += m_scale(3);
    r.right -= m_scale(3);
    r.top += m_scale(2);
    r.bottom -= m_scale(2);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = ::SetTextColor(dc, text);

    auto checkColumn = [&] {
        if (checked) {
            RECT c{r.left, r.top, r.left + m_scale(kCheckColumnWidth), r.bottom};
            DrawGlyph(dc, m_arrowFont.Get(), kCheckGlyph, c, DT_LEFT);
        }
        r.left += m_scale(kCheckColumnWidth);
    };
    if ((m_options & kCheckColumn) && (m_options & kCheckBeforeImage))
        checkColumn();
    if (m_images != nullptr) {
        int w = 0, h = 0;
        ::ImageList_GetIconSize(m_images, &w, &h);
        ::ImageList_Draw(m_images, static_cast<int>(position), dc, r.left, r.top + (r.bottom - r.top - h) / 2,
                         ILD_TRANSPARENT);
        r.left += w + m_scale(2);
    } else {
        r.left += m_scale(16);
    }
    if ((m_options & kCheckColumn) && !(m_options & kCheckBeforeImage))
        checkColumn();

    {
        SelectObjectScope font(dc, m_menuFont ? static_cast<HGDIOBJ>(m_menuFont.Get())
                                              : ::GetStockObject(DEFAULT_GUI_FONT));
        // The access key is underlined unless the menu was opened with the mouse and the
        // system hides the underlines until a key is pressed.
        const UINT prefix = (dis.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0;
        ::DrawTextA(dc, item.text, -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER | prefix);
    }
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

void CButtonMenuCtrl::DrawDividerAndArrow(HDC dc, const RECT& rect, int dividerTop, int dividerBottom,
                                          COLORREF arrowColor) {
    const RECT divider{rect.right - m_scale(22), rect.top + m_scale(dividerTop), rect.right - m_scale(20),
                       rect.bottom - m_scale(dividerBottom)};
    Draw3dRect(dc, divider, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = ::SetTextColor(dc, arrowColor);
    DrawGlyph(dc, m_arrowFont.Get(), kArrowGlyph, RECT{rect.right - m_scale(kArrowWidth), rect.top, rect.right, rect.bottom},
              DT_LEFT);
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

void CButtonMenuCtrl::DrawButton(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    RECT r = dis.rcItem;
    const bool focused = (dis.itemState & ODS_FOCUS) != 0;
    const bool pressed = (dis.itemState & ODS_SELECTED) != 0;
    const bool disabled = (dis.itemState & ODS_DISABLED) != 0;

    if (focused) {
        Brush frame(::CreateSolidBrush(::GetSysColor(COLOR_3DDKSHADOW)));
        ::FrameRect(dc, &r, frame.Get());
        ::InflateRect(&r, -1, -1);
    }
    ::DrawFrameControl(dc, &r, DFC_BUTTON,
                       DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));

    char caption[kMaxItemText] = {};
    ::GetWindowTextA(m_hWnd, caption, kMaxItemText);
    const COLORREF captionColor = ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    {
        HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        SelectObjectScope scope(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        RECT text = r;
        if (pressed)
            ::OffsetRect(&text, 1, 1);
        if (!disabled) {
            const COLORREF oldColor = ::SetTextColor(dc, captionColor);
            ::DrawTextA(dc, caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            ::SetTextColor(dc, oldColor);
        } else {
            RECT size{0, 0, 0, 0};
            ::DrawTextA(dc, caption, -1, &size, DT_CALCRECT | DT_SINGLELINE);
            const int cx = size.right - size.left, cy = size.bottom - size.top;
            const int x = text.left + (text.right - text.left - cx) / 2;
            const int y = text.top + (text.bottom - text.top - cy) / 2;
            ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption),
                         static_cast<WPARAM>(std::strlen(caption)), x, y, cx, cy, DST_PREFIXTEXT | DSS_DISABLED);
        }
        ::SetBkMode(dc, oldMode);
    }

    DrawDividerAndArrow(dc, r, 5, 4, captionColor);

    if (focused) {
        RECT focus = r;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
}

LRESULT CButtonMenuCtrl::CustomDraw(const NMCUSTOMDRAW& cd) {
    switch (cd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYPOSTPAINT;
    case CDDS_POSTPAINT: {
        const bool grey = (cd.uItemState & (CDIS_DISABLED | CDIS_GRAYED)) != 0;
        DrawDividerAndArrow(cd.hdc, cd.rc, 6, 6, ::GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

bool CButtonMenuCtrl::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (HandleAccessMessage(msg, wParam, lParam, result))
        return true;
    switch (msg) {
    case WM_DPICHANGED_AFTERPARENT: // the window moved to a monitor of another scale
        ApplyDpi(DpiOfWindow(m_hWnd));
        return false;
    case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis == nullptr || dis->CtlType != ODT_MENU)
            return false;
        DrawMenuItem(*dis);
        result = TRUE;
        return true;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis == nullptr || mis->CtlType != ODT_MENU)
            return false;
        mis->itemWidth = static_cast<UINT>(std::max(m_itemWidth, 0));
        mis->itemHeight = static_cast<UINT>(std::max(m_itemHeight, 0));
        result = TRUE;
        return true;
    }
    case WM_KEYUP:
        if (wParam == VK_F4) {
            SendMessage(BM_CLICK);
            return false; // the key goes on to the button
        }
        if (m_enter.TakeRelease(wParam)) {
            SendMessage(BM_CLICK);
            result = 0;
            return true;
        }
        return false;
    // Enter drops the menu down as Space does. A dialog would turn it into its default button,
    // so the button asks for it, and acts on the key's release like the button does for Space:
    // the character that the key press leaves in the queue must not reach the open menu.
    case WM_GETDLGCODE: {
        result = CEnterKey::WantEnter(DefWindowProc(msg, wParam, lParam), lParam);
        return true;
    }
    case WM_KEYDOWN:
        if (m_enter.OnKeyDown(wParam)) {
            result = 0;
            return true;
        }
        return false;
    case WM_CHAR:
        if (wParam == VK_RETURN) {
            result = 0;
            return true;
        }
        return false;
    case WM_KILLFOCUS:
        m_enter.Forget();
        return false;
    case OCM__BASE + WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return false;
        DropDown();
        result = 0;
        return true;
    case OCM__BASE + WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis != nullptr)
            DrawButton(*dis);
        result = TRUE;
        return true;
    }
    case OCM__BASE + WM_MEASUREITEM: {
        // Buttons are never measured; answer as a list would, with the height of a line of text.
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis != nullptr) {
            HDC dc = ::GetDC(hwnd);
            TEXTMETRICA tm{};
            ::GetTextMetricsA(dc, &tm);
            ::ReleaseDC(hwnd, dc);
            mis->itemHeight = static_cast<UINT>(tm.tmHeight);
        }
        result = TRUE;
        return true;
    }
    case OCM__BASE + WM_COMPAREITEM:
    case OCM__BASE + WM_DELETEITEM:
        result = 0;
        return true;
    case OCM__BASE + WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr == nullptr || hdr->code != static_cast<UINT>(NM_CUSTOMDRAW))
            return false;
        result = CustomDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
        return true;
    }
    default:
        return false;
    }
}

} // namespace qs
