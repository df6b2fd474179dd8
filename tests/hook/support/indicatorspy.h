// The indicator spy's interface, for the test process that loads it too.
#ifndef INDICATORSPY_H
#define INDICATORSPY_H

#include <windows.h>

#define SPY_CAPACITY 4096

extern "C" {
LRESULT CALLBACK SpyCallWndProc(int nCode, WPARAM wParam, LPARAM lParam);
void SpyReset(void);
LONG SpyCount(void);
LONG SpyRead(LONG nSlot, LONG *pnLevel);
}

#endif
