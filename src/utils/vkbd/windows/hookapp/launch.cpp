// Starting a bezel button's command line and bringing its first window to the
// front. What may wait goes to a thread of its own: the start through the shell
// of a program that needs administrator rights (the consent prompt waits for
// the user) and the search for the new window, so that neither the dispatcher
// (which holds the event mutex) nor anyone's input waits on it. Pure Win32, no
// log: the buttons' settings item runs this file too, for "Try".
#include <windows.h>
#include <shellapi.h>
#include <strsafe.h>
#include "launchcfg.h"
#include "tarnview.h"

#define WINDOW_PASSES 6
#define WINDOW_PASS_MS 1000
#define HUNG_CHECK_MS 200
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740   // Vista's, beyond XP's headers
#endif

#ifdef TARN_TEST_SEAMS
#define CREATE_PROCESS_REFUSAL() SeamCreateProcessRefusal()
#else
#define CREATE_PROCESS_REFUSAL() ERROR_SUCCESS
#endif

// What the launch thread owns: the process handle keeps the identifier from
// passing to a stranger's process meanwhile; the module reference keeps this
// code loaded (the settings item may be unloaded while the thread still runs).
typedef struct LAUNCH_JOB
{
    HANDLE hProcess;                    // started already; NULL when the shell is still to start it
    DWORD dwProcessId;
    HMODULE hModule;
    LAUNCH_FROM from;
    WCHAR szCmdLine[LAUNCH_CMDLINE_CCH];
    WCHAR szProgram[MAX_PATH];
    WCHAR szArgs[LAUNCH_CMDLINE_CCH];
    WCHAR szWorkDir[MAX_PATH];
} LAUNCH_JOB;

// One start through the shell at a time: a second press while the consent
// prompt waits would only stack another prompt behind it.
static volatile LONG s_nShellStarts = 0;

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

// The foreground window answers now: attached to its input, handing the
// foreground on sends it messages that a hung one would never answer.
static BOOL Answers(HWND hWnd)
{
    DWORD_PTR dwResult;
    return !IsHungAppWindow(hWnd)
        && SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, HUNG_CHECK_MS, &dwResult);
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
        && Answers(hForeground) && AttachThreadInput(dwOwnThread, dwForegroundThread, TRUE);
    ShowWindowAsync(hWnd, IsIconic(hWnd) ? SW_RESTORE : SW_SHOW);
    SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
    SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
    SetForegroundWindow(hWnd);
    if (bAttached)
        AttachThreadInput(dwOwnThread, dwForegroundThread, FALSE);
}

// ShellExecuteEx wants COM on its thread, in a single-threaded apartment. The
// prompt is owned by the settings item's window, where there is one.
static BOOL ShellStart(LAUNCH_JOB *pJob)
{
    SHELLEXECUTEINFOW sei;
    ZeroMemory(&sei, sizeof(sei));
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    sei.hwnd = pJob->from.hOwner;
    sei.lpFile = pJob->szProgram;
    sei.lpParameters = pJob->szArgs[0] ? pJob->szArgs : NULL;
    sei.lpDirectory = pJob->szWorkDir[0] ? pJob->szWorkDir : NULL;
    sei.nShow = SW_SHOW;
    HRESULT hrCom = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    BOOL bStarted = ShellExecuteExW(&sei);
    DWORD dwError = GetLastError();
    if (SUCCEEDED(hrCom))
        CoUninitialize();
    pJob->hProcess = bStarted ? sei.hProcess : NULL;
    pJob->dwProcessId = pJob->hProcess ? GetProcessId(pJob->hProcess) : 0;
    SetLastError(dwError);
    return bStarted;
}

static DWORD WINAPI LaunchThreadProc(LPVOID pParam)
{
    LAUNCH_JOB *pJob = (LAUNCH_JOB *)pParam;
    // A message queue of its own, which attaching to the foreground's input needs.
    MSG msg;
    PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE);
    if (!pJob->hProcess)
    {
        BOOL bStarted = ShellStart(pJob);
        DWORD dwError = GetLastError();
        InterlockedDecrement(&s_nShellStarts);
        if (!bStarted && pJob->from.pfnShellFailed)
            pJob->from.pfnShellFailed(pJob->szCmdLine, dwError);
    }
    HWND hTarget = NULL;
    for (int nPass = 0; nPass < WINDOW_PASSES && !hTarget && pJob->dwProcessId; ++nPass)
    {
        Sleep(WINDOW_PASS_MS);
        hTarget = FindProcessWindow(pJob->dwProcessId);
    }
    if (hTarget)
        ActivateWindow(hTarget);
    if (pJob->dwProcessId && pJob->from.pfnSearched)
        pJob->from.pfnSearched(pJob->dwProcessId, hTarget);
    if (pJob->hProcess)
        CloseHandle(pJob->hProcess);
    HMODULE hModule = pJob->hModule;
    HeapFree(GetProcessHeap(), 0, pJob);
    FreeLibraryAndExitThread(hModule, 0);
    return 0;
}

