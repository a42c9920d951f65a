// The main window's initialisation, commands, totals, pass hosting and destruction.
#include "app/MainDlg.h"

#include "app/AboutDlg.h"
#include "app/FileVersionInfo.h"
#include "app/FilesListDlg.h"
#include "app/KeepListDlg.h"
#include "app/MakerAddresses.h"
#include "app/OpenUrl.h"
#include "app/WarningText.h"
#include "controls/CheckBoxImages.h"
#include "engine/Winapp2Rows.h"
#include "framework/Dpi.h"
#include "framework/Handle.h"
#include "hostfn/Cancellation.h"
#include "resource.h"

#include <shellapi.h>

#include <memory>
#include <vector>

namespace qs {
namespace {

// How each control follows the growth of the client area.
const DialogResizeEntry kResizeMap[] = {
    {IDC_SCRIPTS_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y},
    {IDC_BEVEL_LOWER, DLSZ_SIZE_X | DLSZ_MOVE_Y},
    {IDC_STATUS, DLSZ_SIZE_X | DLSZ_MOVE_Y},
    {IDC_WEB_LINK, DLSZ_MOVE_X | DLSZ_MOVE_Y},
    {IDC_REFRESH, DLSZ_MOVE_Y},
    {IDC_SELECT, DLSZ_MOVE_Y},
    {IDC_HELP_BUTTON, DLSZ_MOVE_X | DLSZ_MOVE_Y},
    {IDC_CLEAN_SELECTED, DLSZ_MOVE_Y},
};

// Maximizes the window once more, after the dialog manager has restored it.
constexpr UINT kMaximizeAgain = WM_APP + 0x201;
// A files pass has handed over its listing: open its window.
constexpr UINT kOpenFilesList = WM_APP + 0x202;
// The settings file could not be read: say so once the window is up.
constexpr UINT kTellUnreadSettings = WM_APP + 0x203;

// A worker thread's procedure and the window that hosts it.
struct WorkerJob {
    CMainDlg* host;
    LPTHREAD_START_ROUTINE proc;
};

} // namespace

bool ApplySelectCommand(CScriptsListCtrl& list, UINT command) {
    if (command != ID_SELECT_ALL && command != ID_SELECT_NONE && command != ID_INVERT_SELECTION)
        return false;
    for (CScriptRow* row = list.GetRootItem()->firstChild; row != nullptr; row = row->nextSibling) {
        const std::uint32_t state = row->checkState;
        switch (command) {
        case ID_SELECT_ALL:
            if (state != kChecked)
                list.SetCheck(row, kChecked, true, true);
            break;
        case ID_SELECT_NONE:
            if (state != kUnchecked)
                list.SetCheck(row, kUnchecked, true, true);
            break;
        default: // partly checked and box-less rows are set to what they are, which changes nothing
            list.SetCheck(row, state == kChecked ? kUnchecked : state == kUnchecked ? kChecked : state, true, true);
            break;
        }
    }
    if (list.IsWindow())
        list.Invalidate(TRUE);
    return true;
}

std::string MainCaption(const std::string& productName, const std::string& fileVersion,
                        const std::string& companyName) {
    return productName + " " + fileVersion + " - " + companyName;
}

CMainDlg::CMainDlg(CSimpleProgressDlg& progress, CSettings& settings) : m_progress(progress), m_settings(settings) {
    m_vm.Open();
    // Before any script runs: every host call of every pass honours the keep list.
    m_scope.keptPaths = m_settings.KeptPaths();
    m_vm.SetHostScope(&m_scope);
}

// The rows (and their scripts) go before the machine they live on, and after the list that
// shows them: the members' order says so.
CMainDlg::~CMainDlg() = default;

INT_PTR CMainDlg::DoModal(HWND parent) { return CDialogImpl::DoModal(parent, IDD_MAINDLG); }

bool CMainDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    if (msg == WM_INITDIALOG) {
        OnInitDialog();
        result = TRUE;
        return true;
    }
    if (msg == WM_COMMAND && id == ID_APP_ABOUT) {
        CAboutDlg about;
        about.DoModal(::GetActiveWindow());
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && id == IDCANCEL) {
        // Closing frees the scripts, and a running pass is using them: a close request that
        // reaches the window during a pass (not from its own controls, which are disabled then)
        // cancels the pass (a script at work stops at its next hook check, a walk at its next
        // entry), and the window closes once the pass has ended.
        if (!PassRunning()) {
            EndDialog(IDCANCEL);
        } else {
            m_closeRequested.store(true);
            CancelledFlag().store(true);
            // The pass may have ended between the two looks, before its worker could see the
            // request.
            if (!PassRunning())
                EndDialog(IDCANCEL);
        }
        result = 0;
        return true;
    }
    if (msg == WM_DESTROY) {
        OnDestroy();
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && code == 0 && (id == ID_REFRESH_ALL || id == ID_REFRESH_SELECTED)) {
        StartRefreshPass(*this, id == ID_REFRESH_ALL ? kRunAllRows : kRunCheckedRows);
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && code == 0 && id == IDC_CLEAN_SELECTED) {
        // The only question the window asks: nothing is cleaned when the user declines.
        if (ConfirmClean())
            StartCleanPass(*this);
        result = 0;
        return true;
    }
    if (msg == WM_ROWMENU) {
        AppendRowCommands(reinterpret_cast<HMENU>(lParam));
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && code == 0 && id == ID_SHOW_FILES) {
        ShowFiles();
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && code == 0 && id == ID_KEEP_LIST) {
        EditKeepList();
        result = 0;
        return true;
    }
    if (msg == kOpenFilesList) {
        OpenFilesList();
        result = 0;
        return true;
    }
    if (msg == kTellUnreadSettings) {
        TellUnreadSettings();
        result = 0;
        return true;
    }
    if (msg == WM_ITEMFOCUSCHANGED) {
        WriteStatus();
        result = 0;
        return true;
    }
    if (msg == WM_ITEMCHECKCHANGING) {
        OnItemCheckChanging(reinterpret_cast<const CScriptRow*>(wParam), static_cast<std::uint32_t>(lParam));
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && code == 0 && ApplySelectCommand(m_list, id)) {
        result = 0;
        return true;
    }
    if (msg == WM_COMMAND && code == 0 && id == ID_HELP_ONLINE) {
        OpenUrl(kOnlineHelpAddress, SW_SHOWNORMAL);
        result = 0;
        return true;
    }
    if (msg == WM_DPICHANGED) {
        OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        result = 0;
        return true;
    }
    if (msg == WM_SETTINGCHANGE || msg == WM_SYSCOLORCHANGE) {
        // A high-contrast theme turned on or off: the list's colours and check boxes follow.
        OnThemeChanged();
        return false;
    }
    if (msg == WM_SYSCOMMAND) // the user moves, sizes or restores the window from here on
        m_holdMaximized = false;
    if (msg == WM_SIZE && wParam == SIZE_RESTORED && m_holdMaximized) {
        m_holdMaximized = false;
        PostMessage(kMaximizeAgain);
    }
    if (msg == kMaximizeAgain) {
        ::ShowWindow(m_hWnd, SW_SHOWMAXIMIZED);
        result = 0;
        return true;
    }
    if (ProcessResizeMessage(hwnd, msg, wParam, lParam, result))
        return true;
    return ReflectNotification(hwnd, msg, wParam, lParam, result);
}

