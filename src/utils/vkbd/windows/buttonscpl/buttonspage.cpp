// The "Buttons" page: per bezel button the command line it starts, the user's
// own, the default or the administrator's, with Browse, Try and Default. OK and
// Apply check every changed row first and write only when all are sound.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <strsafe.h>
#include <wchar.h>
#include "buttonscpl.h"
#include "launchcfg.h"
#include "resource.h"
#include "uilang.h"
#include "tarnview.h"

#define ROW_COUNT 3
#define STATUS_MAX_CCH 512
#define WM_FOCUS_ROW (WM_APP + 2)   // wParam: the row whose text was refused

typedef struct BUTTON_ROW
{
    DWORD dwEvent;
    UINT idName;                            // the button as messages name it
    BOOL bPolicy;                           // set by the administrator: read-only
    BOOL bChanged;                          // edited since the last load
    WCHAR szDefault[LAUNCH_CMDLINE_CCH];    // what it starts without the user's value
} BUTTON_ROW;

static BUTTON_ROW g_rows[ROW_COUNT] = {
    { BEZELBUTTON_SINGLE_CLICK, IDS_BUTTON_SINGLE, FALSE, FALSE, L"" },
    { BEZELBUTTON_DOUBLE_CLICK, IDS_BUTTON_DOUBLE, FALSE, FALSE, L"" },
    { BEZEL_CAMERA, IDS_BUTTON_CAMERA, FALSE, FALSE, L"" },
};
static BOOL g_bLoading;   // texts set by the page itself are no user's change
static WCHAR g_szTried[LAUNCH_CMDLINE_CCH];   // the command line "Try" started last

static void ShowStatus(HWND hDlg, int nRow, UINT idStatus)
{
    WCHAR szStatus[STATUS_MAX_CCH], szNothing[64];
    LPCWSTR pszDefault = g_rows[nRow].szDefault;
    if (!pszDefault[0])
    {
        LoadUiText(IDS_DEFAULT_NOTHING, szNothing, 64);
        pszDefault = szNothing;
    }
    FormatUiText(szStatus, STATUS_MAX_CCH, idStatus, pszDefault);
    SetDlgItemTextW(hDlg, IDC_ROW(nRow, IDC_ROW_STATUS), szStatus);
}

static void LoadRow(HWND hDlg, int nRow)
{
    BUTTON_ROW *pRow = &g_rows[nRow];
    WCHAR szText[LAUNCH_CMDLINE_CCH];
    UINT idStatus = IDS_DEFAULT_IS;
    pRow->bPolicy = FindLaunchCommand(pRow->dwEvent, TRUE, szText, LAUNCH_CMDLINE_CCH) == LAUNCH_POLICY;
    pRow->bChanged = FALSE;
    FindLaunchCommand(pRow->dwEvent, FALSE, pRow->szDefault, LAUNCH_CMDLINE_CCH);
    if (pRow->bPolicy)
        idStatus = IDS_POLICY_VALUE;
    else
    {
        USER_VALUE value = ReadUserLaunchValue(pRow->dwEvent, szText, LAUNCH_CMDLINE_CCH);
        if (value == USER_VALUE_TEXT)
            idStatus = IDS_OWN_VALUE;
        else if (value == USER_VALUE_WRONG_TYPE)
            idStatus = IDS_WRONG_TYPE;
    }
    SendDlgItemMessageW(hDlg, IDC_ROW(nRow, IDC_ROW_EDIT), EM_SETREADONLY, pRow->bPolicy, 0);
    EnableWindow(GetDlgItem(hDlg, IDC_ROW(nRow, IDC_ROW_BROWSE)), !pRow->bPolicy);
    EnableWindow(GetDlgItem(hDlg, IDC_ROW(nRow, IDC_ROW_DEFAULT)), !pRow->bPolicy);
    SetDlgItemTextW(hDlg, IDC_ROW(nRow, IDC_ROW_EDIT), szText);
    ShowStatus(hDlg, nRow, idStatus);
}

