// Tarnview's folders: the install folder "TarnMonPath" names, read as Tarnview
// reads it, and the folder a module was loaded from. Shared with the buttons'
// settings item, which starts programs from Tarnview's folders.
#include <windows.h>
#include <wchar.h>
#include "tarnview.h"

#define INSTALL_DIR_BYTES 200   // what the registry query is offered

// FALSE for no value, and for one longer than the 200 bytes offered
// (*pbTooLong then TRUE), which is ignored.
BOOL ReadInstallDirectory(LPWSTR pszDir, size_t cchDir, BOOL *pbTooLong)
{
    *pbTooLong = FALSE;
    if (cchDir < INSTALL_DIR_BYTES / sizeof(WCHAR) + 1)
        return FALSE;
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Halvern\\orx", 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return FALSE;
    DWORD cbData = INSTALL_DIR_BYTES;
    LONG lResult = RegQueryValueExW(hKey, L"TarnMonPath", NULL, NULL, (LPBYTE)pszDir, &cbData);
    RegCloseKey(hKey);
    *pbTooLong = lResult == ERROR_MORE_DATA;
    if (lResult != ERROR_SUCCESS)
        return FALSE;
    // The stored text need not carry its own terminator.
    pszDir[cbData / sizeof(WCHAR)] = L'\0';
    return TRUE;
}

// hModule NULL: the program's own folder.
BOOL ModuleFolder(HMODULE hModule, LPWSTR pszDir, DWORD cchDir)
{
    DWORD cch = GetModuleFileNameW(hModule, pszDir, cchDir);
    if (cch == 0 || cch >= cchDir)
        return FALSE;
    LPWSTR pszSlash = wcsrchr(pszDir, L'\\');
    if (!pszSlash)
        return FALSE;
    *pszSlash = L'\0';
    return TRUE;
}