void CMainDlg::OnInitDialog() {
    CenterWindow();
    m_dpi.Init(m_hWnd);
    InitResize(m_hWnd, kResizeMap, sizeof kResizeMap / sizeof kResizeMap[0], true, true);

    const HINSTANCE instance = ResourceModule();
    // Shared icons: the system keeps them for the life of the module.
    auto icon = [instance](int cx, int cy) {
        return ::LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, ::GetSystemMetrics(cx),
                            ::GetSystemMetrics(cy), LR_SHARED);
    };
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon(SM_CXICON, SM_CYICON)));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon(SM_CXSMICON, SM_CYSMICON)));

    CFileVersionInfo version;
    version.Create();
    ::SetWindowTextA(m_hWnd,
                     MainCaption(version.GetProductName(), version.GetFileVersion(), version.GetCompanyName()).c_str());

    m_webLink.SubclassWindow(GetDlgItem(IDC_WEB_LINK));
    m_webLink.SetHyperLink(kWebSiteAddress);
    m_webLink.SetOpener(&OpenUrl);

    InitScriptsList();

    m_line.SubclassWindow(GetDlgItem(IDC_BEVEL_LOWER));
    m_line.sunken = false;

    const struct {
        CButtonMenuCtrl& button;
        int id;
        int menu;
    } buttons[] = {{m_refreshButton, IDC_REFRESH, IDR_MENU_REFRESH},
                   {m_selectButton, IDC_SELECT, IDR_MENU_SELECT},
                   {m_helpButton, IDC_HELP_BUTTON, IDR_MENU_HELP}};
    for (const auto& b : buttons) {
        b.button.SubclassWindow(GetDlgItem(b.id));
        b.button.SetMenu(::LoadMenuA(instance, MAKEINTRESOURCEA(b.menu)), true);
    }

    SendMessage(WM_ITEMCHECKCHANGING, 0, 0);
    LoadScripts(m_vm, m_rows, m_settings);
    // The rule files beside the program: the community's file, and its file of consequential
    // entries, each of which carries a warning.
    AddWinapp2Rows(m_vm, m_rows, m_settings, Winapp2BesideProgram("winapp2.ini"), false);
    AddWinapp2Rows(m_vm, m_rows, m_settings, Winapp2BesideProgram("winapp3.ini"), true);
    RemoveEmptyCategories(m_rows);
    m_progress.Create(m_hWnd);
    m_progress.Hide();
    SendMessage(WM_COMMAND, MAKEWPARAM(ID_REFRESH_ALL, 0), 0);
    ApplyPlacement();
    // Told once the first pass has ended (WorkerMain): the window stands shown and measured, and
    // the progress window, whose hiding gives the main window the activation back, has gone.
    m_tellUnreadSettings.store(m_settings.KeepListUnknown());
}

