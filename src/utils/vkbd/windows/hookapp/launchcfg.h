// What each bezel button starts, found as Tarnview finds it: the machine's policy,
// the user's value, the machine's value, then the maker's application. Shared by
// Tarnview and the buttons' Control Panel item, so both say and start the same.
#ifndef LAUNCHCFG_H
#define LAUNCHCFG_H

#include <windows.h>

#define LAUNCH_CMDLINE_CCH 260   // Tarnview's command-line buffer: 259 characters and the terminator
#define LAUNCH_VALUE_MAX_CCH 255  // the longest value Tarnview reads: 512 bytes with its terminator

#define BEZEL_BUTTON_KEY L"SOFTWARE\\Halvern\\BezelButton"
#define BEZEL_POLICY_KEY L"SOFTWARE\\Policies\\Halvern\\BezelButton"

// Where a button's command line came from.
typedef enum LAUNCH_SOURCE
{
    LAUNCH_NONE = 0,      // nothing configured and no default: the button starts nothing
    LAUNCH_POLICY = 1,    // HKLM policy key: set by the administrator
    LAUNCH_USER = 2,      // HKCU
    LAUNCH_MACHINE = 3,   // HKLM (either registry view)
    LAUNCH_DEFAULT = 4    // the maker's application (Pinwheel, Dovetail)
} LAUNCH_SOURCE;

// The registry value of an event's button ("SingleClickLaunch", ...), NULL for an
// event that launches nothing.
LPCWSTR LaunchValueName(DWORD dwEvent);

// The command line the button starts, ready for CreateProcessW: expanded when the
// value is REG_EXPAND_SZ, quoted when it names an existing program whose path has
// blanks. With bWithUser FALSE the user's value is passed over: what the button
// starts when the user has set nothing. LAUNCH_NONE leaves an empty buffer.
LAUNCH_SOURCE FindLaunchCommand(DWORD dwEvent, BOOL bWithUser, LPWSTR pszCmd, size_t cchCmd);

// A configured text as Tarnview starts it (expansion and quoting as above).
// FALSE, with an empty buffer, when the result does not fit.
BOOL PrepareLaunchCommand(LPCWSTR pszConfigured, BOOL bExpand, LPWSTR pszCmd, size_t cchCmd);

// Where a launch starts from: the program's folder and working folder by which
// the program is found (as CreateProcessW finds it) and in which it runs; the
// window that owns a consent prompt, if any; and who is told when a start through
// the shell fails later, and how the window search ended (the window brought
// forward, or NULL), both on the launch's own thread. Either may be NULL.
typedef void (*LAUNCH_FAILED)(LPCWSTR pszCmdLine, DWORD dwError);
typedef void (*LAUNCH_SEARCHED)(DWORD dwProcessId, HWND hWnd);
typedef struct LAUNCH_FROM
{
    LPCWSTR pszProgramDir;
    LPCWSTR pszWorkDir;
    HWND hOwner;
    LAUNCH_FAILED pfnShellFailed;
    LAUNCH_SEARCHED pfnSearched;
} LAUNCH_FROM;

// Starts a prepared command line and brings its first window to the front, as
// the bezel button does. FALSE (GetLastError says why) when it did not start;
// *pbThroughShell TRUE when it needs administrator rights and was handed to the
// shell (Vista and later), whose failure pfnShellFailed hears of. Returns at
// once: the shell and the window are waited for on a thread of the launch.
BOOL LaunchAndActivate(LPWSTR pszCmdLine, const LAUNCH_FROM *pFrom, BOOL *pbThroughShell);

#endif
