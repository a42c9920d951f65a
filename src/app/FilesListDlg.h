// The list of files that one plugin's measurement counts: path and size on drive per row,
// resizable, with the rows copied as tab-separated text (Ctrl+C or Copy).
#pragma once

#include "engine/FileListing.h"
#include "framework/DialogDpi.h"
#include "framework/DialogResize.h"
#include "framework/Window.h"

#include <string>
#include <vector>

namespace qs {

// "<plugin>: <count> items, <size> on drive" over a listing (folders that a measurement counts
// are items too).
std::string FilesSummaryText(const std::string& plugin, const std::vector<CListedFile>& files);

// Puts UTF-16 text on the clipboard; false when the clipboard could not be had.
bool PutTextOnClipboard(HWND owner, const std::wstring& text);

class CFilesListDlg : public CDialogImpl, public CDialogResize {
public:
    CFilesListDlg(std::string plugin, std::vector<CListedFile> files)
        : m_plugin(std::move(plugin)), m_files(std::move(files)) {}

    using CDialogImpl::DoModal;
    INT_PTR DoModal(HWND owner);

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The selected rows as the clipboard gets them: every row while none is selected.
    std::wstring CopyText() const;

private:
    // Ctrl+C in the list: the character it types (ETX) asks the dialog to copy.
    class CCopyKey : public CWindowImpl {
    public:
        bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    };

    void OnInitDialog();
    bool OnGetDispInfo(NMHDR* header);

    std::string m_plugin;
    std::vector<CListedFile> m_files;
    std::string m_ansiCell;   // the text a list asking in the code page reads, kept until it asks again
    std::wstring m_wideCell;  // the same for a list asking in UTF-16
    CCopyKey m_listKeys;
    CDialogDpi m_dpi; // the scale the dialog is laid out for
};

} // namespace qs
