// Screenflip.exe stand-in: records its whole command line and how it was started
// (start-up flags, show command, standard handles) in the call log and exits with
// the code a test set (HKCU\Software\TarnSim ScreenflipExit), after running for
// ScreenflipDelayMs (0 when unset). No window.
#include <windows.h>
#include "calllog.h"
#include "simstate.h"
#include <strsafe.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WCHAR szLine[CALL_LOG_LINE_MAX];
    // A cut line still tells the test how the tool was started.
    StringCchPrintfW(szLine, ARRAYSIZE(szLine), L"Screenflip %ls", GetCommandLineW());
    CallLogWriteWide(szLine);
    STARTUPINFOW si;
    si.cb = sizeof(si);
    GetStartupInfoW(&si);
    // Wine's start-up record shows -1 for handles passed as null; the process's own are null.
    BOOL fHandles = FALSE;
    const DWORD adwStd[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (DWORD dwStd : adwStd)
    {
        HANDLE h = GetStdHandle(dwStd);
        fHandles |= h != NULL && h != INVALID_HANDLE_VALUE;
    }
    CallLogPrintf("Screenflip startup %lu %u %s", si.dwFlags, si.wShowWindow, fHandles ? "handles" : "no handles");
    Sleep(SimReadDwordOr(SIM_VAL_SCREENFLIP_DELAY, 0));
    return (int)SimReadDwordOr(SIM_VAL_SCREENFLIP_EXIT, SIM_DEF_SCREENFLIP_EXIT);
}
