// The progress dialog: its message handling and the operations the passes call from workers.
#include "app/SimpleProgressDlg.h"

#include "hostfn/Cancellation.h"
#include "resource.h"

#include <commctrl.h>

namespace qs {
namespace {

// Show and Hide change focus, activation and the owner's enabled state. Focus and activation
// belong to the thread that owns the windows, so a worker's call is carried out there by a
// synchronous send of one of these.
constexpr UINT kShowMessage = WM_APP + 0x101;
constexpr UINT kHideMessage = WM_APP + 0x102;

const DialogResizeEntry kResizeMap[] = {{IDC_PROGRESS_STATUS, DLSZ_SIZE_X}, {IDC_PROGRESS_BAR, DLSZ_SIZE_X}};

} // namespace

HWND CSimpleProgressDlg::Create(HWND parent) {
    return CDialogImpl::Create(parent, IDD_PROGRESS);
}

void CSimpleProgressDlg::Reset() {
    CancelledFlag().store(false);
    if (m_hWnd != nullptr) {
        ::SendMessageA(m_bar, PBM_SETPOS, 0, 0);
        ::SetWindowTextA(m_status, "");
    }
}

void CSimpleProgressDlg::Show(HWND owner) {
    if (m_hWnd != nullptr)
        ::SendMessageA(m_hWnd, kShowMessage, reinterpret_cast<WPARAM>(owner), 0);
}

void CSimpleProgressDlg::Hide() {
    if (m_hWnd != nullptr)
        ::SendMessageA(m_hWnd, kHideMessage, 0, 0);
}

void CSimpleProgressDlg::SetRange(int low, int high) {
    ::SendMessageA(m_bar, PBM_SETRANGE32, low, high);
}
void CSimpleProgressDlg::SetPos(int pos) {
    ::SendMessageA(m_bar, PBM_SETPOS, pos, 0);
}
void CSimpleProgressDlg::SetStep(int step) {
    ::SendMessageA(m_bar, PBM_SETSTEP, step, 0);
}
void CSimpleProgressDlg::StepIt() {
    ::SendMessageA(m_bar, PBM_STEPIT, 0, 0);
}
void CSimpleProgressDlg::SetStatusText(const char* text) {
    ::SetWindowTextA(m_status, text);
}
bool CSimpleProgressDlg::Cancelled() const {
    return IsCancelled();
}

void CSimpleProgressDlg::DoShow(HWND owner) {
    if (owner != nullptr)
        m_owner = owner;
    ::EnableWindow(GetDlgItem(IDCANCEL), TRUE);
    Reset();
    // Placed before it appears, so that it does not jump.
    CenterWindow(m_owner);
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetFocus(m_hWnd);
    ::SetForegroundWindow(m_hWnd);
    if (m_owner != nullptr)
        ::EnableWindow(m_owner, FALSE);
    ::UpdateWindow(m_hWnd);
}

void CSimpleProgressDlg::DoHide() {
    // The owner is enabled first, so that it is there to take the activation when the dialog goes.
    if (m_owner != nullptr) {
        ::EnableWindow(m_owner, TRUE);
        ::SetForegroundWindow(m_owner);
    }
    ::ShowWindow(m_hWnd, SW_HIDE);
}

bool CSimpleProgressDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        CenterWindow();
        m_dpi.Init(hwnd);
        InitResize(hwnd, kResizeMap, sizeof kResizeMap / sizeof kResizeMap[0], false, false);
        m_bar = GetDlgItem(IDC_PROGRESS_BAR);
        m_status = GetDlgItem(IDC_PROGRESS_STATUS);
        m_owner = ::GetParent(hwnd);
        Reset();
        result = TRUE;
        return true;
    case WM_COMMAND:
        // The button, Esc and the close box all arrive as IDCANCEL. The dialog stays: the worker
        // ends its pass after the plugin at hand and hides it.
        if (LOWORD(wParam) != IDCANCEL)
            return false;
        ::EnableWindow(GetDlgItem(IDCANCEL), FALSE);
        CancelledFlag().store(true);
        result = 0;
        return true;
    case kShowMessage:
        DoShow(reinterpret_cast<HWND>(wParam));
        result = 0;
        return true;
    case kHideMessage:
        DoHide();
        result = 0;
        return true;
    case WM_DESTROY:
        result = 0;
        return true;
    case WM_DPICHANGED: { // moved to a monitor of another scale
        const int before = m_dpi.Dpi();
        ScaleLayout(before, LOWORD(wParam));
        m_dpi.Apply(hwnd, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam), false);
        result = 0;
        return true;
    }
    default:
        return ProcessResizeMessage(hwnd, msg, wParam, lParam, result);
    }
}

void CSimpleProgressDlg::OnFinalMessage(HWND) {
    m_status = nullptr;
    m_bar = nullptr;
}

} // namespace qs
