// The main window: the scripts list with its totals, the Refresh / Select / Clean Selected / Help
// commands, and the host of the refresh and clean passes.
#pragma once

#include "app/PassHost.h"
#include "app/Placement.h"
#include "app/ScriptsListCtrl.h"
#include "app/SimpleProgressDlg.h"
#include "controls/BevelLine.h"
#include "controls/ButtonMenuCtrl.h"
#include "controls/HyperLinkEx.h"
#include "engine/Catalogue.h"
#include "engine/HostScope.h"
#include "engine/LuaVirtualMachine.h"
#include "engine/Passes.h"
#include "framework/CommonControls.h"
#include "framework/DialogDpi.h"
#include "framework/DialogResize.h"
#include "framework/Window.h"

#include <commctrl.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace qs {

// The select commands act on the top-level rows only; the rows below follow through the list's
// propagation of check states. Select All checks every row that is not checked, Select None
// unchecks every row that is not unchecked, Invert Selection swaps checked and unchecked and
// leaves any other state as it is. Every change goes through SetCheck, so the parent window hears
// each row change. Answers false for any other command.
bool ApplySelectCommand(CScriptsListCtrl& list, UINT command);

// "<ProductName> <FileVersion> - <CompanyName>".
std::string MainCaption(const std::string& productName, const std::string& fileVersion, const std::string& companyName);

class CMainDlg : public CDialogImpl, public CDialogResize, public CPassHost {
public:
    // The progress dialog and the settings belong to the caller and outlive this object;
    // neither is touched before the window is created. Opens the script machine.
    CMainDlg(CSimpleProgressDlg& progress, CSettings& settings);
    ~CMainDlg() override;
    CMainDlg(const CMainDlg&) = delete;
    CMainDlg& operator=(const CMainDlg&) = delete;

    using CDialogImpl::DoModal;
    // Runs the window modally from template 129; answers 2 after a normal close, -1 when the
    // window could not be created.
    INT_PTR DoModal(HWND parent);

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    CScriptsListCtrl& List() { return m_list; }
    CScriptsModel& Rows() { return m_rows; }
    const CSelectionTotals& Totals() const { return m_totals; }
    CLuaVirtualMachine& Machine() { return m_vm; }

    // ---- the pass host (called from the workers) ----
    CScriptRow* GetRootItem() override { return m_rows.GetRootItem(); }
    int RunMode() const override { return m_runMode.load(); }
    void SetRunMode(int mode) override { m_runMode.store(mode); }
    void EnableCommandButtons(bool enable) override;
    void ProgressReset() override;
    void ProgressSetRange(int low, int high) override { m_progress.SetRange(low, high); }
    void ProgressSetPos(int pos) override { m_progress.SetPos(pos); }
    void ProgressSetStep(int step) override { m_progress.SetStep(step); }
    void ProgressShow() override { m_progress.Show(m_hWnd); }
    void ProgressStepIt() override { m_progress.StepIt(); }
    void ProgressHide() override { m_progress.Hide(); }
    void ProgressSetStatusText(const char* text) override { m_progress.SetStatusText(text); }
    void RepaintList() override;
    void RequestRecount() override;
    CSelectionStore& StoredSelection() override { return m_settings; }
    bool StartWorker(LPTHREAD_START_ROUTINE proc) override;
    void OnFilesListed(const CScriptRow& row, std::vector<CListedFile> files, bool cancelled) override;

    // What the host calls of every script honour: the keep list of the settings.
    const CHostScope& Scope() const { return m_scope; }

private:
    void OnInitDialog();
    void OnDestroy();
    void OnItemCheckChanging(const CScriptRow* row, std::uint32_t newState);
    // The totals, or the warning of the focused row while it has one.
    void WriteStatus();
    // Asks once when jobs that Clean Selected would clean have warnings, or when the keep list
    // is not known (the settings file could not be read); true to clean.
    bool ConfirmClean();
    // The notice at start-up of a settings file that could not be read, and where it is kept.
    void TellUnreadSettings();
    std::string Caption() const;
    void InitScriptsList();
    // WM_ROWMENU: Show files... and Keep List... after the list's own commands for the row.
    void AppendRowCommands(HMENU menu);
    // Show files... on the focused row, when it is a plugin and no pass runs.
    void ShowFiles();
    // Opens the keep list; a changed list is saved and the rows measured again without it.
    void EditKeepList();
    // The listing handed over by the last files pass, shown in its window.
    void OpenFilesList();
    // The check-box images for `dpi` in the current theme, handed to the list.
    void MakeCheckImages(int dpi);
    // WM_DPICHANGED: the list, the buttons, the fonts and the layout for the new scale.
    void OnDpiChanged(int dpi, const RECT* suggested);
    void OnThemeChanged();
    void ApplyPlacement();
    static DWORD WINAPI WorkerMain(LPVOID job);

    CSimpleProgressDlg& m_progress;
    CSettings& m_settings;

    CButtonMenuCtrl m_refreshButton;     // 1001, menu 202
    CButtonMenuCtrl m_selectButton;      // 1005, menu 203
    CButtonMenuCtrl m_helpButton;        // 1006, menu 204
    CSelectionTotals m_totals;           // size and count of the checked plugin rows
    CBevelLine m_line;                   // 1025
    CHyperLinkEx m_webLink;              // 1035
    CHostScope m_scope;                  // the keep list the host honours; outlives the machine
    CLuaVirtualMachine m_vm;             // shared by every script; outlives the rows
    CScriptsModel m_rows;                // the rows and their scripts; outlive the list
    CScriptsListCtrl m_list{m_rows};     // 1000
    HIMAGELIST m_systemImages = nullptr; // the system's small icons: shared, never destroyed
    ImageList m_checkImages;             // drawn for the list's scale
    CDialogDpi m_dpi;                    // the scale the window is laid out for
    std::atomic<int> m_runMode{kRunAllRows};
    bool m_holdMaximized = false; // opened maximized, and no restore of the user's own yet
    // Set by a pass that asks for the buttons back; they come back once its worker is done, so
    // that an enabled button always finds the pass over and starts a new one.
    std::atomic<bool> m_enablePending{false};
    // A close request came during a pass: the pass is cancelled and the window closes after it.
    std::atomic<bool> m_closeRequested{false};
    // The settings file could not be read: the notice is due once the first pass has ended.
    std::atomic<bool> m_tellUnreadSettings{false};
    // A files pass's listing, handed from its worker to the window's thread.
    std::mutex m_listedLock;
    std::string m_listedPlugin;
    std::vector<CListedFile> m_listed;
};

} // namespace qs
