; Ends every running Tarnview before its files are replaced or removed. Tarnview
; has no exit command; ending its process is what a logoff does. The functions are
; made once for the setup and once, prefixed "un.", for the uninstaller.

!define TARN_END_ACCESS 0x00100001   ; SYNCHRONIZE | PROCESS_TERMINATE
!define TARN_END_ROUNDS 20           ; a window that will not go away stops the search
!if ${NSIS_PTR_SIZE} > 4
    !define TARN_PROCESSENTRY_SIZE 568
!else
    !define TARN_PROCESSENTRY_SIZE 556
!endif

; Ends the process with the id in $1 and waits for it to be gone. Uses $9.
!macro TARN_END_PROCESS
    System::Call 'kernel32::OpenProcess(i ${TARN_END_ACCESS}, i 0, i r1) p .r9'
    ${If} $9 P<> 0
        System::Call 'kernel32::TerminateProcess(p r9, i 1)'
        System::Call 'kernel32::WaitForSingleObject(p r9, i 10000)'
        System::Call 'kernel32::CloseHandle(p r9)'
    ${EndIf}
!macroend

!macro TARN_RUNNING_FUNCTIONS UN
; The Tarnview of this session, found by its "HookWnd" window, until none is left.
Function ${UN}EndSessionTarnview
    Push $0
    Push $1
    Push $2
    Push $9
    StrCpy $2 0
    ${Do}
        FindWindow $0 "HookWnd"
        ${If} $0 = 0
            ${Break}
        ${EndIf}
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1)'
        !insertmacro TARN_END_PROCESS
        IntOp $2 $2 + 1
    ${LoopUntil} $2 >= ${TARN_END_ROUNDS}
    Pop $9
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

; Tarnviews of other users' sessions, whose windows this session cannot see:
; every process of the machine named Tarnview.exe.
Function ${UN}EndOtherTarnviews
    Push $0
    Push $1
    Push $2
    Push $3
    Push $9
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'   ; TH32CS_SNAPPROCESS
    ${If} $0 P<> -1
        ; PROCESSENTRY32W, its size filled in
        System::Call '*(i ${TARN_PROCESSENTRY_SIZE}, i, i, p, i, i, i, i, i, &w260) p .r2'
        System::Call 'kernel32::Process32FirstW(p r0, p r2) i .r3'
        ${DoWhile} $3 <> 0
            System::Call '*$2(i, i, i .r1, p, i, i, i, i, i, &w260 .r3)'
            ${If} $3 == "Tarnview.exe"
                !insertmacro TARN_END_PROCESS
            ${EndIf}
            System::Call 'kernel32::Process32NextW(p r0, p r2) i .r3'
        ${Loop}
        System::Free $2
        System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    Pop $9
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

Function ${UN}EndTarnview
    Call ${UN}EndSessionTarnview
    Call ${UN}EndOtherTarnviews
FunctionEnd
!macroend