void CMainDlg::InitScriptsList() {
    m_list.SubclassWindow(GetDlgItem(IDC_SCRIPTS_LIST));
    const RECT client = m_list.GetClientRect();
    const int width = client.right - client.left;
    m_list.InsertColumn(0, ::MulDiv(width, 56, 100), "Name");
    m_list.InsertColumn(1, ::MulDiv(width, 22, 100), "Size On Drive");
    m_list.InsertColumn(2, ::MulDiv(width, 16, 100), "Files");

    // The system's small-icon list: the icon indexes that scripts get from the shell index it.
    SHFILEINFOA info{};
    m_systemImages = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    int cx = 0, cy = 0;
    if (m_systemImages != nullptr)
        ImageList_GetIconSize(m_systemImages, &cx, &cy);
    m_list.SetItemImages(m_systemImages, cx, cy);
    MakeCheckImages(m_list.Dpi());
    // The row height follows the icons and boxes too, which are taller than the text at some
    // scales.
    m_list.SendMessage(WM_WININICHANGE);
    m_list.SetFirstColumnFills(true);
}

void CMainDlg::MakeCheckImages(int dpi) {
    // Blank, unchecked, checked, partly checked, at the list's scale.
    const int size = Scale{dpi}(tlx::kCheckBoxSize);
    m_checkImages = MakeCheckBoxImages(size, CheckBoxColoursFor(HighContrastOn()));
    m_list.SetStateImages(m_checkImages.Get(), m_checkImages ? size : 0, m_checkImages ? size : 0);
}

void CMainDlg::OnDpiChanged(int dpi, const RECT* suggested) {
    const int before = m_dpi.Dpi();
    if (dpi <= 0 || dpi == before)
        return;
    // The list and buttons first, so that the resize that follows lays out scaled columns.
    MakeCheckImages(dpi);
    m_list.ApplyDpi(dpi);
    for (CButtonMenuCtrl* button : {&m_refreshButton, &m_selectButton, &m_helpButton})
        button->ApplyDpi(dpi);
    ScaleLayout(before, dpi);
    m_dpi.Apply(m_hWnd, dpi, suggested, false);
    // Without a suggestion (a window that did not move) the layout is made for the same size.
    RECT client = GetClientRect();
    UpdateLayout(client.right - client.left, client.bottom - client.top);
    // Controls crossed each other's places on the way: everything is drawn again once placed.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CMainDlg::OnThemeChanged() {
    if (!m_list.IsWindow())
        return;
    MakeCheckImages(m_list.Dpi());
    m_list.SendMessage(WM_WININICHANGE);
}

