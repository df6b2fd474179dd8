// The indicator's settings in the registry: the machine policy first, then the
// settings item's sample while it is fresh, then the user's value, then today's
// default. Anything of the wrong type or out of range counts as absent, so no
// value can hide the indicator for good or slow anyone down. No log: the
// buttons' settings item runs this file too.
#include <windows.h>
#include <strsafe.h>
#include "osdsettings.h"
#include "Tarnwatch.h"

#define SAMPLE_UNTIL_VALUE L"Until"   // GetTickCount() at which the sample expires

// Every number setting: its value name, default and accepted range.
typedef struct NUMBER_SETTING
{
    LPCWSTR pszName;
    DWORD dwDefault;
    DWORD dwMin, dwMax;
} NUMBER_SETTING;

static const NUMBER_SETTING s_numbers[OSD_SET_COUNT] = {
    { L"Monitor", OSD_MONITOR_IN_USE, 0, OSD_MONITOR_COUNT - 1 },
    { L"MonitorId", 0, 0, 0 },   // text
    { L"Place", OSD_PLACE_STANDARD, 0, OSD_PLACE_COUNT - 1 },
    { L"Seconds", 3, 1, 10 },
    { L"Size", 100, 100, 200 },  // and one of the sizes offered
    { L"Opacity", 100, 40, 100 },
    { L"LockKeys", 1, 0, 1 },
    { L"Volume", 1, 0, 1 },
    { L"Brightness", 1, 0, 1 },
    { L"Radios", 1, 0, 1 },
    { L"DisplayMode", 1, 0, 1 },
    { L"Refused", 1, 0, 1 },
    { L"OverFullScreen", 1, 0, 1 },
};

LPCWSTR OsdSettingName(OSD_SETTING setting)
{
    return setting < OSD_SET_COUNT ? s_numbers[setting].pszName : NULL;
}

BOOL IsValidSizePercent(DWORD dwSize)
{
    return dwSize == 100 || dwSize == 125 || dwSize == 150 || dwSize == 200;
}

static BOOL IsValidNumber(OSD_SETTING setting, DWORD dwValue)
{
    const NUMBER_SETTING *p = &s_numbers[setting];
    return dwValue >= p->dwMin && dwValue <= p->dwMax && (setting != OSD_SET_SIZE || IsValidSizePercent(dwValue));
}

// The number a setting keeps in the structure, read and written through DWORDs.
static DWORD GetNumber(const OSD_SETTINGS *p, OSD_SETTING setting)
{
    switch (setting)
    {
    case OSD_SET_MONITOR: return p->dwMonitor;
    case OSD_SET_PLACE: return p->dwPlace;
    case OSD_SET_SECONDS: return p->dwSeconds;
    case OSD_SET_SIZE: return p->dwSize;
    case OSD_SET_OPACITY: return p->dwOpacity;
    case OSD_SET_FULL_SCREEN: return p->bOverFullScreen ? 1 : 0;
    default: return p->bShow[setting - OSD_SET_SHOW_FIRST] ? 1 : 0;
    }
}

static void SetNumber(OSD_SETTINGS *p, OSD_SETTING setting, DWORD dwValue)
{
    switch (setting)
    {
    case OSD_SET_MONITOR: p->dwMonitor = dwValue; break;
    case OSD_SET_PLACE: p->dwPlace = dwValue; break;
    case OSD_SET_SECONDS: p->dwSeconds = dwValue; break;
    case OSD_SET_SIZE: p->dwSize = dwValue; break;
    case OSD_SET_OPACITY: p->dwOpacity = dwValue; break;
    case OSD_SET_FULL_SCREEN: p->bOverFullScreen = dwValue != 0; break;
    default: p->bShow[setting - OSD_SET_SHOW_FIRST] = dwValue != 0; break;
    }
}

void DefaultOsdSettings(OSD_SETTINGS *pSettings)
{
    ZeroMemory(pSettings, sizeof(*pSettings));
    for (int i = 0; i < OSD_SET_COUNT; ++i)
        if (i != OSD_SET_MONITOR_ID)
            SetNumber(pSettings, (OSD_SETTING)i, s_numbers[i].dwDefault);
}

