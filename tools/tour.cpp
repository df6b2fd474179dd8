// The main job's tour: sends every indicator code to the running Tarnview, waits
// for its OSD and saves a screenshot of the screen's bottom area (taller at a
// higher DPI) for each. With --shot it only waits for the OSD that something else
// (orxctl) caused and saves it; with --second it shows indicators on the second
// monitor, where it puts the pointer, and saves that monitor's bottom area.
// Usage: tour.exe <output folder> | tour.exe --shot <output folder> <name>
//        | tour.exe --second <output folder>
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

// The bottom strip of a monitor, where every OSD appears; it grows with the
// screen's DPI, as the OSD windows and their distances from the edge do.
static void SaveBottomOf(const RECT &rcMonitor, const wchar_t *pszPath)
{
    int cx = rcMonitor.right - rcMonitor.left, cy = rcMonitor.bottom - rcMonitor.top;
    HDC hdcScreen = GetDC(NULL);
    int cyShot = MulDiv(SHOT_HEIGHT, GetDeviceCaps(hdcScreen, LOGPIXELSY), 96);
    if (cyShot > cy)
        cyShot = cy;
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, cx, cyShot);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, cx, cyShot, hdcScreen, rcMonitor.left, rcMonitor.bottom - cyShot, SRCCOPY);
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

static const RECT *PrimaryMonitor(void)
{
    static RECT s_rc;
    SetRect(&s_rc, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return &s_rc;
}

static BOOL SaveStep(const wchar_t *pszFolder, const wchar_t *pszName, const RECT *prcMonitor = PrimaryMonitor())
{
    // Hide-then-show or a bar repaint: give the display thread its moment, then wait for one OSD.
    Sleep(300);
    BOOL bShown = WaitForOsdCount(1);
    wchar_t szPath[MAX_PATH];
    _snwprintf(szPath, MAX_PATH - 1, L"%ls\\%ls.png", pszFolder, pszName);
    szPath[MAX_PATH - 1] = L'\0';
    SaveBottomOf(*prcMonitor, szPath);
    return bShown;
}

static BOOL SendIndicator(int nCode, int nLevel)
{
    DWORD_PTR dwResult = 0;
    return SendMessageTimeoutW(FindWindowW(L"HookWnd", NULL), WM_INDICATOR, nCode, nLevel, SMTO_NORMAL, WAIT_MS,
                               &dwResult) != 0;
}

static BOOL CALLBACK FindOtherMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam)
{
    MONITORINFO mi;
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(hMonitor, &mi) && !(mi.dwFlags & MONITORINFOF_PRIMARY))
    {
        *(RECT *)lParam = mi.rcMonitor;
        return FALSE;
    }
    return TRUE;
}

// The user's setting "the monitor under the pointer", the pointer on the second
// monitor; the setting goes again afterwards.
static int RunSecondMonitor(const wchar_t *pszFolder)
{
    RECT rcSecond = { 0, 0, 0, 0 };
    EnumDisplayMonitors(NULL, NULL, FindOtherMonitor, (LPARAM)&rcSecond);
    if (IsRectEmpty(&rcSecond))
    {
        wprintf(L"one monitor only: no indicator on a second monitor\n");
        return 0;
    }
    HKEY hKey;
    DWORD dwPointer = 2;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Halvern\\Tarn\\Indicator", 0, NULL, 0, KEY_SET_VALUE, NULL,
                        &hKey, NULL) != ERROR_SUCCESS)
        return 1;
    RegSetValueExW(hKey, L"Monitor", 0, REG_DWORD, (const BYTE *)&dwPointer, sizeof(dwPointer));
    SetCursorPos((rcSecond.left + rcSecond.right) / 2, (rcSecond.top + rcSecond.bottom) / 2);
    const TOUR_STEP steps[] = { { VOLUME_UP, 9, L"50_second_monitor_volume_09" }, { CAPS_LOCK_ON, 0, L"51_second_monitor_caps_on" } };
    int nFailed = 0;
    for (const TOUR_STEP &step : steps)
    {
        BOOL bShown = SendIndicator(step.nCode, step.nLevel) && SaveStep(pszFolder, step.pszName, &rcSecond);
        wprintf(L"%-32ls %ls\n", step.pszName, bShown ? L"shown" : L"NOT SHOWN");
        nFailed += !bShown;
    }
    RegDeleteValueW(hKey, L"Monitor");
    RegCloseKey(hKey);
    return nFailed;
}

static int RunIndicatorTour(const wchar_t *pszFolder)
{
    int nFailed = 0;
    for (const TOUR_STEP &step : s_steps)
    {
        SendIndicator(step.nCode, step.nLevel);
        BOOL bShown = SaveStep(pszFolder, step.pszName);
        wprintf(L"%-24ls code %2d level %2d: %ls\n", step.pszName, step.nCode, step.nLevel, bShown ? L"shown" : L"NOT SHOWN");
        nFailed += !bShown;
    }
    return nFailed;
}

int wmain(int argc, wchar_t **argv)
{
    BOOL bShot = argc == 4 && wcscmp(argv[1], L"--shot") == 0;
    BOOL bSecond = argc == 3 && wcscmp(argv[1], L"--second") == 0;
    if (argc != 2 && !bShot && !bSecond)
    {
        fwprintf(stderr, L"usage: tour.exe <output folder> | tour.exe --shot <output folder> <name>"
                         L" | tour.exe --second <output folder>\n");
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
    else if (bSecond)
        nFailed = RunSecondMonitor(argv[2]);
    else
        nFailed = RunIndicatorTour(argv[1]);
    Gdiplus::GdiplusShutdown(token);
    return nFailed ? 1 : 0;
}
