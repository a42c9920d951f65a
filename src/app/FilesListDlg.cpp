// The files list's virtual rows, its layout and the copy to the clipboard.
#include "app/FilesListDlg.h"

#include "engine/FileNameText.h"
#include "framework/ByteSize.h"
#include "framework/Handle.h"
#include "resource.h"

#include <commctrl.h>

#include <cstring>

namespace qs {
namespace {

const DialogResizeEntry kResizeMap[] = {
    {IDC_FILES_SUMMARY, DLSZ_SIZE_X},
    {IDC_FILES_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y},
    {IDC_FILES_COPY, DLSZ_MOVE_X | DLSZ_MOVE_Y},
    {IDCANCEL, DLSZ_MOVE_X | DLSZ_MOVE_Y},
};

constexpr char kCtrlC = 3; // the character Ctrl+C types

constexpr const char* kClipboardBusyText =
    "Nothing was copied: another program is using the clipboard. Try again in a moment.";

} // namespace

std::string FilesSummaryText(const std::string& plugin, const std::vector<CListedFile>& files) {
    return plugin + ": " + std::to_string(files.size()) + (files.size() == 1 ? " item, " : " items, ") +
           FormatByteSize(ListedSize(files)) + " on drive";
}

bool PutTextOnClipboard(HWND owner, const std::wstring& text) {
    GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!block)
        return false;
    void* at = ::GlobalLock(block.Get());
    if (at == nullptr)
        return false;
    std::memcpy(at, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(block.Get());
    // Clipboard viewers and managers open the clipboard for a moment on every change, and only
    // one program may have it open: the copy tries again for a short while before it fails.
    bool open = false;
    for (int attempt = 0; attempt < 25 && !(open = ::OpenClipboard(owner) != FALSE); ++attempt)
        ::Sleep(20);
    if (!open)
        return false;
    ::EmptyClipboard();
    const bool put = ::SetClipboardData(CF_UNICODETEXT, block.Get()) != nullptr;
    ::CloseClipboard();
    // Once the clipboard has taken the memory, the system frees it: it is handed over here.
    if (put)
        block.Release();
    return put;
}

INT_PTR CFilesListDlg::DoModal(HWND owner) { return CDialogImpl::DoModal(owner, IDD_FILESLIST); }

void CFilesListDlg::OnInitDialog() {
    m_dpi.Init(m_hWnd);
    InitResize(m_hWnd, kResizeMap, sizeof kResizeMap / sizeof kResizeMap[0], true, true);
    CenterWindow(GetParent());
    ::SetDlgItemTextA(m_hWnd, IDC_FILES_SUMMARY, FilesSummaryText(m_plugin, m_files).c_str());

    HWND list = GetDlgItem(IDC_FILES_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list, &client);
    const int width = client.right - client.left - ::GetSystemMetrics(SM_CXVSCROLL);
    const struct {
        const char* title;
        int width;
        int format;
    } columns[] = {{"Path", width * 78 / 100, LVCFMT_LEFT}, {"Size On Drive", width * 22 / 100, LVCFMT_RIGHT}};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = const_cast<char*>(columns[i].title);
        column.cx = columns[i].width;
        column.fmt = columns[i].format;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    // The list asked how to notify while the dialog was being made, before this dialog could
    // answer: asked again now, it reads its rows in UTF-16 (paths with their real characters).
    ::SendMessageA(list, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(m_hWnd), NF_REQUERY);
    ::SendMessageA(list, LVM_SETITEMCOUNT, m_files.size(), 0);
    m_listKeys.SubclassWindow(list);
    ::SetFocus(list);
}

bool CFilesListDlg::OnGetDispInfo(NMHDR* header) {
    // Both forms: a list that kept asking in the code page gets the shown form of a path.
    const bool wide = header->code == LVN_GETDISPINFOW;
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
    LVITEMW& item = info->item;
    if ((item.mask & LVIF_TEXT) == 0 || item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= m_files.size())
        return true;
    const CListedFile& file = m_files[static_cast<std::size_t>(item.iItem)];
    if (item.iSubItem == 0) {
        m_wideCell = file.path;
        m_ansiCell = ShownFileName(file.path);
    } else {
        m_ansiCell = FormatByteSize(file.sizeOnDrive);
        m_wideCell.assign(m_ansiCell.begin(), m_ansiCell.end());
    }
    if (wide)
        item.pszText = const_cast<wchar_t*>(m_wideCell.c_str());
    else
        reinterpret_cast<NMLVDISPINFOA*>(header)->item.pszText = const_cast<char*>(m_ansiCell.c_str());
    return true;
}

std::wstring CFilesListDlg::CopyText() const {
    HWND list = GetDlgItem(IDC_FILES_LIST);
    std::vector<std::size_t> rows;
    for (int i = -1; (i = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
        rows.push_back(static_cast<std::size_t>(i));
    if (rows.empty())
        for (std::size_t i = 0; i < m_files.size(); ++i)
            rows.push_back(i);
    return ListedFilesText(m_files, rows);
}

bool CFilesListDlg::CCopyKey::ProcessWindowMessage(HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_CHAR || wParam != static_cast<WPARAM>(kCtrlC))
        return false;
    ::PostMessageA(GetParent(), WM_COMMAND, MAKEWPARAM(IDC_FILES_COPY, BN_CLICKED), 0);
    result = 0;
    return true;
}

bool CFilesListDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = FALSE; // the focus is set
        return true;
    case WM_DPICHANGED: // moved to a monitor of another scale
        ApplyDpiChange(m_hWnd, m_dpi, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        result = 0;
        return true;
    case WM_NOTIFYFORMAT:
        result = NFR_UNICODE;
        return true;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == IDC_FILES_LIST &&
            (header->code == LVN_GETDISPINFOW || header->code == LVN_GETDISPINFOA)) {
            OnGetDispInfo(header);
            result = 0;
            return true;
        }
        return false;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_FILES_COPY && HIWORD(wParam) == BN_CLICKED) {
            if (!PutTextOnClipboard(m_hWnd, CopyText())) {
                char caption[256] = {};
                ::GetWindowTextA(m_hWnd, caption, sizeof caption);
                ::MessageBoxA(m_hWnd, kClipboardBusyText, caption, MB_OK | MB_ICONWARNING);
            }
            result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            EndDialog(IDCANCEL);
            result = 0;
            return true;
        }
        return false;
    default:
        return ProcessResizeMessage(hwnd, msg, wParam, lParam, result);
    }
}

} // namespace qs
