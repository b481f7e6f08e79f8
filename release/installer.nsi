; The saver's installer and uninstaller, made by makensis from
; release/CMakeLists.txt, which gives on its command line: NAME, VERSION
; (three numbers), COMPANY, COPYRIGHT, MODULE and MODULE64 (the 32-bit and
; the 64-bit .scr), MODULE_FILE (their installed name), HOME_PAGE (the
; maker's), ICON and OUTFILE.
;
; The module of the system's own kind goes into its System32: the 64-bit
; one on 64-bit Windows, the 32-bit one on 32-bit Windows. Releases before
; 1.5.0 put the 32-bit module into SysWOW64 on 64-bit Windows; installing
; over one removes it there. The uninstaller and the entry in Apps &
; features are the machine's; the choice of screen saver is the user's who
; installs.

Unicode true
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include LogicLib.nsh
!include MUI2.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\BrinemereDuzo"
!define SETTINGS_KEY "Software\${COMPANY}\${NAME}"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_SENDCHANGE 2
; The shortcut the settings dialog's Home Page button opens.
!define HOME_PAGE_SHORTCUT "$WINDIR\brinemere-homepage.url"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

Var SaverPath
Var OlderSaverPath

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${NAME} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

; The installer and the uninstaller find the module at the same place. This
; 32-bit program sees SysWOW64 as $SYSDIR, and reaches the real System32 of
; 64-bit Windows, where the user's choice of screen saver points, only while
; the file system redirection is off (the sections turn it off around their
; file work).
!macro FindSaver
    ${If} ${RunningX64}
        StrCpy $SaverPath "$WINDIR\System32\${MODULE_FILE}"
        StrCpy $OlderSaverPath "$WINDIR\SysWOW64\${MODULE_FILE}"
    ${Else}
        StrCpy $SaverPath "$SYSDIR\${MODULE_FILE}"
        StrCpy $OlderSaverPath ""
    ${EndIf}
!macroend

; Whether the screen saver path on the stack is the module at the path
; below it, in its long or short form (the Screen Saver Settings have
; written short names). Leaves 1 or 0.
!macro IsSaverAt un
Function ${un}IsSaverAt
    Exch $0 ; the module's path
    Exch
    Exch $1 ; the screen saver's path
    Push $2
    GetFullPathName /SHORT $2 $0
    ${If} $1 == $0
        StrCpy $0 1
    ${ElseIf} $2 != ""
    ${AndIf} $1 == $2
        StrCpy $0 1
    ${Else}
        StrCpy $0 0
    ${EndIf}
    Pop $2
    Pop $1
    Exch $0
FunctionEnd
!macroend
!insertmacro IsSaverAt ""
!insertmacro IsSaverAt "un."

Function .onInit
    !insertmacro FindSaver
FunctionEnd

Section "!${NAME}" SectionSaver
    SectionIn RO
    SetOutPath "$INSTDIR"
    ${DisableX64FSRedirection}
    ${If} ${FileExists} "$SaverPath"
        DetailPrint "Replacing $SaverPath"
    ${EndIf}
    SetOverwrite on
    ${If} ${RunningX64}
        File "/oname=$SaverPath" "${MODULE64}"
    ${Else}
        File "/oname=$SaverPath" "${MODULE}"
    ${EndIf}
    ; An older release's 32-bit module in SysWOW64 goes, and a choice of it
    ; as the user's screen saver moves to the module that replaces it.
    ${If} $OlderSaverPath != ""
    ${AndIf} ${FileExists} "$OlderSaverPath"
        ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
        Push $0
        Push $OlderSaverPath
        Call IsSaverAt
        Pop $1
        ${If} $1 == 1
            WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $SaverPath
        ${EndIf}
        DetailPrint "Removing the older $OlderSaverPath"
        Delete /REBOOTOK "$OlderSaverPath"
    ${EndIf}
    WriteINIStr "${HOME_PAGE_SHORTCUT}" "InternetShortcut" "URL" "${HOME_PAGE}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverPath,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; In KiB, as Apps & features reads it: the module and the uninstaller.
    FileOpen $0 "$SaverPath" r
    FileSeek $0 0 END $1
    FileClose $0
    FileOpen $0 "$INSTDIR\Uninstall.exe" r
    FileSeek $0 0 END $2
    FileClose $0
    IntOp $1 $1 + $2
    IntOp $1 $1 + 1023
    IntOp $1 $1 / 1024
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
    ${EnableX64FSRedirection}
SectionEnd

Section "Use as my screen saver" SectionChoose
    ; The screen saver chosen before, kept once: installing again over our
    ; own choice must not forget what the user had before the first time.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${DisableX64FSRedirection}
    Push $0
    Push $SaverPath
    Call IsSaverAt
    Pop $1
    ${EnableX64FSRedirection}
    ${If} $1 == 0
        WriteRegStr HKLM "${UNINSTALL_KEY}" "PreviousScreenSaver" $0
        ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
        WriteRegStr HKLM "${UNINSTALL_KEY}" "PreviousScreenSaveActive" $0
    ${EndIf}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $SaverPath
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
    ; Windows keeps whether a screen saver is on in memory too.
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_SENDCHANGE})'
SectionEnd

Function un.onInit
    !insertmacro FindSaver
FunctionEnd

; A value of the user's desktop settings put back as it was: an empty
; remembered value means there was none.
!macro RestoreDesktopValue name remembered
    ClearErrors
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "${remembered}"
    ${IfNot} ${Errors}
        ${If} $0 == ""
            DeleteRegValue HKCU "${DESKTOP_KEY}" "${name}"
        ${Else}
            WriteRegStr HKCU "${DESKTOP_KEY}" "${name}" $0
        ${EndIf}
    ${EndIf}
!macroend

Section "Uninstall"
    ; The user's previous screen saver comes back only while ours is the
    ; one chosen: a later choice of the user's own stays.
    ${DisableX64FSRedirection}
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    Push $0
    Push $SaverPath
    Call un.IsSaverAt
    Pop $1
    ${If} $1 == 1
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
        !insertmacro RestoreDesktopValue "SCRNSAVE.EXE" "PreviousScreenSaver"
        !insertmacro RestoreDesktopValue "ScreenSaveActive" "PreviousScreenSaveActive"
        ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
        ${If} $0 == ""
            StrCpy $0 0
        ${EndIf}
        System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i $0, p 0, i ${SPIF_SENDCHANGE})'
    ${EndIf}

    ; A preview open in the Screen Saver Settings holds the module: it then
    ; goes at the next restart.
    Delete /REBOOTOK "$SaverPath"
    ${EnableX64FSRedirection}

    MessageBox MB_YESNO|MB_ICONQUESTION "Also remove your settings of ${NAME}?" /SD IDNO IDNO keep_settings
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
    keep_settings:

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "${HOME_PAGE_SHORTCUT}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
