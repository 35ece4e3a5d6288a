; The Windows installer of Quorvix (makensis from Debian's nsis package; scripts/make-dist passes the
; defines below). A 64-bit installer with a Japanese interface.
;
; Per user by default: no administrator rights, the program goes to %LOCALAPPDATA%\Programs\Quorvix, the
; shortcuts to the user's Start menu and desktop, the uninstall entry to HKCU. Started elevated with
; /ALLUSERS it installs for every user instead (Program Files, the common Start menu, HKLM); the
; uninstall entry then calls the uninstaller with /ALLUSERS too.
;
; The uninstaller removes exactly the files listed here, the shortcuts, the uninstall entry, and the Send
; To shortcut the program creates for the user who runs it (named after the program: Quorvix.lnk). The
; settings file (%APPDATA%\Quorvix\Quorvix.ini, or Quorvix.ini beside the program) stays unless the
; user ticks its component (or passes /REMOVESETTINGS); a folder that still holds something stays too.
;
; Defines: VERSION (1.02), VERSION4 (1.0.2.0), SRCDIR (folder with the files to install), ICON,
; OUTFILE, HAVE_CHM (when Quorvix.chm is among them).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define PRODUCT "Quorvix"
!define PUBLISHER "Quorvix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define README "はじめにお読みください.txt"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} ${VERSION} セットアップ"
VIAddVersionKey /LANG=1041 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_TEXT "${PRODUCT} のインストールを中止しますか？"
!define MUI_UNABORTWARNING
!define MUI_UNABORTWARNING_TEXT "${PRODUCT} のアンインストールを中止しますか？"
!define MUI_COMPONENTSPAGE_NODESC

; Every page's wording is our own: the stock Japanese texts of NSIS mix half-width katakana into a button
; and speak of restarts and system files that this installer never touches.
!define MUI_WELCOMEPAGE_TITLE "${PRODUCT} ${VERSION} のセットアップ"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} ${VERSION} をこのコンピューターにインストールします。$\r$\n$\r$\n${PRODUCT} は JPEG 写真をフォルダごとまとめて縮小・再圧縮するプログラムです。$\r$\n$\r$\n管理者の権限は要りません。インストールはあなたのユーザーだけに行われます。$\r$\n$\r$\n続けるには [次へ] を押してください。"
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_HEADER_TEXT "インストール先"
!define MUI_PAGE_HEADER_SUBTEXT "${PRODUCT} を置くフォルダを決めてください。"
!define MUI_DIRECTORYPAGE_TEXT_TOP "${PRODUCT} を次のフォルダにインストールします。別のフォルダにするには [参照] を押して選んでください。"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "インストール先のフォルダ"
!insertmacro MUI_PAGE_DIRECTORY

!define MUI_PAGE_HEADER_TEXT "インストールする内容"
!define MUI_PAGE_HEADER_SUBTEXT "一緒に作るものを選んでください。"
!define MUI_COMPONENTSPAGE_TEXT_TOP "プログラム本体は必ずインストールされます。デスクトップのショートカットが要るときはチェックを付けてください。"
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "インストールするもの:"
!insertmacro MUI_PAGE_COMPONENTS

!define MUI_PAGE_HEADER_TEXT "インストール中"
!define MUI_PAGE_HEADER_SUBTEXT "${PRODUCT} のファイルをコピーしています。しばらくお待ちください。"
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "インストールが終わりました"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "${PRODUCT} を使う準備ができました。"
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "インストールを中止しました"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "${PRODUCT} はインストールされていません。"
!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TITLE "${PRODUCT} のインストールが終わりました"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} はスタートメニューから起動できます。$\r$\n$\r$\n[完了] を押すとセットアップを閉じます。"
!define MUI_FINISHPAGE_BUTTON "完了"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quorvix.exe"
!define MUI_FINISHPAGE_RUN_TEXT "${PRODUCT} を起動する"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${README}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "「はじめにお読みください」を表示する"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_HEADER_TEXT "${PRODUCT} のアンインストール"
!define MUI_PAGE_HEADER_SUBTEXT "${PRODUCT} をこのコンピューターから取り除きます。"
!define MUI_UNCONFIRMPAGE_TEXT_TOP "次のフォルダにある ${PRODUCT} をアンインストールします。変換した写真には手を付けません。"
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "アンインストールするフォルダ:"
!insertmacro MUI_UNPAGE_CONFIRM

!define MUI_PAGE_HEADER_TEXT "取り除くもの"
!define MUI_PAGE_HEADER_SUBTEXT "設定ファイルも消すかどうかを選んでください。"
!define MUI_COMPONENTSPAGE_TEXT_TOP "プログラムは必ず取り除かれます。設定ファイルは、チェックを付けたときだけ削除します。"
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "取り除くもの:"
!insertmacro MUI_UNPAGE_COMPONENTS

; The install page's header texts may still be defined: MUI2 does not clear them all.
!ifdef MUI_INSTFILESPAGE_FINISHHEADER_TEXT
  !undef MUI_INSTFILESPAGE_FINISHHEADER_TEXT
