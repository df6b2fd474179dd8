// KeybdProcLL: the low-level keyboard hook procedure, called on the thread that
// registered the hook (Tarnview's main thread). It reports the lock keys and
// takes the volume keys away from Windows while it can act on them; every other
// key passes untouched.
#include <windows.h>
#include "Tarnwatch.h"
#include "hookdata.h"
#include "volumeworkers.h"

static BOOL IsVolumeKey(DWORD vkCode)
{
    return vkCode == VK_VOLUME_MUTE || vkCode == VK_VOLUME_DOWN || vkCode == VK_VOLUME_UP;
}

static BOOL IsLockKey(DWORD vkCode)
{
    return vkCode == VK_CAPITAL || vkCode == VK_NUMLOCK || vkCode == VK_SCROLL;
}

static BOOL IsKeyDown(WPARAM wParam)
{
    return wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
}

// The toggle bit still shows the state before this key-down: set means it goes off now.
static void ReportLockKey(int nVirtKey, int nOnCode, int nOffCode)
{
    int nCode = (GetKeyState(nVirtKey) & 1) ? nOffCode : nOnCode;
    SendMessageW(g_hHookWnd, WM_INDICATOR, (WPARAM)nCode, 0);
}

// The worker runs on by itself; its handle is closed at once so none accumulate.
static void StartVolumeWorker(LPTHREAD_START_ROUTINE pfnWorker)
{
    if (!IsVolumeReady())
        return;
    HANDLE hThread = CreateThread(NULL, 0, pfnWorker, NULL, 0, NULL);
    if (hThread)
        CloseHandle(hThread);
}

static void ActOnKeyDown(DWORD vkCode)
{
    switch (vkCode)
    {
    case VK_CAPITAL: ReportLockKey(VK_CAPITAL, CAPS_LOCK_ON, CAPS_LOCK_OFF); break;
    case VK_NUMLOCK: ReportLockKey(VK_NUMLOCK, NUM_LOCK_ON, NUM_LOCK_OFF); break;
    case VK_SCROLL: ReportLockKey(VK_SCROLL, SCROLL_LOCK_ON, SCROLL_LOCK_OFF); break;
    case VK_VOLUME_MUTE:
        DBGOUT("Detect KeybdProc VK_VOLUME_MUTE press");
        StartVolumeWorker(Show_Mute_Unmute_Thread);
        break;
    case VK_VOLUME_DOWN:
        DBGOUT("Detect KeybdProc VK_VOLUME_DOWN press");
        StartVolumeWorker(Show_VolumeDown_Thread);
        break;
    case VK_VOLUME_UP:
        DBGOUT("Detect KeybdProc VK_VOLUME_UP press");
        StartVolumeWorker(Show_VolumeUp_Thread);
        break;
    }
}

// Only the six keys acted on take the mutex: ordinary typing passes straight on,
// costs no kernel round trip and is never swallowed when the mutex is busy.
extern "C" LRESULT CALLBACK KeybdProcLL(int nCode, WPARAM wParam, LPARAM lParam)
{
    const KBDLLHOOKSTRUCT *pKey = (const KBDLLHOOKSTRUCT *)lParam;
    // A plain store: the watchdog on this same thread only looks for a change.
    ++g_nHookCalls;
    if (!IsLockKey(pKey->vkCode) && !IsVolumeKey(pKey->vkCode))
        return CallNextHookEx(HookHandle(), nCode, wParam, lParam);
    if (WaitForSingleObject(HookMutex(), 0) == WAIT_TIMEOUT)
    {
        DBGOUT("wait hook timed out\n");
        return 1;
    }
    // Only the keys acted on are logged: the log folder may be readable by anyone,
    // and what else is typed (passwords among it) must leave no trace there.
    DBGOUT("KeybdProcLL received,wParam=%d, p->vkCode = %d\n", (int)wParam, (int)pKey->vkCode);
    if (IsKeyDown(wParam))
    {
        ActOnKeyDown(pKey->vkCode);
        if (!ReleaseMutex(HookMutex()))
            DBGOUT("ReleaseSemaphore hook error: %d\n", (int)GetLastError());
        // Windows' own volume handling must never see a volume key-down that we
        // act on; while we have no backend the key is Windows' to handle.
        if (IsVolumeKey(pKey->vkCode) && IsVolumeReady())
            return 1;
        return CallNextHookEx(HookHandle(), nCode, wParam, lParam);
    }
    if (!ReleaseMutex(HookMutex()))
        DBGOUT("ReleaseSemaphore hook error: %d", (int)GetLastError());
    return CallNextHookEx(HookHandle(), nCode, wParam, lParam);
}
