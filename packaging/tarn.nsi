; The Tarn setup: one program for 32- and 64-bit Windows that installs Tarnview and
; Tarnwatch for every user, upgrades them in place and uninstalls them, with or
; without its pages (/S). scripts/build.sh makes it from the staged product trees:
;   makensis -DTARN_STAGE=<folder with x86_64/, i686/, files.nsh> -DTARN_OUTDIR=<folder> tarn.nsi
; The setup is a 32-bit program, so that it runs on every supported system. With
; -DTARN_AMD64 the same script makes a 64-bit one, for machines whose Wine runs no
; 32-bit programs (scripts/test.sh says when it uses that).
!ifdef TARN_AMD64
    Target amd64-unicode
    !pragma warning disable 6012   ; RunningX64 is known while compiling: LogicLib's else labels go unused
!else
    Unicode true
!endif
RequestExecutionLevel admin
ManifestDPIAware true
ManifestSupportedOS all
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinVer.nsh
!include running.nsh
!include shellstart.nsh

; The setup carries the version built into the program, so the two cannot differ.
!getdllversion "${TARN_STAGE}/x86_64/bin/Tarnview.exe" TARN_V64_
!getdllversion "${TARN_STAGE}/i686/bin/Tarnview.exe" TARN_V32_
!define TARN_VERSION "${TARN_V64_1}.${TARN_V64_2}.${TARN_V64_3}"
!if "${TARN_VERSION}" != "${TARN_V32_1}.${TARN_V32_2}.${TARN_V32_3}"
    !error "the x86_64 and i686 trees carry different versions"
!endif

!define TARN_UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarn"
!define TARN_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define TARN_ORX_KEY "SOFTWARE\Halvern\orx"
!define TARN_MAX_FOLDER 95        ; Tarnview reads at most 99 characters of "<folder>\bin"
!define TARN_EXIT_NO_PLATFORM 3   ; installed, but the maker's platform libraries were not found
!define TARN_EXIT_FAILED 2        ; files not written, or a silent setup's folder refused
!define TARN_EXIT_OTHER_PACKAGE 4 ; Tarn is installed from its Windows Installer package
!define TARN_EXIT_NEWER_INSTALLED 5 ; a newer version is installed
!define TARN_EXIT_NOT_ADMIN 740   ; ERROR_ELEVATION_REQUIRED
!define TARN_EXIT_RESTART 3010    ; ERROR_SUCCESS_REBOOT_REQUIRED: files in use are replaced at the next restart
!define TARN_UPGRADE_CODE "{6B2D8F3E-4A71-4C1E-9D53-2F0E8A7C1B94}"   ; packaging/tarn.wxs

Name "Tarn ${TARN_VERSION}"
OutFile "${TARN_OUTDIR}/Tarn-${TARN_VERSION}-setup.exe"
InstallDir ""   ; chosen in .onInit, unless /D= gave one
BrandingText "Halvern Tarn ${TARN_VERSION}"
VIProductVersion "${TARN_VERSION}.0"
VIAddVersionKey ProductName "Tarn"
VIAddVersionKey CompanyName "Halvern"
VIAddVersionKey FileDescription "Tarn setup"
VIAddVersionKey FileVersion "${TARN_VERSION}"
VIAddVersionKey ProductVersion "${TARN_VERSION}"
VIAddVersionKey LegalCopyright "Halvern"

!define MUI_ICON "${TARN_ICON}"
!define MUI_UNICON "${TARN_ICON}"

Var Arch          ; 64 or 32: the build that goes in, and the registry view it reads
Var OldFolder     ; where an earlier install of the same build lies, if any
Var NoPlatform    ; the maker's libraries that were not found, blank-separated
Var FilesFailed   ; files that could not be written, blank-separated

!include cpl.nsh

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(TARN_RUN_NOW)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTarnview
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!define MUI_FINISHPAGE_REBOOTLATER_DEFAULT   ; nothing restarts unless the user says so
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The setup's languages, English first; which one a user gets: uilanguage.nsh.
!include lang\en-US.nsh
!include lang\de-DE.nsh
!include lang\fr-FR.nsh
!include lang\es-ES.nsh
!include lang\it-IT.nsh
!include lang\pt-BR.nsh
!include lang\ru-RU.nsh
!include lang\ja-JP.nsh
!include lang\ko-KR.nsh
!include lang\zh-CN.nsh
!include lang\zh-TW.nsh