// Hands the job to its thread, which frees it; FALSE (the job freed, its
// process handle closed) when no thread could be had.
static BOOL RunLater(LAUNCH_JOB *pJob)
{
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCWSTR)(void *)LaunchThreadProc,
                           &pJob->hModule))
    {
        HANDLE hThread = CreateThread(NULL, 0, LaunchThreadProc, pJob, 0, NULL);
        if (hThread)
        {
            CloseHandle(hThread);
            return TRUE;
        }
        FreeLibrary(pJob->hModule);
    }
    if (pJob->hProcess)
        CloseHandle(pJob->hProcess);
    HeapFree(GetProcessHeap(), 0, pJob);
    return FALSE;
}

static LAUNCH_JOB *NewJob(LPCWSTR pszCmdLine, const LAUNCH_FROM *pFrom)
{
    LAUNCH_JOB *pJob = (LAUNCH_JOB *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(LAUNCH_JOB));
    if (!pJob)
        return NULL;
    pJob->from = *pFrom;
    StringCchCopyW(pJob->szCmdLine, LAUNCH_CMDLINE_CCH, pszCmdLine);
    if (pFrom->pszWorkDir)
        StringCchCopyW(pJob->szWorkDir, MAX_PATH, pFrom->pszWorkDir);
    return pJob;
}

// From Vista on a program whose manifest asks for administrator rights (or that
// Windows takes for an installer) is refused with ERROR_ELEVATION_REQUIRED: the
// shell then starts it, with the consent prompt, on the launch's own thread.
static BOOL StartThroughShell(LAUNCH_JOB *pJob, LPCWSTR pszProgram, LPCWSTR pszArgs)
{
    while (*pszArgs == L' ' || *pszArgs == L'\t')
        ++pszArgs;
    if (InterlockedIncrement(&s_nShellStarts) > 1)
    {
        InterlockedDecrement(&s_nShellStarts);
        HeapFree(GetProcessHeap(), 0, pJob);
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    StringCchCopyW(pJob->szProgram, MAX_PATH, pszProgram);
    StringCchCopyW(pJob->szArgs, LAUNCH_CMDLINE_CCH, pszArgs);
    if (RunLater(pJob))
        return TRUE;
    InterlockedDecrement(&s_nShellStarts);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

// The program is the one CreateProcessW would find from Tarnview's folders,
// named outright, so the settings item starts the same one.
BOOL LaunchAndActivate(LPWSTR pszCmdLine, const LAUNCH_FROM *pFrom, BOOL *pbThroughShell)
{
    WCHAR szProgram[MAX_PATH];
    LPCWSTR pszArgs;
    *pbThroughShell = FALSE;
    if (!FindCommandProgram(pszCmdLine, pFrom->pszProgramDir, pFrom->pszWorkDir, szProgram, MAX_PATH, &pszArgs))
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    LAUNCH_JOB *pJob = NewJob(pszCmdLine, pFrom);
    if (!pJob)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
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
        && CreateProcessW(szProgram, pszCmdLine, NULL, NULL, FALSE, 0, NULL, pFrom->pszWorkDir, &si, &pi))
    {
        CloseHandle(pi.hThread);
        pJob->hProcess = pi.hProcess;
        pJob->dwProcessId = pi.dwProcessId;
        RunLater(pJob);   // without its thread the program runs on, not brought forward
        return TRUE;
    }
    if (dwRefusal == ERROR_SUCCESS)
        dwRefusal = GetLastError();
    if (dwRefusal != ERROR_ELEVATION_REQUIRED)
    {
        HeapFree(GetProcessHeap(), 0, pJob);
        SetLastError(dwRefusal);
        return FALSE;
    }
    *pbThroughShell = TRUE;
    return StartThroughShell(pJob, szProgram, pszArgs);
}
