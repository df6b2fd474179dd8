// Screenflip.exe stand-in: records its whole command line in the call log and
// exits with the code a test set (HKCU\Software\TarnSim ScreenflipExit). No window.
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
    return (int)SimReadDwordOr(SIM_VAL_SCREENFLIP_EXIT, SIM_DEF_SCREENFLIP_EXIT);
}
