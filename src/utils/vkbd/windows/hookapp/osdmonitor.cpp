// Which monitor an indicator appears on, asked afresh for every appearance so
// that no handle or rectangle outlives a change of the display configuration;
// whether a full-screen program has the foreground; the connected monitors with
// the identifiers and names the settings item offers. No log: the item runs it too.
#include <windows.h>
#include <strsafe.h>
#include <wchar.h>
#include "osdmonitor.h"

// The monitor of a display device ("\\.\DISPLAY2"): its identifier, which stays
// the same across undocking and restarts where the device's number does not,
// and its name as Windows shows it.
static BOOL DescribeDevice(LPCWSTR pszDevice, LPWSTR pszId, LPWSTR pszName)
{
    DISPLAY_DEVICEW dd;
    ZeroMemory(&dd, sizeof(dd));
    dd.cb = sizeof(dd);
    if (!EnumDisplayDevicesW(pszDevice, 0, &dd, 0) || !dd.DeviceID[0])
        return FALSE;
    return SUCCEEDED(StringCchCopyW(pszId, OSD_MONITOR_ID_CCH, dd.DeviceID))
        && SUCCEEDED(StringCchCopyW(pszName, OSD_MONITOR_NAME_CCH, dd.DeviceString));
}

// Windows numbers its displays as their devices are numbered.
static int DisplayNumberOf(LPCWSTR pszDevice)
{
    LPCWSTR psz = pszDevice + wcslen(pszDevice);
    while (psz > pszDevice && psz[-1] >= L'0' && psz[-1] <= L'9')
        --psz;
    return _wtoi(psz);
}

typedef struct ENUM_CONTEXT
{
    OSD_MONITOR_VISITOR pfnVisit;
    void *pContext;
} ENUM_CONTEXT;

static BOOL CALLBACK VisitMonitor(HMONITOR hMonitor, HDC hdc, LPRECT prc, LPARAM lParam)
{
    (void)hdc;
    (void)prc;
    ENUM_CONTEXT *pEnum = (ENUM_CONTEXT *)lParam;
    MONITORINFOEXW mi;
    ZeroMemory(&mi, sizeof(mi));
    mi.cbSize = sizeof(mi);
    OSD_MONITOR_INFO info;
    ZeroMemory(&info, sizeof(info));
    if (!GetMonitorInfoW(hMonitor, (MONITORINFO *)&mi) || !DescribeDevice(mi.szDevice, info.szId, info.szName))
        return TRUE;
    info.nNumber = DisplayNumberOf(mi.szDevice);
    info.rcMonitor = mi.rcMonitor;
    info.bPrimary = (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
    return pEnum->pfnVisit(&info, pEnum->pContext);
}

void EnumOsdMonitors(OSD_MONITOR_VISITOR pfnVisit, void *pContext)
{
    ENUM_CONTEXT context = { pfnVisit, pContext };
    EnumDisplayMonitors(NULL, NULL, VisitMonitor, (LPARAM)&context);
}

static BOOL RectOfMonitor(HMONITOR hMonitor, RECT *prc)
{
    MONITORINFO mi;
    mi.cbSize = sizeof(mi);
    if (!hMonitor || !GetMonitorInfoW(hMonitor, &mi))
        return FALSE;
    *prc = mi.rcMonitor;
    return TRUE;
}

typedef struct FIND_CONTEXT
{
    LPCWSTR pszId;
    RECT *prc;
    BOOL bFound;
} FIND_CONTEXT;

static BOOL MatchId(const OSD_MONITOR_INFO *pInfo, void *pContext)
{
    FIND_CONTEXT *pFind = (FIND_CONTEXT *)pContext;
    if (lstrcmpiW(pInfo->szId, pFind->pszId) != 0)
        return TRUE;
    *pFind->prc = pInfo->rcMonitor;
    pFind->bFound = TRUE;
    return FALSE;
}

static BOOL FindMonitorById(LPCWSTR pszId, RECT *prc)
{
    FIND_CONTEXT find = { pszId, prc, FALSE };
    if (pszId[0])
        EnumOsdMonitors(MatchId, &find);
    return find.bFound;
}

// The desktop is no program the user works in: then the pointer tells.
static BOOL IsDesktop(HWND hWnd)
{
    WCHAR szClass[32];
    if (!hWnd || hWnd == GetDesktopWindow() || hWnd == GetShellWindow())
        return TRUE;
    return GetClassNameW(hWnd, szClass, 32)
        && (lstrcmpW(szClass, L"Progman") == 0 || lstrcmpW(szClass, L"WorkerW") == 0);
}

static HMONITOR PointerMonitor(void)
{
    POINT pt;
    return GetCursorPos(&pt) ? MonitorFromPoint(pt, MONITOR_DEFAULTTONULL) : NULL;
}

static HMONITOR PrimaryMonitor(void)
{
    POINT pt = { 0, 0 };
    return MonitorFromPoint(pt, MONITOR_DEFAULTTOPRIMARY);
}

// The foreground window's monitor (a minimised one has none), else the pointer's,
// else the primary.
static HMONITOR MonitorInUse(void)
{
    HWND hForeground = GetForegroundWindow();
    HMONITOR hMonitor = IsDesktop(hForeground) ? NULL : MonitorFromWindow(hForeground, MONITOR_DEFAULTTONULL);
    if (!hMonitor)
        hMonitor = PointerMonitor();
    return hMonitor ? hMonitor : PrimaryMonitor();
}

BOOL ChooseOsdMonitor(const OSD_SETTINGS *pSettings, RECT *prcMonitor)
{
    switch (pSettings->dwMonitor)
    {
    case OSD_MONITOR_PRIMARY:
        return RectOfMonitor(PrimaryMonitor(), prcMonitor);
    case OSD_MONITOR_POINTER:
        if (RectOfMonitor(PointerMonitor(), prcMonitor))
            return TRUE;
        break;
    case OSD_MONITOR_CHOSEN:
        if (FindMonitorById(pSettings->szMonitorId, prcMonitor))
            return TRUE;
        break;
    }
    return RectOfMonitor(MonitorInUse(), prcMonitor);
}

// A program that covers the whole of its monitor with the foreground window: a
// presentation, a video, a game. The desktop, which also does, is none.
BOOL IsFullScreenForeground(void)
{
    HWND hForeground = GetForegroundWindow();
    RECT rcWindow, rcMonitor;
    if (IsDesktop(hForeground) || !GetWindowRect(hForeground, &rcWindow)
        || !RectOfMonitor(MonitorFromWindow(hForeground, MONITOR_DEFAULTTONULL), &rcMonitor))
        return FALSE;
    return rcWindow.left <= rcMonitor.left && rcWindow.top <= rcMonitor.top && rcWindow.right >= rcMonitor.right
        && rcWindow.bottom >= rcMonitor.bottom;
}

// Wholly inside one monitor of the present configuration.
BOOL IsOnOneMonitor(const RECT *prc)
{
    RECT rcMonitor;
    return RectOfMonitor(MonitorFromRect(prc, MONITOR_DEFAULTTONULL), &rcMonitor) && prc->left >= rcMonitor.left
        && prc->top >= rcMonitor.top && prc->right <= rcMonitor.right && prc->bottom <= rcMonitor.bottom;
}
