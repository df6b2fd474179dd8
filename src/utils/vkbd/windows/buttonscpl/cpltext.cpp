// Every text the item shows comes from its string table in the user's language: a
// control's text is the string with the control's id (a button row's from the
// first row's), messages are FormatMessage patterns so that a translation may
// reorder the inserts.
#include <windows.h>
#include <stdarg.h>
#include "buttonscpl.h"
#include "resource.h"
#include "uilang.h"

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
    if (nId > 0 && LoadUiText(TextIdOf(nId), szText, TEXT_MAX_CCH) > 0)
        SetWindowTextW(hCtrl, szText);
    return TRUE;
}

void LoadDialogTexts(HWND hDlg)
{
    EnumChildWindows(hDlg, SetControlText, 0);
}

// Captioned with the item's name, so a message is known for whose it is.
int ShowMessage(HWND hOwner, UINT uType, UINT idFormat, ...)
{
    WCHAR szText[TEXT_MAX_CCH], szCaption[128];
    va_list args;
    va_start(args, idFormat);
    FormatUiTextV(szText, TEXT_MAX_CCH, idFormat, &args);
    va_end(args);
    LoadUiText(IDS_CPL_NAME, szCaption, 128);
    return MessageBoxW(hOwner, szText, szCaption, uType);
}

// A message with the system's own words for an error as its second insert.
int ShowSystemError(HWND hOwner, UINT idFormat, LPCWSTR pszFirst, DWORD dwError)
{
    WCHAR szError[TEXT_MAX_CCH];
    FormatSystemError(dwError, szError, TEXT_MAX_CCH);
    return ShowMessage(hOwner, MB_OK | MB_ICONEXCLAMATION, idFormat, pszFirst, szError);
}
