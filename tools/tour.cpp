// The main job's tour: sends every indicator code to the running Tarnview, waits
// for its OSD and saves a screenshot of the screen's bottom area (taller at a
// higher DPI) for each. With
// --shot it only waits for the OSD that something else (orxctl) caused and saves it.
// Usage: tour.exe <output folder> | tour.exe --shot <output folder> <name>
#include <windows.h>
#include <gdiplus.h>
#include <stdio.h>
#include <wchar.h>
#include "Tarnwatch.h"

#define SHOT_HEIGHT 160
#define WAIT_MS 15000

typedef struct TOUR_STEP
{
    int nCode;
    int nLevel;
    const wchar_t *pszName;
} TOUR_STEP;

static const TOUR_STEP s_steps[] = {
    { WLAN_ON, 0, L"01_wlan_on" }, { WLAN_OFF, 0, L"02_wlan_off" },
    { DISPLAY_INTERNAL, 0, L"03_display_internal" }, { DISPLAY_EXTERNAL, 0, L"04_display_external" },
    { DISPLAY_DUAL, 0, L"05_display_dual" }, { VOLUME_MUTE, 0, L"06_volume_mute" },
    { VOLUME_UP, 3, L"07_volume_up_03" }, { VOLUME_UP, 14, L"07_volume_up_14" },
    { VOLUME_DOWN, 7, L"08_volume_down_07" }, { VOLUME_DOWN, 0, L"08_volume_down_00" },
    { BRIGHTNESS_UP, 4, L"09_brightness_up_4" }, { BRIGHTNESS_UP, 7, L"09_brightness_up_7" },
    { BRIGHTNESS_DOWN, 1, L"10_brightness_down_1" },
    { MOBILE3G_ON, 0, L"11_3g_on" }, { MOBILE3G_OFF, 0, L"12_3g_off" },
    { CAPS_LOCK_ON, 0, L"13_caps_on" }, { CAPS_LOCK_OFF, 0, L"14_caps_off" },
    { NUM_LOCK_ON, 0, L"15_num_on" }, { NUM_LOCK_OFF, 0, L"16_num_off" },
    { SCROLL_LOCK_ON, 0, L"17_scroll_on" }, { SCROLL_LOCK_OFF, 0, L"18_scroll_off" },
    { REQUEST_DENIED, 0, L"19_request_denied" },
};

static BOOL CALLBACK CountVisibleOsd(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[32];
    if (IsWindowVisible(hWnd) && GetClassNameW(hWnd, szClass, 32) && wcscmp(szClass, L"ShowWnd") == 0)
        ++*(int *)lParam;
    return TRUE;
}

static int VisibleOsdCount(void)
{
    int n = 0;
    EnumWindows(CountVisibleOsd, (LPARAM)&n);
    return n;
}

static BOOL WaitForOsdCount(int nWanted)
{
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < WAIT_MS; Sleep(20))
        if (VisibleOsdCount() == nWanted)
            return TRUE;
    return FALSE;
}

static BOOL GetPngEncoder(CLSID *pClsid)
{
    UINT nCount = 0, cbSize = 0;
    Gdiplus::GetImageEncodersSize(&nCount, &cbSize);
    Gdiplus::ImageCodecInfo *pCodecs = (Gdiplus::ImageCodecInfo *)malloc(cbSize);
    BOOL bFound = FALSE;
    if (pCodecs && Gdiplus::GetImageEncoders(nCount, cbSize, pCodecs) == Gdiplus::Ok)
        for (UINT i = 0; i < nCount && !bFound; ++i)
            if (wcscmp(pCodecs[i].MimeType, L"image/png") == 0)
            {
                *pClsid = pCodecs[i].Clsid;
                bFound = TRUE;
            }
    free(pCodecs);
    return bFound;
}

// The bottom strip of the screen, where every OSD appears; it grows with the
// screen's DPI, as the OSD windows and their distances from the edge do.
static void SaveBottomOfScreen(const wchar_t *pszPath)
{
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HDC hdcScreen = GetDC(NULL);
    int cyShot = MulDiv(SHOT_HEIGHT, GetDeviceCaps(hdcScreen, LOGPIXELSY), 96);
    if (cyShot > cy)
        cyShot = cy;
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, cx, cyShot);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, cx, cyShot, hdcScreen, 0, cy - cyShot, SRCCOPY);
    SelectObject(hdcMem, hOld);
    Gdiplus::Bitmap *pBitmap = new Gdiplus::Bitmap(hbm, NULL);
    CLSID clsid;
    if (GetPngEncoder(&clsid))
        pBitmap->Save(pszPath, &clsid, NULL);
    delete pBitmap;
    DeleteObject(hbm);
    DeleteDC(hdcMem);
    ReleaseDC(NULL, hdcScreen);
}

static BOOL SaveStep(const wchar_t *pszFolder, const wchar_t *pszName)
{
    // Hide-then-show or a bar repaint: give the display thread its moment, then wait for one OSD.
    Sleep(300);
    BOOL bShown = WaitForOsdCount(1);
    wchar_t szPath[MAX_PATH];
    _snwprintf(szPath, MAX_PATH - 1, L"%ls\\%ls.png", pszFolder, pszName);
    szPath[MAX_PATH - 1] = L'\0';
    SaveBottomOfScreen(szPath);
    return bShown;
}

static int RunIndicatorTour(const wchar_t *pszFolder)
{
    int nFailed = 0;
    for (const TOUR_STEP &step : s_steps)
    {
        HWND hHookWnd = FindWindowW(L"HookWnd", NULL);
        DWORD_PTR dwResult = 0;
        SendMessageTimeoutW(hHookWnd, WM_INDICATOR, step.nCode, step.nLevel, SMTO_NORMAL, WAIT_MS, &dwResult);
        BOOL bShown = SaveStep(pszFolder, step.pszName);
        wprintf(L"%-24ls code %2d level %2d: %ls\n", step.pszName, step.nCode, step.nLevel, bShown ? L"shown" : L"NOT SHOWN");
        nFailed += !bShown;
    }
    return nFailed;
}

int wmain(int argc, wchar_t **argv)
{
    BOOL bShot = argc == 4 && wcscmp(argv[1], L"--shot") == 0;
    if (argc != 2 && !bShot)
    {
        fwprintf(stderr, L"usage: tour.exe <output folder> | tour.exe --shot <output folder> <name>\n");
        return 2;
    }
    ULONG_PTR token;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, NULL);
    int nFailed;
    if (bShot)
    {
        BOOL bShown = SaveStep(argv[2], argv[3]);
        wprintf(L"%-32ls %ls\n", argv[3], bShown ? L"shown" : L"NOT SHOWN");
        nFailed = !bShown;
    }
    else
        nFailed = RunIndicatorTour(argv[1]);
    Gdiplus::GdiplusShutdown(token);
    return nFailed ? 1 : 0;
}
