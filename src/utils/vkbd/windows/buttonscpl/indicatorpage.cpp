// The "Indicator" page: whether Tarnview runs (its "HookWnd" window), its
// version, whether the maker's platform libraries are there; the indicator's
// settings (indicatorsettings.cpp); a sample of the indicators sent as
// WM_INDICATOR, and Tarnview started when it is not running.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <wchar.h>
#include "buttonscpl.h"
#include "resource.h"
#include "uilang.h"
#include "Tarnwatch.h"
#include "tarnview.h"
#include "osdsettings.h"

#define TIMER_REFRESH 1
#define TIMER_SAMPLE 2
#define REFRESH_MS 1000
#define SAMPLE_STEP_MS 1500       // the first indicator is seen before the next replaces it
#define SAMPLE_VOLUME_STEP 10
#define SEND_TIMEOUT_MS 2000      // a hung Tarnview does not hang the page
#define STATE_MAX_CCH 512

static const LPCWSTR s_platformLibraries[] = { L"OrxCore.dll", L"OrxVKbd.dll", L"OrxPM.dll" };
static BOOL g_bSettingsChanged;   // the indicator's settings were changed since the last Apply

static BOOL FileExistsIn(LPCWSTR pszDir, LPCWSTR pszName)
{
    WCHAR szPath[MAX_PATH];
    if (_snwprintf(szPath, MAX_PATH, L"%ls\\%ls", pszDir, pszName) < 0)
        return FALSE;
    szPath[MAX_PATH - 1] = L'\0';
    return GetFileAttributesW(szPath) != INVALID_FILE_ATTRIBUTES;
}

// Where Tarnview's loader looks: its own folder, then the system folder of its
// bitness, which is this item's too. The missing names, blank-separated.
static void FindMissingLibraries(LPWSTR pszMissing, size_t cchMissing)
{
    WCHAR szOwn[MAX_PATH], szSystem[MAX_PATH];
    BOOL bOwn = ModuleFolder(g_hInstance, szOwn, MAX_PATH);
    UINT cchSystem = GetSystemDirectoryW(szSystem, MAX_PATH);
    pszMissing[0] = L'\0';
    for (LPCWSTR pszName : s_platformLibraries)
    {
        if ((bOwn && FileExistsIn(szOwn, pszName)) || (cchSystem && cchSystem < MAX_PATH && FileExistsIn(szSystem, pszName)))
            continue;
        size_t cchUsed = wcslen(pszMissing);
        _snwprintf(pszMissing + cchUsed, cchMissing - cchUsed, L"%ls%ls", cchUsed ? L" " : L"", pszName);
        pszMissing[cchMissing - 1] = L'\0';
    }
}

// "a.b.c" of the running Tarnview's program file.
static BOOL ReadTarnviewVersion(HWND hHookWnd, LPWSTR pszVersion, size_t cchVersion)
{
    DWORD dwProcessId = 0;
    WCHAR szPath[MAX_PATH];
    GetWindowThreadProcessId(hHookWnd, &dwProcessId);
    HANDLE hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, dwProcessId);
    if (!hProcess)
        return FALSE;
    DWORD cchPath = GetModuleFileNameExW(hProcess, NULL, szPath, MAX_PATH);
    CloseHandle(hProcess);
    DWORD dwHandle = 0, cbInfo = cchPath ? GetFileVersionInfoSizeW(szPath, &dwHandle) : 0;
    if (cbInfo == 0)
        return FALSE;
    BYTE *pInfo = (BYTE *)HeapAlloc(GetProcessHeap(), 0, cbInfo);
    VS_FIXEDFILEINFO *pFixed = NULL;
    UINT cbFixed = 0;
    BOOL bDone = pInfo && GetFileVersionInfoW(szPath, 0, cbInfo, pInfo)
        && VerQueryValueW(pInfo, L"\\", (void **)&pFixed, &cbFixed) && cbFixed >= sizeof(*pFixed)
        && _snwprintf(pszVersion, cchVersion, L"%u.%u.%u", HIWORD(pFixed->dwFileVersionMS),
                      LOWORD(pFixed->dwFileVersionMS), HIWORD(pFixed->dwFileVersionLS)) > 0;
    if (pInfo)
        HeapFree(GetProcessHeap(), 0, pInfo);
    return bDone;
}

