// A per-process mark that ORX_Uninitialize (OrxCore) has run since the button
// callback (OrxVKbd) was last registered; compiled into both. Any thread.
#include <windows.h>
#include "uninitmark.h"
#include <strsafe.h>

// This library's handle to the process's mark, made on first use and kept open
// for the life of the process so the mark outlives every single call.
static HANDLE g_hMark;

static HANDLE GetMark(void)
{
    if (g_hMark != NULL)
        return g_hMark;
    WCHAR szName[64];
    StringCchPrintfW(szName, ARRAYSIZE(szName), L"TarnSim.Uninit.%lu", GetCurrentProcessId());
    HANDLE hMark = CreateEventW(NULL, TRUE, FALSE, szName);
    if (hMark == NULL)
        return NULL;
    // Two threads may race to make it; the loser's handle is surplus.
    if (InterlockedCompareExchangePointer(&g_hMark, hMark, NULL) != NULL)
        CloseHandle(hMark);
    return g_hMark;
}

void UninitMarkSet(void)
{
    HANDLE hMark = GetMark();
    if (hMark != NULL)
        SetEvent(hMark);
}

void UninitMarkClear(void)
{
    HANDLE hMark = GetMark();
    if (hMark != NULL)
        ResetEvent(hMark);
}

BOOL UninitMarkIsSet(void)
{
    HANDLE hMark = GetMark();
    return hMark != NULL && WaitForSingleObject(hMark, 0) == WAIT_OBJECT_0;
}
