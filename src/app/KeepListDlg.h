// The keep-list dialog: view the kept files and folders, add one typed (macros allowed) or
// picked with the folder or file browser, remove the selected ones.
#pragma once

#include "framework/DialogDpi.h"
#include "framework/DialogResize.h"
#include "framework/Window.h"

#include <string>
#include <vector>

namespace qs {

// A picked path in the code page, the form every keep-list entry takes; false when the code page
// lacks one of its characters (the path is then not kept, rather than a look-alike of it).
bool KeepPathFromPicked(const std::wstring& picked, std::string& path);

class CKeepListDlg : public CDialogImpl, public CDialogResize {
public:
    explicit CKeepListDlg(std::vector<std::string> kept) : m_kept(std::move(kept)) {}

    using CDialogImpl::DoModal;
    // Runs the dialog over `owner`; answers IDOK (Paths() holds the list as edited) or IDCANCEL.
    INT_PTR DoModal(HWND owner);

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    const std::vector<std::string>& Paths() const { return m_kept; }

private:
    void OnInitDialog();
    void Fill();
    void Add(const std::string& path);
    void AddTyped();
    void AddPicked(bool folder);
    void RemoveSelected();
    void Refuse(const std::wstring& picked);

    std::vector<std::string> m_kept;
    CDialogDpi m_dpi; // the scale the dialog is laid out for
};

} // namespace qs
