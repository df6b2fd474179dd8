// OrxVKbd stand-in: keeps the button callback and, on the control program's
// command (listener thread), calls it from new threads of its own.
#include <windows.h>
#include "OrxApi.h"
#include "calllog.h"
#include "listener.h"
#include "orxop.h"
#include "uninitmark.h"

// The registered callback; NULL when none. Read by the listener thread.
static ORX_VKBD_CALLBACK volatile g_pfnCallback;

// One delivery, shared by its threads; the last one to finish frees it.
typedef struct DELIVERY
{
    LONG lRefs;
    HANDLE hStart; // manual-reset: set once every thread waits on it
    ORX_VKBD_CALLBACK pfnCallback;
    DWORD dwCode;
} DELIVERY;

static void ReleaseDelivery(DELIVERY *pDelivery)
{
    if (InterlockedDecrement(&pDelivery->lRefs) != 0)
        return;
    CloseHandle(pDelivery->hStart);
    HeapFree(GetProcessHeap(), 0, pDelivery);
}

static DWORD WINAPI DeliveryThread(LPVOID pv)
{
    DELIVERY *pDelivery = (DELIVERY *)pv;
    WaitForSingleObject(pDelivery->hStart, INFINITE);
    ORX_EVENT_RECORD record = {pDelivery->dwCode, {0, 0, 0}};
    CallLogPrintf("Event %lu delivered", record.dwEvent);
    DWORD dwResult = pDelivery->pfnCallback(&record);
    CallLogPrintf("Event %lu returned %lu", pDelivery->dwCode, dwResult);
    ReleaseDelivery(pDelivery);
    return 0;
}

// Starts cThreads threads that call the callback together; returns how many started.
static DWORD StartDelivery(ORX_VKBD_CALLBACK pfnCallback, DWORD dwCode, DWORD cThreads)
{
    DELIVERY *pDelivery = (DELIVERY *)HeapAlloc(GetProcessHeap(), 0, sizeof(DELIVERY));
    if (pDelivery == NULL)
        return 0;
    pDelivery->hStart = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (pDelivery->hStart == NULL)
    {
        HeapFree(GetProcessHeap(), 0, pDelivery);
        return 0;
    }
    pDelivery->lRefs = 1; // this function's own reference
    pDelivery->pfnCallback = pfnCallback;
    pDelivery->dwCode = dwCode;
    DWORD cStarted = 0;
    for (; cStarted < cThreads; ++cStarted)
    {
        InterlockedIncrement(&pDelivery->lRefs);
        HANDLE hThread = CreateThread(NULL, 0, DeliveryThread, pDelivery, 0, NULL);
        if (hThread == NULL)
        {
            InterlockedDecrement(&pDelivery->lRefs);
            break;
        }
        CloseHandle(hThread);
    }
    SetEvent(pDelivery->hStart);
    ReleaseDelivery(pDelivery);
    return cStarted;
}

// After ORX_Uninitialize the callback counts as gone until registered again.
static ORX_VKBD_CALLBACK CurrentCallback(void)
{
    return UninitMarkIsSet() ? NULL : g_pfnCallback;
}

static void OnEventCommand(const SIM_REQUEST *pRequest, SIM_REPLY *pReply)
{
    if (pRequest->dwThreads < 1 || pRequest->dwThreads > SIM_MAX_THREADS)
        return; // the reply stays "bad request"
    ORX_VKBD_CALLBACK pfnCallback = CurrentCallback();
    if (pfnCallback == NULL)
    {
        CallLogPrintf("Event %lu refused (no callback)", pRequest->dwCode);
        pReply->dwStatus = SIM_STATUS_NOT_REGISTERED;
        return;
    }
    DWORD cStarted = StartDelivery(pfnCallback, pRequest->dwCode, pRequest->dwThreads);
    pReply->dwStatus = cStarted > 0 ? SIM_STATUS_OK : SIM_STATUS_FAILED;
    pReply->dwCount = cStarted > 0 ? cStarted : GetLastError();
}

static void HandleRequest(const SIM_REQUEST *pRequest, SIM_REPLY *pReply)
{
    switch (pRequest->dwCommand)
    {
    case SIM_CMD_STATUS:
        pReply->dwStatus = CurrentCallback() != NULL ? SIM_STATUS_OK : SIM_STATUS_NOT_REGISTERED;
        break;
    case SIM_CMD_EVENT:
        OnEventCommand(pRequest, pReply);
        break;
    default:
        break; // the reply stays "bad request"
    }
}

extern "C" DWORD WINAPI ORX_RegisterVKbdCallback(ORX_VKBD_CALLBACK pCallback)
{
    DWORD dwResult = ORX_SUCCESS;
    if (!OrxForcedFailure(L"ORX_RegisterVKbdCallback", &dwResult))
    {
        g_pfnCallback = pCallback;
        UninitMarkClear();
        ListenerStart(SIM_PIPE_VKBD, HandleRequest);
    }
    OrxLogCall(L"ORX_RegisterVKbdCallback", NULL, dwResult, NULL);
    return dwResult;
}
