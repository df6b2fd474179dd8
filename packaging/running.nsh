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
; PROCESSENTRY32W as Windows lays it out: in the 64-bit setup th32DefaultHeapID
; is 8 bytes on an 8-byte boundary, and the structure ends on one.
!if ${NSIS_PTR_SIZE} > 4
    !define TARN_PROCESSENTRY "i 568, i, i, i, p, i, i, i, i, i, &w260, i"
    !define TARN_PROCESSENTRY_READ "i, i, i .r1, i, p, i, i, i, i, i, &w260 .r3"
!else
    !define TARN_PROCESSENTRY "i 556, i, i, p, i, i, i, i, i, &w260"
    !define TARN_PROCESSENTRY_READ "i, i, i .r1, p, i, i, i, i, i, &w260 .r3"
!endif

; Ends the process with the id in $1 when its program is the one in $4 (a long
; path), and waits for it to be gone. Windows names a process's program, to anyone
; of any bitness from XP on, in the device form ("\Device\HarddiskVolume1\..."),
; as it was opened (an 8.3 name stays one): on the drive $6, whose device is $5,
; it is turned back into a long path before it is compared. Uses $0, $3, $7, $9.
!macro TARN_END_IF_INSTALLED
    System::Call 'kernel32::OpenProcess(i ${TARN_END_ACCESS}, i 0, i r1) p .r9'
    ${If} $9 P<> 0
        System::Call 'psapi::GetProcessImageFileNameW(p r9, w .r0, i ${NSIS_MAX_STRLEN}) i .r3'
        StrLen $3 "$5\"
        StrCpy $7 $0 $3
        ${If} $7 == "$5\"
            StrCpy $0 $0 "" $3
            System::Call 'kernel32::GetLongPathNameW(w "$6\$0", w .r0, i ${NSIS_MAX_STRLEN}) i .r3'
            ${If} $3 <> 0
            ${AndIf} $0 == $4
                System::Call 'kernel32::TerminateProcess(p r9, i 1)'
                System::Call 'kernel32::WaitForSingleObject(p r9, i 10000)'
            ${EndIf}
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

; The program of an install's Tarnview as a long path in $4, its drive in $6 and
; that drive's device in $5; $5 "" when there is none (a path not on a drive).
Function ${UN}TarnProgramPath
    Exch $4
    StrCpy $4 "$4\bin\Tarnview.exe"
    System::Call 'kernel32::GetLongPathNameW(w r4, w .r5, i ${NSIS_MAX_STRLEN}) i .r6'
    ${If} $6 <> 0
        StrCpy $4 $5
    ${EndIf}
    StrCpy $6 $4 2
    System::Call 'kernel32::QueryDosDeviceW(w r6, w .r5, i ${NSIS_MAX_STRLEN}) i .r0'
    ${If} $0 = 0
        StrCpy $5 ""
    ${EndIf}
    Exch $4
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
    Push $5
    Push $6
    Push $7
    Push $9
    Call ${UN}EnableDebugPrivilege
    Push $4
    Call ${UN}TarnProgramPath
    Pop $4
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'   ; TH32CS_SNAPPROCESS
    ${If} $5 != ""
    ${AndIf} $0 P<> -1
        ; PROCESSENTRY32W, its size filled in
        System::Call '*(${TARN_PROCESSENTRY}) p .r2'
        System::Call 'kernel32::Process32FirstW(p r0, p r2) i .r3'
        ${DoWhile} $3 <> 0
            System::Call '*$2(${TARN_PROCESSENTRY_READ})'
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
    Pop $7
    Pop $6
    Pop $5
    Pop $3
    Pop $2
    Pop $1
    Pop $0
    Pop $4
FunctionEnd
!macroend
