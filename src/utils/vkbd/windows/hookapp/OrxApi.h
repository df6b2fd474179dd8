// The operations Tarnview uses of the maker's platform-service libraries
// (OrxCore, OrxVKbd, OrxPM). Every call returns 0 on success, ORX_REQUEST_DENIED
// when the platform refuses, anything else on failure.
#ifndef ORXAPI_H
#define ORXAPI_H

#include <windows.h>

#define ORX_SUCCESS 0
#define ORX_REQUEST_DENIED 2

// The record handed to the button callback; only the first field is read.
typedef struct ORX_EVENT_RECORD
{
    DWORD dwEvent;
    DWORD dwReserved[3];
} ORX_EVENT_RECORD;

typedef DWORD (WINAPI *ORX_VKBD_CALLBACK)(ORX_EVENT_RECORD *pRecord);
typedef BOOL (WINAPI *ORX_ABORT_HANDLER)(void);

#ifdef __cplusplus
extern "C" {
#endif

// OrxCore
DWORD WINAPI ORX_Initialize(void);
DWORD WINAPI ORX_Uninitialize(void);
DWORD WINAPI ORX_SetAbortHandler(ORX_ABORT_HANDLER pHandler);

// OrxVKbd
DWORD WINAPI ORX_RegisterVKbdCallback(ORX_VKBD_CALLBACK pCallback);

// OrxPM
DWORD WINAPI ORX_GetWiFiPowerStatus(DWORD *pStatus);
DWORD WINAPI ORX_SetWiFiPowerStatus(DWORD dwStatus);
DWORD WINAPI ORX_Get3GPowerStatus(DWORD *pStatus);
DWORD WINAPI ORX_Set3GPowerStatus(DWORD dwStatus);
DWORD WINAPI ORX_GetLcdBrightness(DWORD *pLevel);
DWORD WINAPI ORX_SetLcdBrightness(DWORD dwLevel);

#ifdef __cplusplus
}
#endif

#endif
