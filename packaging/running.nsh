; Ends every running Tarnview of one install before its files are replaced or
; removed: also another user's (fast user switching, a second administrator), so
; the setup first enables its debug privilege; and only a process whose program is
; that install's Tarnview.exe, never another program of that name nor a window
; that only calls itself "HookWnd". Tarnview has no exit command; ending its
; process is what a logoff does. Made once for the setup and once, prefixed
; "un.", for the uninstaller.

!define TARN_END_ACCESS 0x00100401   ; SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE
!define TARN_TOKEN_ADJUST 0x28       ; TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
!define TARN_PRIVILEGE_ENABLED 2     ; SE_PRIVILEGE_ENABLED
!if ${NSIS_PTR_SIZE} > 4
    !define TARN_PROCESSENTRY_SIZE 568
!else
    !define TARN_PROCESSENTRY_SIZE 556
!endif

; Ends the process with the id in $1 when its program is the one in $4 (device
; form), and waits for it to be gone. Uses $0 and $9.
!macro TARN_END_IF_INSTALLED
    System::Call 'kernel32::OpenProcess(i ${TARN_END_ACCESS}, i 0, i r1) p .r9'
    ${If} $9 P<> 0
        System::Call 'psapi::GetProcessImageFileNameW(p r9, w .r0, i ${NSIS_MAX_STRLEN}) i .r3'
        ${If} $3 <> 0
        ${AndIf} $0 == $4
            System::Call 'kernel32::TerminateProcess(p r9, i 1)'
            System::Call 'kernel32::WaitForSingleObject(p r9, i 10000)'
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r9)'
    ${EndIf}
!macroend

!macro TARN_RUNNING_FUNCTIONS UN
; An administrator holds the debug privilege, disabled until asked for: with it,
; another user's process can be opened and ended. Keeps $1-$9.
Function ${UN}EnableDebugPrivilege
    Push $1
    Push $2
    Push $3
    System::Call 'advapi32::OpenProcessToken(p -1, i ${TARN_TOKEN_ADJUST}, *p .r1) i .r0'
    ${If} $0 <> 0
        System::Call 'advapi32::LookupPrivilegeValueW(p 0, w "SeDebugPrivilege", *l .r2) i .r0'
        ${If} $0 <> 0
            ; TOKEN_PRIVILEGES with one LUID_AND_ATTRIBUTES, packed as Windows packs it.
            System::Call '*(i 1, l r2, i ${TARN_PRIVILEGE_ENABLED}) p .r3'
            System::Call 'advapi32::AdjustTokenPrivileges(p r1, i 0, p r3, i 0, p 0, p 0) i .r0'
            System::Free $3
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
FunctionEnd

; The device form of a path ("\Device\HarddiskVolume1\..."), which is how Windows
; names a process's program to anyone, of any bitness, from XP on. "" when the
; drive has none (a path that is not on a drive letter).
;   Push <path>
;   Call TarnDevicePath
;   Pop <device path>
Function ${UN}TarnDevicePath
    Exch $1
    Push $2
    Push $3
    StrCpy $2 $1 2
    StrCpy $3 $1 "" 2
    System::Call 'kernel32::QueryDosDeviceW(w r2, w .r2, i ${NSIS_MAX_STRLEN}) i .r0'
    ${If} $0 = 0
        StrCpy $1 ""
    ${Else}
        StrCpy $1 "$2$3"
    ${EndIf}
    Pop $3
    Pop $2
    Exch $1
FunctionEnd


; Every Tarnview of the install in the folder given, of any user and session.
;   Push <install folder>
;   Call EndTarnview
Function ${UN}EndTarnview
    Exch $4
    Push $0
    Push $1
    Push $2
    Push $3
    Push $9
    Call ${UN}EnableDebugPrivilege
    Push "$4\bin\Tarnview.exe"
    Call ${UN}TarnDevicePath
    Pop $4
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'   ; TH32CS_SNAPPROCESS
    ${If} $4 != ""
    ${AndIf} $0 P<> -1
        ; PROCESSENTRY32W, its size filled in
        System::Call '*(i ${TARN_PROCESSENTRY_SIZE}, i, i, p, i, i, i, i, i, &w260) p .r2'
        System::Call 'kernel32::Process32FirstW(p r0, p r2) i .r3'
        ${DoWhile} $3 <> 0
            System::Call '*$2(i, i, i .r1, p, i, i, i, i, i, &w260 .r3)'
            ${If} $3 == "Tarnview.exe"
                Push $0
                !insertmacro TARN_END_IF_INSTALLED
                Pop $0
            ${EndIf}
            System::Call 'kernel32::Process32NextW(p r0, p r2) i .r3'
        ${Loop}
        System::Free $2
    ${EndIf}
    ${If} $0 P<> -1
        System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    Pop $9
    Pop $3
    Pop $2
    Pop $1
    Pop $0
    Pop $4
FunctionEnd
!macroend