// The three places a value may come from, in the order they are asked.
typedef struct SETTINGS_SOURCE
{
    HKEY hRoot;
    LPCWSTR pszKey;
    REGSAM samView;
} SETTINGS_SOURCE;

// Group Policy writes the native view; a 32-bit build asks for it outright.
static const SETTINGS_SOURCE s_sources[] = {
    { HKEY_LOCAL_MACHINE, OSD_POLICY_KEY, KEY_WOW64_64KEY },
    { HKEY_CURRENT_USER, OSD_SAMPLE_KEY, 0 },
    { HKEY_CURRENT_USER, OSD_SETTINGS_KEY, 0 },
};

static BOOL ReadValue(HKEY hKey, LPCWSTR pszName, DWORD dwWantType, void *pData, DWORD cbData, DWORD *pcbRead)
{
    DWORD dwType = REG_NONE;
    *pcbRead = cbData;
    return RegQueryValueExW(hKey, pszName, NULL, &dwType, (LPBYTE)pData, pcbRead) == ERROR_SUCCESS
        && dwType == dwWantType;
}

static BOOL ReadNumberFrom(HKEY hKey, OSD_SETTING setting, DWORD *pdwValue)
{
    DWORD dwValue = 0, cb;
    if (!ReadValue(hKey, s_numbers[setting].pszName, REG_DWORD, &dwValue, sizeof(dwValue), &cb)
        || cb != sizeof(dwValue) || !IsValidNumber(setting, dwValue))
        return FALSE;
    *pdwValue = dwValue;
    return TRUE;
}

static BOOL ReadMonitorIdFrom(HKEY hKey, LPWSTR pszId)
{
    WCHAR szId[OSD_MONITOR_ID_CCH + 1];
    DWORD cb;
    if (!ReadValue(hKey, s_numbers[OSD_SET_MONITOR_ID].pszName, REG_SZ, szId, sizeof(szId) - sizeof(WCHAR), &cb))
        return FALSE;
    szId[cb / sizeof(WCHAR)] = L'\0';
    return szId[0] && SUCCEEDED(StringCchCopyW(pszId, OSD_MONITOR_ID_CCH, szId));
}

// A sample is taken only while it is fresh: a settings item that ended without
// removing it leaves no lasting trace.
static BOOL IsFreshSample(HKEY hKey)
{
    DWORD dwUntil = 0, cb;
    return ReadValue(hKey, SAMPLE_UNTIL_VALUE, REG_DWORD, &dwUntil, sizeof(dwUntil), &cb)
        && (LONG)(dwUntil - GetTickCount()) > 0 && (LONG)(dwUntil - GetTickCount()) <= OSD_SAMPLE_MS;
}

static HKEY OpenSource(const SETTINGS_SOURCE *pSource)
{
    HKEY hKey;
    if (RegOpenKeyExW(pSource->hRoot, pSource->pszKey, 0, KEY_READ | pSource->samView, &hKey) != ERROR_SUCCESS)
        return NULL;
    if (pSource->pszKey == s_sources[1].pszKey && !IsFreshSample(hKey))
    {
        RegCloseKey(hKey);
        return NULL;
    }
    return hKey;
}

// bFound[i]: the setting has been taken from an earlier source.
static void ReadSource(const SETTINGS_SOURCE *pSource, OSD_SETTINGS *pSettings, BOOL bFound[OSD_SET_COUNT])
{
    HKEY hKey = OpenSource(pSource);
    if (!hKey)
        return;
    for (int i = 0; i < OSD_SET_COUNT; ++i)
    {
        DWORD dwValue;
        if (bFound[i])
            continue;
        if (i == OSD_SET_MONITOR_ID)
            bFound[i] = ReadMonitorIdFrom(hKey, pSettings->szMonitorId);
        else if (ReadNumberFrom(hKey, (OSD_SETTING)i, &dwValue))
        {
            SetNumber(pSettings, (OSD_SETTING)i, dwValue);
            bFound[i] = TRUE;
        }
    }
    RegCloseKey(hKey);
}