!include uilanguage.nsh

!insertmacro TARN_RUNNING_FUNCTIONS ""
!insertmacro TARN_RUNNING_FUNCTIONS "un."

; ---------------------------------------------------------------- both directions

!macro TARN_REQUIRE_ADMIN
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
        MessageBox MB_ICONSTOP "$(TARN_NOT_ADMIN)" /SD IDOK
        SetErrorLevel ${TARN_EXIT_NOT_ADMIN}
        Quit
    ${EndIf}
!macroend

!macro TARN_USE_VIEW
    ${If} $Arch = 64
        SetRegView 64
    ${Else}
        SetRegView 32
    ${EndIf}
!macroend

; Files left for the next restart: the exit code says so, as Windows Installer's does,
; over the platform package's 3, since it asks for something to be done.
!macro TARN_SAY_RESTART UN
Function ${UN}SayRestart
    ${If} ${RebootFlag}
        DetailPrint "$(TARN_RESTART)"
        SetErrorLevel ${TARN_EXIT_RESTART}
    ${EndIf}
FunctionEnd
!macroend
!insertmacro TARN_SAY_RESTART ""
!insertmacro TARN_SAY_RESTART "un."

; ---------------------------------------------------------------- setup

; An install from the Windows Installer package belongs to that package: two
; installs would mean two entries and two Run values.
Function RefuseMsiInstall
    System::Call 'msi::MsiEnumRelatedProductsW(w "${TARN_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
    ${If} $0 = 0
        MessageBox MB_ICONSTOP "$(TARN_MSI_INSTALLED)" /SD IDOK
        SetErrorLevel ${TARN_EXIT_OTHER_PACKAGE}
        Quit
    ${EndIf}
FunctionEnd

; On 64-bit Windows the build that matches the maker's platform libraries: the
; i686 one when they are only in SysWOW64, else the x86_64 one; /X86 forces the
; i686 build. An earlier install of one build is upgraded in place, so that one
; machine never has two "Tarn" entries or two Run values.
Function ChooseArch
    StrCpy $Arch 32
    ${IfNot} ${RunningX64}
        Goto chosen
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/X86" $1
    ${IfNot} ${Errors}
        Goto chosen
    ${EndIf}
    SetRegView 32
    ReadRegStr $0 HKLM "${TARN_UNINST_KEY}" "InstallLocation"
    SetRegView 64
    ReadRegStr $1 HKLM "${TARN_UNINST_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} $1 == ""
        Goto chosen
    ${EndIf}
    StrCpy $Arch 64
    ${DisableX64FSRedirection}
    ${If} $1 == ""
    ${AndIfNot} ${FileExists} "$WINDIR\System32\OrxCore.dll"
    ${AndIf} ${FileExists} "$WINDIR\SysWOW64\OrxCore.dll"
        StrCpy $Arch 32
    ${EndIf}
    ${EnableX64FSRedirection}
chosen:
    !insertmacro TARN_USE_VIEW
FunctionEnd

; An older setup never replaces a newer install; the same version repairs it.
Function RefuseDowngrade
    ReadRegStr $0 HKLM "${TARN_UNINST_KEY}" "DisplayVersion"
    ${If} $0 != ""
        ${VersionCompare} $0 "${TARN_VERSION}" $1
        ${If} $1 = 1
            MessageBox MB_ICONSTOP "$(TARN_NEWER_INSTALLED)" /SD IDOK
            SetErrorLevel ${TARN_EXIT_NEWER_INSTALLED}
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

; An installed copy keeps its folder; otherwise Program Files of the build's own bitness.
Function ChooseFolder
    ReadRegStr $OldFolder HKLM "${TARN_UNINST_KEY}" "InstallLocation"
    ${If} $INSTDIR != ""
        Return
    ${ElseIf} $OldFolder != ""
        StrCpy $INSTDIR $OldFolder
    ${ElseIf} $Arch = 64
        StrCpy $INSTDIR "$PROGRAMFILES64\Halvern\Tarn"
    ${ElseIf} ${RunningX64}
        ; Where 64-bit Windows keeps 32-bit programs, as it names it itself.
        SetRegView 64
        ReadRegStr $0 HKLM "Software\Microsoft\Windows\CurrentVersion" "ProgramFilesDir (x86)"
        SetRegView 32
        StrCpy $INSTDIR "$0\Halvern\Tarn"
    ${Else}
        StrCpy $INSTDIR "$PROGRAMFILES32\Halvern\Tarn"
    ${EndIf}
