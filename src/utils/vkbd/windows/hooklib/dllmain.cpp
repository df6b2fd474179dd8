// Tarnwatch's frame: DllMain, the OS version, and the library's start-up and
// shut-down (RegisterHook, UnregisterHook), run on Tarnview's main thread.
#include <windows.h>
#include "Tarnwatch.h"
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

// Runs for every notification: each thread start and end looks the "HookWnd"
// window up again, so the handle becomes valid once Tarnview has created it.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)dwReason;
    (void)pReserved;
    g_hInstance = hInstance;
    g_hHookWnd = FindWindowW(L"HookWnd", NULL);
    g_nAttachOSVersion = GetOSVersion();
    DBGOUT("enter dllmain");
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
