// A command line checked and tried as Tarnview will start it: no longer than
// Tarnview reads, prepared by the same code (expansion, quoting), and naming a
// program that exists where Tarnview looks for it: from its program folder (this
// item's, beside it) and its working folder (the one "TarnMonPath" names).
#include <windows.h>
#include <strsafe.h>
#include <wchar.h>
#include "buttonscpl.h"
#include "launchcfg.h"
#include "tarnview.h"

// Tarnview's program folder is this item's; its working folder the install
// folder it reads, or without one, the same folder.
static BOOL TarnviewFolders(LPWSTR pszProgramDir, LPWSTR pszWorkDir, DWORD cchDir)
{
    BOOL bTooLong;
    if (!ModuleFolder(g_hInstance, pszProgramDir, cchDir))
        return FALSE;
    return ReadInstallDirectory(pszWorkDir, cchDir, &bTooLong)
        || SUCCEEDED(StringCchCopyW(pszWorkDir, cchDir, pszProgramDir));
}

CMD_CHECK CheckCommandLine(LPCWSTR pszText, LPWSTR pszCmd, size_t cchCmd)
{
    WCHAR szProgramDir[MAX_PATH], szWorkDir[MAX_PATH], szProgram[MAX_PATH];
    LPCWSTR pszArgs;
    if (wcslen(pszText) > LAUNCH_VALUE_MAX_CCH)
        return CMD_TOO_LONG;
    // Expanded or quoted, the line must still fit Tarnview's buffer.
    if (!PrepareLaunchCommand(pszText, IsExpandableText(pszText), pszCmd, cchCmd))
        return CMD_TOO_LONG;
    BOOL bFolders = TarnviewFolders(szProgramDir, szWorkDir, MAX_PATH);
    return FindCommandProgram(pszCmd, bFolders ? szProgramDir : NULL, bFolders ? szWorkDir : NULL, szProgram,
                              MAX_PATH, &pszArgs)
        ? CMD_OK
        : CMD_NO_PROGRAM;
}

// The page that tried, told on the launch's thread when the shell did not start
// what needed administrator rights: one Try at a time has a page.
static HWND s_hTryPage = NULL;

static void OnShellFailed(LPCWSTR pszCmdLine, DWORD dwError)
{
    (void)pszCmdLine;
    if (s_hTryPage)
        PostMessageW(s_hTryPage, WM_TRY_FAILED, (WPARAM)dwError, 0);
}

// Returns at once: the shell and the program's window are waited for on a
// thread of the launch. FALSE with GetLastError's reason when it did not start.
BOOL StartTry(LPCWSTR pszCmd, HWND hPage)
{
    WCHAR szCmd[LAUNCH_CMDLINE_CCH], szProgramDir[MAX_PATH], szWorkDir[MAX_PATH];
    BOOL bThroughShell;
    if (FAILED(StringCchCopyW(szCmd, LAUNCH_CMDLINE_CCH, pszCmd)))
    {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    BOOL bFolders = TarnviewFolders(szProgramDir, szWorkDir, MAX_PATH);
    s_hTryPage = hPage;
    LAUNCH_FROM from = { bFolders ? szProgramDir : NULL, bFolders ? szWorkDir : NULL, GetParent(hPage), OnShellFailed, NULL };
    return LaunchAndActivate(szCmd, &from, &bThroughShell);
}
