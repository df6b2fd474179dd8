// The user's bezel-button values under HKCU "SOFTWARE\Halvern\BezelButton", read
// the way Tarnview reads them and written only when the user applies a change.
#include <windows.h>
#include <wchar.h>
#include "buttonscpl.h"
#include "launchcfg.h"
#include "tarnview.h"

// Tarnview takes any value as text; a value that is no text was not set by this
// item, so it is shown as not set and stays until the user applies another.
USER_VALUE ReadUserLaunchValue(DWORD dwEvent, LPWSTR pszText, size_t cchText)
{
    DWORD dwType = REG_NONE;
    LPCWSTR pszName = LaunchValueName(dwEvent);
    if (!pszName || !ReadRegistryTextOfView(HKEY_CURRENT_USER, 0, BEZEL_BUTTON_KEY, pszName, pszText, cchText, &dwType))
        return USER_VALUE_NONE;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
    {
        pszText[0] = L'\0';
        return USER_VALUE_WRONG_TYPE;
    }
    return USER_VALUE_TEXT;
}

// A text with an environment reference ("%ProgramFiles%") is stored for
// expansion, as Tarnview expands REG_EXPAND_SZ values.
BOOL IsExpandableText(LPCWSTR pszText)
{
    LPCWSTR pszFirst = wcschr(pszText, L'%');
    return pszFirst && wcschr(pszFirst + 1, L'%');
}

BOOL WriteUserLaunchValue(DWORD dwEvent, LPCWSTR pszText)
{
    LPCWSTR pszName = LaunchValueName(dwEvent);
    if (!pszName)
        return FALSE;
    HKEY hKey;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, BEZEL_BUTTON_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL)
        != ERROR_SUCCESS)
        return FALSE;
    LONG lResult;
    if (pszText[0] == L'\0')
    {
        lResult = RegDeleteValueW(hKey, pszName);
        if (lResult == ERROR_FILE_NOT_FOUND)
            lResult = ERROR_SUCCESS;
    }
    else
    {
        DWORD cbData = (DWORD)((wcslen(pszText) + 1) * sizeof(WCHAR));
        lResult = RegSetValueExW(hKey, pszName, 0, IsExpandableText(pszText) ? REG_EXPAND_SZ : REG_SZ,
                                 (const BYTE *)pszText, cbData);
    }
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}
