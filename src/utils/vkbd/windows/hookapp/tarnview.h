// Globals and functions that Tarnview's own files share with each other.
#ifndef TARNVIEW_H
#define TARNVIEW_H

#include <windows.h>

// Start-up (winmain.cpp)
extern HANDLE g_hEventMutex;     // serialises the hardware-event dispatcher
extern int g_nOSVersion;         // major * 10 + minor, in place before any event is dispatched

// Indicator protocol (indicator.cpp)
extern volatile LONG g_nPendingIndicator;  // code waiting to be shown, 0 for none
extern volatile LONG g_nIndicatorLevel;    // level of the last bar code
extern HANDLE g_hShowEvent;                // "ShowEvent": a code is pending

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif
