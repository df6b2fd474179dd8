; Starts a program as the signed-in user, not with the setup's own rights: from
; Vista on the setup runs elevated, and whatever it starts inherits that token;
; on XP it may run as another user ("Run as"), which IsSessionUser tells.
; The desktop's shell (the user's own explorer.exe) is asked to start it, through
; its folder view: ShellWindows -> FindWindowSW(SWC_DESKTOP) -> the top-level
; browser -> its active view -> the view's automation object -> its Application,
; whose ShellExecute runs in the shell's process. The last two steps go through
; IDispatch: the view's dual interface is not registered for marshalling
; everywhere, and no VARIANT has to be passed by value, whose convention differs
; between the 32- and 64-bit setups. With no shell in this session (a deployment
; tool running the setup as SYSTEM) there is no desktop window to find, and
; nothing is started.

; A test build names a class that is registered nowhere: a session with no shell.
!ifndef TARN_CLSID_SHELLWINDOWS
    !define TARN_CLSID_SHELLWINDOWS "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}"
!endif
!define TARN_IID_ISHELLWINDOWS "{85CB6900-4D95-11CF-960C-0080C7F4EE85}"
!define TARN_IID_ISERVICEPROVIDER "{6D5140C1-7436-11CE-8034-00AA006009FA}"
!define TARN_SID_STOPLEVELBROWSER "{4C96BE40-915C-11CF-99D3-00AA004AE837}"
!define TARN_IID_ISHELLBROWSER "{000214E2-0000-0000-C000-000000000046}"
!define TARN_IID_IDISPATCH "{00020400-0000-0000-C000-000000000046}"
!define TARN_IID_NULL "{00000000-0000-0000-0000-000000000000}"
!define TARN_CLSCTX_LOCAL_SERVER 4   ; the shell's own process, never an object in ours
!define TARN_SWC_DESKTOP 8
!define TARN_SWFO_NEEDDISPATCH 1
!define TARN_SVGIO_BACKGROUND 0
!define TARN_DISPATCH_METHOD 1
!define TARN_DISPATCH_PROPERTYGET 2
!define TARN_VT_I4 3
!define TARN_VT_BSTR 8
!define TARN_VT_DISPATCH 9
!define TARN_SW_SHOWNORMAL 1
; A VARIANT is written as *(i type, i 0, p value, p 0): 16 bytes in the 32-bit
; setup, 24 in the 64-bit one, the value at offset 8 in both.
; Vtable slots (IUnknown 0-2, IDispatch 3-6, IOleWindow 3-4).
!define TARN_SLOT_QUERYINTERFACE 0
!define TARN_SLOT_RELEASE 2
!define TARN_SLOT_GETIDSOFNAMES 5          ; IDispatch
!define TARN_SLOT_INVOKE 6                 ; IDispatch
!define TARN_SLOT_FINDWINDOWSW 15          ; IShellWindows
!define TARN_SLOT_QUERYSERVICE 3           ; IServiceProvider
!define TARN_SLOT_QUERYACTIVESHELLVIEW 15  ; IShellBrowser
!define TARN_SLOT_GETITEMOBJECT 15         ; IShellView

; Releases the interface in the variable named, if any, and clears it.
!macro TARN_RELEASE VAR
    ${If} ${VAR} P<> 0
        System::Call "${VAR}->${TARN_SLOT_RELEASE}()"
    ${EndIf}
    StrCpy ${VAR} 0
!macroend

; Calls member NAME (LEN characters with its terminator) of the IDispatch in $3
; with FLAGS and the COUNT VARIANTs at $6 (last argument first, as IDispatch takes
; them). HRESULT in $0; a VT_DISPATCH result's reference in $4, else $4 is 0.
; Uses $5 and $7.
!macro TARN_INVOKE NAME LEN FLAGS COUNT
    ; The DISPID needs a place of its own: a proxy clears [out] arguments before it
    ; reads the [in] ones.
    System::Call "*(&w${LEN} '${NAME}') p .r7"
    System::Call "*(p r7) p .r5"
    System::Call "$3->${TARN_SLOT_GETIDSOFNAMES}(g '${TARN_IID_NULL}', p r5, i 1, i 0, *i 0 r4) i .r0"
    System::Free $5
    System::Free $7
    StrCpy $5 $4
    StrCpy $4 0
    ${If} $0 = 0
        System::Call "*(p r6, p 0, i ${COUNT}, i 0) p .r7"   ; DISPPARAMS
        System::Call "*(i 0, i 0, p 0, p 0) p .r4"           ; the result, a VARIANT
        System::Call "$3->${TARN_SLOT_INVOKE}(i r5, g '${TARN_IID_NULL}', i 0, i ${FLAGS}, p r7, p r4, p 0, p 0) i .r0"
        System::Free $7
        StrCpy $7 $4
        System::Call "*$7(&i2 .r5, &i2, &i4, p .r4)"   ; vt, then the reserved fields
        ${If} $0 <> 0
        ${OrIf} $5 <> ${TARN_VT_DISPATCH}
            System::Call "oleaut32::VariantClear(p r7)"
            StrCpy $4 0
        ${EndIf}
        System::Free $7
    ${EndIf}
!macroend

; The desktop shell's Application object (an IDispatch) in $0, or 0 when this
; session has none. Keeps $1-$9; the caller releases what it gets.
Function DesktopShell
    Push $3
    Push $4
    Push $5
    Push $6
    Push $7
    Push $8
    Push $9
    StrCpy $3 0
    StrCpy $4 0
    StrCpy $8 0
    System::Call "ole32::CoCreateInstance(g '${TARN_CLSID_SHELLWINDOWS}', p 0, i ${TARN_CLSCTX_LOCAL_SERVER}, g '${TARN_IID_ISHELLWINDOWS}', *p .r9) i .r0"
    ${If} $0 <> 0
        Goto done
    ${EndIf}
    ; FindWindowSW's two locations: VT_I4 CSIDL_DESKTOP (0), and VT_EMPTY.
    System::Call "*(i ${TARN_VT_I4}, i 0, p 0, p 0) p .r6"
    System::Call "*(i 0, i 0, p 0, p 0) p .r7"
    System::Call "$9->${TARN_SLOT_FINDWINDOWSW}(p r6, p r7, i ${TARN_SWC_DESKTOP}, *i .r5, i ${TARN_SWFO_NEEDDISPATCH}, *p .r3) i .r0"
    System::Free $6
    System::Free $7
    !insertmacro TARN_RELEASE $9
    ; S_FALSE: no desktop window in this session.
    ${If} $0 <> 0
    ${OrIf} $3 P= 0
        Goto done
    ${EndIf}
    System::Call "$3->${TARN_SLOT_QUERYINTERFACE}(g '${TARN_IID_ISERVICEPROVIDER}', *p .r4) i .r0"
    !insertmacro TARN_RELEASE $3
    ${If} $0 <> 0
        Goto done
    ${EndIf}
    System::Call "$4->${TARN_SLOT_QUERYSERVICE}(g '${TARN_SID_STOPLEVELBROWSER}', g '${TARN_IID_ISHELLBROWSER}', *p .r3) i .r0"
    !insertmacro TARN_RELEASE $4
    ${If} $0 <> 0
        Goto done
    ${EndIf}
    System::Call "$3->${TARN_SLOT_QUERYACTIVESHELLVIEW}(*p .r4) i .r0"
    !insertmacro TARN_RELEASE $3
    ${If} $0 <> 0
        Goto done
    ${EndIf}
    System::Call "$4->${TARN_SLOT_GETITEMOBJECT}(i ${TARN_SVGIO_BACKGROUND}, g '${TARN_IID_IDISPATCH}', *p .r3) i .r0"
    !insertmacro TARN_RELEASE $4
    ${If} $0 <> 0
        Goto done
    ${EndIf}
    StrCpy $6 0
    !insertmacro TARN_INVOKE Application 12 ${TARN_DISPATCH_PROPERTYGET} 0
    !insertmacro TARN_RELEASE $3
    StrCpy $8 $4
done:
    StrCpy $0 $8
    Pop $9
    Pop $8
    Pop $7
    Pop $6
    Pop $5
    Pop $4
    Pop $3
FunctionEnd

