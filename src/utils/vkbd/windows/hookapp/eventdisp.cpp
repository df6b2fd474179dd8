// VKbdEventCallback, the hardware-event dispatcher: radio toggles, brightness
// steps, the display hot key and the bezel buttons. Called on the platform's
// threads; one event at a time, under the event mutex, from start to finish.
#include <windows.h>
#include "OrxApi.h"
#include "Tarnwatch.h"
#include "tarnview.h"

#define BRIGHTNESS_MAX 7
#define NO_CODE (-1)   // what the brightness-down log line shows when nothing is sent

typedef DWORD (WINAPI *ORX_GET_STATUS)(DWORD *);
typedef DWORD (WINAPI *ORX_SET_STATUS)(DWORD);

// The two radios differ only in their calls and codes.
typedef struct RADIO
{
    ORX_GET_STATUS pfnGet;
    ORX_SET_STATUS pfnSet;
    int nOnCode;
    int nOffCode;
} RADIO;

static const RADIO s_wifi = { ORX_GetWiFiPowerStatus, ORX_SetWiFiPowerStatus, WLAN_ON, WLAN_OFF };
static const RADIO s_3g = { ORX_Get3GPowerStatus, ORX_Set3GPowerStatus, MOBILE3G_ON, MOBILE3G_OFF };

// Synchronous, so the event is over only once WndProc has the code.
static void SendIndicator(HWND hHookWnd, int nCode, LPARAM lParam)
{
    SendMessageW(hHookWnd, WM_INDICATOR, (WPARAM)nCode, lParam);
}

// Only a refusal is shown; every other failure is silent. A status other than
// on or off cannot be toggled.
static void OnRadio(HWND hHookWnd, const RADIO *pRadio)
{
    DWORD dwStatus = 0;
    DWORD dwResult = pRadio->pfnGet(&dwStatus);
    if (dwResult == ORX_REQUEST_DENIED)
        SendIndicator(hHookWnd, REQUEST_DENIED, 0);
    if (dwResult != ORX_SUCCESS || dwStatus > 1)
        return;
    DWORD dwNew = dwStatus == 0 ? 1 : 0;
    dwResult = pRadio->pfnSet(dwNew);
    if (dwResult == ORX_SUCCESS)
        SendIndicator(hHookWnd, dwNew ? pRadio->nOnCode : pRadio->nOffCode, 0);
    else if (dwResult == ORX_REQUEST_DENIED)
        SendIndicator(hHookWnd, REQUEST_DENIED, 0);
}

// A level the platform reports outside 0..7 is taken as the nearest one.
static DWORD ClampedBrightness(DWORD dwLevel)
{
    if ((LONG)dwLevel < 0)
        return 0;
    return dwLevel > BRIGHTNESS_MAX ? BRIGHTNESS_MAX : dwLevel;
}

// The level is written even when it cannot go lower, so the panel hears of
// every press. The code, or -1 for none, is logged in every case.
static void OnBrightnessDown(HWND hHookWnd)
{
    DWORD dwLevel = 0;
    int nCode = NO_CODE;
    DWORD dwResult = ORX_GetLcdBrightness(&dwLevel);
    if (dwResult == ORX_SUCCESS)
    {
        dwLevel = ClampedBrightness(dwLevel);
        if ((LONG)dwLevel > 0)
            --dwLevel;
        dwResult = ORX_SetLcdBrightness(dwLevel);
        if (dwResult == ORX_SUCCESS)
            nCode = BRIGHTNESS_DOWN;
        else if (dwResult == ORX_REQUEST_DENIED)
            nCode = REQUEST_DENIED;
    }
    else if (dwResult == ORX_REQUEST_DENIED)
    {
        DBGOUT("ORX_GetLcdBrightness return ORX_REQUEST_DENIED");
        nCode = REQUEST_DENIED;
    }
    DBGOUT("Tarn: send message %d", nCode);
    if (nCode != NO_CODE)
        SendIndicator(hHookWnd, nCode, (LONG)dwLevel);
}

static void OnBrightnessUp(HWND hHookWnd)
{
    DWORD dwLevel = 0;
    DWORD dwResult = ORX_GetLcdBrightness(&dwLevel);
    if (dwResult == ORX_SUCCESS)
    {
        dwLevel = ClampedBrightness(dwLevel);
        if ((LONG)dwLevel < BRIGHTNESS_MAX)
            ++dwLevel;
        dwResult = ORX_SetLcdBrightness(dwLevel);
        if (dwResult == ORX_SUCCESS)
            SendIndicator(hHookWnd, BRIGHTNESS_UP, (LONG)dwLevel);
        else if (dwResult == ORX_REQUEST_DENIED)
            SendIndicator(hHookWnd, REQUEST_DENIED, (LONG)dwLevel);
    }
    else if (dwResult == ORX_REQUEST_DENIED)
    {
        SendIndicator(hHookWnd, REQUEST_DENIED, (LONG)dwLevel);
    }
}

static void OnDisplay(HWND hHookWnd)
{
    int nCode = SwitchDisplayMode();
    if (nCode != INDICATOR_NONE)
        SendIndicator(hHookWnd, nCode, 0);
}

// The launch result is of no interest here: nothing is shown for a launch.
static void OnBezelLaunch(DWORD dwEvent)
{
    if (dwEvent == BEZELBUTTON_SINGLE_CLICK)
        DBGOUT("received BEZELBUTTON_SINGLE_CLICK");
    else if (dwEvent == BEZELBUTTON_DOUBLE_CLICK)
        DBGOUT("received BEZELBUTTON_DOUBLE_CLICK");
    else
        DBGOUT("received BEZEL_CAMERA Click");
    LaunchBezelApplication(dwEvent);
}

static void DispatchEvent(HWND hHookWnd, DWORD dwEvent)
{
    switch (dwEvent)
    {
    case HOTKEY_WIRELESS: OnRadio(hHookWnd, &s_wifi); break;
    case HOTKEY_DISPLAY: OnDisplay(hHookWnd); break;
    case HOTKEY_BRIGHTNESS_DOWN: OnBrightnessDown(hHookWnd); break;
    case HOTKEY_BRIGHTNESS_UP: OnBrightnessUp(hHookWnd); break;
    case BEZELBUTTON_SINGLE_CLICK:
    case BEZELBUTTON_DOUBLE_CLICK:
    case BEZEL_CAMERA: OnBezelLaunch(dwEvent); break;
    case HOTKEY_3G: OnRadio(hHookWnd, &s_3g); break;
    case BEZEL_UP_KEYDOWN:
    case BEZEL_UP_KEYUP:
    case BEZEL_DOWN_KEYDOWN:
    case BEZEL_DOWN_KEYUP: OnBezelPageKey(dwEvent); break;
    default: break;   // codes above 11, compared unsigned, mean nothing
    }
}

// Held for the whole event, sends, display switch and launch included, so
// events from any of the platform's threads are handled strictly one at a time.
// The main thread never takes the mutex, so the sends cannot deadlock.
DWORD WINAPI VKbdEventCallback(ORX_EVENT_RECORD *pRecord)
{
    WaitForSingleObject(g_hEventMutex, INFINITE);
    HWND hHookWnd = FindWindowW(L"HookWnd", NULL);
    DispatchEvent(hHookWnd, pRecord->dwEvent);
    return ReleaseMutex(g_hEventMutex);
}
