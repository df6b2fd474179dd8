; The buttons' Control Panel item, TarnButtons.cpl beside Tarnview.exe: registered
; with Control Panel (Windows XP: the "Cpls" list; Vista and 7: the category
; Hardware and Sound), and a Start-menu shortcut for every user, named in the
; setup's language. Included by tarn.nsi; its files come from the product manifest
; like every other file.

!define TARN_CPLS_KEY "Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls"
!define TARN_CPL_CATEGORY_KEY "Software\Microsoft\Windows\CurrentVersion\Control Panel\Extended Properties\{305CA226-D286-468e-B848-2B2E8E697B74} 2"
!define TARN_CPL_CATEGORY_HARDWARE 2
; The shortcut's file name as created, so that an upgrade in another language and
; the uninstaller find it; installs that did not record it named it in English.
!define TARN_CPL_SHORTCUT_VALUE "TarnShortcut"
!define TARN_CPL_SHORTCUT_ENGLISH "Tarn Buttons.lnk"

; The control.exe of the item's bitness: the 32-bit one for the i686 build on 64-bit Windows.
!macro TARN_CPL_CONTROL_EXE VAR
    StrCpy ${VAR} "$WINDIR\System32\control.exe"
    ${If} $Arch = 32
    ${AndIf} ${RunningX64}
        StrCpy ${VAR} "$WINDIR\SysWOW64\control.exe"
    ${EndIf}
!macroend

; The recorded shortcut, a plain file name only: the value names nothing elsewhere.
!macro TARN_DELETE_CPL_SHORTCUT UN
Function ${UN}DeleteCplShortcut
    ReadRegStr $1 HKLM "${TARN_UNINST_KEY}" "${TARN_CPL_SHORTCUT_VALUE}"
    ${If} $1 == ""
        StrCpy $1 "${TARN_CPL_SHORTCUT_ENGLISH}"
    ${EndIf}
    ${StrFilter} $1 "" "" '\/:*?"<>|' $2
    ${If} $1 == $2
    ${AndIf} $1 != ".."
        Delete "$SMPROGRAMS\$1"
    ${EndIf}
FunctionEnd
!macroend
!insertmacro TARN_DELETE_CPL_SHORTCUT ""
!insertmacro TARN_DELETE_CPL_SHORTCUT "un."

; In the registry view of the build (tarn.nsi chose it), as Control Panel of that bitness reads it.
Function RegisterCpl
    WriteRegStr HKLM "${TARN_CPLS_KEY}" "TarnButtons" "$INSTDIR\bin\TarnButtons.cpl"
    WriteRegDWORD HKLM "${TARN_CPL_CATEGORY_KEY}" "$INSTDIR\bin\TarnButtons.cpl" ${TARN_CPL_CATEGORY_HARDWARE}
    !insertmacro TARN_CPL_CONTROL_EXE $0
    SetShellVarContext all
    Call DeleteCplShortcut
    CreateShortCut "$SMPROGRAMS\$(TARN_SHORTCUT).lnk" $0 '"$INSTDIR\bin\TarnButtons.cpl"' "$INSTDIR\bin\TarnButtons.cpl" 0
    WriteRegStr HKLM "${TARN_UNINST_KEY}" "${TARN_CPL_SHORTCUT_VALUE}" "$(TARN_SHORTCUT).lnk"
    SetShellVarContext current
FunctionEnd

; Only the values that name this folder's item.
Function un.UnregisterCpl
    ReadRegStr $0 HKLM "${TARN_CPLS_KEY}" "TarnButtons"
    ${If} $0 == "$INSTDIR\bin\TarnButtons.cpl"
        DeleteRegValue HKLM "${TARN_CPLS_KEY}" "TarnButtons"
    ${EndIf}
    DeleteRegValue HKLM "${TARN_CPL_CATEGORY_KEY}" "$INSTDIR\bin\TarnButtons.cpl"
    DeleteRegKey /ifempty HKLM "${TARN_CPL_CATEGORY_KEY}"
    SetShellVarContext all
    Call un.DeleteCplShortcut
    SetShellVarContext current
FunctionEnd
