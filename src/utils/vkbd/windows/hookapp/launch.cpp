// Starting a bezel button's command line, through the shell when it needs
// administrator rights, and bringing its first window to the front from a thread
// of its own, so that neither the dispatcher (which holds the event mutex) nor
// anyone's input waits on the new program.
// Pure Win32, no log: the buttons' settings item runs this file too, for "Try".
#include <windows.h>
#include <shellapi.h>
#include "launchcfg.h"
#include "tarnview.h"

#define WINDOW_PASSES 6
#define WINDOW_PASS_MS 1000
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740   // Vista's, beyond XP's headers
#endif

#ifdef TARN_TEST_SEAMS
#define CREATE_PROCESS_REFUSAL() SeamCreateProcessRefusal()
#else
#define CREATE_PROCESS_REFUSAL() ERROR_SUCCESS
#endif

// What the activation thread owns: the process handle keeps the identifier from
// passing to a stranger's process meanwhile; the module reference keeps this
// code loaded (the settings item may be unloaded while the thread still runs).
typedef struct ACTIVATION
{
    HANDLE hProcess;
    DWORD dwProcessId;
    HMODULE hModule;
} ACTIVATION;

// The first visible window of the process with a height, from the top of the z-order.
static HWND FindProcessWindow(DWORD dwProcessId)
{
    for (HWND hWnd = GetTopWindow(NULL); hWnd; hWnd = GetWindow(hWnd, GW_HWNDNEXT))
    {
        DWORD dwOwner = 0;
        GetWindowThreadProcessId(hWnd, &dwOwner);
        if (dwOwner != dwProcessId)
            continue;
        RECT rc;
        if (GetWindowRect(hWnd, &rc) && rc.bottom - rc.top != 0 && IsWindowVisible(hWnd))
            return hWnd;
    }
    return NULL;
}

// Only asynchronous calls reach the new window, so a program that stops answering
// holds up nobody. This thread shares the foreground's input for a moment, which
// lets it hand the foreground on; never the new window's own input (which may be
// the foreground already), nor that of a foreground window that does not answer,
// as attached queues make the calls wait. Topmost and back lifts the window
// without leaving it topmost. Windows may still refuse.
static void ActivateWindow(HWND hWnd)
{
    DWORD dwOwnThread = GetCurrentThreadId();
    DWORD dwTargetThread = GetWindowThreadProcessId(hWnd, NULL);
    HWND hForeground = GetForegroundWindow();
    DWORD dwForegroundThread = hForeground ? GetWindowThreadProcessId(hForeground, NULL) : 0;
    BOOL bAttached = dwForegroundThread && dwForegroundThread != dwOwnThread && dwForegroundThread != dwTargetThread
        && !IsHungAppWindow(hForeground) && AttachThreadInput(dwOwnThread, dwForegroundThread, TRUE);
    ShowWindowAsync(hWnd, IsIconic(hWnd) ? SW_RESTORE : SW_SHOW);
    SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
    SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
    SetForegroundWindow(hWnd);
    if (bAttached)
        AttachThreadInput(dwOwnThread, dwForegroundThread, FALSE);
}

static DWORD WINAPI ActivationThreadProc(LPVOID pParam)
{
    ACTIVATION *pActivation = (ACTIVATION *)pParam;
    // A message queue of its own, which attaching to the foreground's input needs.
    MSG msg;
    PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE);
    HWND hTarget = NULL;
    for (int nPass = 0; nPass < WINDOW_PASSES && !hTarget; ++nPass)
    {
        Sleep(WINDOW_PASS_MS);
        hTarget = FindProcessWindow(pActivation->dwProcessId);
    }
    if (hTarget)
        ActivateWindow(hTarget);
    CloseHandle(pActivation->hProcess);
    HMODULE hModule = pActivation->hModule;
    HeapFree(GetProcessHeap(), 0, pActivation);
    FreeLibraryAndExitThread(hModule, 0);
    return 0;
}

