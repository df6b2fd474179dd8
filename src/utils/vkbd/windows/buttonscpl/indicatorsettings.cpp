// The indicator's settings on the "Indicator" page: the lists and boxes filled
// from what Tarnview reads, the administrator's settings shown read-only, the
// page's values written on Apply (only the user's own) or as a short-lived
// sample. The page's procedure (indicatorpage.cpp) calls these.
#include <windows.h>
#include <strsafe.h>
#include "buttonscpl.h"
#include "osdmonitor.h"
#include "osdsettings.h"
#include "resource.h"
#include "uilang.h"

#define MONITORS_MAX 16
#define ITEM_MONITOR_FIRST 100   // a listed monitor's item data: this plus its index
#define ITEM_CCH 256

static const DWORD s_sizes[] = { 100, 125, 150, 200 };
static const DWORD s_opacities[] = { 100, 90, 80, 70, 60, 50, 40 };

static WCHAR s_szMonitorIds[MONITORS_MAX + 1][OSD_MONITOR_ID_CCH];   // the listed monitors, then an absent one
static int s_nMonitors;

static int AddItem(HWND hCombo, LPCWSTR pszText, LPARAM lData)
{
    int nItem = (int)SendMessageW(hCombo, CB_ADDSTRING, 0, (LPARAM)pszText);
    SendMessageW(hCombo, CB_SETITEMDATA, nItem, lData);
    return nItem;
}

// An emptied list of the texts idFirst.., each with its index as its data.
static void FillTexts(HWND hCombo, UINT idFirst, int nCount)
{
    WCHAR szItem[ITEM_CCH];
    SendMessageW(hCombo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < nCount; ++i)
    {
        LoadUiText(idFirst + i, szItem, ITEM_CCH);
        AddItem(hCombo, szItem, i);
    }
}

static void SelectData(HWND hCombo, LPARAM lData)
{
    int nCount = (int)SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < nCount; ++i)
        if (SendMessageW(hCombo, CB_GETITEMDATA, i, 0) == lData)
            SendMessageW(hCombo, CB_SETCURSEL, i, 0);
}

static LPARAM SelectedData(HWND hDlg, int nId)
{
    HWND hCombo = GetDlgItem(hDlg, nId);
    int nItem = (int)SendMessageW(hCombo, CB_GETCURSEL, 0, 0);
    return nItem < 0 ? 0 : SendMessageW(hCombo, CB_GETITEMDATA, nItem, 0);
}

static BOOL AddMonitor(const OSD_MONITOR_INFO *pInfo, void *pContext)
{
    HWND hCombo = (HWND)pContext;
    WCHAR szItem[ITEM_CCH];
    if (s_nMonitors >= MONITORS_MAX)
        return FALSE;
    StringCchCopyW(s_szMonitorIds[s_nMonitors], OSD_MONITOR_ID_CCH, pInfo->szId);
    FormatUiText(szItem, ITEM_CCH, IDS_MONITOR_NAMED, pInfo->nNumber, pInfo->szName);
    AddItem(hCombo, szItem, ITEM_MONITOR_FIRST + s_nMonitors++);
    return TRUE;
}

// The three ways to choose, then each connected monitor by its number and name
// as Windows shows them; a chosen monitor that is not connected keeps its place.
static void FillMonitors(HWND hDlg, const OSD_SETTINGS *pSettings)
{
    HWND hCombo = GetDlgItem(hDlg, IDC_OSD_MONITOR);
    WCHAR szItem[ITEM_CCH];
    FillTexts(hCombo, IDS_MONITOR_IN_USE, OSD_MONITOR_CHOSEN);
    s_nMonitors = 0;
    EnumOsdMonitors(AddMonitor, hCombo);
    LPARAM lChosen = pSettings->dwMonitor;
    if (pSettings->dwMonitor == OSD_MONITOR_CHOSEN)
    {
        lChosen = OSD_MONITOR_IN_USE;
        for (int i = 0; i < s_nMonitors; ++i)
            if (lstrcmpiW(s_szMonitorIds[i], pSettings->szMonitorId) == 0)
                lChosen = ITEM_MONITOR_FIRST + i;
        if (lChosen == OSD_MONITOR_IN_USE && pSettings->szMonitorId[0])
        {
            StringCchCopyW(s_szMonitorIds[s_nMonitors], OSD_MONITOR_ID_CCH, pSettings->szMonitorId);
            FormatUiText(szItem, ITEM_CCH, IDS_MONITOR_ABSENT, pSettings->szMonitorId);
            lChosen = ITEM_MONITOR_FIRST + s_nMonitors;
            AddItem(hCombo, szItem, lChosen);
        }
    }
    SelectData(hCombo, lChosen);
}

static void FillNumbers(HWND hDlg, int nId, UINT idFormat, const DWORD *pdwValues, int nValues, DWORD dwSelected)
{
    HWND hCombo = GetDlgItem(hDlg, nId);
    WCHAR szItem[ITEM_CCH];
    SendMessageW(hCombo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < nValues; ++i)
    {
        FormatUiText(szItem, ITEM_CCH, idFormat, (UINT)pdwValues[i]);
        AddItem(hCombo, szItem, (LPARAM)pdwValues[i]);
    }
    SelectData(hCombo, (LPARAM)dwSelected);
}

