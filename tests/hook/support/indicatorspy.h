// The indicator spy's interface, for the test process that loads it too.
#ifndef INDICATORSPY_H
#define INDICATORSPY_H

#include <windows.h>

#define SPY_CAPACITY 4096
// Sent to "HookWnd": the spy removes the hook whose handle is wParam on Tarnview's
// main thread, behind the back of the program that installed it.
#define SPY_UNHOOK_MESSAGE (WM_APP + 0x100)

extern "C" {
LRESULT CALLBACK SpyCallWndProc(int nCode, WPARAM wParam, LPARAM lParam);
void SpyReset(void);
LONG SpyCount(void);
LONG SpyRead(LONG nSlot, LONG *pnLevel);
}

#endif
