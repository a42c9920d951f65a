// The keep-list dialog's list, browsers and commands.
#include "app/KeepListDlg.h"

#include "engine/Settings.h"
#include "framework/Handle.h"
#include "hostfn/AnsiText.h"
#include "resource.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

namespace qs {
namespace {

const DialogResizeEntry kResizeMap[] = {
    {IDC_KEEP_NOTE, DLSZ_SIZE_X},
    {IDC_KEEP_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y},
    {IDC_KEEP_ADD_FOLDER, DLSZ_MOVE_X},
    {IDC_KEEP_ADD_FILE, DLSZ_MOVE_X},
    {IDC_KEEP_REMOVE, DLSZ_MOVE_X},
    {IDC_KEEP_PATH, DLSZ_SIZE_X | DLSZ_MOVE_Y},
    {IDC_KEEP_ADD, DLSZ_MOVE_X | DLSZ_MOVE_Y},
    {IDOK, DLSZ_MOVE_X | DLSZ_MOVE_Y},
    {IDCANCEL, DLSZ_MOVE_X | DLSZ_MOVE_Y},
};

// Memory the shell allocates for its caller (the folder browser's item list).
struct ShellMemoryTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::CoTaskMemFree(h); }
};
using ShellMemory = UniqueHandle<ShellMemoryTraits>;

// The folder browser's choice as a path; empty when the user cancelled or it names no folder
// of the file system.
std::wstring PickFolder(HWND owner) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = L"Choose a folder to keep: nothing in it is measured, cleaned or wiped.";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const ShellMemory chosen(::SHBrowseForFolderW(&info));
    if (!chosen)
        return std::wstring();
    // A kept path fits in MAX_PATH (the host functions take no longer one).
    wchar_t path[MAX_PATH] = L"";
    if (!::SHGetPathFromIDListW(static_cast<LPCITEMIDLIST>(chosen.Get()), path))
        return std::wstring();
    return path;
}

// The file browser's choice; empty when the user cancelled.
std::wstring PickFile(HWND owner) {
    std::wstring path(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"All files\0*.*\0";
    ofn.lpstrFile = &path[0];
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.lpstrTitle = L"Choose a file to keep";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!::GetOpenFileNameW(&ofn))
        return std::wstring();
    path.resize(std::wcslen(path.c_str()));
    return path;
}

} // namespace

bool KeepPathFromPicked(const std::wstring& picked, std::string& path) {
    return !picked.empty() && ExactAnsiFromWide(picked, path);
}

INT_PTR CKeepListDlg::DoModal(HWND owner) { return CDialogImpl::DoModal(owner, IDD_KEEPLIST); }

void CKeepListDlg::OnInitDialog() {
    CenterWindow(GetParent());
    m_dpi.Init(m_hWnd);
    InitResize(m_hWnd, kResizeMap, sizeof kResizeMap / sizeof kResizeMap[0], true, true);
    Fill();
}

void CKeepListDlg::Fill() {
    HWND list = GetDlgItem(IDC_KEEP_LIST);
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    HDC dc = ::GetDC(list);
    int widest = 0;
    {
        const SelectObjectScope font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(list, WM_GETFONT, 0, 0)));
        for (const std::string& path : m_kept) {
            ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
            SIZE extent{};
            ::GetTextExtentPoint32A(dc, path.c_str(), static_cast<int>(path.size()), &extent);
            widest = std::max<int>(widest, extent.cx);
        }
    }
    ::ReleaseDC(list, dc);
    // A long path scrolls sideways rather than being cut.
    ::SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    ::EnableWindow(GetDlgItem(IDC_KEEP_REMOVE), m_kept.empty() ? FALSE : TRUE);
}

void CKeepListDlg::Add(const std::string& path) {
    const std::string problem = KeptPathProblem(path);
    if (!problem.empty()) {
        // A path that keeps nothing is not taken: the list shows only what protects something.
        const std::string text = "This path cannot be kept: " + problem + ".\r\n\r\n" + path;
        ::MessageBoxA(m_hWnd, text.c_str(), "Keep List", MB_OK | MB_ICONWARNING);
        return;
    }
    if (AddKeptPath(m_kept, path))
        Fill();
    // The new (or the already kept) path is shown selected.
    HWND list = GetDlgItem(IDC_KEEP_LIST);
    ::SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (std::size_t i = 0; i < m_kept.size(); ++i)
        if (CompareSelectedNames(m_kept[i], path) == 0)
            ::SendMessageA(list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
}

void CKeepListDlg::AddTyped() {
    HWND edit = GetDlgItem(IDC_KEEP_PATH);
    const int length = ::GetWindowTextLengthW(edit);
    std::wstring typed(static_cast<std::size_t>(length) + 1, L'\0');
    typed.resize(static_cast<std::size_t>(::GetWindowTextW(edit, &typed[0], length + 1)));
    if (typed.empty())
        return;
    std::string path;
    if (!KeepPathFromPicked(typed, path)) {
        Refuse(typed);
        return;
    }
    Add(path);
    ::SetWindowTextA(edit, "");
}

void CKeepListDlg::AddPicked(bool folder) {
    const std::wstring picked = folder ? PickFolder(m_hWnd) : PickFile(m_hWnd);
    if (picked.empty())
        return;
    std::string path;
    if (KeepPathFromPicked(picked, path))
        Add(path);
    else
        Refuse(picked);
}

void CKeepListDlg::RemoveSelected() {
    HWND list = GetDlgItem(IDC_KEEP_LIST);
    std::vector<std::string> left;
    for (std::size_t i = 0; i < m_kept.size(); ++i)
        if (::SendMessageA(list, LB_GETSEL, i, 0) <= 0)
            left.push_back(m_kept[i]);
    m_kept.swap(left);
    Fill();
}

// Paths are kept in the code page, like every text a script gives the host: a path that the
// code page cannot hold is refused rather than turned into a look-alike that names another file.
void CKeepListDlg::Refuse(const std::wstring& picked) {
    const std::wstring text = L"This path holds characters that the system's code page lacks, so it cannot be "
                              L"kept:\r\n\r\n" +
                              picked + L"\r\n\r\nKeep a folder above it instead.";
    ::MessageBoxW(m_hWnd, text.c_str(), L"Keep List", MB_OK | MB_ICONWARNING);
}

bool CKeepListDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_INITDIALOG) {
        OnInitDialog();
        result = TRUE;
        return true;
    }
    if (msg == WM_DPICHANGED) { // moved to a monitor of another scale
        ApplyDpiChange(m_hWnd, m_dpi, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK:
            // Enter in the path box adds what it holds instead of closing the dialog.
            if (::GetFocus() == GetDlgItem(IDC_KEEP_PATH) && ::GetWindowTextLengthW(GetDlgItem(IDC_KEEP_PATH)) > 0) {
                AddTyped();
                break;
            }
            EndDialog(IDOK);
            break;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            break;
        case IDC_KEEP_ADD:
            AddTyped();
            break;
        case IDC_KEEP_ADD_FOLDER:
            AddPicked(true);
            break;
        case IDC_KEEP_ADD_FILE:
            AddPicked(false);
            break;
        case IDC_KEEP_REMOVE:
            RemoveSelected();
            break;
        default:
            return false;
        }
        result = 0;
        return true;
    }
    return ProcessResizeMessage(hwnd, msg, wParam, lParam, result);
}

} // namespace qs
