// ShowIndicatorProc, the OSD display thread: shows the pending indicator in its
// window and hides every OSD 3000 ms after the last code.
#include <windows.h>
#include <strsafe.h>
#include "Tarnwatch.h"
#include "tarnview.h"

#define OSD_TIMEOUT_MS 3000
#define IMAGE_PATH_CCH 100

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

static void ShowOsd(int nCode)
{
    if (nCode >= WLAN_ON && nCode <= REQUEST_DENIED)
        CopyPictures(nCode);
    ReadScreenSize();
    HWND hWnd = WindowFor(nCode);
    PlaceOsdWindow(hWnd);
    UpdateWindow(hWnd);
    // Shown without activation: typing goes on into the user's window.
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
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
DWORD WINAPI ShowIndicatorProc(LPVOID pParam)
{
    (void)pParam;
    for (;;)
    {
        ResetEvent(g_hShowEvent);
        int nShown = g_nPendingIndicator;
        if (nShown != 0)
            ShowOsd(nShown);
        if (WaitForSingleObject(g_hShowEvent, OSD_TIMEOUT_MS) == WAIT_TIMEOUT
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
