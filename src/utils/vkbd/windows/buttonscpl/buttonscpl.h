// What the files of the buttons' Control Panel item share: the instance, the two
// pages, their texts, the user's launch values and the checks of a command line.
#ifndef BUTTONSCPL_H
#define BUTTONSCPL_H

#include <windows.h>

extern HINSTANCE g_hInstance;   // TarnButtons.cpl: its resources and its own folder

// The property sheet and its pages (cplmain.cpp, buttonspage.cpp, indicatorpage.cpp).
void ShowButtonsSheet(HWND hParent);
INT_PTR CALLBACK ButtonsPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK IndicatorPageProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// The indicator's settings on the Indicator page (indicatorsettings.cpp).
void LoadIndicatorSettings(HWND hDlg);
BOOL ApplyIndicatorSettings(HWND hDlg);
BOOL WriteIndicatorSample(HWND hDlg);
BOOL IsIndicatorSettingControl(int nId);

// Texts from the string table in the user's language (cpltext.cpp, uilang.h).
// A control's text is the string of its id; ShowMessage takes FormatMessage
// inserts (%1, %2!u!).
void LoadDialogTexts(HWND hDlg);
int ShowMessage(HWND hOwner, UINT uType, UINT idFormat, ...);
int ShowSystemError(HWND hOwner, UINT idFormat, LPCWSTR pszFirst, DWORD dwError);

// The user's values under HKCU "SOFTWARE\Halvern\BezelButton" (buttonsreg.cpp).
typedef enum USER_VALUE
{
    USER_VALUE_NONE = 0,        // absent, or too long for Tarnview to read
    USER_VALUE_TEXT = 1,
    USER_VALUE_WRONG_TYPE = 2   // neither REG_SZ nor REG_EXPAND_SZ
} USER_VALUE;
USER_VALUE ReadUserLaunchValue(DWORD dwEvent, LPWSTR pszText, size_t cchText);
// An empty text removes the value: the button starts its default again.
BOOL WriteUserLaunchValue(DWORD dwEvent, LPCWSTR pszText);
BOOL IsExpandableText(LPCWSTR pszText);

// A command line as the user typed it, checked before it is written or tried (cmdcheck.cpp).
typedef enum CMD_CHECK
{
    CMD_OK = 0,
    CMD_TOO_LONG = 1,     // more than Tarnview reads
    CMD_NO_PROGRAM = 2    // the program it starts does not exist
} CMD_CHECK;
CMD_CHECK CheckCommandLine(LPCWSTR pszText, LPWSTR pszCmd, size_t cchCmd);
// Starts a prepared command line the way the button does, from Tarnview's
// folders; FALSE, with GetLastError's reason, when it did not start. A start
// through the shell that fails later posts WM_TRY_FAILED (wParam: the error) to
// the page.
#define WM_TRY_FAILED (WM_APP + 1)
BOOL StartTry(LPCWSTR pszCmd, HWND hPage);

#endif
