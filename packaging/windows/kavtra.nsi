; The Windows installer, built by scripts/package-windows.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=... -DSTAGE=... -DUNINSTALL_LIST=... -DICON=... -DOUTFILE=... kavtra.nsi
; STAGE is the program as `cmake --install` lays it out; UNINSTALL_LIST names
; exactly those files, so the uninstaller removes the program and nothing the
; user put beside it (the port-I/O DLL).
; A 64-bit installer for a 64-bit program: it writes the 64-bit registry and
; Program Files, and a 32-bit Windows refuses to start it at all.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"

!define REG_UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavtra"

Name "Кавтра ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kavtra"
RequestExecutionLevel admin

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_TITLE "Кавтра установлена"
!define MUI_FINISHPAGE_TEXT "Для работы с параллельным портом нужна библиотека inpoutx64.dll (InpOut32/64). Положите её рядом с kavtra.exe, в папку$\r$\n$INSTDIR,$\r$\nи один раз запустите программу от имени администратора: библиотека установит свой драйвер. Без неё программа сообщит, чего не хватает, и закроется.$\r$\n$\r$\nНастройки и состояния выводов хранятся в %APPDATA%\Kavtra."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; The shortcut is for every user of the machine.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Кавтра.lnk" "$INSTDIR\kavtra.exe" "" "$INSTDIR\kavtra.exe" 0
  WriteRegStr HKLM "${REG_UNINSTALL}" "DisplayName" "Кавтра"
  WriteRegStr HKLM "${REG_UNINSTALL}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${REG_UNINSTALL}" "DisplayIcon" "$INSTDIR\kavtra.exe,0"
  WriteRegStr HKLM "${REG_UNINSTALL}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${REG_UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${REG_UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${REG_UNINSTALL}" "NoModify" 1
  WriteRegDWORD HKLM "${REG_UNINSTALL}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Кавтра.lnk"
  DeleteRegKey HKLM "${REG_UNINSTALL}"
SectionEnd
