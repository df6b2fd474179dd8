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
BOOL ClearTimedOutIndicator(int nShown);

// OSD windows (osdwnd.cpp)
extern int g_nScreenWidth, g_nScreenHeight;
extern HWND g_hIconWnd, g_hModeWnd, g_hBarWnd;
extern volatile LONG g_nDisplayOrientation;   // 0..3 as the display reports it

// Sent by the OSD thread to an OSD window when an indicator timed out: the main
// thread clears the pending code unless a newer one has come (wParam: the code shown).
#define WM_OSD_TIMEOUT (WM_APP + 1)

int ScaleX(int n);
int ScaleY(int n);
void ReadScreenSize(void);
void PlaceOsdWindow(HWND hWnd);
ATOM RegisterShowWndClass(HINSTANCE hInstance);
void CreateOsdWindows(HINSTANCE hInstance);
LRESULT CALLBACK ShowWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// OSD display thread (osdthread.cpp)
extern WCHAR g_szBackImage[];
extern WCHAR g_szForeImage[];
DWORD WINAPI ShowIndicatorProc(LPVOID pParam);
void HideOsdWindows(void);

#endif