static void FillPlaces(HWND hDlg, DWORD dwPlace)
{
    HWND hCombo = GetDlgItem(hDlg, IDC_OSD_PLACE);
    FillTexts(hCombo, IDS_PLACE_FIRST, OSD_PLACE_COUNT);
    SelectData(hCombo, dwPlace);
}

// The control of each setting, for the administrator's read-only ones.
static int ControlOf(OSD_SETTING setting)
{
    switch (setting)
    {
    case OSD_SET_MONITOR:
    case OSD_SET_MONITOR_ID: return IDC_OSD_MONITOR;
    case OSD_SET_PLACE: return IDC_OSD_PLACE;
    case OSD_SET_SECONDS: return IDC_OSD_SECONDS;
    case OSD_SET_SIZE: return IDC_OSD_SIZE;
    case OSD_SET_OPACITY: return IDC_OSD_OPACITY;
    case OSD_SET_FULL_SCREEN: return IDC_OSD_FULL_SCREEN;
    default: return IDC_OSD_SHOW_FIRST + (setting - OSD_SET_SHOW_FIRST);
    }
}

void LoadIndicatorSettings(HWND hDlg)
{
    OSD_SETTINGS settings;
    BOOL bPolicy[OSD_SET_COUNT], bAnyPolicy = FALSE;
    DWORD dwSeconds[10];
    DeleteOsdSample();
    ReadOsdSettings(&settings);
    FillMonitors(hDlg, &settings);
    FillPlaces(hDlg, settings.dwPlace);
    for (int i = 0; i < 10; ++i)
        dwSeconds[i] = (DWORD)i + 1;
    FillNumbers(hDlg, IDC_OSD_SECONDS, IDS_SECONDS, dwSeconds, 10, settings.dwSeconds);
    FillNumbers(hDlg, IDC_OSD_SIZE, IDS_PERCENT, s_sizes, ARRAYSIZE(s_sizes), settings.dwSize);
    FillNumbers(hDlg, IDC_OSD_OPACITY, IDS_PERCENT, s_opacities, ARRAYSIZE(s_opacities), settings.dwOpacity);
    for (int i = 0; i < OSD_GROUP_COUNT; ++i)
        CheckDlgButton(hDlg, IDC_OSD_SHOW_FIRST + i, settings.bShow[i] ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_OSD_FULL_SCREEN, settings.bOverFullScreen ? BST_CHECKED : BST_UNCHECKED);
    ReadOsdPolicyMask(bPolicy);
    for (int i = 0; i < OSD_SET_COUNT; ++i)
    {
        EnableWindow(GetDlgItem(hDlg, ControlOf((OSD_SETTING)i)), !bPolicy[i]);
        bAnyPolicy |= bPolicy[i];
    }
    ShowWindow(GetDlgItem(hDlg, IDC_OSD_POLICY_NOTE), bAnyPolicy ? SW_SHOW : SW_HIDE);
}

static void ReadControls(HWND hDlg, OSD_SETTINGS *pSettings)
{
    DefaultOsdSettings(pSettings);
    LPARAM lMonitor = SelectedData(hDlg, IDC_OSD_MONITOR);
    if (lMonitor >= ITEM_MONITOR_FIRST && lMonitor <= ITEM_MONITOR_FIRST + MONITORS_MAX)
    {
        pSettings->dwMonitor = OSD_MONITOR_CHOSEN;
        StringCchCopyW(pSettings->szMonitorId, OSD_MONITOR_ID_CCH, s_szMonitorIds[lMonitor - ITEM_MONITOR_FIRST]);
    }
    else
        pSettings->dwMonitor = (DWORD)lMonitor;
    pSettings->dwPlace = (DWORD)SelectedData(hDlg, IDC_OSD_PLACE);
    pSettings->dwSeconds = (DWORD)SelectedData(hDlg, IDC_OSD_SECONDS);
    pSettings->dwSize = (DWORD)SelectedData(hDlg, IDC_OSD_SIZE);
    pSettings->dwOpacity = (DWORD)SelectedData(hDlg, IDC_OSD_OPACITY);
    for (int i = 0; i < OSD_GROUP_COUNT; ++i)
        pSettings->bShow[i] = IsDlgButtonChecked(hDlg, IDC_OSD_SHOW_FIRST + i) == BST_CHECKED;
    pSettings->bOverFullScreen = IsDlgButtonChecked(hDlg, IDC_OSD_FULL_SCREEN) == BST_CHECKED;
}

// Only the user's own: a setting the administrator made is not written over.
BOOL ApplyIndicatorSettings(HWND hDlg)
{
    OSD_SETTINGS settings;
    BOOL bPolicy[OSD_SET_COUNT];
    ReadControls(hDlg, &settings);
    ReadOsdPolicyMask(bPolicy);
    DeleteOsdSample();
    return WriteOsdSettings(OSD_SETTINGS_KEY, &settings, bPolicy, FALSE);
}

// What the page shows now, for the sample Tarnview is about to show.
BOOL WriteIndicatorSample(HWND hDlg)
{
    OSD_SETTINGS settings;
    ReadControls(hDlg, &settings);
    return WriteOsdSettings(OSD_SAMPLE_KEY, &settings, NULL, TRUE);
}

BOOL IsIndicatorSettingControl(int nId)
{
    return (nId >= IDC_OSD_MONITOR && nId <= IDC_OSD_FULL_SCREEN)
        || (nId >= IDC_OSD_SHOW_FIRST && nId < IDC_OSD_SHOW_FIRST + OSD_GROUP_COUNT);
}
