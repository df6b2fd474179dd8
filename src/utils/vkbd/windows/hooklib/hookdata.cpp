// The ".HOOKDAT" shared section and this process's own copy of its values.
// Only the process that claims the section (the first to register) writes it.
#include "hookdata.h"

#define HOOKDAT __attribute__((section(".HOOKDAT"), shared))

LONG g_hHook HOOKDAT = 0;
LONG g_bVolumeReady HOOKDAT = 1;
LONG g_hHookSemaphore HOOKDAT = 0;
LONG g_hMasterVolumeSemaphore HOOKDAT = 0;

HINSTANCE g_hInstance = NULL;
HWND g_hHookWnd = NULL;
int g_nAttachOSVersion = 0;
volatile LONG g_nHookCalls = 0;

static HHOOK s_hHook = NULL;
static HANDLE s_hHookMutex = NULL;
static HANDLE s_hVolumeMutex = NULL;
static BOOL s_bVolumeReady = TRUE;
static BOOL s_bOwnsSection = FALSE;   // this process claimed the shared section

static LONG ToShared(HANDLE h)
{
    return (LONG)(LONG_PTR)h;
}

// The claim is taken by the first process whose hook mutex lands in an empty
// slot; a second user's Tarnview keeps working with its own handles only.
static BOOL OwnsSection(HANDLE hNewHookMutex)
{
    if (!s_bOwnsSection && hNewHookMutex)
        s_bOwnsSection = InterlockedCompareExchange(&g_hHookSemaphore, ToShared(hNewHookMutex), 0) == 0;
    return s_bOwnsSection;
}

HHOOK HookHandle(void) { return s_hHook; }
HANDLE HookMutex(void) { return s_hHookMutex; }
HANDLE VolumeMutex(void) { return s_hVolumeMutex; }
BOOL IsVolumeReady(void) { return s_bVolumeReady; }

void SetHookHandle(HHOOK hHook)
{
    s_hHook = hHook;
    if (OwnsSection(NULL))
        g_hHook = ToShared(hHook);
}

void SetHookMutex(HANDLE hMutex)
{
    s_hHookMutex = hMutex;
    if (OwnsSection(hMutex))
        g_hHookSemaphore = ToShared(hMutex);
}

void SetVolumeMutex(HANDLE hMutex)
{
    s_hVolumeMutex = hMutex;
    if (OwnsSection(NULL))
        g_hMasterVolumeSemaphore = ToShared(hMutex);
}

void SetVolumeReady(BOOL bReady)
{
    s_bVolumeReady = bReady;
    if (OwnsSection(NULL))
        g_bVolumeReady = bReady;
}

// After UnregisterHook the emptied section may be claimed by the next process that registers.
void ReleaseSection(void)
{
    s_bOwnsSection = FALSE;
}
