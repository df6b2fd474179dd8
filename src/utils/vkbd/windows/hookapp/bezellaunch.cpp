// What a bezel launch button does: finds its command line (launchcfg.cpp) and
// starts it from Tarnview's folders (launch.cpp); a launch that fails is logged,
// and so is how the search for its window ended.
// Runs on the dispatcher's thread while it holds the event mutex, briefly: the
// new program's window is waited for elsewhere.
#include <windows.h>
#include "launchcfg.h"
#include "Tarnwatch.h"
#include "tarnview.h"

static void LogShellFailure(LPCWSTR pszCmdLine, DWORD dwError)
{
    DBGOUT("LaunchBezelApplication: \"%ls\" not started, error %lu", pszCmdLine, dwError);
}

static void LogSearchEnded(DWORD dwProcessId, HWND hWnd)
{
    // A window handle's value fits in 32 bits on 64-bit Windows too.
    if (hWnd)
        DBGOUT("LaunchBezelApplication: window 0x%lX of process %lu brought forward", (unsigned long)(ULONG_PTR)hWnd,
               dwProcessId);
    else
        DBGOUT("LaunchBezelApplication: no window of process %lu found, left as it is", dwProcessId);
}

// A configured command line that cannot be started ends the search all the same.
void LaunchBezelApplication(DWORD dwEvent)
{
    WCHAR szCmd[LAUNCH_CMDLINE_CCH], szProgramDir[MAX_PATH], szWorkDir[MAX_PATH];
    if (FindLaunchCommand(dwEvent, TRUE, szCmd, LAUNCH_CMDLINE_CCH) == LAUNCH_NONE)
        return;
    DWORD cchWork = GetCurrentDirectoryW(MAX_PATH, szWorkDir);
    LAUNCH_FROM from = { ModuleFolder(NULL, szProgramDir, MAX_PATH) ? szProgramDir : NULL,
                         cchWork > 0 && cchWork < MAX_PATH ? szWorkDir : NULL, NULL, LogShellFailure, LogSearchEnded };
    BOOL bThroughShell;
    if (!LaunchAndActivate(szCmd, &from, &bThroughShell))
        LogShellFailure(szCmd, GetLastError());
    else if (bThroughShell)
        DBGOUT("LaunchBezelApplication: \"%ls\" needs administrator rights, started through the shell", szCmd);
}
