// The hook's watchdog window and what it serves: the hook's reinstallation, and
// the endpoint's opening and re-opening after a default-device change, all on the
// thread that registered the hook.
#ifndef HOOKWATCH_H
#define HOOKWATCH_H

#include <windows.h>

// Timers of the watchdog window, one number per job.
#define HOOK_GRACE_TIMER 1       // hookwatch.cpp: a hook call may come a little after its raw input
#define ENDPOINT_RETRY_TIMER 2   // endpointwatch.cpp: re-opening waits for the workers
#define ENDPOINT_OPEN_TIMER 3    // endpointwatch.cpp: the first open, 20 s after start-up
#define SESSION_RETRY_TIMER 4    // hookwatch.cpp: XP's terminal service may start after us

// hookwatch.cpp
void StartHookWatch(void);
void StopHookWatch(void);
HWND HookWatchWindow(void);
void ReinstallHook(const char *pszWhy);

// endpointwatch.cpp
void FollowDefaultEndpoint(void);
void StopFollowingDefaultEndpoint(void);
BOOL OpenEndpointLater(void);
BOOL OnEndpointMessage(HWND hWnd, UINT uMsg, WPARAM wParam);

#endif
