// The stand-ins' shared state: REG_DWORD values under HKCU\Software\TarnSim.
// Every call opens and closes the key so that another process's write is seen at once.
#include <windows.h>
#include "simstate.h"

BOOL SimReadDword(LPCWSTR pszName, DWORD *pdwValue)
{
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SIM_REG_KEY, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return FALSE;
    DWORD dwType = 0;
    DWORD dwValue = 0;
    DWORD cb = sizeof(dwValue);
    LONG lResult = RegQueryValueExW(hKey, pszName, NULL, &dwType, (BYTE *)&dwValue, &cb);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS || dwType != REG_DWORD || cb != sizeof(dwValue))
        return FALSE;
    *pdwValue = dwValue;
    return TRUE;
}

DWORD SimReadDwordOr(LPCWSTR pszName, DWORD dwDefault)
{
    DWORD dwValue;
    return SimReadDword(pszName, &dwValue) ? dwValue : dwDefault;
}

LONG SimWriteDword(LPCWSTR pszName, DWORD dwValue)
{
    HKEY hKey;
    LONG lResult = RegCreateKeyExW(HKEY_CURRENT_USER, SIM_REG_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL,
                                   &hKey, NULL);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    lResult = RegSetValueExW(hKey, pszName, 0, REG_DWORD, (const BYTE *)&dwValue, sizeof(dwValue));
    RegCloseKey(hKey);
    return lResult;
}

LONG SimDeleteValue(LPCWSTR pszName)
{
    HKEY hKey;
    LONG lResult = RegOpenKeyExW(HKEY_CURRENT_USER, SIM_REG_KEY, 0, KEY_SET_VALUE, &hKey);
    if (lResult == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (lResult != ERROR_SUCCESS)
        return lResult;
    lResult = RegDeleteValueW(hKey, pszName);
    RegCloseKey(hKey);
    return lResult == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lResult;
}

LONG SimDeleteAll(void)
{
    // The key holds values only, so the plain delete suffices.
    LONG lResult = RegDeleteKeyW(HKEY_CURRENT_USER, SIM_REG_KEY);
    return lResult == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lResult;
}
