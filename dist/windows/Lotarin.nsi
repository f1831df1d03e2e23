; The Windows installer of Lotarin, built by scripts/windows:
;   makensis -INPUTCHARSET UTF8 -DVERSION=4.3.0.0 -DIDENTITY=<Identity.nsh> -DSTAGE=<staged folder>
;            -DFILES=<files.nsh> -DICON=<Tombal.ico> -DOUTFILE=<setup.exe> Lotarin.nsi
; For the current user by default, which needs no administrator; for every user of the
; computer when chosen (or /AllUsers), which Windows then asks an administrator for.
; Silent: setup.exe /S [/AllUsers] [/D=folder]; the uninstaller: uninstall.exe /S. Either
; fails with exit code 32 while Lotarin runs from the program folder, and 740 when silent
; and all users need an administrator.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
SetCompressorDictSize 64
RequestExecutionLevel user
ManifestDPIAware true
; A file that cannot be written stops the install: never a program with files missing.
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include nsDialogs.nsh
!include FileFunc.nsh
!include "${IDENTITY}"
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define ERROR_SHARING_VIOLATION 32
!define ERROR_ELEVATION_REQUIRED 740

Name "${NAME}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${NAME} のセットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "${COPYRIGHT}"

Var AllUsers     ; 1: for every user of this computer
Var ModeGiven    ; 1: /AllUsers or /CurrentUser was given, so the choice is not asked
Var AutoDir      ; the folder the mode chose; one given with /D or on its page differs
Var RadioMine
Var RadioAll

; The pages, their texts in the words current Windows uses (フォルダー, コンピューター), in
; place of NSIS's own Japanese, which mixes older spellings in.
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_CUSTOMFUNCTION_GUIINIT WidenNextButton
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.WidenNextButton
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_TEXT "$(^Name) のセットアップを中止しますか?"

!define MUI_WELCOMEPAGE_TITLE "$(^NameDA) のセットアップへようこそ"
!define MUI_WELCOMEPAGE_TEXT "$(^NameDA) をこのコンピューターにインストールします。$\r$\n$\r$\n\
  Lotarin を使っている場合は、終了してから続けてください。$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
Page custom ModePage ModePageLeave
!define MUI_PAGE_HEADER_TEXT "インストール先の選択"
!define MUI_PAGE_HEADER_SUBTEXT "$(^NameDA) をインストールするフォルダーを選んでください。"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$(^NameDA) を次のフォルダーにインストールします。ほかのフォルダーにインストールするには、\
  [参照] をクリックしてフォルダーを選んでください。$_CLICK"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "インストール先のフォルダー"
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "インストール中"
!define MUI_PAGE_HEADER_SUBTEXT "$(^NameDA) をインストールしています。しばらくお待ちください。"
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "インストールの完了"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "インストールが完了しました。"
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "インストールの中止"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "インストールは完了しませんでした。"
!insertmacro MUI_PAGE_INSTFILES
!undef MUI_INSTFILESPAGE_ABORTHEADER_TEXT MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT  ; MUI keeps these two
!define MUI_FINISHPAGE_TITLE "$(^NameDA) のセットアップの完了"
!define MUI_FINISHPAGE_TEXT "$(^NameDA) をインストールしました。スタート メニューの「Lotarin」から起動できます。$\r$\n$\r$\n\
  参加者と景品のリストは、「ドキュメント」の「Lotarin」フォルダーに保存されます。"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Lotarin を起動する"
