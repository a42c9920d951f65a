// The progress dialog shown in front of the main window while a pass runs: status line, bar and
// a one-shot Cancel. Every operation may be called from any thread.
#pragma once

#include "framework/DialogDpi.h"
#include "framework/DialogResize.h"
#include "framework/Window.h"

namespace qs {

class CSimpleProgressDlg : public CDialogImpl, public CDialogResize {
public:
    CSimpleProgressDlg() = default;

    // Creates the dialog modeless and hidden from its template, owned by `parent`.
    HWND Create(HWND parent);

    // Clears the cancellation; when the window exists, also the bar's position and the status line.
    void Reset();
    // Remembers `owner` when given; enables Cancel, resets, shows and centres the dialog over the
    // owner, activates it and disables the owner.
    void Show(HWND owner = nullptr);
    // Enables the owner, brings it to the front and hides the dialog.
    void Hide();

    void SetRange(int low, int high);
    void SetPos(int pos);
    void SetStep(int step);
    void StepIt();
    void SetStatusText(const char* text);

    // Set by Cancel (the button, Esc or the close box), cleared by Reset.
    bool Cancelled() const;

    HWND StatusLine() const { return m_status; }
    HWND ProgressBar() const { return m_bar; }
    HWND Owner() const { return m_owner; }

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnFinalMessage(HWND) override;

private:
    void DoShow(HWND owner);
    void DoHide();

    HWND m_owner = nullptr;
    HWND m_status = nullptr;
    HWND m_bar = nullptr;
    CDialogDpi m_dpi; // the scale the dialog is laid out for
};

} // namespace qs