static void LoadRows(HWND hDlg)
{
    g_bLoading = TRUE;
    for (int nRow = 0; nRow < ROW_COUNT; ++nRow)
        LoadRow(hDlg, nRow);
    g_bLoading = FALSE;
}

static void GetRowText(HWND hDlg, int nRow, LPWSTR pszText, int cchText)
{
    GetDlgItemTextW(hDlg, IDC_ROW(nRow, IDC_ROW_EDIT), pszText, cchText);
}

// Says what is wrong with a row's text and puts the caret there; TRUE when sound.
static BOOL CheckRow(HWND hDlg, int nRow, LPCWSTR pszText, LPWSTR pszCmd, size_t cchCmd)
{
    WCHAR szName[64];
    LoadUiText(g_rows[nRow].idName, szName, 64);
    CMD_CHECK check = CheckCommandLine(pszText, pszCmd, cchCmd);
    if (check == CMD_TOO_LONG)
        ShowMessage(hDlg, MB_OK | MB_ICONEXCLAMATION, IDS_TOO_LONG, szName, (UINT)wcslen(pszText),
                    (UINT)LAUNCH_VALUE_MAX_CCH);
    else if (check == CMD_NO_PROGRAM)
        ShowMessage(hDlg, MB_OK | MB_ICONEXCLAMATION, IDS_NO_PROGRAM, szName, pszText);
    if (check == CMD_OK)
        return TRUE;
    // The page may be hidden: the sheet turns to it on PSNRET_INVALID and moves
    // the focus itself, so the row's turn comes once it has.
    PostMessageW(hDlg, WM_FOCUS_ROW, (WPARAM)nRow, 0);
    return FALSE;
}

// Nothing is written unless every changed row is sound.
static LONG_PTR OnApply(HWND hDlg)
{
    WCHAR szText[ROW_COUNT][LAUNCH_CMDLINE_CCH * 4];
    WCHAR szCmd[LAUNCH_CMDLINE_CCH];
    for (int nRow = 0; nRow < ROW_COUNT; ++nRow)
    {
        GetRowText(hDlg, nRow, szText[nRow], LAUNCH_CMDLINE_CCH * 4);
        if (g_rows[nRow].bChanged && szText[nRow][0] && !CheckRow(hDlg, nRow, szText[nRow], szCmd, LAUNCH_CMDLINE_CCH))
            return PSNRET_INVALID;
    }
    for (int nRow = 0; nRow < ROW_COUNT; ++nRow)
    {
        if (g_rows[nRow].bChanged && !WriteUserLaunchValue(g_rows[nRow].dwEvent, szText[nRow]))
        {
            ShowMessage(hDlg, MB_OK | MB_ICONSTOP, IDS_WRITE_FAILED);
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
    }
    LoadRows(hDlg);
    return PSNRET_NOERROR;
}

static void OnBrowse(HWND hDlg, int nRow)
{
    WCHAR szFilter[256], szTitle[128], szFile[MAX_PATH] = L"", szQuoted[MAX_PATH + 2];
    int cchFilter = LoadUiText(IDS_BROWSE_FILTER, szFilter, 255);
    // The table holds the filter's parts separated by '|'; the dialog wants them ended by NULs.
    for (int i = 0; i < cchFilter; ++i)
        if (szFilter[i] == L'|')
            szFilter[i] = L'\0';
    szFilter[cchFilter] = L'\0';
    szFilter[cchFilter + 1] = L'\0';
    LoadUiText(IDS_BROWSE_TITLE, szTitle, 128);
    OPENFILENAMEW ofn;
    ZeroMemory(&ofn, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hDlg;
    ofn.lpstrFilter = szFilter;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = szTitle;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn))
        return;
    // Quoted, so that arguments may follow and a blank cannot start a shorter name.
    StringCchPrintfW(szQuoted, MAX_PATH + 2, wcschr(szFile, L' ') ? L"\"%ls\"" : L"%ls", szFile);
    SetDlgItemTextW(hDlg, IDC_ROW(nRow, IDC_ROW_EDIT), szQuoted);
}

