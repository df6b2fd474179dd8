// The bezel buttons' applications: finds the configured command line (per user,
// per machine, then the maker's default), starts it and brings its first window
// to the front. Runs on the dispatcher's thread while it holds the event mutex.
#include <windows.h>
#include "tarnview.h"

#define CMDLINE_CCH 260
#define WINDOW_PASSES 6
#define WINDOW_PASS_MS 1000

// Per event: the value under "SOFTWARE\Halvern\BezelButton", and where the
// maker's default application lies when no location has that value.
typedef struct LAUNCH_CONFIG
{
    DWORD dwEvent;
    LPCWSTR pszValue;
    LPCWSTR pszFallbackKey;     // under HKEY_LOCAL_MACHINE; NULL for no default
    LPCWSTR pszFallbackValue;
    LPCWSTR pszFallbackProgram;
} LAUNCH_CONFIG;

static const LAUNCH_CONFIG s_configs[] = {
    { BEZELBUTTON_SINGLE_CLICK, L"SingleClickLaunch", L"SOFTWARE\\Halvern\\Pinwheel", L"InstallDir", L"Pinwheel.exe" },
    { BEZELBUTTON_DOUBLE_CLICK, L"DoubleClickLaunch", L"SOFTWARE\\Halvern\\DVT", L"INSTALLDIR", L"Dovetail.exe" },
    { BEZEL_CAMERA, L"BezelCameraLaunch", NULL, NULL, NULL },
};

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
    // The identifiers are all the search needs; the process is never waited for.
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    HWND hTarget = NULL;
    for (int nPass = 0; nPass < WINDOW_PASSES && !hTarget; ++nPass)
    {
        Sleep(WINDOW_PASS_MS);
        hTarget = FindProcessWindow(pi.dwProcessId);
    }
    if (hTarget)
        ActivateWindow(hTarget, pi.dwThreadId);
    return 1;
}

static const LAUNCH_CONFIG *ConfigOf(DWORD dwEvent)
{
    for (const LAUNCH_CONFIG &config : s_configs)
        if (config.dwEvent == dwEvent)
            return &config;
    return NULL;
}

// A configured command line is started as the user wrote it. A value that is
// present ends the search even when its start fails.
void LaunchBezelApplication(DWORD dwEvent)
{
    const LAUNCH_CONFIG *pConfig = ConfigOf(dwEvent);
    if (!pConfig)
        return;
    WCHAR szCmd[CMDLINE_CCH];
    const HKEY ahRoots[] = { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };
    for (HKEY hRoot : ahRoots)
    {
        if (ReadRegistryText(hRoot, L"SOFTWARE\\Halvern\\BezelButton", pConfig->pszValue, szCmd, CMDLINE_CCH))
        {
            LaunchAndActivate(szCmd);
            return;
        }
    }
    WCHAR szDir[CMDLINE_CCH];
    if (!pConfig->pszFallbackKey
        || !ReadRegistryText(HKEY_LOCAL_MACHINE, pConfig->pszFallbackKey, pConfig->pszFallbackValue, szDir, CMDLINE_CCH))
        return;
    // A default whose command line does not fit counts as not configured.
    if (BuildProgramCommandLine(szCmd, CMDLINE_CCH, szDir, pConfig->pszFallbackProgram, NULL))
        LaunchAndActivate(szCmd);
}