!define MUI_FINISHPAGE_RUN_FUNCTION StartLotarin
!define MUI_FINISHPAGE_BUTTON "完了"
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_HEADER_TEXT "$(^NameDA) のアンインストール"
!define MUI_PAGE_HEADER_SUBTEXT "$(^NameDA) をこのコンピューターから削除します。"
!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(^NameDA) を次のフォルダーから削除します。参加者と景品のリストは残ります。$_CLICK"
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "フォルダー:"
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_HEADER_TEXT "アンインストール中"
!define MUI_PAGE_HEADER_SUBTEXT "$(^NameDA) を削除しています。しばらくお待ちください。"
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "アンインストールの完了"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "$(^NameDA) を削除しました。"
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "アンインストールの中止"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "$(^NameDA) は削除されませんでした。"
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; NSIS's own texts that these pages show: the buttons, the clicks they ask for, and the lines
; the progress bar shows while files are written or removed.
LangString ^UninstallCaption ${LANG_JAPANESE} "$(^Name) のアンインストール"
LangString ^DirSubCaption ${LANG_JAPANESE} ": インストール先のフォルダー"
LangString ^UnDirSubCaption ${LANG_JAPANESE} ": アンインストールするフォルダー"
LangString ^UninstallBtn ${LANG_JAPANESE} "アンインストール(&U)"
LangString ^ClickNext ${LANG_JAPANESE} "続けるには [次へ] をクリックしてください。"
LangString ^ClickInstall ${LANG_JAPANESE} "インストールを始めるには [インストール] をクリックしてください。"
LangString ^ClickUninstall ${LANG_JAPANESE} "アンインストールを始めるには [アンインストール] をクリックしてください。"
LangString ^DirBrowseText ${LANG_JAPANESE} "$(^NameDA) をインストールするフォルダーを選んでください:"
LangString ^SpaceAvailable ${LANG_JAPANESE} "空き領域: "
LangString ^SpaceRequired ${LANG_JAPANESE} "必要な領域: "
LangString ^FileError_NoIgnore ${LANG_JAPANESE} "次のファイルに書き込めません:$\r$\n$\t$\"$0$\"$\r$\n\
  もう一度試すには [再試行] を、インストールを中止するには [キャンセル] をクリックしてください。"
LangString ^ErrorDecompressing ${LANG_JAPANESE} "データを展開できません。$\r$\n$\r$\nインストーラーが壊れている可能性があります。"
LangString ^InvalidOpcode ${LANG_JAPANESE} "インストーラーが壊れています: 無効な命令です"
LangString ^CantWrite ${LANG_JAPANESE} "書き込めません: "
LangString ^CreateFolder ${LANG_JAPANESE} "フォルダーの作成: "
LangString ^CreateShortcut ${LANG_JAPANESE} "ショートカットの作成: "
LangString ^CreatedUninstaller ${LANG_JAPANESE} "アンインストーラーの作成: "
LangString ^Delete ${LANG_JAPANESE} "ファイルの削除: "
LangString ^DeleteOnReboot ${LANG_JAPANESE} "再起動後に削除: "
LangString ^ErrorCreatingShortcut ${LANG_JAPANESE} "ショートカットを作成できません: "
LangString ^ErrorCreating ${LANG_JAPANESE} "作成できません: "
LangString ^Extract ${LANG_JAPANESE} "展開: "
LangString ^ErrorWriting ${LANG_JAPANESE} "展開: ファイルに書き込めません "
LangString ^OutputFolder ${LANG_JAPANESE} "出力先のフォルダー: "
LangString ^RemoveFolder ${LANG_JAPANESE} "フォルダーの削除: "
LangString ^Skipped ${LANG_JAPANESE} "スキップ: "
LangString ^CopyDetails ${LANG_JAPANESE} "詳細をクリップボードにコピー"

LangString LotarinRunning ${LANG_JAPANESE} "Lotarin が起動しています。$\r$\n$\r$\n\
  Lotarin のウィンドウをすべて閉じて (メイン メニューの [終了])、[再試行] をクリックしてください。"
LangString FilesLeft ${LANG_JAPANESE} "Lotarin のファイルの一部を削除できませんでした。$\r$\n$\r$\n\
  Lotarin を終了してから、もう一度アンインストールしてください。"
LangString NeedAdministrator ${LANG_JAPANESE} "すべてのユーザーにインストールするには、管理者の許可が必要です。"

