; The Windows installer of Lotarin, built by scripts/windows:
;   makensis -INPUTCHARSET UTF8 -DVERSION=4.3.0.0 -DSTAGE=<staged folder> -DFILES=<files.nsh>
;            -DICON=<Tombal.ico> -DOUTFILE=<setup.exe> Lotarin.nsi
; For the current user by default, which needs no administrator; for every user of the
; computer when chosen (or /AllUsers), which Windows then asks an administrator for.
; Silent: setup.exe /S [/AllUsers] [/D=folder]; the uninstaller: uninstall.exe /S.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
SetCompressorDictSize 64
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include nsDialogs.nsh
!include FileFunc.nsh

!define NAME "Lotarin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lotarin"
; Runs once for each user who logs on after an install for all users: the lists' folder.
!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\Lotarin"

Name "${NAME}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1041 "FileDescription" "${NAME} のセットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) Lotarin project"

Var AllUsers     ; 1: for every user of this computer
Var ModeGiven    ; 1: /AllUsers or /CurrentUser was given, so the choice is not asked
Var RadioMine
Var RadioAll

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Lotarin をインストールしました。スタート メニューの「Lotarin」から起動できます。$\r$\n$\r$\n参加者と景品のリストは「ドキュメント」の「Lotarin」フォルダーに保存されます。"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; The install folder, Start menu and registry of the chosen mode. A folder given with /D or
; chosen on its page is kept.
!macro SetMode
  ${If} $AllUsers == 1
    SetShellVarContext all
    ${If} $INSTDIR == ""
    ${OrIf} $INSTDIR == "$LOCALAPPDATA\Programs\${NAME}"
      StrCpy $INSTDIR "$PROGRAMFILES64\${NAME}"
    ${EndIf}
  ${Else}
    SetShellVarContext current
    ${If} $INSTDIR == ""
    ${OrIf} $INSTDIR == "$PROGRAMFILES64\${NAME}"
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${NAME}"
    ${EndIf}
  ${EndIf}
!macroend

!macro ReadMode
  StrCpy $AllUsers 0
  StrCpy $ModeGiven 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    StrCpy $ModeGiven 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $ModeGiven 1
  ${EndIf}
!macroend

; For every user: an administrator is needed. Asks Windows for one by starting this program
; again elevated; false when that was refused.
!macro NeedAdministrator AGAIN
  UserInfo::GetAccountType
  Pop $R2
  ${If} $R2 != "admin"
    ${If} ${Silent}
      SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
      Quit
    ${EndIf}
    ClearErrors
    ExecShell "runas" "$EXEPATH" "/AllUsers ${AGAIN}"
    ${IfNot} ${Errors}
      Quit
    ${EndIf}
    MessageBox MB_ICONEXCLAMATION "すべてのユーザーにインストールするには、管理者の許可が必要です。"
    StrCpy $R2 "refused"
  ${EndIf}
!macroend

Function .onInit
  !insertmacro ReadMode
  ${If} $AllUsers == 1
    !insertmacro NeedAdministrator ""
  ${EndIf}
  !insertmacro SetMode
FunctionEnd

Function ModePage
  ${If} $ModeGiven == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "インストールの種類" "Lotarin を使うユーザーを選んでください。"
  nsDialogs::Create 1018
  Pop $R0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "自分だけ（管理者の権限は不要です）"
  Pop $RadioMine
  ${NSD_CreateRadioButton} 0 30u 100% 12u "このコンピューターを使うすべてのユーザー（管理者の許可が必要です）"
  Pop $RadioAll
  ${If} $AllUsers == 1
    ${NSD_Check} $RadioAll
  ${Else}
    ${NSD_Check} $RadioMine
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $RadioAll $R0
  ${If} $R0 == ${BST_CHECKED}
    StrCpy $AllUsers 1
    !insertmacro NeedAdministrator ""
    ${If} $R2 == "refused"
      Abort
    ${EndIf}
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  !insertmacro SetMode
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The lists live in a folder of the user's own, never in the program's folder, which users
  ; cannot write: the Start menu entry starts Lotarin there.
  ${If} $AllUsers == 1
    CreateDirectory "$PROFILE\Documents\${NAME}"
    StrCpy $OUTDIR "%USERPROFILE%\Documents\${NAME}"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "${NAME}"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "${VERSION}"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" '"$INSTDIR\uninstall.exe" /ListsFolder'
    StrCpy $R1 "/AllUsers"
  ${Else}
    CreateDirectory "$DOCUMENTS\${NAME}"
    StrCpy $OUTDIR "$DOCUMENTS\${NAME}"
    StrCpy $R1 "/CurrentUser"
  ${EndIf}
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\Tombal.exe" "" "$INSTDIR\Tombal.exe" 0 SW_SHOWNORMAL "" \
                 "参加者と景品を設定して抽選します"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Lotarin project"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tombal.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" $R1'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S $R1'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ListsFolder" $R1
  ${IfNot} ${Errors}
    CreateDirectory "$PROFILE\Documents\${NAME}"
    Quit
  ${EndIf}
  !insertmacro ReadMode
  ; Started without its mode (uninstall.exe /S by hand), it takes the one it was installed in:
  ; an install for every user is registered in HKLM at this folder.
  ${If} $ModeGiven == 0
    ReadRegStr $R3 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R3 == $INSTDIR
      StrCpy $AllUsers 1
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers == 1
    !insertmacro NeedAdministrator "_?=$INSTDIR"
    ${If} $R2 == "refused"
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Only what the installer put there goes: the lists, wherever they are, stay.
Section Uninstall
  Delete "$SMPROGRAMS\${NAME}.lnk"
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $AllUsers == 1
    DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  ${EndIf}
SectionEnd
