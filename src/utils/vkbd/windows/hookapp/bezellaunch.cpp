// What a bezel launch button does: finds its command line (launchcfg.cpp) and
// starts it from Tarnview's folders (launch.cpp); a launch that fails is logged.
// Runs on the dispatcher's thread while it holds the event mutex, briefly: the
// new program's window is waited for elsewhere.
#include <windows.h>
#include "launchcfg.h"
#include "Tarnwatch.h"
#include "tarnview.h"

// A configured command line that cannot be started ends the search all the same.
void LaunchBezelApplication(DWORD dwEvent)
{
    WCHAR szCmd[LAUNCH_CMDLINE_CCH], szProgramDir[MAX_PATH], szWorkDir[MAX_PATH];
    if (FindLaunchCommand(dwEvent, TRUE, szCmd, LAUNCH_CMDLINE_CCH) == LAUNCH_NONE)
        return;
    DWORD cchWork = GetCurrentDirectoryW(MAX_PATH, szWorkDir);
    LPCWSTR pszWorkDir = cchWork > 0 && cchWork < MAX_PATH ? szWorkDir : NULL;
    LPCWSTR pszProgramDir = ModuleFolder(NULL, szProgramDir, MAX_PATH) ? szProgramDir : NULL;
    BOOL bThroughShell;
    if (!LaunchAndActivate(szCmd, pszProgramDir, pszWorkDir, &bThroughShell))
        DBGOUT("LaunchBezelApplication: \"%ls\" not started, error %lu", szCmd, GetLastError());
    else if (bThroughShell)
        DBGOUT("LaunchBezelApplication: \"%ls\" needs administrator rights, started through the shell", szCmd);
}
