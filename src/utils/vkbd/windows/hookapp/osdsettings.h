// The indicator's settings: which monitor, where on it, how long, how large,
// how opaque, which indicators, and whether over full-screen programs. Read by
// Tarnview at each indicator and written by the buttons' settings item, both
// through osdsettings.cpp; a machine policy wins over the user's value.
#ifndef OSDSETTINGS_H
#define OSDSETTINGS_H

#include <windows.h>

#define OSD_PARENT_KEY L"SOFTWARE\\Halvern\\Tarn"
#define OSD_SETTINGS_KEY OSD_PARENT_KEY L"\\Indicator"
#define OSD_POLICY_KEY L"SOFTWARE\\Policies\\Halvern\\Tarn\\Indicator"
// The settings item's sample shows the page's values before they are applied:
// a volatile key of the user's, taken for a short while after it was written.
#define OSD_SAMPLE_KEY OSD_PARENT_KEY L"\\IndicatorSample"
#define OSD_SAMPLE_MS 15000

#define OSD_MONITOR_ID_CCH 200

typedef enum OSD_MONITOR
{
    OSD_MONITOR_IN_USE = 0,    // the foreground window's, else the pointer's, else the primary
    OSD_MONITOR_PRIMARY = 1,
    OSD_MONITOR_POINTER = 2,
    OSD_MONITOR_CHOSEN = 3,    // by its identifier; the one in use while it is not connected
    OSD_MONITOR_COUNT
} OSD_MONITOR;

typedef enum OSD_PLACE
{
    OSD_PLACE_STANDARD = 0,    // bar at the bottom centre, icons at the bottom right
    OSD_PLACE_TOP_CENTRE = 1,
    OSD_PLACE_CENTRE = 2,
    OSD_PLACE_TOP_LEFT = 3,
    OSD_PLACE_TOP_RIGHT = 4,
    OSD_PLACE_BOTTOM_LEFT = 5,
    OSD_PLACE_BOTTOM_RIGHT = 6,
    OSD_PLACE_COUNT
} OSD_PLACE;

// The groups of indicators that can be turned off one by one.
typedef enum OSD_GROUP
{
    OSD_GROUP_LOCK_KEYS = 0,
    OSD_GROUP_VOLUME,
    OSD_GROUP_BRIGHTNESS,
    OSD_GROUP_RADIOS,
    OSD_GROUP_DISPLAY,
    OSD_GROUP_REFUSED,
    OSD_GROUP_COUNT
} OSD_GROUP;

typedef struct OSD_SETTINGS
{
    DWORD dwMonitor;                         // OSD_MONITOR
    WCHAR szMonitorId[OSD_MONITOR_ID_CCH];   // for OSD_MONITOR_CHOSEN
    DWORD dwPlace;                           // OSD_PLACE
    DWORD dwSeconds;                         // 1..10
    DWORD dwSize;                            // percent: 100, 125, 150, 200
    DWORD dwOpacity;                         // percent: 40..100
    BOOL bShow[OSD_GROUP_COUNT];
    BOOL bOverFullScreen;
} OSD_SETTINGS;

// One setting: its value name, and for a number its default and accepted values.
typedef enum OSD_SETTING
{
    OSD_SET_MONITOR = 0,
    OSD_SET_MONITOR_ID,
    OSD_SET_PLACE,
    OSD_SET_SECONDS,
    OSD_SET_SIZE,
    OSD_SET_OPACITY,
    OSD_SET_SHOW_FIRST,
    OSD_SET_FULL_SCREEN = OSD_SET_SHOW_FIRST + OSD_GROUP_COUNT,
    OSD_SET_COUNT
} OSD_SETTING;

LPCWSTR OsdSettingName(OSD_SETTING setting);
BOOL IsValidSizePercent(DWORD dwSize);

// Today's indicator: every setting at its default.
void DefaultOsdSettings(OSD_SETTINGS *pSettings);
// The policy's value of each setting, else the sample's (while it is fresh),
// else the user's, else the default. A value of the wrong type or out of range
// counts as absent.
void ReadOsdSettings(OSD_SETTINGS *pSettings);
// Which settings the machine policy sets (the item shows them read-only).
void ReadOsdPolicyMask(BOOL bPolicy[OSD_SET_COUNT]);
// The user's values under HKCU, or the sample key, but for the settings pbSkip
// marks (may be NULL); FALSE when one could not be written.
BOOL WriteOsdSettings(LPCWSTR pszKey, const OSD_SETTINGS *pSettings, const BOOL *pbSkip, BOOL bVolatile);
void DeleteOsdSample(void);
// The group an indicator code belongs to.
OSD_GROUP OsdGroupOf(int nCode);

#endif
