// Every text the item shows comes from its string table: a control's text is the
// string with the control's id (a button row's from the first row's), messages
// are FormatMessage patterns so that a translation may reorder the inserts.
#include <windows.h>
#include <stdarg.h>
#include <wchar.h>
#include "buttonscpl.h"
#include "resource.h"

#define TEXT_MAX_CCH 1024
#define ROW_LAST_ID IDC_ROW(2, IDC_ROW_STEP - 1)

// The buttons of the three rows read alike; the labels name their row.
static UINT TextIdOf(int nCtrlId)
{
    if (nCtrlId >= IDC_ROW_FIRST && nCtrlId <= ROW_LAST_ID && (nCtrlId - IDC_ROW_FIRST) % IDC_ROW_STEP != IDC_ROW_LABEL)
        return IDC_ROW_FIRST + (nCtrlId - IDC_ROW_FIRST) % IDC_ROW_STEP;
    return (UINT)nCtrlId;
}

static BOOL CALLBACK SetControlText(HWND hCtrl, LPARAM lParam)
{
    (void)lParam;
    WCHAR szText[TEXT_MAX_CCH];
    int nId = GetDlgCtrlID(hCtrl);
    if (nId > 0 && LoadStringW(g_hInstance, TextIdOf(nId), szText, TEXT_MAX_CCH) > 0)
        SetWindowTextW(hCtrl, szText);
    return TRUE;
}

void LoadDialogTexts(HWND hDlg)
{
    EnumChildWindows(hDlg, SetControlText, 0);
}

static BOOL FormatTextV(LPWSTR pszText, size_t cchText, UINT idFormat, va_list *pArgs)
{
    WCHAR szFormat[TEXT_MAX_CCH];
    if (cchText == 0)
        return FALSE;
    pszText[0] = L'\0';
    if (LoadStringW(g_hInstance, idFormat, szFormat, TEXT_MAX_CCH) <= 0)
        return FALSE;
    return FormatMessageW(FORMAT_MESSAGE_FROM_STRING, szFormat, 0, 0, pszText, (DWORD)cchText, pArgs) != 0;
}

BOOL FormatText(LPWSTR pszText, size_t cchText, UINT idFormat, ...)
{
    va_list args;
    va_start(args, idFormat);
    BOOL bDone = FormatTextV(pszText, cchText, idFormat, &args);
    va_end(args);
    return bDone;
}

// Captioned with the item's name, so a message is known for whose it is.
int ShowMessage(HWND hOwner, UINT uType, UINT idFormat, ...)
{
    WCHAR szText[TEXT_MAX_CCH], szCaption[128];
    va_list args;
    va_start(args, idFormat);
    FormatTextV(szText, TEXT_MAX_CCH, idFormat, &args);
    va_end(args);
    LoadStringW(g_hInstance, IDS_CPL_NAME, szCaption, 128);
    return MessageBoxW(hOwner, szText, szCaption, uType);
}

// A message with the system's own words for an error as its second insert.
int ShowSystemError(HWND hOwner, UINT idFormat, LPCWSTR pszFirst, DWORD dwError)
{
    WCHAR szError[TEXT_MAX_CCH];
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, dwError, 0, szError,
                        TEXT_MAX_CCH, NULL))
        _snwprintf(szError, TEXT_MAX_CCH, L"%lu", dwError);
    szError[TEXT_MAX_CCH - 1] = L'\0';
    return ShowMessage(hOwner, MB_OK | MB_ICONEXCLAMATION, idFormat, pszFirst, szError);
}
