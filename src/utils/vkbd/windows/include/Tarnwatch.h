// What crosses between Tarnview and Tarnwatch: the indicator message, its codes
// and the library's exported functions.
#ifndef TARNWATCH_H
#define TARNWATCH_H

#include <windows.h>

// Sent with SendMessageW to the "HookWnd" window: wParam an IndicatorCode,
// lParam the level for the bar codes (7..10), 0 otherwise.
#define WM_INDICATOR 2000

enum IndicatorCode
{
    WLAN_ON = 1,
    WLAN_OFF = 2,
    DISPLAY_INTERNAL = 3,
    DISPLAY_EXTERNAL = 4,
    DISPLAY_DUAL = 5,
    VOLUME_MUTE = 6,
    VOLUME_UP = 7,
    VOLUME_DOWN = 8,
    BRIGHTNESS_UP = 9,
    BRIGHTNESS_DOWN = 10,
    MOBILE3G_ON = 11,
    MOBILE3G_OFF = 12,
    CAPS_LOCK_ON = 13,
    CAPS_LOCK_OFF = 14,
    NUM_LOCK_ON = 15,
    NUM_LOCK_OFF = 16,
    SCROLL_LOCK_ON = 17,
    SCROLL_LOCK_OFF = 18,
    REQUEST_DENIED = 19
};

#ifdef __cplusplus
extern "C" {
#endif

int WINAPI GetOSVersion(void);
void __cdecl DBGOUT(const char *format, ...) __attribute__((format(printf, 1, 2)));
void WINAPI RegisterHook(HWND hWnd);
void WINAPI UnregisterHook(void);
LRESULT CALLBACK KeybdProcLL(int nCode, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#endif
