// Tarnwatch's frame: DllMain, the OS version, and the library's start-up and
// shut-down (RegisterHook, UnregisterHook), run on Tarnview's main thread.
#include <windows.h>
#include "Tarnwatch.h"
#include "dbgout.h"
#include "hookdata.h"
#include "hookwatch.h"
#include "mastervolume.h"
#include "volumestep.h"

extern "C" int WINAPI GetOSVersion(void)
{
    OSVERSIONINFOW osvi;
    ZeroMemory(&osvi, sizeof(osvi));
    osvi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(&osvi))
        return 0;
    return (int)(osvi.dwMajorVersion * 10 + osvi.dwMinorVersion);
}

// The library's static initialisation: runs in every process that loads the
// library, under the loader lock, before DllMain is first called.
static int LoadVolumeModule(void)
{
    EnterLoaderCallout();
    ProbeOSVersion();
    InitializeVolumeStep();
    LeaveLoaderCallout();
    return 1;
}

static int s_nVolumeModuleLoaded = LoadVolumeModule();

// Runs under the loader lock for every thread start and end, which look the
// "HookWnd" window up again, so the handle becomes valid once Tarnview has
// created it. Nothing here waits: its log line is only kept for the next
// ordinary call to write. At process detach other threads may have ended
// half-way through anything, and nothing is left to do.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_DETACH)
        return TRUE;
    EnterLoaderCallout();
    g_hInstance = hInstance;
    g_hHookWnd = FindWindowW(L"HookWnd", NULL);
    g_nAttachOSVersion = GetOSVersion();
    DBGOUT("enter dllmain");
    LeaveLoaderCallout();
    return TRUE;
}

static HANDLE CreateUnnamedMutex(void)
{
    HANDLE hMutex = CreateMutexW(NULL, FALSE, NULL);
    if (!hMutex)
        DBGOUT("CreateMutex error: %d\n", (int)GetLastError());
    return hMutex;
}

// The window argument is not used: DllMain finds the window by its class.
extern "C" void WINAPI RegisterHook(HWND hWnd)
{
    (void)hWnd;
    DBGOUT("RegisterHook: OSVersion = %d", g_nAttachOSVersion);
    HANDLE hHookMutex = CreateUnnamedMutex();
    if (!hHookMutex)
        return;
    SetHookMutex(hHookMutex);
    HANDLE hVolumeMutex = CreateUnnamedMutex();
    if (!hVolumeMutex)
        return;
    SetVolumeMutex(hVolumeMutex);
    ProbeOSVersion();
    InitializeVolumeStep();
    HHOOK hHook = SetWindowsHookExW(WH_KEYBOARD_LL, KeybdProcLL, g_hInstance, 0);
    SetHookHandle(hHook);
    if (!hHook)
        DBGOUT("RegisterHook LL failed");
    // From here on a hook that Windows drops is put back.
    StartHookWatch();
    StartMasterVolume();
}

// Undoes RegisterHook on the thread that called it; the volume-ready flag keeps its value.
extern "C" void WINAPI UnregisterHook(void)
{
    StopHookWatch();
    CloseMasterVolume();
    if (HookMutex())
    {
        CloseHandle(HookMutex());
        SetHookMutex(NULL);
    }
    if (VolumeMutex())
    {
        CloseHandle(VolumeMutex());
        SetVolumeMutex(NULL);
    }
    UnhookWindowsHookEx(HookHandle());
    ReleaseSection();
}
