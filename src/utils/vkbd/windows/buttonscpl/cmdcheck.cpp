// A command line checked as Tarnview will start it: no longer than Tarnview
// reads, prepared by the same code (expansion, quoting), and naming a program
// that exists. "Try" starts it through Tarnview's own launch on a thread of its
// own, since that waits up to six seconds for the program's window.
#include <windows.h>
#include <wchar.h>
#include "buttonscpl.h"
#include "launchcfg.h"

static BOOL IsProgramFile(LPCWSTR pszName)
{
    WCHAR szFound[MAX_PATH];
    DWORD cch = SearchPathW(NULL, pszName, L".exe", MAX_PATH, szFound, NULL);
    if (cch == 0 || cch >= MAX_PATH)
        return FALSE;
    DWORD dwAttributes = GetFileAttributesW(szFound);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program CreateProcessW would start: the quoted name, or else the shortest
// blank-ended start of the text that names a program, as Windows tries them.
static BOOL NamesProgram(LPCWSTR pszCmd)
{
    WCHAR szName[LAUNCH_CMDLINE_CCH];
    size_t cch = wcslen(pszCmd);
    if (cch >= LAUNCH_CMDLINE_CCH)
        return FALSE;
    if (pszCmd[0] == L'"')
    {
        LPCWSTR pszEnd = wcschr(pszCmd + 1, L'"');
        size_t cchName = pszEnd ? (size_t)(pszEnd - pszCmd - 1) : cch - 1;
        wmemcpy(szName, pszCmd + 1, cchName);
        szName[cchName] = L'\0';
        return cchName > 0 && IsProgramFile(szName);
    }
    for (size_t i = 1; i <= cch; ++i)
    {
        if (i < cch && pszCmd[i] != L' ' && pszCmd[i] != L'\t')
            continue;
        wmemcpy(szName, pszCmd, i);
        szName[i] = L'\0';
        if (IsProgramFile(szName))
            return TRUE;
    }
    return FALSE;
}

CMD_CHECK CheckCommandLine(LPCWSTR pszText, LPWSTR pszCmd, size_t cchCmd)
{
    if (wcslen(pszText) > LAUNCH_VALUE_MAX_CCH)
        return CMD_TOO_LONG;
    // Expanded or quoted, the line must still fit Tarnview's buffer.
    if (!PrepareLaunchCommand(pszText, IsExpandableText(pszText), pszCmd, cchCmd))
        return CMD_TOO_LONG;
    return NamesProgram(pszCmd) ? CMD_OK : CMD_NO_PROGRAM;
}

// The thread holds a reference to the item, which Control Panel may unload
// when the sheet closes while the program's window is still being waited for.
static DWORD WINAPI TryThreadProc(LPVOID pParam)
{
    LaunchAndActivate((LPWSTR)pParam);
    HeapFree(GetProcessHeap(), 0, pParam);
    FreeLibraryAndExitThread(g_hInstance, 0);
    return 0;
}

BOOL StartTry(LPCWSTR pszCmd)
{
    size_t cb = (wcslen(pszCmd) + 1) * sizeof(WCHAR);
    LPWSTR pszCopy = (LPWSTR)HeapAlloc(GetProcessHeap(), 0, cb);
    HMODULE hSelf = NULL;
    if (!pszCopy)
        return FALSE;
    memcpy(pszCopy, pszCmd, cb);
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCWSTR)(void *)TryThreadProc, &hSelf))
    {
        HANDLE hThread = CreateThread(NULL, 0, TryThreadProc, pszCopy, 0, NULL);
        if (hThread)
        {
            CloseHandle(hThread);
            return TRUE;
        }
        FreeLibrary(hSelf);
    }
    HeapFree(GetProcessHeap(), 0, pszCopy);
    return FALSE;
}
