// The bezel buttons' applications: starts the command line launchcfg.cpp finds
// and brings its first window to the front. Runs on the dispatcher's thread
// while it holds the event mutex (and in the buttons' settings item, for "Try").
#include <windows.h>
#include "launchcfg.h"
#include "tarnview.h"

#define WINDOW_PASSES 6
#define WINDOW_PASS_MS 1000

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

// Attached to the foreground thread's input, the new thread may take the
// foreground; topmost and back lifts the window without leaving it topmost.
// Windows may still refuse; nothing here is examined.
static void ActivateWindow(HWND hWnd, DWORD dwThreadId)
{
    DWORD dwForegroundThread = GetWindowThreadProcessId(GetForegroundWindow(), NULL);
    AttachThreadInput(dwThreadId, dwForegroundThread, TRUE);
    ShowWindow(hWnd, IsIconic(hWnd) ? SW_RESTORE : SW_SHOW);
    SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    AttachThreadInput(dwThreadId, dwForegroundThread, FALSE);
}

int LaunchAndActivate(LPWSTR pszCmdLine)
{
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(NULL, pszCmdLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 0;
    // The process handle stays open until the search ends, so its identifier
    // cannot pass to a stranger's process meanwhile. It is never waited for.
    CloseHandle(pi.hThread);
    HWND hTarget = NULL;
    for (int nPass = 0; nPass < WINDOW_PASSES && !hTarget; ++nPass)
    {
        Sleep(WINDOW_PASS_MS);
        hTarget = FindProcessWindow(pi.dwProcessId);
    }
    if (hTarget)
        ActivateWindow(hTarget, pi.dwThreadId);
    CloseHandle(pi.hProcess);
    return 1;
}

// A configured command line that cannot be started ends the search all the same.
void LaunchBezelApplication(DWORD dwEvent)
{
    WCHAR szCmd[LAUNCH_CMDLINE_CCH];
    if (FindLaunchCommand(dwEvent, TRUE, szCmd, LAUNCH_CMDLINE_CCH) != LAUNCH_NONE)
        LaunchAndActivate(szCmd);
}
