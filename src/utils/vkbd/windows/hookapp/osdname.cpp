// What each indicator says in words, in the user's language: the text a screen
// reader reads from the OSD window that shows it. Called by the OSD display thread.
#include <windows.h>
#include "Tarnwatch.h"
#include "tarnview.h"
#include "uilang.h"
#include "viewtexts.h"

#define VOLUME_LEVEL_MAX 14
#define BRIGHTNESS_LEVEL_MAX 7

// Text per code (index = code); the bar codes are formatted with their level.
static const UINT s_idName[] = {
    0,
    IDS_NAME_WLAN_ON, IDS_NAME_WLAN_OFF,
    IDS_NAME_DISPLAY_INTERNAL, IDS_NAME_DISPLAY_EXTERNAL, IDS_NAME_DISPLAY_DUAL,
    IDS_NAME_VOLUME_MUTE, IDS_NAME_VOLUME, IDS_NAME_VOLUME,
    IDS_NAME_BRIGHTNESS, IDS_NAME_BRIGHTNESS,
    IDS_NAME_3G_ON, IDS_NAME_3G_OFF,
    IDS_NAME_CAPS_ON, IDS_NAME_CAPS_OFF,
    IDS_NAME_NUM_ON, IDS_NAME_NUM_OFF,
    IDS_NAME_SCROLL_ON, IDS_NAME_SCROLL_OFF,
    IDS_NAME_DENIED,
};

// FALSE, with an empty text, for a code that shows nothing or a name that does not fit.
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
    // The library and the platform report levels on these scales; anything else
    // is said as the nearer end, never as "Volume 20 of 14".
    int nSaid = nLevel < 0 ? 0 : nLevel > nMax ? nMax : nLevel;
    if (!FormatUiText(pszName, cchName, s_idName[nCode], nSaid, nMax))
    {
        pszName[0] = L'\0';
        return FALSE;
    }
    return TRUE;
}
