// The named mutex that serialises, across every stand-in process, appends to the
// call log and read-modify-write updates of the shared registry state. Any thread.
#include <windows.h>
#include "simlock.h"

#define SIM_LOCK_NAME L"TarnSim.Lock"
// A holder that hangs must not hang every other stand-in process with it.
#define SIM_LOCK_TIMEOUT_MS 10000

HANDLE SimLockAcquire(void)
{
    HANDLE hLock = CreateMutexW(NULL, FALSE, SIM_LOCK_NAME);
    if (hLock == NULL)
        return NULL;
    // An abandoned mutex (its holder was killed) is still ours now.
    DWORD dwWait = WaitForSingleObject(hLock, SIM_LOCK_TIMEOUT_MS);
    if (dwWait != WAIT_OBJECT_0 && dwWait != WAIT_ABANDONED)
    {
        CloseHandle(hLock);
        return NULL;
    }
    return hLock;
}

void SimLockRelease(HANDLE hLock)
{
    if (hLock == NULL)
        return;
    ReleaseMutex(hLock);
    CloseHandle(hLock);
}
