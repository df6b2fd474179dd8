// Which program a command line starts, found by the rule CreateProcessW follows
// but from Tarnview's folders, so that the buttons' settings item checks and
// tries the very program the button starts. Pure file look-ups, no log.
#include <windows.h>
#include <wchar.h>
#include "tarnview.h"

#define PATH_VAR_MAX_CCH 32767   // the longest an environment variable can be

static BOOL IsProgramFile(LPCWSTR pszPath)
{
    DWORD dwAttributes = GetFileAttributesW(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One folder, or a ';' list of them; ".exe" is added to a name without an extension.
static BOOL SearchIn(LPCWSTR pszFolders, LPCWSTR pszName, LPWSTR pszProgram, size_t cchProgram)
{
    DWORD cch = SearchPathW(pszFolders, pszName, L".exe", (DWORD)cchProgram, pszProgram, NULL);
    return cch > 0 && cch < cchProgram && IsProgramFile(pszProgram);
}

static BOOL SearchPathVariable(LPCWSTR pszName, LPWSTR pszProgram, size_t cchProgram)
{
    LPWSTR pszPath = (LPWSTR)HeapAlloc(GetProcessHeap(), 0, PATH_VAR_MAX_CCH * sizeof(WCHAR));
    if (!pszPath)
        return FALSE;
    DWORD cch = GetEnvironmentVariableW(L"PATH", pszPath, PATH_VAR_MAX_CCH);
    BOOL bFound = cch > 0 && cch < PATH_VAR_MAX_CCH && SearchIn(pszPath, pszName, pszProgram, cchProgram);
    HeapFree(GetProcessHeap(), 0, pszPath);
    return bFound;
}

// A bare name: the program's folder, the working folder, the system folder, the
// 16-bit system folder, the Windows folder, then PATH, as CreateProcessW searches.
static BOOL SearchBareName(LPCWSTR pszName, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, LPWSTR pszProgram,
                           size_t cchProgram)
{
    WCHAR szSystem[MAX_PATH], szWindows[MAX_PATH], szSystem16[MAX_PATH];
    UINT cchSystem = GetSystemDirectoryW(szSystem, MAX_PATH);
    UINT cchWindows = GetWindowsDirectoryW(szWindows, MAX_PATH);
    BOOL bWindows = cchWindows > 0 && cchWindows < MAX_PATH;
    if ((pszProgramDir && SearchIn(pszProgramDir, pszName, pszProgram, cchProgram))
        || (pszWorkDir && SearchIn(pszWorkDir, pszName, pszProgram, cchProgram))
        || (cchSystem > 0 && cchSystem < MAX_PATH && SearchIn(szSystem, pszName, pszProgram, cchProgram)))
        return TRUE;
    if (bWindows && BuildProgramPath(szSystem16, MAX_PATH, szWindows, L"System")
        && SearchIn(szSystem16, pszName, pszProgram, cchProgram))
        return TRUE;
    return (bWindows && SearchIn(szWindows, pszName, pszProgram, cchProgram))
        || SearchPathVariable(pszName, pszProgram, cchProgram);
}

// A name with a folder in it is taken from the working folder when it is relative.
static BOOL FindProgramNamed(LPCWSTR pszName, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, LPWSTR pszProgram,
                             size_t cchProgram)
{
    if (!pszName[0])
        return FALSE;
    if (!wcspbrk(pszName, L"\\/:"))
        return SearchBareName(pszName, pszProgramDir, pszWorkDir, pszProgram, cchProgram);
    BOOL bAbsolute = pszName[1] == L':' || (pszName[0] == L'\\' && pszName[1] == L'\\');
    if (bAbsolute || !pszWorkDir)
        return SearchIn(NULL, pszName, pszProgram, cchProgram);
    WCHAR szJoined[MAX_PATH];
    return BuildProgramPath(szJoined, MAX_PATH, pszWorkDir, pszName)
        && SearchIn(NULL, szJoined, pszProgram, cchProgram);
}

// Quoted, the name is what the quotes hold; unquoted, each blank-ended start of
// the text is tried in turn, shortest first, as Windows does.
BOOL FindCommandProgram(LPCWSTR pszCmd, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, LPWSTR pszProgram,
                        size_t cchProgram, LPCWSTR *ppszArgs)
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
        return FindProgramNamed(szName, pszProgramDir, pszWorkDir, pszProgram, cchProgram);
    }
    for (size_t i = 1; i <= cch && i < MAX_PATH; ++i)
    {
        if (i < cch && pszCmd[i] != L' ' && pszCmd[i] != L'\t')
            continue;
        wmemcpy(szName, pszCmd, i);
        szName[i] = L'\0';
        *ppszArgs = pszCmd + i;
        if (FindProgramNamed(szName, pszProgramDir, pszWorkDir, pszProgram, cchProgram))
            return TRUE;
    }
    return FALSE;
}