!endif
!ifdef MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT
  !undef MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT
!endif
!ifdef MUI_INSTFILESPAGE_ABORTHEADER_TEXT
  !undef MUI_INSTFILESPAGE_ABORTHEADER_TEXT
!endif
!ifdef MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT
  !undef MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT
!endif
!define MUI_PAGE_HEADER_TEXT "アンインストール中"
!define MUI_PAGE_HEADER_SUBTEXT "${PRODUCT} のファイルを削除しています。しばらくお待ちください。"
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "アンインストールが終わりました"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "${PRODUCT} はこのコンピューターから取り除かれました。"
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "アンインストールを中止しました"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "${PRODUCT} は残っています。"
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"

; The buttons and the space figures of the pages, in full-width katakana.
LangString ^BackBtn ${LANG_JAPANESE} "< 戻る(&B)"
LangString ^NextBtn ${LANG_JAPANESE} "次へ(&N) >"
LangString ^InstallBtn ${LANG_JAPANESE} "インストール(&I)"
LangString ^UninstallBtn ${LANG_JAPANESE} "アンインストール(&U)"
LangString ^CancelBtn ${LANG_JAPANESE} "キャンセル"
LangString ^CloseBtn ${LANG_JAPANESE} "閉じる(&C)"
LangString ^BrowseBtn ${LANG_JAPANESE} "参照(&R)..."
LangString ^ShowDetailsBtn ${LANG_JAPANESE} "詳細を表示(&D)"
LangString ^SpaceRequired ${LANG_JAPANESE} "必要な空き容量: "
LangString ^SpaceAvailable ${LANG_JAPANESE} "ドライブの空き容量: "
LangString ^Completed ${LANG_JAPANESE} "完了"

Var AllUsers
Var DefaultFolder

; Reads /ALLUSERS from the command line into $AllUsers and switches the shell folders and SHCTX (the
; registry root of the uninstall entry: HKLM for all users, else HKCU). Per machine needs the installer to run with administrator rights.
!macro SELECT_SCOPE UN
  Function ${UN}SelectScope
    ${GetParameters} $0
    ClearErrors
    ${${UN}GetOptions} $0 "/ALLUSERS" $1
    ${If} ${Errors}
      StrCpy $AllUsers 0
      SetShellVarContext current
    ${Else}
      StrCpy $AllUsers 1
      SetShellVarContext all
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro SELECT_SCOPE ""
!insertmacro SELECT_SCOPE "un."

Function .onInit
  ; Whether /D= chose the folder: without it $INSTDIR is InstallDir as the current user's context expands
  ; it. Compared before SelectScope, after which $LOCALAPPDATA would name the all-users folder instead.
  ${If} $INSTDIR == "$LOCALAPPDATA\Programs\${PRODUCT}"
    StrCpy $DefaultFolder 1
  ${Else}
    StrCpy $DefaultFolder 0
  ${EndIf}
  Call SelectScope
  ${If} $AllUsers = 1
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
      MessageBox MB_ICONSTOP "すべてのユーザー用にインストールするには、管理者としてセットアップを実行してください。" /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
    ${If} $DefaultFolder = 1
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "!${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${SRCDIR}\Quorvix.exe"
  File "${SRCDIR}\quorvix-cli.exe"
!ifdef HAVE_CHM
  File "${SRCDIR}\Quorvix.chm"
!endif
  File "${SRCDIR}\${README}"
  SetOutPath "$INSTDIR\licenses"
  File "${SRCDIR}\licenses\*.txt"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Quorvix.exe" "" "$INSTDIR\Quorvix.exe" 0

  ${If} $AllUsers = 1
    StrCpy $1 " /ALLUSERS"
  ${Else}
    StrCpy $1 ""
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quorvix.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"$1'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S$1'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $2 $3
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section /o "デスクトップにショートカットを作る" SecDesktop
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Quorvix.exe" "" "$INSTDIR\Quorvix.exe" 0
SectionEnd

Section "un.${PRODUCT}" UnSecProgram
  SectionIn RO
  Delete "$INSTDIR\Quorvix.exe"
  Delete "$INSTDIR\quorvix-cli.exe"
  Delete "$INSTDIR\Quorvix.chm"
  Delete "$INSTDIR\${README}"
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The Send To shortcut belongs to the user who created it from the program's options.
  SetShellVarContext current
  Delete "$APPDATA\Microsoft\Windows\SendTo\${PRODUCT}.lnk"
SectionEnd

Section /o "un.設定ファイルも削除する" UnSecSettings
  SetShellVarContext current
  Delete "$APPDATA\${PRODUCT}\Quorvix.ini"
  RMDir "$APPDATA\${PRODUCT}"
  Delete "$INSTDIR\Quorvix.ini"
SectionEnd

Section "-un.folder"
  RMDir "$INSTDIR"
SectionEnd

; /REMOVESETTINGS ticks the settings component (for a silent uninstall).
Function un.onInit
  Call un.SelectScope
  ${GetParameters} $0
  ClearErrors
  ${un.GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
