// The keyboard hook's watchdog: a hidden window on the thread that registered the
// hook. It reinstalls the hook after a resume from sleep, after a session unlock,
// and when keys arrive that the hook never saw (Windows 7 silently removes a hook
// that once exceeds its time-out). It idles without any timer.
#include <windows.h>
#include <wtsapi32.h>
#include "Tarnwatch.h"
#include "hookdata.h"
#include "hookwatch.h"
#include "mastervolume.h"

#define HOOK_GRACE_MS 1000
#define SESSION_RETRY_MS 10000
#define SESSION_RETRIES 30          // five minutes: a terminal service that is off stays off
#define HID_USAGE_PAGE_GENERIC 1
#define HID_USAGE_KEYBOARD 6

static HWND s_hWatchWnd = NULL;
static LONG s_nSeenHookCalls = 0;     // g_nHookCalls at the last raw key or check
static LONG s_nGraceHookCalls = 0;    // g_nHookCalls when the grace period began
static BOOL s_bGraceRunning = FALSE;
static int s_nSessionRetries = 0;     // registrations for session notifications tried again

void ReinstallHook(const char *pszWhy)
{
    // The old hook may already be gone; removing it again does no harm.
    UnhookWindowsHookEx(HookHandle());
    HHOOK hHook = SetWindowsHookExW(WH_KEYBOARD_LL, KeybdProcLL, g_hInstance, 0);
    SetHookHandle(hHook);
    if (hHook)
        DBGOUT("HookWatch: keyboard hook reinstalled after %s", pszWhy);
    else
        DBGOUT("RegisterHook LL failed");
    s_nSeenHookCalls = g_nHookCalls;
}

// Raw input reaches this window for every key, in the background too. A raw key
// may come before the hook's call for it, so one with no hook call since the
// previous raw key only starts a grace period; the hook is lost if it is not
// called once during that whole period.
static void OnRawKey(HWND hWnd)
{
    if (g_nHookCalls != s_nSeenHookCalls)
    {
        s_nSeenHookCalls = g_nHookCalls;
        return;
    }
    if (!s_bGraceRunning)
    {
        s_nGraceHookCalls = g_nHookCalls;
        s_bGraceRunning = SetTimer(hWnd, HOOK_GRACE_TIMER, HOOK_GRACE_MS, NULL) != 0;
    }
}

static void OnGraceOver(HWND hWnd)
{
    KillTimer(hWnd, HOOK_GRACE_TIMER);
    s_bGraceRunning = FALSE;
    if (g_nHookCalls == s_nGraceHookCalls)
        ReinstallHook("keys it missed");
    s_nSeenHookCalls = g_nHookCalls;
}

static void OnPowerBroadcast(WPARAM wParam)
{
    if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMECRITICAL)
        ReinstallHook("resume");
}

static void OnSessionChange(WPARAM wParam)
{
    if (wParam == WTS_SESSION_UNLOCK)
        ReinstallHook("unlock");
}

// At an XP logon the terminal service may not answer yet (RPC_S_INVALID_BINDING):
// asked again every 10 s for a while instead of giving up at once.
static void RegisterSessionNotification(HWND hWnd)
{
    if (WTSRegisterSessionNotification(hWnd, NOTIFY_FOR_THIS_SESSION))
    {
        KillTimer(hWnd, SESSION_RETRY_TIMER);
        if (s_nSessionRetries)
            DBGOUT("HookWatch: session notifications after %d retries", s_nSessionRetries);
        return;
    }
    DWORD dwError = GetLastError();
    if (s_nSessionRetries == 0)
        DBGOUT("HookWatch: no session notifications, error %d", (int)dwError);
    if (s_nSessionRetries++ < SESSION_RETRIES)
        SetTimer(hWnd, SESSION_RETRY_TIMER, SESSION_RETRY_MS, NULL);
    else
        KillTimer(hWnd, SESSION_RETRY_TIMER);
}

static LRESULT CALLBACK HookWatchWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (OnEndpointMessage(hWnd, uMsg, wParam))
        return 0;
    switch (uMsg)
    {
    case WM_INPUT:
        OnRawKey(hWnd);
        break;
    case WM_TIMER:
        if (wParam == HOOK_GRACE_TIMER)
            OnGraceOver(hWnd);
        else if (wParam == SESSION_RETRY_TIMER)
            RegisterSessionNotification(hWnd);
        return 0;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wParam);
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        OnSessionChange(wParam);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

static BOOL RegisterRawKeyboard(DWORD dwFlags, HWND hTarget)
{
    RAWINPUTDEVICE rid;
    rid.usUsagePage = HID_USAGE_PAGE_GENERIC;
    rid.usUsage = HID_USAGE_KEYBOARD;
    rid.dwFlags = dwFlags;
    rid.hwndTarget = hTarget;
    return RegisterRawInputDevices(&rid, 1, sizeof(rid));
}

// A top-level window, hidden: message-only windows get no power broadcasts.
void StartHookWatch(void)
{
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = HookWatchWndProc;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = L"HookWatchWnd";
    RegisterClassW(&wc);
    s_hWatchWnd = CreateWindowExW(0, L"HookWatchWnd", NULL, WS_POPUP, 0, 0, 0, 0, NULL, NULL, g_hInstance, NULL);
    if (!s_hWatchWnd)
    {
        DBGOUT("HookWatch: no window, error %d", (int)GetLastError());
        return;
    }
    if (!RegisterRawKeyboard(RIDEV_INPUTSINK, s_hWatchWnd))
        DBGOUT("HookWatch: no raw keyboard input, error %d", (int)GetLastError());
    // Without it only the raw-input check notices a hook lost across a locked session.
    RegisterSessionNotification(s_hWatchWnd);
    s_nSeenHookCalls = g_nHookCalls;
}

void StopHookWatch(void)
{
    if (!s_hWatchWnd)
        return;
    RegisterRawKeyboard(RIDEV_REMOVE, NULL);
    KillTimer(s_hWatchWnd, SESSION_RETRY_TIMER);
    s_nSessionRetries = 0;
    WTSUnRegisterSessionNotification(s_hWatchWnd);
    DestroyWindow(s_hWatchWnd);
    s_hWatchWnd = NULL;
    s_bGraceRunning = FALSE;
}

HWND HookWatchWindow(void)
{
    return s_hWatchWnd;
}
