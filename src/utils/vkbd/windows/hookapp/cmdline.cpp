// Command lines of the programs Tarnview starts: registry text read into bounded
// buffers, and program paths built from a directory. Called on the dispatcher's thread.
#include <windows.h>
#include <strsafe.h>
#include "tarnview.h"

#define REG_TEXT_MAX_BYTES 512   // what a query of a path or command line is offered

// samView chooses a registry view (KEY_WOW64_32KEY, KEY_WOW64_64KEY) or 0 for the
// process's own; pdwType, when given, receives the value's type.
BOOL ReadRegistryTextOfView(HKEY hRoot, REGSAM samView, LPCWSTR pszKey, LPCWSTR pszValue, LPWSTR pszText,
                            size_t cchText, DWORD *pdwType)
{
    if (cchText == 0)
        return FALSE;
    pszText[0] = L'\0';
    // Room for the terminator behind whatever the query writes.
    DWORD cbOffer = (DWORD)((cchText - 1) * sizeof(WCHAR));
    if (cbOffer > REG_TEXT_MAX_BYTES)
        cbOffer = REG_TEXT_MAX_BYTES;
    HKEY hKey;
    if (RegOpenKeyExW(hRoot, pszKey, 0, KEY_READ | samView, &hKey) != ERROR_SUCCESS)
        return FALSE;
    DWORD cbData = cbOffer;
    DWORD dwType = REG_NONE;
    LONG lResult = RegQueryValueExW(hKey, pszValue, NULL, &dwType, (LPBYTE)pszText, &cbData);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS || cbData > cbOffer)
        return FALSE;
    // Whatever the value's type, its data are text; it need not carry a terminator.
    pszText[cbData / sizeof(WCHAR)] = L'\0';
    if (pdwType)
        *pdwType = dwType;
    return TRUE;
}

BOOL ReadRegistryText(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue, LPWSTR pszText, size_t cchText)
{
    return ReadRegistryTextOfView(hRoot, 0, pszKey, pszValue, pszText, cchText, NULL);
}

BOOL BuildProgramPath(LPWSTR pszPath, size_t cchPath, LPCWSTR pszDir, LPCWSTR pszProgram)
{
    if (SUCCEEDED(StringCchPrintfW(pszPath, cchPath, L"%ls\\%ls", pszDir, pszProgram)))
        return TRUE;
    if (cchPath > 0)
        pszPath[0] = L'\0';
    return FALSE;
}

// Quoted, so that a blank in the directory cannot make the system start a
// shorter name ("C:\Program.exe") in its place.
BOOL BuildProgramCommandLine(LPWSTR pszCmd, size_t cchCmd, LPCWSTR pszDir, LPCWSTR pszProgram, LPCWSTR pszArgs)
{
    HRESULT hr;
    if (pszArgs && *pszArgs)
        hr = StringCchPrintfW(pszCmd, cchCmd, L"\"%ls\\%ls\" %ls", pszDir, pszProgram, pszArgs);
    else
        hr = StringCchPrintfW(pszCmd, cchCmd, L"\"%ls\\%ls\"", pszDir, pszProgram);
    if (SUCCEEDED(hr))
        return TRUE;
    // A command line that does not fit is never started cut short.
    if (cchCmd > 0)
        pszCmd[0] = L'\0';
    return FALSE;
}