// The row's text, or with none what the button starts by default.
static void OnTry(HWND hDlg, int nRow)
{
    WCHAR szText[LAUNCH_CMDLINE_CCH * 4], szCmd[LAUNCH_CMDLINE_CCH];
    GetRowText(hDlg, nRow, szText, LAUNCH_CMDLINE_CCH * 4);
    if (!szText[0] && !g_rows[nRow].bPolicy)
    {
        if (!FindLaunchCommand(g_rows[nRow].dwEvent, FALSE, szCmd, LAUNCH_CMDLINE_CCH) || !szCmd[0])
        {
            MessageBeep(MB_ICONEXCLAMATION);
            return;
        }
    }
    else if (!CheckRow(hDlg, nRow, szText, szCmd, LAUNCH_CMDLINE_CCH))
        return;
    StringCchCopyW(g_szTried, LAUNCH_CMDLINE_CCH, szCmd);
    if (!StartTry(szCmd, hDlg))
        ShowSystemError(hDlg, IDS_NOT_STARTED, szCmd, GetLastError());
}

static void OnEditChange(HWND hDlg, int nRow)
{
    if (g_bLoading || g_rows[nRow].bPolicy)
        return;
    g_rows[nRow].bChanged = TRUE;
    ShowStatus(hDlg, nRow, GetWindowTextLengthW(GetDlgItem(hDlg, IDC_ROW(nRow, IDC_ROW_EDIT))) ? IDS_OWN_VALUE
                                                                                              : IDS_DEFAULT_IS);
    PropSheet_Changed(GetParent(hDlg), hDlg);
}

// Also a value shown as not set (of the wrong type) goes on Apply.
static void OnDefault(HWND hDlg, int nRow)
{
    SetDlgItemTextW(hDlg, IDC_ROW(nRow, IDC_ROW_EDIT), L"");
    OnEditChange(hDlg, nRow);
}

static BOOL OnCommand(HWND hDlg, int nId, int nCode)
{
    if (nId < IDC_ROW_FIRST || nId >= IDC_ROW(ROW_COUNT, 0))
        return FALSE;
    int nRow = (nId - IDC_ROW_FIRST) / IDC_ROW_STEP;
    switch ((nId - IDC_ROW_FIRST) % IDC_ROW_STEP)
    {
    case IDC_ROW_EDIT: if (nCode == EN_CHANGE) OnEditChange(hDlg, nRow); return TRUE;
    case IDC_ROW_BROWSE: OnBrowse(hDlg, nRow); return TRUE;
    case IDC_ROW_TRY: OnTry(hDlg, nRow); return TRUE;
    case IDC_ROW_DEFAULT: OnDefault(hDlg, nRow); return TRUE;
    default: return FALSE;
    }
}

// The way a dialog moves its focus, so the default button follows.
static void OnFocusRow(HWND hDlg, int nRow)
{
    HWND hEdit = GetDlgItem(hDlg, IDC_ROW(nRow, IDC_ROW_EDIT));
    SendMessageW(hDlg, WM_NEXTDLGCTL, (WPARAM)hEdit, TRUE);
    SendMessageW(hEdit, EM_SETSEL, 0, -1);
}

static BOOL OnNotify(HWND hDlg, const NMHDR *pHdr)
{
    if (pHdr->code != PSN_APPLY)
        return FALSE;
    SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, OnApply(hDlg));
    return TRUE;
}

static BOOL OnInitDialog(HWND hDlg)
{
    LoadDialogTexts(hDlg);
    LoadRows(hDlg);
    return TRUE;
}

INT_PTR CALLBACK ButtonsPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG: return OnInitDialog(hDlg);
    case WM_COMMAND: return OnCommand(hDlg, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: return OnNotify(hDlg, (const NMHDR *)lParam);
    case WM_FOCUS_ROW: OnFocusRow(hDlg, (int)wParam); return TRUE;
    case WM_TRY_FAILED: ShowSystemError(hDlg, IDS_NOT_STARTED, g_szTried, (DWORD)wParam); return TRUE;
    default: return FALSE;
    }
}