; The button that reads 次へ, インストール or アンインストール is made half as wide again, the
; 戻る button moved aside for it: NSIS's buttons are too narrow for full-width katakana.
!macro DefineWidenNextButton UN
  Function ${UN}WidenNextButton
    System::Call '*(i, i, i, i) p .R0'
    GetDlgItem $R1 $HWNDPARENT 1
    System::Call 'user32::GetWindowRect(p R1, p R0)'
    System::Call 'user32::MapWindowPoints(p 0, p $HWNDPARENT, p R0, i 2)'
    System::Call '*$R0(i .R2, i .R3, i .R4, i .R5)'
    IntOp $R6 $R4 - $R2
    IntOp $R6 $R6 / 2
    IntOp $R2 $R2 - $R6
    IntOp $R4 $R4 - $R2
    IntOp $R5 $R5 - $R3
    System::Call 'user32::SetWindowPos(p R1, p 0, i R2, i R3, i R4, i R5, i 0x14)'  ; SWP_NOZORDER|SWP_NOACTIVATE
    GetDlgItem $R1 $HWNDPARENT 3
    System::Call 'user32::GetWindowRect(p R1, p R0)'
    System::Call 'user32::MapWindowPoints(p 0, p $HWNDPARENT, p R0, i 2)'
    System::Call '*$R0(i .R2, i .R3)'
    IntOp $R2 $R2 - $R6
    System::Call 'user32::SetWindowPos(p R1, p 0, i R2, i R3, i 0, i 0, i 0x15)'  ; and SWP_NOSIZE
    System::Free $R0
  FunctionEnd
!macroend
!insertmacro DefineWidenNextButton ""
!insertmacro DefineWidenNextButton "un."

; The install folder, Start menu and registry of the chosen mode. The folder follows the mode
; until one is given with /D or chosen on its page. The per-user folder is read in the
; per-user context: in the other, $LOCALAPPDATA is the machine's.
!macro SetMode
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $R3 "$PROGRAMFILES64\${NAME}"
  ${Else}
    SetShellVarContext current
    StrCpy $R3 "$LOCALAPPDATA\Programs\${NAME}"
  ${EndIf}
  ${If} $INSTDIR == $AutoDir
    StrCpy $INSTDIR $R3
    StrCpy $AutoDir $R3
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
; again elevated with ARGUMENTS; $R2 is "refused" when that was refused.
!macro NeedAdministrator ARGUMENTS
  StrCpy $R2 ""
  UserInfo::GetAccountType
  Pop $R2
  ${If} $R2 != "admin"
    ${If} ${Silent}
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
    ClearErrors
    ExecShell "runas" "$EXEPATH" "/AllUsers ${ARGUMENTS}"
    ${IfNot} ${Errors}
      Quit
    ${EndIf}
    MessageBox MB_ICONEXCLAMATION "$(NeedAdministrator)"
    StrCpy $R2 "refused"
  ${EndIf}
!macroend

; Windows keeps a running program's files: a Lotarin running from the program folder is
; closed before its files are replaced or removed, or nothing is done. Pushes 1 when one runs.
!macro DefineLotarinRunning UN
  Function ${UN}LotarinRunning
    StrCpy $R5 0
    System::Alloc 16384  ; room for 4096 process ids
    Pop $R6
    System::Call 'kernel32::K32EnumProcesses(p R6, i 16384, *i .R7) i .R8'
    ${If} $R8 != 0
      IntOp $R7 $R7 / 4
      StrCpy $R8 0
      ${While} $R8 < $R7
        IntOp $0 $R8 * 4
        IntPtrOp $0 $R6 + $0
        System::Call '*$0(i .R9)'
        ; PROCESS_QUERY_LIMITED_INFORMATION: also granted on another user's process to an administrator.
        System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i R9) p .R9'
        ${If} $R9 != 0
          System::Call 'kernel32::QueryFullProcessImageNameW(p R9, i 0, w .R4, *i ${NSIS_MAX_STRLEN})'
          System::Call 'kernel32::CloseHandle(p R9)'
          ${If} $R4 == "$INSTDIR\Tombal.exe"  ; as Windows compares names: whatever the case
            StrCpy $R5 1
            ${Break}
          ${EndIf}
        ${EndIf}
        IntOp $R8 $R8 + 1
      ${EndWhile}
    ${EndIf}
    System::Free $R6
    Push $R5
  FunctionEnd
