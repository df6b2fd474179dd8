// What each indicator says in words: the text a screen reader reads from the OSD
// window that shows it. Pure; called by the OSD display thread.
#include <windows.h>
#include <strsafe.h>
#include "Tarnwatch.h"
#include "tarnview.h"

#define VOLUME_LEVEL_MAX 14
#define BRIGHTNESS_LEVEL_MAX 7

// Name per code (index = code); the bar codes are formatted with their level.
static const LPCWSTR s_pszName[] = {
    NULL,
    L"Wi-Fi on", L"Wi-Fi off",
    L"Display: internal panel", L"Display: external monitor", L"Display: both",
    L"Muted", L"Volume %d of %d", L"Volume %d of %d",
    L"Brightness %d of %d", L"Brightness %d of %d",
    L"3G on", L"3G off",
    L"Caps Lock on", L"Caps Lock off",
    L"Num Lock on", L"Num Lock off",
    L"Scroll Lock on", L"Scroll Lock off",
    L"Not permitted",
};

// FALSE, with an empty text, for a code that shows nothing.
BOOL OsdNameOf(int nCode, int nLevel, LPWSTR pszName, size_t cchName)
{
    if (cchName == 0)
        return FALSE;
    pszName[0] = L'\0';
    if (nCode < WLAN_ON || nCode > REQUEST_DENIED)
        return FALSE;
    int nMax = 0;
    if (nCode == VOLUME_UP || nCode == VOLUME_DOWN)
        nMax = VOLUME_LEVEL_MAX;
    else if (nCode == BRIGHTNESS_UP || nCode == BRIGHTNESS_DOWN)
        nMax = BRIGHTNESS_LEVEL_MAX;
    if (nMax == 0)
        return SUCCEEDED(StringCchCopyW(pszName, cchName, s_pszName[nCode]));
    // The library and the platform report levels on these scales; anything else
    // is said as the nearer end, never as "Volume 20 of 14".
    int nSaid = nLevel < 0 ? 0 : nLevel > nMax ? nMax : nLevel;
    return SUCCEEDED(StringCchPrintfW(pszName, cchName, s_pszName[nCode], nSaid, nMax));
}
