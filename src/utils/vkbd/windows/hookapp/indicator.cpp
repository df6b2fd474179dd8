// WndProc of the "HookWnd" window: turns WM_INDICATOR messages into the pending
// indicator code and level for the OSD thread. Runs on the main thread.
#include <windows.h>
#include "Tarnwatch.h"
#include "tarnview.h"

#define VOLUME_LEVEL_MAX 14
#define BRIGHTNESS_LEVEL_MAX 7

volatile LONG g_nPendingIndicator = 0;
volatile LONG g_nIndicatorLevel = 0;
HANDLE g_hShowEvent = NULL;

// Any program on the desktop may send the message: a level is kept within its
// bar, so no message can make the paint draw for minutes on the hook's thread.
static LONG ClampedLevel(int nCode, LPARAM lParam)
{
    LONG nMax = nCode == VOLUME_UP || nCode == VOLUME_DOWN ? VOLUME_LEVEL_MAX : BRIGHTNESS_LEVEL_MAX;
    if (lParam < 0)
        return 0;
    return lParam > nMax ? nMax : (LONG)lParam;
}

// The stores always come before SetEvent, so the woken OSD thread finds them.
static void OnIndicator(int nCode, LPARAM lParam)
{
    switch (nCode)
    {
    case VOLUME_MUTE:
        DBGOUT("WndProc: VOLUME_MUTE");
        break;
    case CAPS_LOCK_ON:
        DBGOUT("WndProc: CAPS_LOCK_ON");
        break;
    case CAPS_LOCK_OFF:
        DBGOUT("WndProc: CAPS_LOCK_OFF");
        break;
    case VOLUME_UP:
    case VOLUME_DOWN:
    case BRIGHTNESS_UP:
    case BRIGHTNESS_DOWN:
        g_nIndicatorLevel = ClampedLevel(nCode, lParam);
        break;
    }
    g_nPendingIndicator = nCode;
    if (nCode == VOLUME_UP)
        DBGOUT("WndProc: VOLUME_UP %d", (int)g_nIndicatorLevel);
    else if (nCode == VOLUME_DOWN)
        DBGOUT("WndProc: VOLUME_DOWN %d", (int)g_nIndicatorLevel);
    SetEvent(g_hShowEvent);
    if (nCode == REQUEST_DENIED)
        DBGOUT("WndProc: set %d", (int)g_nPendingIndicator);
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INDICATOR && wParam >= WLAN_ON && wParam <= REQUEST_DENIED)
        OnIndicator((int)wParam, lParam);
    else if (uMsg == WM_QUERYENDSESSION)
        return OnQueryEndSession(lParam);
    else if (uMsg == WM_ENDSESSION)
        OnEndSession(wParam, lParam);
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// Runs on the main thread, where WndProc stores codes, so nothing can arrive
// between the test and the clearing. The OSD thread resets "ShowEvent" before it
// reads a code, so a signalled event means a newer code, even an equal one.
BOOL ClearTimedOutIndicator(int nShown)
{
    if (g_nPendingIndicator != nShown || WaitForSingleObject(g_hShowEvent, 0) == WAIT_OBJECT_0)
        return FALSE;
    g_nPendingIndicator = 0;
    return TRUE;
}