void CMainDlg::ApplyPlacement() {
    const CPlacementAction action = PlacementToApply(m_settings);
    switch (action.kind) {
    case CPlacementAction::kShowMaximized:
        ::ShowWindow(m_hWnd, SW_SHOWMAXIMIZED);
        // Wine's modal loop shows the dialog with SW_SHOWNORMAL when its queue first runs empty,
        // visible or not, which restores it: the first restore that the user did not ask for
        // (through the system menu) is undone.
        m_holdMaximized = true;
        break;
    case CPlacementAction::kMoveAndShow:
        ::SetWindowPos(m_hWnd, nullptr, action.x, action.y, action.width, action.height, SWP_SHOWWINDOW);
        break;
    case CPlacementAction::kStay:
        break;
    case CPlacementAction::kCentre:
        CenterWindow();
        break;
    }
}

void CMainDlg::OnDestroy() {
    StorePlacement(m_settings, ::IsIconic(m_hWnd) != FALSE, GetWindowRect(), ::IsZoomed(m_hWnd) != FALSE);
    m_settings.ClearSelected();
    StoreCheckedNames(m_rows.GetRootItem(), m_settings);
    m_list.SetItemImages(nullptr, 0, 0);
    m_systemImages = nullptr;
}

void CMainDlg::OnItemCheckChanging(const CScriptRow* row, std::uint32_t newState) {
    if (m_totals.OnItemCheckChanging(m_rows.GetRootItem(), row, newState))
        WriteStatus();
}

void CMainDlg::WriteStatus() {
    const CScriptRow* focus = m_list.IsWindow() ? m_list.GetFocusItem() : nullptr;
    if (focus != nullptr && focus->userData != nullptr && !focus->userData->Warning().empty())
        ::SetDlgItemTextA(m_hWnd, IDC_STATUS, WarningStatusText(focus->userData->Warning()).c_str());
    else
        WriteSelectionStatus(m_hWnd, m_totals, SkippedJobs());
}

