// The hook's watchdog window and what it serves: the hook's reinstallation and
// the endpoint's re-opening after a default-device change, both on the thread
// that registered the hook.
#ifndef HOOKWATCH_H
#define HOOKWATCH_H

#include <windows.h>

// Posted to the watchdog window when the default render device changed; wParam
// is non-zero when there is one.
#define WM_ENDPOINT_CHANGED (WM_APP + 1)
#define ENDPOINT_RETRY_TIMER 2

// hookwatch.cpp
void StartHookWatch(void);
void StopHookWatch(void);
HWND HookWatchWindow(void);
void ReinstallHook(const char *pszWhy);

// endpointwatch.cpp
void FollowDefaultEndpoint(void);
void StopFollowingDefaultEndpoint(void);
void OnEndpointChanged(HWND hWnd, BOOL bPresent);
void OnEndpointRetry(HWND hWnd);

#endif