FunctionEnd

; The same build moved to another folder: the copy in the old folder goes first.
Function RemoveOldFolder
    ${If} $OldFolder == ""
    ${OrIf} $OldFolder == $INSTDIR
        Return
    ${EndIf}
    ${If} ${FileExists} "$OldFolder\Uninstall.exe"
        ExecWait '"$OldFolder\Uninstall.exe" /S _?=$OldFolder'
        Delete "$OldFolder\Uninstall.exe"
        RMDir $OldFolder
    ${EndIf}
FunctionEnd

; The highest folder this setup creates, so that the uninstaller removes no more.
; An upgrade finds the folder in place and keeps what the first setup recorded.
Function RecordCreatedFolder
    ${If} ${FileExists} "$INSTDIR\*.*"
        Return
    ${EndIf}
    StrCpy $0 $INSTDIR
    ${Do}
        ${GetParent} $0 $1
        ${If} $1 == ""
        ${OrIf} ${FileExists} "$1\*.*"
            ${Break}
        ${EndIf}
        StrCpy $0 $1
    ${Loop}
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "TarnCreatedFolder" $0
FunctionEnd

; A file still in use (a Tarnview that could not be ended) is written beside it
; and takes its place at the next restart, which the setup then asks for; only a
; file that cannot be written at all is counted as failed.
; A read-only file is made writable first ("try" would not); a ".tarnnew" left by
; an earlier setup goes once its file is written, so no pending rename brings an
; older file back at the restart.
!macro TARN_FILE DIR NAME
    SetOutPath "$INSTDIR\${DIR}"
    SetFileAttributes "$INSTDIR\${DIR}\${NAME}" NORMAL
    ClearErrors
    SetOverwrite try
    File "${TARN_FROM}/${DIR}/${NAME}"
    ${If} ${Errors}
        ClearErrors
        File "/oname=${NAME}.tarnnew" "${TARN_FROM}/${DIR}/${NAME}"
        ${IfNot} ${Errors}
            Rename /REBOOTOK "$INSTDIR\${DIR}\${NAME}.tarnnew" "$INSTDIR\${DIR}\${NAME}"
        ${EndIf}
        ${If} ${Errors}
            StrCpy $FilesFailed "$FilesFailed ${NAME}"
        ${Else}
            StrCpy $0 "$INSTDIR\${DIR}\${NAME}"
            DetailPrint "$(TARN_IN_USE)"
        ${EndIf}
    ${Else}
        Delete "$INSTDIR\${DIR}\${NAME}.tarnnew"
    ${EndIf}
    SetOverwrite on
!macroend

Function WriteRegistry
    WriteRegStr HKLM "${TARN_ORX_KEY}" "TarnMonPath" "$INSTDIR\bin"
    WriteRegStr HKLM "${TARN_RUN_KEY}" "Tarnview" '"$INSTDIR\bin\Tarnview.exe"'
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "DisplayName" "Tarn"
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "DisplayVersion" "${TARN_VERSION}"
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "Publisher" "Halvern"
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "DisplayIcon" "$INSTDIR\bin\Tarnview.exe"
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "InstallLocation" $INSTDIR
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    ${GetSize} $INSTDIR "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${TARN_UNINST_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${TARN_UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${TARN_UNINST_KEY}" "NoRepair" 1
    ; The language the setup spoke, chosen by the user's interface language.
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "Installer Language" $LANGUAGE
FunctionEnd

!macro TARN_FIND_LIBRARY NAME
    ${IfNot} ${FileExists} "$INSTDIR\bin\${NAME}"
    ${AndIfNot} ${FileExists} "$0\${NAME}"
        StrCpy $NoPlatform "$NoPlatform ${NAME}"
    ${EndIf}
!macroend

; Looks where Tarnview's loader looks: its own folder, then the system folder of
; its bitness: the native System32 for the x86_64 build, SysWOW64 for the i686
; build on 64-bit Windows. Named outright, so a 32-bit and a 64-bit setup agree.
Function FindPlatform
    StrCpy $NoPlatform ""
    StrCpy $0 "$WINDIR\System32"
    ${If} $Arch = 32
    ${AndIf} ${RunningX64}
        StrCpy $0 "$WINDIR\SysWOW64"
    ${EndIf}
    ${DisableX64FSRedirection}
    !insertmacro TARN_FIND_LIBRARY OrxCore.dll
    !insertmacro TARN_FIND_LIBRARY OrxVKbd.dll
    !insertmacro TARN_FIND_LIBRARY OrxPM.dll
    ${EnableX64FSRedirection}
    ${If} $NoPlatform != ""
        DetailPrint "$(TARN_NOT_FOUND)"
        MessageBox MB_ICONEXCLAMATION "$(TARN_NO_PLATFORM)" /SD IDOK
        SetErrorLevel ${TARN_EXIT_NO_PLATFORM}
    ${EndIf}
