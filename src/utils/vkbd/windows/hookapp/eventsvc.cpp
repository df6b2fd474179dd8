// The hardware-event service thread: keeps the platform service initialised with
// the button callback registered, and starts over after the platform aborts.
#include <windows.h>
#include "OrxApi.h"
#include "tarnview.h"

#define INIT_RETRY_MS 10000   // the platform service may come up long after logon

HANDLE g_hAbortEvent = NULL;  // auto-reset; signalled when the platform service aborts

// Called on whatever thread the platform uses; it only wakes the service thread.
BOOL WINAPI ServiceAbortHandler(void)
{
    return SetEvent(g_hAbortEvent);
}

// Results of the registrations, of ORX_Uninitialize and of the waits are not
// examined: there is nothing the program could do differently.
DWORD WINAPI ServiceThreadProc(LPVOID pParam)
{
    (void)pParam;
    g_hAbortEvent = CreateEventW(NULL, FALSE, FALSE, NULL);
    for (;;)
    {
        // The platform package may also be installed after logon, or not at all.
        while (!LoadPlatformLibraries() || ORX_Initialize() != ORX_SUCCESS)
            Sleep(INIT_RETRY_MS);
        ORX_RegisterVKbdCallback(VKbdEventCallback);
        ORX_SetAbortHandler(ServiceAbortHandler);
        WaitForSingleObject(g_hAbortEvent, INFINITE);
        ORX_Uninitialize();
        // An abort reported while closing belongs to the connection just closed.
        ResetEvent(g_hAbortEvent);
    }
}