// Takes the process handle; the program is never waited for beyond the search.
static void ActivateLater(HANDLE hProcess, DWORD dwProcessId)
{
    ACTIVATION *pActivation = (ACTIVATION *)HeapAlloc(GetProcessHeap(), 0, sizeof(ACTIVATION));
    if (pActivation && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                          (LPCWSTR)(void *)ActivationThreadProc, &pActivation->hModule))
    {
        pActivation->hProcess = hProcess;
        pActivation->dwProcessId = dwProcessId;
        HANDLE hThread = CreateThread(NULL, 0, ActivationThreadProc, pActivation, 0, NULL);
        if (hThread)
        {
            CloseHandle(hThread);
            return;
        }
        FreeLibrary(pActivation->hModule);
    }
    if (pActivation)
        HeapFree(GetProcessHeap(), 0, pActivation);
    CloseHandle(hProcess);
}

// ShellExecuteEx wants COM on its thread, in a single-threaded apartment; a
// thread that has its own (the platform's, say) keeps it as it is.
static BOOL ShellStart(LPCWSTR pszProgram, LPCWSTR pszArgs, LPCWSTR pszWorkDir, HANDLE *phProcess)
{
    while (*pszArgs == L' ' || *pszArgs == L'\t')
        ++pszArgs;
    SHELLEXECUTEINFOW sei;
    ZeroMemory(&sei, sizeof(sei));
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    sei.lpFile = pszProgram;
    sei.lpParameters = *pszArgs ? pszArgs : NULL;
    sei.lpDirectory = pszWorkDir;
    sei.nShow = SW_SHOW;
    HRESULT hrCom = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    BOOL bStarted = ShellExecuteExW(&sei);
    DWORD dwError = GetLastError();
    if (SUCCEEDED(hrCom))
        CoUninitialize();
    *phProcess = bStarted ? sei.hProcess : NULL;
    SetLastError(dwError);
    return bStarted;
}

// The program is the one CreateProcessW would find from Tarnview's folders,
// named outright, so the settings item starts the same one. From Vista on a
// program whose manifest asks for administrator rights (or that Windows takes
// for an installer) is refused with ERROR_ELEVATION_REQUIRED: the shell then
// starts it, with the consent prompt.
static BOOL StartProgram(LPWSTR pszCmdLine, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, HANDLE *phProcess,
                         DWORD *pdwProcessId, BOOL *pbThroughShell)
{
    WCHAR szProgram[MAX_PATH];
    LPCWSTR pszArgs;
    if (!FindCommandProgram(pszCmdLine, pszProgramDir, pszWorkDir, szProgram, MAX_PATH, &pszArgs))
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi;
    DWORD dwRefusal = CREATE_PROCESS_REFUSAL();
    if (dwRefusal == ERROR_SUCCESS
        && CreateProcessW(szProgram, pszCmdLine, NULL, NULL, FALSE, 0, NULL, pszWorkDir, &si, &pi))
    {
        CloseHandle(pi.hThread);
        *phProcess = pi.hProcess;
        *pdwProcessId = pi.dwProcessId;
        return TRUE;
    }
    if (dwRefusal == ERROR_SUCCESS)
        dwRefusal = GetLastError();
    if (dwRefusal != ERROR_ELEVATION_REQUIRED)
    {
        SetLastError(dwRefusal);
        return FALSE;
    }
    if (!ShellStart(szProgram, pszArgs, pszWorkDir, phProcess))
        return FALSE;
    *pdwProcessId = *phProcess ? GetProcessId(*phProcess) : 0;
    *pbThroughShell = TRUE;
    return TRUE;
}

BOOL LaunchAndActivate(LPWSTR pszCmdLine, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, BOOL *pbThroughShell)
{
    HANDLE hProcess = NULL;
    DWORD dwProcessId = 0;
    *pbThroughShell = FALSE;
    if (!StartProgram(pszCmdLine, pszProgramDir, pszWorkDir, &hProcess, &dwProcessId, pbThroughShell))
        return FALSE;
    if (hProcess)
        ActivateLater(hProcess, dwProcessId);
    return TRUE;
}