FunctionEnd

; Tarnview runs as the signed-in user, never with the setup's rights: from Vista on
; the desktop's shell starts it (the setup is elevated); on XP there is no
; elevation and a plain start is that user's. Run as LocalSystem (a deployment
; tool) or with no shell to ask, it starts nothing: the Run value starts it at
; the next logon. $0 is 1 when Tarnview can be started now.
Function CanStartTarnview
    Call IsLocalSystem
    ${If} $0 = 1
    ${OrIf} ${RebootFlag}
        StrCpy $0 0
    ${ElseIfNot} ${AtLeastWinVista}
        Call IsSessionUser
    ${Else}
        Call DesktopShell
        ${If} $0 P<> 0
            !insertmacro TARN_RELEASE $0
            StrCpy $0 1
        ${EndIf}
    ${EndIf}
FunctionEnd

; On XP a setup started with "Run as" runs as that administrator, not as the
; desktop's user: what it started would be the administrator's, on the user's
; desktop, and so would every program a bezel button starts.
Function StartTarnview
    Call CanStartTarnview
    ${If} $0 = 0
        DetailPrint "$(TARN_NEXT_LOGON)"
        Return
    ${EndIf}
    ${IfNot} ${AtLeastWinVista}
        SetOutPath "$INSTDIR\bin"
        ClearErrors
        Exec '"$INSTDIR\bin\Tarnview.exe"'
        StrCpy $0 0
        ${If} ${Errors}
            StrCpy $0 1
        ${EndIf}
    ${Else}
        Push "$INSTDIR\bin"
        Push "$INSTDIR\bin\Tarnview.exe"
        Call StartThroughShell
    ${EndIf}
    ${If} $0 <> 0
        DetailPrint "$(TARN_NEXT_LOGON)"
        MessageBox MB_ICONINFORMATION "$(TARN_NOT_STARTED_NOW)$\r$\n$(TARN_NEXT_LOGON)" /SD IDOK
    ${EndIf}
FunctionEnd

; The offer to start Tarnview only where it can be kept; elsewhere the page says
; when it starts. With files waiting for the restart, the page asks about that.
Function FinishPageShow
    ${If} ${RebootFlag}
        Return
    ${EndIf}
    Call CanStartTarnview
    ${If} $0 = 0
        ${NSD_Uncheck} $mui.FinishPage.Run
        ShowWindow $mui.FinishPage.Run ${SW_HIDE}
        ${NSD_SetText} $mui.FinishPage.Text "$(TARN_INSTALLED)$\r$\n$\r$\n$(TARN_NEXT_LOGON)"
        GetDlgItem $0 $HWNDPARENT 1
        ${NSD_SetFocus} $0
    ${EndIf}
FunctionEnd

Function StartIfSilent
    ${IfNot} ${Silent}
        Return
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/NOSTART" $1
    ${If} ${Errors}
        Call StartTarnview
    ${EndIf}
FunctionEnd

Section "-Prepare"
    Push $INSTDIR
    Call EndTarnview
    ${If} $OldFolder != ""
    ${AndIf} $OldFolder != $INSTDIR
        Push $OldFolder
        Call EndTarnview
    ${EndIf}
    Call RemoveOldFolder
    Call RecordCreatedFolder
SectionEnd

; One build's files a section: .onInit leaves the one it installs, so that the
; directory page counts the space that build needs.
Section "-x86_64 build" SecX86_64
    !define TARN_FROM "${TARN_STAGE}/x86_64"
    !include "${TARN_STAGE}/files.nsh"
    !undef TARN_FROM
SectionEnd

Section "-i686 build" SecI686
    !define TARN_FROM "${TARN_STAGE}/i686"
    !include "${TARN_STAGE}/files.nsh"
    !undef TARN_FROM
SectionEnd

