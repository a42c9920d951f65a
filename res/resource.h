// Identifiers of the executable's resources: dialogs, controls, menus, commands, images.
#pragma once

// Dialog templates
#define IDD_MAINDLG 129
#define IDD_PROGRESS 203
#define IDD_ABOUTBOX 259
#define IDD_KEEPLIST 260
#define IDD_FILESLIST 261

// Icon, bitmap and menus
#define IDR_MAINFRAME 128
#define IDB_CHECKBOXES 201
#define IDR_MENU_REFRESH 202
#define IDR_MENU_SELECT 203
#define IDR_MENU_HELP 204

// Controls
#define IDC_SCRIPTS_LIST 1000
#define IDC_REFRESH 1001
#define IDC_PROGRESS_STATUS 1002
#define IDC_CLEAN_SELECTED 1003
#define IDC_STATUS 1004
#define IDC_SELECT 1005
#define IDC_HELP_BUTTON 1006
#define IDC_PROGRESS_BAR 1011
#define IDC_BEVEL_LOWER 1025
#define IDC_BEVEL_UPPER 1026
#define IDC_MINI_HTML 1028
#define IDC_WEB_LINK 1035
#define IDC_MAIL_LINK 1036
#define IDC_KEEP_LIST 1040
#define IDC_KEEP_PATH 1041
#define IDC_KEEP_ADD 1042
#define IDC_KEEP_ADD_FOLDER 1043
#define IDC_KEEP_ADD_FILE 1044
#define IDC_KEEP_REMOVE 1045
#define IDC_KEEP_NOTE 1046
#define IDC_FILES_SUMMARY 1050
#define IDC_FILES_LIST 1051
#define IDC_FILES_COPY 1052

// Commands
#define ID_REFRESH_ALL 32774
#define ID_REFRESH_SELECTED 32775
#define ID_SELECT_ALL 32777
#define ID_SELECT_NONE 32778
#define ID_INVERT_SELECTION 32779
#define ID_KEEP_LIST 32780
#define ID_SHOW_FILES 32781
#define ID_APP_ABOUT 57664
#define ID_HELP_ONLINE 57670

// Private window messages: WM_ITEMCHECKCHANGING (WM_USER + 567) is defined beside the control that
// sends it, in src/controls/FilesTreeCtrl.h.