!macroend
!insertmacro DefineLotarinRunning ""
!insertmacro DefineLotarinRunning "un."

; Asks to close Lotarin until it is closed; cancelled (or silent), stops with nothing changed.
!macro CloseLotarin UN
  ${Do}
    Call ${UN}LotarinRunning
    Pop $R5
    ${If} $R5 == 0
      ${Break}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(LotarinRunning)" /SD IDCANCEL IDCANCEL`
      SetErrorLevel ${ERROR_SHARING_VIOLATION}
      Abort
    ${EndIf}
  ${Loop}
!macroend

Function .onInit
  !insertmacro ReadMode
  ${If} $AllUsers == 1
    ${If} $INSTDIR == ""
      !insertmacro NeedAdministrator ""
    ${Else}
      !insertmacro NeedAdministrator "/D=$INSTDIR"
    ${EndIf}
    ; Refused: asked again on the mode page, never installed for everyone without the rights.
    ${If} $R2 == "refused"
      StrCpy $AllUsers 0
      StrCpy $ModeGiven 0
    ${EndIf}
  ${EndIf}
  !insertmacro SetMode
FunctionEnd

Function ModePage
  ${If} $ModeGiven == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "インストールの種類" "$(^NameDA) を使うユーザーを選んでください。"
  nsDialogs::Create 1018
  Pop $R0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "自分だけ (管理者の許可は不要です)"
  Pop $RadioMine
  ${NSD_CreateRadioButton} 0 30u 100% 12u "このコンピューターを使うすべてのユーザー (管理者の許可が必要です)"
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
    ${If} $INSTDIR == $AutoDir
      !insertmacro NeedAdministrator ""
    ${Else}
      !insertmacro NeedAdministrator "/D=$INSTDIR"
    ${EndIf}
    ${If} $R2 == "refused"
      Abort
    ${EndIf}
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  !insertmacro SetMode
FunctionEnd

Section
  !insertmacro CloseLotarin ""
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The lists live in the user's own Documents\Lotarin, never in the program's folder, which
  ; users cannot write: started in its program folder, as the Start menu entry starts it,
  ; the installed program moves there (made here for this user, by the program for the others
  ; at their first start), wherever their Documents was redirected.
  ${If} $AllUsers == 0
    CreateDirectory "$DOCUMENTS\${NAME}"
  ${EndIf}
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\Tombal.exe" "" "$INSTDIR\Tombal.exe" 0 SW_SHOWNORMAL "" \
                 "参加者と景品を設定して抽選します"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tombal.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; Without its mode: the uninstaller finds it (below), however it is started.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Started from the finish page in the program folder, so that it moves to Documents\Lotarin.
Function StartLotarin
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Tombal.exe"'
FunctionEnd

Function un.onInit
  !insertmacro ReadMode
  ; Started without its mode (through its registration, or uninstall.exe /S by hand), it takes
  ; the one it was installed in: an install for every user is registered in HKLM at this folder.
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

; Only what the installer put there goes: the lists, wherever they are, stay. A file that
; cannot be removed keeps the uninstaller, the Start menu entry and the registration, so that
; Lotarin can be removed again once what holds it is closed.
Section Uninstall
  !insertmacro CloseLotarin "un."
  ClearErrors
  !insertmacro DeleteProgramFiles
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$(FilesLeft)" /SD IDOK
    SetErrorLevel ${ERROR_SHARING_VIOLATION}
    Abort
  ${EndIf}
  !insertmacro RemoveProgramFolders
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
