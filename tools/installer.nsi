; The Quillsweep installer: puts the distributable folder into the user's own programs folder,
; adds Start menu entries and an uninstaller. Built by tools/package.sh:
;   makensis -DVERSION=<x.y.z.w> -DDIST=<build>/dist/Quillsweep -DICON=res/quillsweep.ico
;            -DOUT=<setup.exe> tools/installer.nsi
; Per user, without elevation: Quillsweep writes settings.xml beside its executable, which a
; standard user cannot do under Program Files.
; A 64-bit installer for a 64-bit program (and one that Wine without its 32-bit part runs).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

Name "Quillsweep"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Quillsweep"
InstallDirRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillsweep" "InstallLocation"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Quillsweep"
VIAddVersionKey /LANG=1033 "CompanyName" "Kestrilo"
VIAddVersionKey /LANG=1033 "FileDescription" "Quillsweep installer"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 Kestrilo"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillsweep.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillsweep"

Section "Quillsweep"
    SetOutPath "$INSTDIR"
    File "${DIST}\Quillsweep.exe"
    File "${DIST}\QuillsweepCmd.exe"
    File "${DIST}\README.md"
    File /r "${DIST}\docs"
    ; The shipped plugins are replaced as a whole; settings.xml stays.
    RMDir /r "$INSTDIR\scripts"
    File /r "${DIST}\scripts"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    CreateDirectory "$SMPROGRAMS\Quillsweep"
    CreateShortcut "$SMPROGRAMS\Quillsweep\Quillsweep.lnk" "$INSTDIR\Quillsweep.exe"
    CreateShortcut "$SMPROGRAMS\Quillsweep\Uninstall Quillsweep.lnk" "$INSTDIR\Uninstall.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillsweep"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Kestrilo"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillsweep.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\Quillsweep.exe"
    Delete "$INSTDIR\QuillsweepCmd.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\settings.xml"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir /r "$INSTDIR\docs"
    RMDir /r "$INSTDIR\scripts"
    RMDir "$INSTDIR"
    RMDir /r "$SMPROGRAMS\Quillsweep"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
