// Window procedures of subclassed windows and dialogs, centring and notification reflection.
#include "framework/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace qs {
namespace {

const char kWindowProp[] = "qs.CWindowImpl";

HINSTANCE& ResourceModuleSlot() {
    static HINSTANCE module = nullptr;
    return module;
}

RECT WorkAreaOf(HWND hwnd) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    if (monitor != nullptr && GetMonitorInfoA(monitor, &mi))
        return mi.rcWork;
    RECT r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

// Modeless dialogs of one thread and the message hook that gives them their dialog keys. The
// dialog manager turns Esc into IDCANCEL, Enter into the default button and Tab into focus moves
// only inside IsDialogMessage, and a modal loop calls that for its own dialog alone.
struct ModelessDialogs {
    HHOOK hook = nullptr;
    std::vector<HWND> dialogs;
};

ModelessDialogs& ThreadModelessDialogs() {
    thread_local ModelessDialogs registry;
    return registry;
}

LRESULT CALLBACK ModelessKeysHook(int code, WPARAM wParam, LPARAM lParam) {
    ModelessDialogs& reg = ThreadModelessDialogs();
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->hwnd != nullptr) {
            for (HWND dialog : reg.dialogs) {
                if ((msg->hwnd == dialog || ::IsChild(dialog, msg->hwnd)) && ::IsDialogMessageA(dialog, msg)) {
                    msg->message = WM_NULL; // handled: the loop dispatches nothing
                    break;
                }
            }
        }
    }
    return ::CallNextHookEx(reg.hook, code, wParam, lParam);
}

void AddModelessDialog(HWND dialog) {
    ModelessDialogs& reg = ThreadModelessDialogs();
    if (reg.hook == nullptr)
        reg.hook = ::SetWindowsHookExA(WH_GETMESSAGE, ModelessKeysHook, nullptr, ::GetCurrentThreadId());
    reg.dialogs.push_back(dialog);
}

void RemoveModelessDialog(HWND dialog) {
    ModelessDialogs& reg = ThreadModelessDialogs();
    reg.dialogs.erase(std::remove(reg.dialogs.begin(), reg.dialogs.end(), dialog), reg.dialogs.end());
    if (reg.dialogs.empty() && reg.hook != nullptr) {
        ::UnhookWindowsHookEx(reg.hook);
        reg.hook = nullptr;
    }
}

} // namespace

void CWindow::CenterWindow(HWND over) const {
    if (over == nullptr)
        over = ::GetWindow(m_hWnd, GW_OWNER);
    const RECT work = WorkAreaOf(m_hWnd);
    RECT area = work;
    if (over != nullptr && ::IsWindowVisible(over) && !::IsIconic(over))
        ::GetWindowRect(over, &area);
    const RECT me = GetWindowRect();
    const int w = me.right - me.left, h = me.bottom - me.top;
    int x = (area.left + area.right) / 2 - w / 2;
    int y = (area.top + area.bottom) / 2 - h / 2;
    // Keep the window inside the work area where it fits.
    if (x + w > work.right)
        x = work.right - w;
    if (x < work.left)
        x = work.left;
    if (y + h > work.bottom)
        y = work.bottom - h;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- subclassed windows -------------------------------------------------------------------

CWindowImpl::~CWindowImpl() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
        UnsubclassWindow();
}

WNDPROC CWindowImpl::GetWindowProc() { return &CWindowImpl::WindowProc; }

bool CWindowImpl::SubclassWindow(HWND hwnd) {
    if (m_hWnd != nullptr || hwnd == nullptr || !::IsWindow(hwnd) || ::GetPropA(hwnd, kWindowProp) != nullptr)
        return false;
    ::SetPropA(hwnd, kWindowProp, this);
    WNDPROC previous =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetWindowProc())));
    if (previous == nullptr) {
        ::RemovePropA(hwnd, kWindowProp);
        return false;
    }
    m_previous = previous;
    m_hWnd = hwnd;
    OnSubclassed();
    return true;
}

HWND CWindowImpl::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (hwnd == nullptr)
        return nullptr;
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    ::RemovePropA(hwnd, kWindowProp);
    m_previous = nullptr;
    m_hWnd = nullptr;
    return hwnd;
}