bool CMainDlg::ConfirmClean() {
    // Nothing checked cleans nothing: there is nothing to ask about.
    if (RowsToClean(*m_rows.GetRootItem()).empty())
        return true;
    std::vector<CWarnedJob> jobs;
    for (const CScriptRow* row : WarnedRowsToClean(*m_rows.GetRootItem()))
        jobs.push_back({row->userData->Name(), row->userData->Warning()});
    // Without the keep list of an unreadable file, a clean could remove what the user kept.
    const std::string unread = m_settings.KeepListUnknown() ? m_settings.Path() : std::string();
    if (jobs.empty() && unread.empty())
        return true;
    return ::MessageBoxA(m_hWnd, CleanQuestionText(jobs, unread).c_str(), Caption().c_str(),
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void CMainDlg::TellUnreadSettings() {
    // A modal dialog shows itself only once its queue first runs empty, which this notice's own
    // loop would hold off until it is answered: the window comes first, so that the notice stands
    // over it. Nothing was read to place it by, so it is shown where it was centred.
    if (!::IsWindowVisible(m_hWnd))
        ::ShowWindow(m_hWnd, SW_SHOW);
    const std::string text = UnreadSettingsText(m_settings.Path(), SettingsReadProblem(m_settings.ReadResult()),
                                                m_settings.SetAsidePath());
    ::MessageBoxA(m_hWnd, text.c_str(), Caption().c_str(), MB_OK | MB_ICONWARNING);
}

std::string CMainDlg::Caption() const {
    char caption[256] = {};
    ::GetWindowTextA(m_hWnd, caption, sizeof caption);
    return caption;
}

void CMainDlg::AppendRowCommands(HMENU menu) {
    const CScriptRow* focus = m_list.GetFocusItem();
    const bool plugin = focus != nullptr && !focus->isGroup && focus->userData != nullptr;
    const UINT idle = PassRunning() ? MF_GRAYED : MF_ENABLED;
    if (::GetMenuItemCount(menu) > 0)
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING | (plugin ? idle : MF_GRAYED), ID_SHOW_FILES, "Show &files...");
    ::AppendMenuA(menu, MF_STRING | idle, ID_KEEP_LIST, "&Keep List...");
}

void CMainDlg::ShowFiles() {
    CScriptRow* focus = m_list.GetFocusItem();
    if (focus != nullptr)
        StartFilesPass(*this, *focus);
}

void CMainDlg::OnFilesListed(const CScriptRow& row, std::vector<CListedFile> files, bool cancelled) {
    // A cancelled listing is incomplete: nothing is shown.
    if (cancelled)
        return;
    {
        const std::lock_guard<std::mutex> hold(m_listedLock);
        m_listedPlugin = row.userData->Name();
        m_listed = std::move(files);
    }
    PostMessage(kOpenFilesList);
}

void CMainDlg::OpenFilesList() {
    std::string plugin;
    std::vector<CListedFile> files;
    {
        const std::lock_guard<std::mutex> hold(m_listedLock);
        plugin.swap(m_listedPlugin);
        files.swap(m_listed);
    }
    CFilesListDlg list(std::move(plugin), std::move(files));
    list.DoModal(m_hWnd);
}

void CMainDlg::EditKeepList() {
    // The passes read the scope: it changes only between them.
    if (PassRunning())
        return;
    CKeepListDlg dialog(m_settings.KeptPaths());
    if (dialog.DoModal(m_hWnd) != IDOK || dialog.Paths() == m_settings.KeptPaths())
        return;
    m_settings.SetKeptPaths(dialog.Paths());
    m_scope.keptPaths = dialog.Paths();
    if (!m_settings.Save()) {
        const std::string text = "The keep list applies from now on, but it could not be saved to the settings "
                                 "file; it is tried again when Quillsweep closes:\r\n\r\n" +
                                 (m_settings.Path().empty() ? std::string("(no settings file)") : m_settings.Path());
        ::MessageBoxA(m_hWnd, text.c_str(), "Keep List", MB_OK | MB_ICONWARNING);
    }
    // The figures shown counted what is kept now, or left out what is not any more.
    StartRefreshPass(*this, kRunAllRows);
}

void CMainDlg::EnableCommandButtons(bool enable) {
    if (enable) {
        // Left to the end of the worker (WorkerMain): the pass still counts as running here.
        m_enablePending.store(true);
        return;
    }
    m_enablePending.store(false);
    EnableCommandButtonsOf(m_hWnd, false);
}

void CMainDlg::ProgressReset() {
    m_progress.Reset();
    // A clean hands over to a refresh, whose start clears the cancellation: a close request
    // made during the clean cancels that refresh as well.
    if (m_closeRequested.load())
        CancelledFlag().store(true);
}

void CMainDlg::RepaintList() { ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE); }

void CMainDlg::RequestRecount() { ::SendMessageA(m_hWnd, WM_ITEMCHECKCHANGING, 0, 0); }

bool CMainDlg::StartWorker(LPTHREAD_START_ROUTINE proc) {
    auto job = std::make_unique<WorkerJob>(WorkerJob{this, proc});
    HANDLE thread = ::CreateThread(nullptr, 0, &CMainDlg::WorkerMain, job.get(), 0, nullptr);
    if (thread == nullptr)
        return false;
    job.release();         // the worker's now
    ::CloseHandle(thread); // nobody waits for a worker
    return true;
}

DWORD WINAPI CMainDlg::WorkerMain(LPVOID param) {
    std::unique_ptr<WorkerJob> job(static_cast<WorkerJob*>(param));
    CMainDlg& host = *job->host;
    const DWORD result = job->proc(static_cast<CPassHost*>(&host));
    // The pass has ended (a clean pass hands over to its refresh, which asks for the buttons):
    // only now may a click start the next one.
    // A clean worker ends after handing over; its refresh may still be running then, and keeps
    // the request for its own end.
    if (!host.PassRunning() && host.m_enablePending.exchange(false))
        EnableCommandButtonsOf(host.m_hWnd, true);
    if (!host.PassRunning() && host.m_closeRequested.load())
        ::PostMessageA(host.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    else if (!host.PassRunning() && host.m_tellUnreadSettings.exchange(false))
        ::PostMessageA(host.m_hWnd, kTellUnreadSettings, 0, 0);
    return result;
}

} // namespace qs