Section "-Register"
    ${If} $FilesFailed != ""
        MessageBox MB_ICONSTOP "$(TARN_FILES_FAILED)" /SD IDOK
        SetErrorLevel ${TARN_EXIT_FAILED}
        Abort
    ${EndIf}
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    Call WriteRegistry
    Call RegisterCpl
    Call FindPlatform
    Call StartIfSilent
    Call SayRestart
SectionEnd

Function .onInit
    Call ChooseSetupLanguage
    !insertmacro TARN_REQUIRE_ADMIN
    Call RefuseMsiInstall
    Call ChooseArch
    Call RefuseDowngrade
    ${If} $Arch = 64
        !insertmacro UnselectSection ${SecI686}
    ${Else}
        !insertmacro UnselectSection ${SecX86_64}
    ${EndIf}
    Call ChooseFolder
    ${If} ${Silent}
        StrLen $0 $INSTDIR
        ${If} $0 > ${TARN_MAX_FOLDER}
            SetErrorLevel ${TARN_EXIT_FAILED}
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

Function .onVerifyInstDir
    StrLen $0 $INSTDIR
    ${If} $0 > ${TARN_MAX_FOLDER}
        Abort
    ${EndIf}
FunctionEnd

; ---------------------------------------------------------------- uninstaller

; The view whose uninstall entry names this folder: the 64-bit one for the x86_64 build.
Function un.ChooseArch
    StrCpy $Arch 32
    ${If} ${RunningX64}
        SetRegView 64
        ReadRegStr $0 HKLM "${TARN_UNINST_KEY}" "InstallLocation"
        ${If} $0 == $INSTDIR
            StrCpy $Arch 64
        ${EndIf}
    ${EndIf}
    !insertmacro TARN_USE_VIEW
FunctionEnd

Function un.onInit
    Call un.ChooseSetupLanguage
    !insertmacro TARN_REQUIRE_ADMIN
    Call un.ChooseArch
FunctionEnd

; A file still in use goes at the next restart (and its folders then, below);
; a ".tarnnew" waiting to replace it goes now, so nothing comes back at the restart.
!macroundef TARN_FILE
!macro TARN_FILE DIR NAME
    ClearErrors
    Delete "$INSTDIR\${DIR}\${NAME}"
    ${If} ${Errors}
        Delete /REBOOTOK "$INSTDIR\${DIR}\${NAME}"
    ${EndIf}
    Delete "$INSTDIR\${DIR}\${NAME}.tarnnew"
    RMDir "$INSTDIR\${DIR}"
!macroend

; Only what the setup put there: the maker's files and the user's stay, and so do
; the folders that hold them.
Function un.RemoveFiles
    !include "${TARN_STAGE}/files.nsh"
    Delete "$INSTDIR\Uninstall.exe"
    ReadRegStr $1 HKLM "${TARN_UNINST_KEY}" "TarnCreatedFolder"
    StrCpy $0 $INSTDIR
    ${Do}
        ${If} ${RebootFlag}
            RMDir /REBOOTOK $0
        ${Else}
            RMDir $0
        ${EndIf}
        ${If} $0 == $1
        ${OrIf} $1 == ""
            ${Break}
        ${EndIf}
        ${GetParent} $0 $0
        StrLen $2 $0
    ${LoopUntil} $2 <= 3
FunctionEnd

; "TarnMonPath" and the Run value go only while they name this folder; the user's
; BezelButton settings and the debug-log folder are never touched.
Function un.RemoveRegistry
    ReadRegStr $0 HKLM "${TARN_ORX_KEY}" "TarnMonPath"
    ${If} $0 == "$INSTDIR\bin"
        DeleteRegValue HKLM "${TARN_ORX_KEY}" "TarnMonPath"
        DeleteRegKey /ifempty HKLM "${TARN_ORX_KEY}"
        DeleteRegKey /ifempty HKLM "SOFTWARE\Halvern"
    ${EndIf}
    ReadRegStr $0 HKLM "${TARN_RUN_KEY}" "Tarnview"
    ${If} $0 == '"$INSTDIR\bin\Tarnview.exe"'
        DeleteRegValue HKLM "${TARN_RUN_KEY}" "Tarnview"
    ${EndIf}
    DeleteRegKey HKLM "${TARN_UNINST_KEY}"
FunctionEnd

Section "Uninstall"
    Push $INSTDIR
    Call un.EndTarnview
    Call un.UnregisterCpl
    Call un.RemoveFiles
    Call un.RemoveRegistry
    Call un.SayRestart
SectionEnd
