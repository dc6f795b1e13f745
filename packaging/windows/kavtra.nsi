; The Windows installer, built by scripts/package-windows.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=... -DCOMPRESSOR=lzma|zlib -DSTAGE=... -DUNINSTALL_LIST=... -DICON=... -DOUTFILE=... kavtra.nsi
; STAGE is the program as `cmake --install` lays it out; UNINSTALL_LIST names
; exactly those files, so the uninstaller removes the program and nothing the
; user put beside it (the port-I/O DLL).
; A 64-bit installer for a 64-bit program: it writes the 64-bit registry and
; Program Files, and a 32-bit Windows refuses to start it at all.
Target amd64-unicode
SetCompressor /SOLID ${COMPRESSOR}
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define REG_UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavtra"
; The start at logon is the user's own: the Run key of the user who installs.
!define REG_RUN "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Кавтра ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kavtra"
RequestExecutionLevel admin

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_TITLE "Кавтра установлена"
!define MUI_FINISHPAGE_TEXT "Для работы с параллельным портом нужна библиотека inpoutx64.dll (InpOut32/64). Положите её рядом с kavtra.exe, в папку$\r$\n$INSTDIR,$\r$\nи один раз запустите программу от имени администратора: библиотека установит свой драйвер. Без неё программа сообщит, чего не хватает, и закроется.$\r$\n$\r$\nНастройки и состояния выводов хранятся в %APPDATA%\Kavtra."
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "-Кавтра"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The window's program: kavtra.exe is the console program for scripts.
  CreateShortcut "$SMPROGRAMS\Кавтра.lnk" "$INSTDIR\kavtra-window.exe" "" "$INSTDIR\kavtra-window.exe" 0
  WriteRegStr HKLM "${REG_UNINSTALL}" "DisplayName" "Кавтра"
  WriteRegStr HKLM "${REG_UNINSTALL}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${REG_UNINSTALL}" "DisplayIcon" "$INSTDIR\kavtra-window.exe,0"
  WriteRegStr HKLM "${REG_UNINSTALL}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${REG_UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${REG_UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${REG_UNINSTALL}" "NoModify" 1
  WriteRegDWORD HKLM "${REG_UNINSTALL}" "NoRepair" 1
  ; An earlier install's start at logon goes unless chosen again below.
  DeleteRegValue HKCU "${REG_RUN}" "Kavtra"
SectionEnd

; Off unless chosen, one way at most. The program without a window starts as
; kavtra-window.exe --no-window: kavtra.exe is a console program, and a
; console window would open with it at every logon.
SectionGroup /e "Запускать при входе в Windows"
  Section /o "программу с окном" SecLogonWindow
    WriteRegStr HKCU "${REG_RUN}" "Kavtra" '"$INSTDIR\kavtra-window.exe"'
  SectionEnd
  Section /o "программу без окна" SecLogonNoWindow
    WriteRegStr HKCU "${REG_RUN}" "Kavtra" '"$INSTDIR\kavtra-window.exe" --no-window'
  SectionEnd
SectionGroupEnd

Var LogonChoice

; The shortcut is for every user of the machine. A silent install starts the
; program at logon when told: /LOGON=window or /LOGON=nowindow.
Function .onInit
  SetShellVarContext all
  ${GetParameters} $R0
  ${GetOptions} $R0 "/LOGON=" $R1
  ${If} $R1 == "window"
    !insertmacro SelectSection ${SecLogonWindow}
  ${ElseIf} $R1 == "nowindow"
    !insertmacro SelectSection ${SecLogonNoWindow}
  ${EndIf}
  Call .onSelChange
FunctionEnd

; Choosing one way unchooses the other; choosing the group chooses the
; window.
Function .onSelChange
  ${If} ${SectionIsSelected} ${SecLogonWindow}
  ${AndIf} ${SectionIsSelected} ${SecLogonNoWindow}
    ${If} $LogonChoice == ${SecLogonWindow}
      !insertmacro UnselectSection ${SecLogonWindow}
    ${Else}
      !insertmacro UnselectSection ${SecLogonNoWindow}
    ${EndIf}
  ${EndIf}
  StrCpy $LogonChoice ""
  ${If} ${SectionIsSelected} ${SecLogonWindow}
    StrCpy $LogonChoice ${SecLogonWindow}
  ${ElseIf} ${SectionIsSelected} ${SecLogonNoWindow}
    StrCpy $LogonChoice ${SecLogonNoWindow}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Кавтра.lnk"
  DeleteRegKey HKLM "${REG_UNINSTALL}"
  DeleteRegValue HKCU "${REG_RUN}" "Kavtra"
SectionEnd
