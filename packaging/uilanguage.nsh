; The setup's language, chosen as Tarn Buttons chooses its own. From Vista on,
; Windows loads resources in the languages of a list: a language pack's own, the
; language it is built on (Catalan, then Spanish), the system's. The setup takes
; the first it has texts for, of any region; on XP the list is the user's one
; language. Chinese goes by its script: Hong Kong and Macao (and the neutral
; traditional Chinese) write the traditional one. None of them: English. NSIS
; itself would look at the first language only, and for a Chinese it has no
; texts for it would take the first Chinese listed, the simplified one.
; Included after the languages, whose ${LANG_...} it names.

!define TARN_MUI_LIST_FLAGS 0x34   ; MUI_LANGUAGE_ID | MUI_MERGE_USER_FALLBACK | MUI_MERGE_SYSTEM_FALLBACK
!define TARN_MUI_LIST_CCH 512      ; room for more languages than any list holds
!define TARN_MUI_LIST_BYTES 1024
!define TARN_MUI_ENTRY_BYTES 10    ; four hex digits and a terminator

!macro TARN_UILANGUAGE_FUNCTIONS UN
; $0: a language identifier in, the setup's language for it (0 for none) out.
Function ${UN}SetupLanguageOf
    IntOp $1 $0 & 0x3FF
    ${If} $1 = 0x04
        ${If} $0 = 0x0404
        ${OrIf} $0 = 0x0C04
        ${OrIf} $0 = 0x1404
        ${OrIf} $0 = 0x7C04
            StrCpy $0 ${LANG_TRADCHINESE}
        ${Else}
            StrCpy $0 ${LANG_SIMPCHINESE}
        ${EndIf}
    ${ElseIf} $1 = 0x09
        StrCpy $0 ${LANG_ENGLISH}
    ${ElseIf} $1 = 0x07
        StrCpy $0 ${LANG_GERMAN}
    ${ElseIf} $1 = 0x0C
        StrCpy $0 ${LANG_FRENCH}
    ${ElseIf} $1 = 0x0A
        StrCpy $0 ${LANG_SPANISH}
    ${ElseIf} $1 = 0x10
        StrCpy $0 ${LANG_ITALIAN}
    ${ElseIf} $1 = 0x16
        StrCpy $0 ${LANG_PORTUGUESEBR}
    ${ElseIf} $1 = 0x19
        StrCpy $0 ${LANG_RUSSIAN}
    ${ElseIf} $1 = 0x11
        StrCpy $0 ${LANG_JAPANESE}
    ${ElseIf} $1 = 0x12
        StrCpy $0 ${LANG_KOREAN}
    ${Else}
        StrCpy $0 0
    ${EndIf}
FunctionEnd

; $2: the first language of the list the setup has, 0 for none.
Function ${UN}FirstListedSetupLanguage
    StrCpy $2 0
    System::Call 'kernel32::GetModuleHandleW(w "kernel32.dll") p .r3'
    System::Call 'kernel32::GetProcAddress(p r3, m "GetThreadPreferredUILanguages") p .r3'
    ${If} $3 P= 0
        Return   ; Windows XP
    ${EndIf}
    System::Alloc ${TARN_MUI_LIST_BYTES}
    Pop $4
    System::Call 'kernel32::GetThreadPreferredUILanguages(i ${TARN_MUI_LIST_FLAGS}, *i .r8, p r4, *i ${TARN_MUI_LIST_CCH}) i .r5'
    StrCpy $6 $4
    ${DoWhile} $5 <> 0
        System::Call '*$6(&w5 .r7)'
        ${If} $7 == ""
            ${Break}
        ${EndIf}
        IntOp $0 0x$7 + 0
        Call ${UN}SetupLanguageOf
        ${If} $0 <> 0
            StrCpy $2 $0
            ${Break}
        ${EndIf}
        IntPtrOp $6 $6 + ${TARN_MUI_ENTRY_BYTES}
    ${Loop}
    System::Free $4
FunctionEnd

Function ${UN}ChooseSetupLanguage
    Call ${UN}FirstListedSetupLanguage
    ${If} $2 = 0
        System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
        Call ${UN}SetupLanguageOf
        StrCpy $2 $0
    ${EndIf}
    ${If} $2 = 0
        StrCpy $2 ${LANG_ENGLISH}
    ${EndIf}
    StrCpy $LANGUAGE $2
FunctionEnd
!macroend
!insertmacro TARN_UILANGUAGE_FUNCTIONS ""
!insertmacro TARN_UILANGUAGE_FUNCTIONS "un."
