// The named mutex that serialises, across every stand-in process, appends to the
// call log and read-modify-write updates of the shared registry state.
#ifndef SIMLOCK_H
#define SIMLOCK_H

#include <windows.h>

// Returns the held mutex, or NULL when it could not be had in time: callers then
// go on unlocked, because a lost line is worse for a test than a torn one.
HANDLE SimLockAcquire(void);
void SimLockRelease(HANDLE hLock);

#endif
