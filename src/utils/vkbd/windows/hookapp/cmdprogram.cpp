// Which program a command line starts, found as CreateProcessW finds it but from
// Tarnview's folders, so that the buttons' settings item checks and tries the
// very program the button starts. Pure file look-ups, no log.
#include <windows.h>
#include <strsafe.h>
#include <wchar.h>
#include "tarnview.h"

#define PATH_VAR_MAX_CCH 32767   // the longest an environment variable can be
#define SEARCH_PATH_CCH (PATH_VAR_MAX_CCH + 6 * MAX_PATH)

typedef BOOL(WINAPI *NEED_CURRENT_DIRECTORY)(LPCWSTR);

// Server 2003 SP1 and later leave the working folder out of the search when
// NoDefaultCurrentDirectoryInExePath is set; XP has no such choice.
static BOOL SearchesWorkingFolder(LPCWSTR pszName)
{
    HMODULE hKernel = GetModuleHandleW(L"kernel32.dll");
    NEED_CURRENT_DIRECTORY pfnNeed =
        hKernel ? (NEED_CURRENT_DIRECTORY)(void *)GetProcAddress(hKernel, "NeedCurrentDirectoryForExePathW") : NULL;
    return !pfnNeed || pfnNeed(pszName);
}

static void AppendFolder(LPWSTR pszPath, LPCWSTR pszFolder)
{
    if (!pszFolder || !pszFolder[0])
        return;
    if (pszPath[0])
        StringCchCatW(pszPath, SEARCH_PATH_CCH, L";");
    StringCchCatW(pszPath, SEARCH_PATH_CCH, pszFolder);
}

// The program's folder, the working folder, the system folder, the 16-bit system
// folder, the Windows folder, then PATH: CreateProcessW's order, in one string.
static void BuildSearchPath(LPWSTR pszPath, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir)
{
    WCHAR szSystem[MAX_PATH], szWindows[MAX_PATH], szSystem16[MAX_PATH];
    pszPath[0] = L'\0';
    AppendFolder(pszPath, pszProgramDir);
    AppendFolder(pszPath, pszWorkDir);
    UINT cch = GetSystemDirectoryW(szSystem, MAX_PATH);
    if (cch > 0 && cch < MAX_PATH)
        AppendFolder(pszPath, szSystem);
    cch = GetWindowsDirectoryW(szWindows, MAX_PATH);
    if (cch > 0 && cch < MAX_PATH)
    {
        if (BuildProgramPath(szSystem16, MAX_PATH, szWindows, L"System"))
            AppendFolder(pszPath, szSystem16);
        AppendFolder(pszPath, szWindows);
    }
    // PATH goes in behind a separator, which is put in only once PATH fits.
    size_t cchUsed = wcslen(pszPath);
    LPWSTR pszVar = pszPath + cchUsed + (cchUsed ? 1 : 0);
    DWORD cchRoom = (DWORD)(SEARCH_PATH_CCH - (pszVar - pszPath));
    DWORD cchVar = GetEnvironmentVariableW(L"PATH", pszVar, cchRoom);
    if (cchVar > 0 && cchVar < cchRoom && cchUsed)
        pszPath[cchUsed] = L';';
    else if (cchVar == 0 || cchVar >= cchRoom)
        pszPath[cchUsed] = L'\0';
}

// One blank-ended start of the command line: found, like CreateProcessW, by one
// search of the whole path (".exe" added to a name without an extension). A
// folder of that name ends the search for it, as it does there. A name rooted
// without a drive ("\Tools\x.exe") is on the working folder's drive.
static BOOL FindProgramNamed(LPCWSTR pszName, LPCWSTR pszSearchPath, LPCWSTR pszWorkDir, LPWSTR pszProgram,
                             size_t cchProgram)
{
    WCHAR szName[MAX_PATH];
    if ((pszName[0] == L'\\' || pszName[0] == L'/') && pszName[1] != L'\\' && pszName[1] != L'/' && pszWorkDir
        && pszWorkDir[0] && pszWorkDir[1] == L':')
    {
        if (FAILED(StringCchPrintfW(szName, MAX_PATH, L"%lc:%ls", pszWorkDir[0], pszName)))
            return FALSE;
        pszName = szName;
    }
    DWORD cch = SearchPathW(pszSearchPath, pszName, L".exe", (DWORD)cchProgram, pszProgram, NULL);
    if (cch == 0 || cch >= cchProgram)
        return FALSE;
    DWORD dwAttributes = GetFileAttributesW(pszProgram);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

static BOOL FindToken(LPCWSTR pszName, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, LPWSTR pszSearchPath,
                      LPWSTR pszProgram, size_t cchProgram)
{
    if (!pszName[0])
        return FALSE;
    BuildSearchPath(pszSearchPath, pszProgramDir, SearchesWorkingFolder(pszName) ? pszWorkDir : NULL);
    return FindProgramNamed(pszName, pszSearchPath, pszWorkDir, pszProgram, cchProgram);
}

// Quoted, the name is what the quotes hold; unquoted, each blank-ended start of
// the text is tried in turn, shortest first, as Windows does.
static BOOL FindInCommand(LPCWSTR pszCmd, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, LPWSTR pszSearchPath,
                          LPWSTR pszProgram, size_t cchProgram, LPCWSTR *ppszArgs)
{
    WCHAR szName[MAX_PATH];
    size_t cch = wcslen(pszCmd);
    if (pszCmd[0] == L'"')
    {
        LPCWSTR pszEnd = wcschr(pszCmd + 1, L'"');
        size_t cchName = pszEnd ? (size_t)(pszEnd - pszCmd - 1) : cch - 1;
        if (cchName >= MAX_PATH)
            return FALSE;
        wmemcpy(szName, pszCmd + 1, cchName);
        szName[cchName] = L'\0';
        *ppszArgs = pszEnd ? pszEnd + 1 : pszCmd + cch;
        return FindToken(szName, pszProgramDir, pszWorkDir, pszSearchPath, pszProgram, cchProgram);
    }
    for (size_t i = 1; i <= cch && i < MAX_PATH; ++i)
    {
        if (i < cch && pszCmd[i] != L' ' && pszCmd[i] != L'\t')
            continue;
        wmemcpy(szName, pszCmd, i);
        szName[i] = L'\0';
        *ppszArgs = pszCmd + i;
        if (FindToken(szName, pszProgramDir, pszWorkDir, pszSearchPath, pszProgram, cchProgram))
            return TRUE;
    }
    return FALSE;
}

BOOL FindCommandProgram(LPCWSTR pszCmd, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, LPWSTR pszProgram,
                        size_t cchProgram, LPCWSTR *ppszArgs)
{
    LPWSTR pszSearchPath = (LPWSTR)HeapAlloc(GetProcessHeap(), 0, SEARCH_PATH_CCH * sizeof(WCHAR));
    if (!pszSearchPath)
        return FALSE;
    BOOL bFound = FindInCommand(pszCmd, pszProgramDir, pszWorkDir, pszSearchPath, pszProgram, cchProgram, ppszArgs);
    HeapFree(GetProcessHeap(), 0, pszSearchPath);
    return bFound;
}
