; The saver's installer and uninstaller, made by makensis from
; release/CMakeLists.txt, which gives on its command line: NAME, VERSION
; (three numbers), COMPANY, COPYRIGHT, MODULE (the .scr to install),
; MODULE_FILE (its installed name), ICON and OUTFILE.
;
; The module goes where Windows looks for screen savers of its kind: a
; 32-bit module into SysWOW64 on 64-bit Windows, into System32 on 32-bit
; Windows. The uninstaller and the entry in Apps & features are the
; machine's; the choice of screen saver is the user's who installs.

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

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

Var SaverPath

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

; The installer and the uninstaller find the module at the same place. A
; 32-bit program sees SysWOW64 as $SYSDIR, but the user's choice of screen
; saver is read by 64-bit Windows itself, so the real folder is named.
!macro FindSaver
    ${If} ${RunningX64}
        StrCpy $SaverPath "$WINDIR\SysWOW64\${MODULE_FILE}"
    ${Else}
        StrCpy $SaverPath "$SYSDIR\${MODULE_FILE}"
    ${EndIf}
!macroend

; Whether the path on the stack is our module's, in its long or short form
; (the Screen Saver Settings have written short names). Leaves 1 or 0.
!macro IsOurSaver un
Function ${un}IsOurSaver
    Exch $0
    Push $1
    GetFullPathName /SHORT $1 $SaverPath
    ${If} $0 == $SaverPath
        StrCpy $0 1
    ${ElseIf} $1 != ""
    ${AndIf} $0 == $1
        StrCpy $0 1
    ${Else}
        StrCpy $0 0
    ${EndIf}
    Pop $1
    Exch $0
FunctionEnd
!macroend
!insertmacro IsOurSaver ""
!insertmacro IsOurSaver "un."

Function .onInit
    !insertmacro FindSaver
FunctionEnd

Section "!${NAME}" SectionSaver
    SectionIn RO
    SetOutPath "$INSTDIR"
    ${If} ${FileExists} "$SaverPath"
        DetailPrint "Replacing $SaverPath"
    ${EndIf}
    SetOverwrite on
    File "/oname=$SaverPath" "${MODULE}"
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
SectionEnd

Section "Use as my screen saver" SectionChoose
    ; The screen saver chosen before, kept once: installing again over our
    ; own choice must not forget what the user had before the first time.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    Push $0
    Call IsOurSaver
    Pop $1
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
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    Push $0
    Call un.IsOurSaver
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

    MessageBox MB_YESNO|MB_ICONQUESTION "Also remove your settings of ${NAME}?" /SD IDNO IDNO keep_settings
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
    keep_settings:

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