; Starts a program through the desktop's shell; $0 is 0 when the shell took it,
; else not. Keeps $1-$9.
;   Push <folder>
;   Push <program>
;   Call StartThroughShell
Function StartThroughShell
    Exch $1        ; program
    Exch
    Exch $2        ; folder
    Push $3
    Push $4
    Push $5
    Push $6
    Push $7
    Push $8
    Call DesktopShell
    StrCpy $3 $0
    ${If} $3 P= 0
        StrCpy $0 1
    ${Else}
        ; ShellExecute(file, arguments, folder, verb, show), given last first. Crossing
        ; to the shell's process, the strings must be real BSTRs (their length first).
        System::Call "oleaut32::SysAllocString(w r1) p .r1"
        System::Call "oleaut32::SysAllocString(w '') p .r4"
        System::Call "oleaut32::SysAllocString(w r2) p .r2"
        System::Call "oleaut32::SysAllocString(w 'open') p .r8"
        System::Call "*(i ${TARN_VT_I4}, i 0, p ${TARN_SW_SHOWNORMAL}, p 0, \
                        i ${TARN_VT_BSTR}, i 0, p r8, p 0, i ${TARN_VT_BSTR}, i 0, p r2, p 0, \
                        i ${TARN_VT_BSTR}, i 0, p r4, p 0, i ${TARN_VT_BSTR}, i 0, p r1, p 0) p .r6"
        ${If} $1 P= 0
        ${OrIf} $2 P= 0
        ${OrIf} $4 P= 0
        ${OrIf} $8 P= 0
            StrCpy $0 14   ; ERROR_OUTOFMEMORY
        ${Else}
            Push $4
            !insertmacro TARN_INVOKE ShellExecute 13 ${TARN_DISPATCH_METHOD} 5
            !insertmacro TARN_RELEASE $4
            Pop $4
        ${EndIf}
        System::Free $6
        System::Call "oleaut32::SysFreeString(p r1)"
        System::Call "oleaut32::SysFreeString(p r4)"
        System::Call "oleaut32::SysFreeString(p r2)"
        System::Call "oleaut32::SysFreeString(p r8)"
        !insertmacro TARN_RELEASE $3
    ${EndIf}
    Pop $8
    Pop $7
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
FunctionEnd

; $0 is 1 when this process runs as LocalSystem (a deployment tool's service),
; whose programs must never end up on a user's desktop; else 0. Keeps $1-$9.
Function IsLocalSystem
    Push $1
    Push $2
    Push $3
    StrCpy $0 0
    System::Call "advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r2"   ; TOKEN_QUERY
    ${If} $2 <> 0
        System::Alloc 256
        Pop $2
        System::Call "advapi32::GetTokenInformation(p r1, i 1, p r2, i 256, *i .r3) i .r3"   ; TokenUser
        ${If} $3 <> 0
            System::Call "*$2(p .r3)"   ; TOKEN_USER: the SID first
            System::Call "advapi32::IsWellKnownSid(p r3, i 22) i .r0"   ; WinLocalSystemSid
            ${If} $0 <> 0
                StrCpy $0 1
            ${EndIf}
        ${EndIf}
        System::Free $2
        System::Call "kernel32::CloseHandle(p r1)"
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
FunctionEnd

; XP: $0 is 1 when this setup runs as the user signed in to its session (the
; account the terminal service names), whose Tarnview it may start; 0
; when an administrator started it with "Run as", or when the session's user
; cannot be told. A test build names the session's user outright. Keeps $1-$9.
Function IsSessionUser
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    StrCpy $0 0
!ifdef TARN_TEST_SESSION_USER
    StrCpy $4 "${TARN_TEST_SESSION_USER}"
!else
    StrCpy $4 ""
    System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 7, *p .r1, *i .r2) i .r3"   ; WTSDomainName
    ${If} $3 <> 0
        System::Call "kernel32::lstrcpynW(w .r5, p r1, i ${NSIS_MAX_STRLEN})"
        System::Call "wtsapi32::WTSFreeMemory(p r1)"
        System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r1, *i .r2) i .r3"   ; WTSUserName
        ${If} $3 <> 0
            System::Call "kernel32::lstrcpynW(w .r6, p r1, i ${NSIS_MAX_STRLEN})"
            System::Call "wtsapi32::WTSFreeMemory(p r1)"
            StrCpy $4 "$5\$6"
        ${EndIf}
    ${EndIf}
!endif
    System::Call "advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r3"   ; TOKEN_QUERY
    ${If} $3 <> 0
        ${If} $4 != ""
            System::Alloc 256
            Pop $2
            System::Call "advapi32::GetTokenInformation(p r1, i 1, p r2, i 256, *i .r3) i .r3"   ; TokenUser
            ${If} $3 <> 0
                ; The same account, whatever its name was typed as: compared by SID.
                System::Call "*$2(p .r6)"   ; TOKEN_USER: the SID first
                System::Alloc 256
                Pop $5
                System::Call "advapi32::LookupAccountNameW(p 0, w r4, p r5, *i 256, w .r3, *i ${NSIS_MAX_STRLEN}, *i .r3) i .r3"
                ${If} $3 <> 0
                    System::Call "advapi32::EqualSid(p r5, p r6) i .r3"
                    ${If} $3 <> 0
                        StrCpy $0 1
                    ${EndIf}
                ${EndIf}
                System::Free $5
            ${EndIf}
            System::Free $2
        ${EndIf}
        System::Call "kernel32::CloseHandle(p r1)"
    ${EndIf}
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
FunctionEnd