static void RefreshState(HWND hDlg)
{
    WCHAR szText[STATE_MAX_CCH], szVersion[64], szMissing[128];
    HWND hHookWnd = FindWindowW(L"HookWnd", NULL);
    FormatUiText(szText, STATE_MAX_CCH, hHookWnd ? IDS_RUNNING : IDS_NOT_RUNNING);
    SetDlgItemTextW(hDlg, IDC_TARNVIEW_STATE, szText);
    if (hHookWnd && ReadTarnviewVersion(hHookWnd, szVersion, 64))
        FormatUiText(szText, STATE_MAX_CCH, IDS_VERSION, szVersion);
    else
        FormatUiText(szText, STATE_MAX_CCH, IDS_VERSION_UNKNOWN);
    SetDlgItemTextW(hDlg, IDC_TARNVIEW_VERSION, szText);
    FindMissingLibraries(szMissing, 128);
    if (szMissing[0])
        FormatUiText(szText, STATE_MAX_CCH, IDS_PLATFORM_MISSING, szMissing);
    else
        FormatUiText(szText, STATE_MAX_CCH, IDS_PLATFORM_FOUND);
    SetDlgItemTextW(hDlg, IDC_PLATFORM_STATE, szText);
    EnableWindow(GetDlgItem(hDlg, IDC_SHOW_SAMPLE), hHookWnd != NULL);
    EnableWindow(GetDlgItem(hDlg, IDC_START_TARNVIEW), hHookWnd == NULL);
}

static void SendIndicator(WPARAM nCode, LPARAM nLevel)
{
    DWORD_PTR dwResult;
    HWND hHookWnd = FindWindowW(L"HookWnd", NULL);
    if (hHookWnd)
        SendMessageTimeoutW(hHookWnd, WM_INDICATOR, nCode, nLevel, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &dwResult);
}

// Caps Lock first, the volume bar a moment later: Tarnview keeps no queue. Both
// as the page sets them, applied or not.
static void OnShowSample(HWND hDlg)
{
    WriteIndicatorSample(hDlg);
    SendIndicator(CAPS_LOCK_ON, 0);
    SetTimer(hDlg, TIMER_SAMPLE, SAMPLE_STEP_MS, NULL);
}

// From its own folder, as the logon's Run value starts it.
static void OnStartTarnview(HWND hDlg)
{
    WCHAR szDir[MAX_PATH], szCmd[MAX_PATH + 16];
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    BOOL bStarted = ModuleFolder(g_hInstance, szDir, MAX_PATH)
        && _snwprintf(szCmd, MAX_PATH + 16, L"\"%ls\\Tarnview.exe\"", szDir) > 0
        && CreateProcessW(NULL, szCmd, NULL, NULL, FALSE, 0, NULL, szDir, &si, &pi);
    if (!bStarted)
    {
        ShowMessage(hDlg, MB_OK | MB_ICONEXCLAMATION, IDS_START_FAILED);
        return;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EnableWindow(GetDlgItem(hDlg, IDC_START_TARNVIEW), FALSE);
}

static void OnTimer(HWND hDlg, UINT_PTR nTimer)
{
    if (nTimer == TIMER_SAMPLE)
    {
        KillTimer(hDlg, TIMER_SAMPLE);
        SendIndicator(VOLUME_UP, SAMPLE_VOLUME_STEP);
    }
    else
        RefreshState(hDlg);
}

static BOOL OnCommand(HWND hDlg, int nId, int nCode)
{
    if (IsIndicatorSettingControl(nId) && (nCode == CBN_SELCHANGE || nCode == BN_CLICKED))
    {
        g_bSettingsChanged = TRUE;
        PropSheet_Changed(GetParent(hDlg), hDlg);
        return TRUE;
    }
    switch (nId)
    {
    case IDC_SHOW_SAMPLE: OnShowSample(hDlg); return TRUE;
    case IDC_START_TARNVIEW: OnStartTarnview(hDlg); return TRUE;
    default: return FALSE;
    }
}

// OK and Apply write what was changed; Cancel writes nothing.
static BOOL OnNotify(HWND hDlg, const NMHDR *pHdr)
{
    if (pHdr->code != PSN_APPLY)
        return FALSE;
    LONG_PTR lResult = PSNRET_NOERROR;
    if (g_bSettingsChanged && !ApplyIndicatorSettings(hDlg))
    {
        ShowMessage(hDlg, MB_OK | MB_ICONSTOP, IDS_WRITE_FAILED);
        lResult = PSNRET_INVALID;
    }
    else
        g_bSettingsChanged = FALSE;
    SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, lResult);
    return TRUE;
}

static BOOL OnInitDialog(HWND hDlg)
{
    LoadDialogTexts(hDlg);
    LoadIndicatorSettings(hDlg);
    g_bSettingsChanged = FALSE;
    RefreshState(hDlg);
    SetTimer(hDlg, TIMER_REFRESH, REFRESH_MS, NULL);
    return TRUE;
}

// A sample outlives no page.
static void OnDestroy(HWND hDlg)
{
    KillTimer(hDlg, TIMER_REFRESH);
    KillTimer(hDlg, TIMER_SAMPLE);
    DeleteOsdSample();
}

INT_PTR CALLBACK IndicatorPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG: return OnInitDialog(hDlg);
    case WM_COMMAND: return OnCommand(hDlg, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: return OnNotify(hDlg, (const NMHDR *)lParam);
    case WM_TIMER: OnTimer(hDlg, wParam); return TRUE;
    case WM_DESTROY: OnDestroy(hDlg); return FALSE;
    default: return FALSE;
    }
}