LRESULT CWindowImpl::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_previous == nullptr)
        return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
    return ::CallWindowProcA(m_previous, m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWindowImpl::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CWindowImpl*>(::GetPropA(hwnd, kWindowProp));
    if (self == nullptr)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    MSG current{hwnd, msg, wParam, lParam, 0, {0, 0}};
    const MSG* saved = self->m_current;
    self->m_current = &current;
    // Taken before the handler runs: a handler may unsubclass the window, and the message it
    // leaves unhandled still belongs to the procedure that was there before.
    WNDPROC previous = self->m_previous;
    LRESULT result = 0;
    const bool handled = self->ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
    self->m_current = saved;
    if (msg == WM_NCDESTROY) {
        if (!handled)
            result = previous ? ::CallWindowProcA(previous, hwnd, msg, wParam, lParam)
                              : ::DefWindowProcA(hwnd, msg, wParam, lParam);
        if (self->m_hWnd == hwnd) { // not when the handler has let the window go already
            self->UnsubclassWindow();
            self->OnFinalMessage(hwnd);
        }
        return result;
    }
    if (handled)
        return result;
    return previous ? ::CallWindowProcA(previous, hwnd, msg, wParam, lParam)
                    : ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---- dialogs ------------------------------------------------------------------------------

CDialogImpl::~CDialogImpl() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd) && !m_modal)
        ::DestroyWindow(m_hWnd);
}

void CDialogImpl::SetResourceModule(HINSTANCE module) { ResourceModuleSlot() = module; }

HINSTANCE CDialogImpl::ResourceModule() {
    return ResourceModuleSlot() != nullptr ? ResourceModuleSlot() : ::GetModuleHandleA(nullptr);
}

DLGPROC CDialogImpl::GetDialogProc() { return &CDialogImpl::DialogProc; }

INT_PTR CDialogImpl::DoModal(HWND parent, int templateId, LPARAM initParam) {
    if (m_hWnd != nullptr)
        return -1;
    m_modal = true;
    m_initParam = initParam;
    INT_PTR result = ::DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(templateId), parent, GetDialogProc(),
                                       reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return result;
}

HWND CDialogImpl::Create(HWND parent, int templateId, LPARAM initParam) {
    if (m_hWnd != nullptr)
        return nullptr;
    m_modal = false;
    m_initParam = initParam;
    return ::CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(templateId), parent, GetDialogProc(),
                                reinterpret_cast<LPARAM>(this));
}

BOOL CDialogImpl::EndDialog(INT_PTR result) {
    if (m_modal)
        return ::EndDialog(m_hWnd, result);
    return ::DestroyWindow(m_hWnd);
}

BOOL CDialogImpl::DestroyWindow() { return ::DestroyWindow(m_hWnd); }

INT_PTR CALLBACK CDialogImpl::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CDialogImpl*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        // The creation parameter is the object; the message map gets the caller's own value.
        self = reinterpret_cast<CDialogImpl*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        lParam = self->m_initParam;
        if (!self->m_modal)
            AddModelessDialog(hwnd);
    }
    if (self == nullptr)
        return FALSE; // messages before WM_INITDIALOG (WM_SETFONT): default handling
    LRESULT result = msg == WM_INITDIALOG ? TRUE : 0;
    const bool handled = self->ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
    if (msg == WM_NCDESTROY) {
        if (!self->m_modal)
            RemoveModelessDialog(hwnd);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(hwnd);
        return FALSE;
    }
    if (!handled)
        return msg == WM_INITDIALOG ? TRUE : FALSE;
    switch (msg) {
    // These answer through the procedure's own result, not DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

// ---- reflection ---------------------------------------------------------------------------

bool ReflectNotification(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lParam); // null for menus and accelerators: not reflected
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (wParam != 0) // 0: a menu item, which belongs to no control
            child = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (wParam != 0)
            child = ::GetDlgItem(parent, static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID));
        break;
    case WM_COMPAREITEM:
        if (wParam != 0)
            child = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        if (wParam != 0)
            child = reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(lParam);
        break;
    default:
        return false;
    }
    if (child == nullptr || !::IsWindow(child))
        return false;
    result = ::SendMessageA(child, OCM__BASE + msg, wParam, lParam);
    return true;
}

} // namespace qs
