// ShowIndicatorProc, the OSD display thread: shows the pending indicator in its
// window, on the monitor and at the place the settings choose, and hides every
// OSD the settings' time (3000 ms by default) after the last code.
#include <windows.h>
#include <strsafe.h>
#include "Tarnwatch.h"
#include "osdmonitor.h"
#include "osdsettings.h"
#include "tarnview.h"

#define IMAGE_PATH_CCH 100
#define OSD_NAME_CCH 64

WCHAR g_szBackImage[IMAGE_PATH_CCH];  // background picture of the shown OSD
WCHAR g_szForeImage[IMAGE_PATH_CCH];  // bar picture, drawn once per level step

// Background picture per code (index = code); bar codes also have a bar picture.
static const LPCWSTR s_pszBackImage[] = {
    NULL,
    L"..\\Resource\\Wl_On.png", L"..\\Resource\\Wl_Off.png",
    L"..\\Resource\\Ds_Int.png", L"..\\Resource\\Ds_Ext.png", L"..\\Resource\\Ds_Dual.png",
    L"..\\Resource\\Vol_Mt.png", L"..\\Resource\\Vol_Bg.png", L"..\\Resource\\Vol_Bg.png",
    L"..\\Resource\\Bt_Bg.png", L"..\\Resource\\Bt_Bg.png",
    L"..\\Resource\\3G_On.png", L"..\\Resource\\3G_Off.png",
    L"..\\Resource\\Caps_On.png", L"..\\Resource\\Caps_Off.png",
    L"..\\Resource\\Num_On.png", L"..\\Resource\\Num_Off.png",
    L"..\\Resource\\Scr_On.png", L"..\\Resource\\Scr_Off.png",
    L"..\\Resource\\NP.png",
};

static BOOL IsVolumeCode(int nCode) { return nCode == VOLUME_UP || nCode == VOLUME_DOWN; }
static BOOL IsBrightnessCode(int nCode) { return nCode == BRIGHTNESS_UP || nCode == BRIGHTNESS_DOWN; }

static void CopyPictures(int nCode)
{
    if (nCode == VOLUME_MUTE)
        DBGOUT("ShowIndicatorProc: VOLUME_MUTE");
    else if (IsVolumeCode(nCode))
        DBGOUT("ShowIndicatorProc: VOLUME_UP and VOLUME_DOWN");
    else if (nCode == CAPS_LOCK_ON)
        DBGOUT("ShowIndicatorProc: CAPS_LOCK_ON");
    else if (nCode == CAPS_LOCK_OFF)
        DBGOUT("ShowIndicatorProc: CAPS_LOCK_OFF");
    StringCchCopyW(g_szBackImage, IMAGE_PATH_CCH, s_pszBackImage[nCode]);
    if (IsVolumeCode(nCode))
        StringCchCopyW(g_szForeImage, IMAGE_PATH_CCH, L"..\\Resource\\Vol.png");
    else if (IsBrightnessCode(nCode))
        StringCchCopyW(g_szForeImage, IMAGE_PATH_CCH, L"..\\Resource\\Bt.png");
    if (nCode == REQUEST_DENIED)
    {
        char szPath[IMAGE_PATH_CCH * 2];
        WideCharToMultiByte(CP_ACP, 0, g_szBackImage, -1, szPath, sizeof(szPath), NULL, NULL);
        DBGOUT("ShowIndicatorProc: copy %s", szPath);
    }
}

static HWND WindowFor(int nCode)
{
    if (nCode >= VOLUME_MUTE && nCode <= BRIGHTNESS_DOWN)
        return g_hBarWnd;
    if (nCode >= DISPLAY_INTERNAL && nCode <= DISPLAY_DUAL)
        return g_hModeWnd;
    return g_hIconWnd;
}

void HideOsdWindows(void)
{
    const HWND hWnds[] = { g_hIconWnd, g_hModeWnd, g_hBarWnd };
    for (HWND hWnd : hWnds)
    {
        // Invalid windows paint afresh with the then-current pictures when shown again.
        InvalidateRect(hWnd, NULL, TRUE);
        ShowWindow(hWnd, SW_HIDE);
    }
}

// Screen readers read a window's name through its default accessible object,
// which takes the window text; the windows have no caption, so nothing on
// screen changes.
static void NameOsd(HWND hWnd, int nCode)
{
    WCHAR szName[OSD_NAME_CCH];
    if (OsdNameOf(nCode, g_nIndicatorLevel, szName, OSD_NAME_CCH))
        SetWindowTextW(hWnd, szName);
}

