// indicatorspy.dll: a WH_CALLWNDPROC hook that the tests set on Tarnview's main
// thread. Windows loads it into Tarnview, where it records every WM_INDICATOR
// that reaches "HookWnd" into a section shared with the test process, and where
// it can remove Tarnview's keyboard hook as Windows itself sometimes does.
#include <windows.h>
#include "Tarnwatch.h"
#include "indicatorspy.h"

#define SPYDAT __attribute__((section(".SPYDAT"), shared))

LONG g_nSpyCount SPYDAT = 0;                         // slots claimed so far
LONG g_nSpyCodes[SPY_CAPACITY] SPYDAT = { 0 };       // the code, written last
LONG g_nSpyLevels[SPY_CAPACITY] SPYDAT = { 0 };

extern "C" LRESULT CALLBACK SpyCallWndProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *pMsg = (const CWPSTRUCT *)lParam;
    if (nCode == HC_ACTION && pMsg->message == SPY_UNHOOK_MESSAGE)
        UnhookWindowsHookEx((HHOOK)(LONG_PTR)pMsg->wParam);
    if (nCode == HC_ACTION && pMsg->message == WM_INDICATOR)
    {
        LONG nSlot = InterlockedIncrement(&g_nSpyCount) - 1;
        if (nSlot < SPY_CAPACITY)
        {
            g_nSpyLevels[nSlot] = (LONG)pMsg->lParam;
            InterlockedExchange(&g_nSpyCodes[nSlot], (LONG)pMsg->wParam);
        }
    }
    return CallNextHookEx(NULL, nCode, wParam, lParam);
}

extern "C" void SpyReset(void)
{
    for (LONG i = 0; i < SPY_CAPACITY; ++i)
        g_nSpyCodes[i] = 0;
    InterlockedExchange(&g_nSpyCount, 0);
}

extern "C" LONG SpyCount(void)
{
    return g_nSpyCount;
}

// 0 while the slot is claimed but not yet written.
extern "C" LONG SpyRead(LONG nSlot, LONG *pnLevel)
{
    if (nSlot < 0 || nSlot >= SPY_CAPACITY)
        return 0;
    LONG nCode = InterlockedCompareExchange(&g_nSpyCodes[nSlot], 0, 0);
    *pnLevel = g_nSpyLevels[nSlot];
    return nCode;
}