void ReadOsdSettings(OSD_SETTINGS *pSettings)
{
    BOOL bFound[OSD_SET_COUNT] = { FALSE };
    DefaultOsdSettings(pSettings);
    for (const SETTINGS_SOURCE &source : s_sources)
        ReadSource(&source, pSettings, bFound);
}

void ReadOsdPolicyMask(BOOL bPolicy[OSD_SET_COUNT])
{
    OSD_SETTINGS policy;
    for (int i = 0; i < OSD_SET_COUNT; ++i)
        bPolicy[i] = FALSE;
    DefaultOsdSettings(&policy);
    ReadSource(&s_sources[0], &policy, bPolicy);
}

static BOOL WriteDword(HKEY hKey, LPCWSTR pszName, DWORD dwValue)
{
    return RegSetValueExW(hKey, pszName, 0, REG_DWORD, (const BYTE *)&dwValue, sizeof(dwValue)) == ERROR_SUCCESS;
}

static BOOL WriteMonitorId(HKEY hKey, LPCWSTR pszId)
{
    LPCWSTR pszName = s_numbers[OSD_SET_MONITOR_ID].pszName;
    if (!pszId[0])
    {
        RegDeleteValueW(hKey, pszName);   // absent already, or gone: either way not set
        return TRUE;
    }
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, (const BYTE *)pszId, (DWORD)((wcslen(pszId) + 1) * sizeof(WCHAR)))
        == ERROR_SUCCESS;
}

// The parent of the settings' keys, lasting: a volatile key that made it on the
// way would take no lasting key below it.
static BOOL MakeParentKey(void)
{
    HKEY hKey;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, OSD_PARENT_KEY, 0, NULL, 0, KEY_CREATE_SUB_KEY, NULL, &hKey, NULL)
        != ERROR_SUCCESS)
        return FALSE;
    RegCloseKey(hKey);
    return TRUE;
}

// The sample key is volatile (gone at the next logon) and carries its expiry.
BOOL WriteOsdSettings(LPCWSTR pszKey, const OSD_SETTINGS *pSettings, const BOOL *pbSkip, BOOL bVolatile)
{
    HKEY hKey;
    if (!MakeParentKey()
        || RegCreateKeyExW(HKEY_CURRENT_USER, pszKey, 0, NULL, bVolatile ? REG_OPTION_VOLATILE : 0, KEY_SET_VALUE,
                        NULL, &hKey, NULL) != ERROR_SUCCESS)
        return FALSE;
    BOOL bDone = TRUE;
    for (int i = 0; i < OSD_SET_COUNT; ++i)
        if (i != OSD_SET_MONITOR_ID && !(pbSkip && pbSkip[i]))
            bDone &= WriteDword(hKey, s_numbers[i].pszName, GetNumber(pSettings, (OSD_SETTING)i));
    // The chosen monitor goes with the choice, which the administrator may have made.
    if (!(pbSkip && pbSkip[OSD_SET_MONITOR]))
        bDone &= WriteMonitorId(hKey, pSettings->szMonitorId);
    if (bVolatile)
        bDone &= WriteDword(hKey, SAMPLE_UNTIL_VALUE, GetTickCount() + OSD_SAMPLE_MS);
    RegCloseKey(hKey);
    return bDone;
}

void DeleteOsdSample(void)
{
    RegDeleteKeyW(HKEY_CURRENT_USER, OSD_SAMPLE_KEY);
}

OSD_GROUP OsdGroupOf(int nCode)
{
    switch (nCode)
    {
    case WLAN_ON: case WLAN_OFF: case MOBILE3G_ON: case MOBILE3G_OFF: return OSD_GROUP_RADIOS;
    case DISPLAY_INTERNAL: case DISPLAY_EXTERNAL: case DISPLAY_DUAL: return OSD_GROUP_DISPLAY;
    case VOLUME_MUTE: case VOLUME_UP: case VOLUME_DOWN: return OSD_GROUP_VOLUME;
    case BRIGHTNESS_UP: case BRIGHTNESS_DOWN: return OSD_GROUP_BRIGHTNESS;
    case REQUEST_DENIED: return OSD_GROUP_REFUSED;
    default: return OSD_GROUP_LOCK_KEYS;
    }
}