// Opacity below 100 % makes the windows layered; at 100 % they are the plain
// windows they always were.
static void SetOsdOpacity(HWND hWnd, DWORD dwOpacity)
{
    LONG lStyle = GetWindowLongW(hWnd, GWL_EXSTYLE);
    if (dwOpacity >= 100)
    {
        if (lStyle & WS_EX_LAYERED)
            SetWindowLongW(hWnd, GWL_EXSTYLE, lStyle & ~WS_EX_LAYERED);
        return;
    }
    if (!(lStyle & WS_EX_LAYERED))
        SetWindowLongW(hWnd, GWL_EXSTYLE, lStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hWnd, 0, (BYTE)MulDiv(255, (int)dwOpacity, 100), LWA_ALPHA);
}

// A new appearance goes to the monitor the settings choose now; an indicator
// already on screen that is updated stays where it is, unless the monitors
// changed under it.
static void PlaceOsd(HWND hWnd, const OSD_SETTINGS *pSettings)
{
    RECT rcWindow, rcMonitor;
    if (IsWindowVisible(hWnd) && GetWindowRect(hWnd, &rcWindow) && IsOnOneMonitor(&rcWindow))
    {
        RaiseOsdWindow(hWnd);
        return;
    }
    SetOsdSize(pSettings->dwSize);
    SetOsdOpacity(hWnd, pSettings->dwOpacity);
    if (ChooseOsdMonitor(pSettings, &rcMonitor))
        PlaceOsdWindowOn(hWnd, &rcMonitor, pSettings->dwPlace);
}

// What the settings leave out is neither shown nor announced.
static BOOL IsWanted(int nCode, HWND hWnd, const OSD_SETTINGS *pSettings)
{
    if (!pSettings->bShow[OsdGroupOf(nCode)])
        return FALSE;
    return pSettings->bOverFullScreen || IsWindowVisible(hWnd) || !IsFullScreenForeground();
}

static void ShowOsd(int nCode, const OSD_SETTINGS *pSettings)
{
    HWND hWnd = WindowFor(nCode);
    if (!IsWanted(nCode, hWnd, pSettings))
        return;
    if (nCode >= WLAN_ON && nCode <= REQUEST_DENIED)
        CopyPictures(nCode);
    NameOsd(hWnd, nCode);
    PlaceOsd(hWnd, pSettings);
    UpdateWindow(hWnd);
    // Shown without activation: typing goes on into the user's window.
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    // Once per appearance or bar repaint, after it is on screen: readers speak
    // an alert's name without moving the focus or the user's place.
    NotifyWinEvent(EVENT_SYSTEM_ALERT, hWnd, OBJID_CLIENT, CHILDID_SELF);
}

// Main thread, at a display change: a shown window that no monitor holds whole
// any more goes to the monitor the settings choose now.
void KeepOsdOnAMonitor(HWND hWnd)
{
    RECT rcWindow, rcMonitor;
    if (!IsWindowVisible(hWnd) || !GetWindowRect(hWnd, &rcWindow) || IsOnOneMonitor(&rcWindow))
        return;
    OSD_SETTINGS settings;
    ReadOsdSettings(&settings);
    if (ChooseOsdMonitor(&settings, &rcMonitor))
        PlaceOsdWindowOn(hWnd, &rcMonitor, settings.dwPlace);
}

// A newer code of the same kind only repaints the visible bar; anything else
// hides all windows first so its own window comes up freshly placed.
static void OnNewCode(int nShown)
{
    int nCode = g_nPendingIndicator;
    BOOL bBarVisible = IsWindowVisible(g_hBarWnd);
    if (bBarVisible && ((IsVolumeCode(nCode) && IsVolumeCode(nShown))
                        || (IsBrightnessCode(nCode) && IsBrightnessCode(nShown))))
        InvalidateRect(g_hBarWnd, NULL, TRUE);
    else
        HideOsdWindows();
}

// The event is reset before the code is read, so a code stored at any later
// moment signals it again and is never missed.
// The settings are read at every code, so a change shows at the next indicator.
DWORD WINAPI ShowIndicatorProc(LPVOID pParam)
{
    (void)pParam;
    OSD_SETTINGS settings;
    for (;;)
    {
        ResetEvent(g_hShowEvent);
        int nShown = g_nPendingIndicator;
        ReadOsdSettings(&settings);
        if (nShown != 0)
            ShowOsd(nShown, &settings);
        if (WaitForSingleObject(g_hShowEvent, settings.dwSeconds * 1000) == WAIT_TIMEOUT
            && SendMessageW(g_hIconWnd, WM_OSD_TIMEOUT, (WPARAM)nShown, 0))
        {
            HideOsdWindows();
            WaitForSingleObject(g_hShowEvent, INFINITE);
        }
        else
        {
            OnNewCode(nShown);
        }
    }
    return 0;
}
