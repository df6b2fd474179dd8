// How Tarnview leaves when Windows Installer's Restart Manager wants the files it
// holds, so that an upgrade over a running Tarnview needs no reboot, and how it asks
// to be started again afterwards. Main thread: WndProc of "HookWnd" and WinMain.
#include <windows.h>
#include "tarnview.h"
#include "Tarnwatch.h"

typedef HRESULT(WINAPI *RegisterApplicationRestartProc)(PCWSTR pwzCommandline, DWORD dwFlags);

// Vista and later only, so looked up by name: XP's kernel32 lacks it and would keep
// Tarnview from loading. Restarted after an installer closed it, not after a crash,
// a hang or a reboot (the Run value starts it then).
void RegisterForRestart(void)
{
    HMODULE hKernel = GetModuleHandleW(L"kernel32.dll");
    RegisterApplicationRestartProc pfnRegister =
        hKernel ? (RegisterApplicationRestartProc)(void *)GetProcAddress(hKernel, "RegisterApplicationRestart") : NULL;
    if (pfnRegister && pfnRegister(L"", RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT) == S_OK)
        DBGOUT("Tarnview: restart registered");
}

// Nothing to save: Tarnview never holds up a logoff or an installer that asks
// (ENDSESSION_CLOSEAPP in lParam).
LRESULT OnQueryEndSession(LPARAM lParam)
{
    DBGOUT("WndProc: WM_QUERYENDSESSION 0x%08lx", (unsigned long)lParam);
    return TRUE;
}

// Ending for real (wParam TRUE): the message loop ends and WinMain returns, instead
// of waiting to be terminated. FALSE: someone refused, and Tarnview goes on.
void OnEndSession(WPARAM wParam, LPARAM lParam)
{
    if (!wParam)
        return;
    DBGOUT("WndProc: WM_ENDSESSION 0x%08lx", (unsigned long)lParam);
    PostQuitMessage(0);
}
