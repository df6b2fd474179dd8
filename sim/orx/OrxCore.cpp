// OrxCore stand-in: initialisation with test-controlled failures, and the abort
// handler, called from a thread of its own on the control program's command.
#include <windows.h>
#include "OrxApi.h"
#include "calllog.h"
#include "listener.h"
#include "orxop.h"
#include "simlock.h"
#include "simstate.h"
#include "uninitmark.h"

// The registered abort handler; NULL when none or after ORX_Uninitialize.
static ORX_ABORT_HANDLER volatile g_pfnAbort;

static DWORD WINAPI AbortThread(LPVOID pv)
{
    ORX_ABORT_HANDLER pfnAbort = (ORX_ABORT_HANDLER)pv;
    CallLogPrintf("Abort delivered");
    BOOL fResult = pfnAbort();
    CallLogPrintf("Abort returned %d", fResult);
    return 0;
}

static void OnAbortCommand(SIM_REPLY *pReply)
{
    ORX_ABORT_HANDLER pfnAbort = g_pfnAbort;
    if (pfnAbort == NULL)
    {
        CallLogPrintf("Abort refused (no handler)");
        pReply->dwStatus = SIM_STATUS_NOT_REGISTERED;
        return;
    }
    HANDLE hThread = CreateThread(NULL, 0, AbortThread, (LPVOID)pfnAbort, 0, NULL);
    if (hThread == NULL)
    {
        pReply->dwStatus = SIM_STATUS_FAILED;
        pReply->dwCount = GetLastError();
        return;
    }
    CloseHandle(hThread);
    pReply->dwStatus = SIM_STATUS_OK;
    pReply->dwCount = 1;
}

static void HandleRequest(const SIM_REQUEST *pRequest, SIM_REPLY *pReply)
{
    switch (pRequest->dwCommand)
    {
    case SIM_CMD_STATUS:
        pReply->dwStatus = g_pfnAbort != NULL ? SIM_STATUS_OK : SIM_STATUS_NOT_REGISTERED;
        break;
    case SIM_CMD_ABORT:
        OnAbortCommand(pReply);
        break;
    default:
        break; // the reply stays "bad request"
    }
}

// Counts one failure off InitFailures; returns InitResult while any are left, else 0.
// Locked because a test may start several processes that initialise at once.
static DWORD TakeInitFailure(void)
{
    DWORD dwResult = ORX_SUCCESS;
    HANDLE hLock = SimLockAcquire();
    DWORD dwLeft;
    if (SimReadDword(SIM_VAL_INIT_FAILURES, &dwLeft) && dwLeft > 0)
    {
        // Should the count fail to go down, the test sees an extra failing line in the log.
        SimWriteDword(SIM_VAL_INIT_FAILURES, dwLeft - 1);
        dwResult = SimReadDwordOr(SIM_VAL_INIT_RESULT, SIM_DEF_INIT_RESULT);
    }
    SimLockRelease(hLock);
    return dwResult;
}

extern "C" DWORD WINAPI ORX_Initialize(void)
{
    DWORD dwResult = TakeInitFailure();
    if (dwResult == ORX_SUCCESS)
        OrxForcedFailure(L"ORX_Initialize", &dwResult);
    OrxLogCall(L"ORX_Initialize", NULL, dwResult, NULL);
    return dwResult;
}

extern "C" DWORD WINAPI ORX_Uninitialize(void)
{
    DWORD dwResult = ORX_SUCCESS;
    if (!OrxForcedFailure(L"ORX_Uninitialize", &dwResult))
    {
        g_pfnAbort = NULL;
        UninitMarkSet();
    }
    OrxLogCall(L"ORX_Uninitialize", NULL, dwResult, NULL);
    return dwResult;
}

extern "C" DWORD WINAPI ORX_SetAbortHandler(ORX_ABORT_HANDLER pHandler)
{
    DWORD dwResult = ORX_SUCCESS;
    if (!OrxForcedFailure(L"ORX_SetAbortHandler", &dwResult))
    {
        g_pfnAbort = pHandler;
        ListenerStart(SIM_PIPE_CORE, HandleRequest);
    }
    OrxLogCall(L"ORX_SetAbortHandler", NULL, dwResult, NULL);
    return dwResult;
}
