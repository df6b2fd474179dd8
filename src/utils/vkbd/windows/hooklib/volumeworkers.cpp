// The volume-key workers: each key-down gets a thread that steps the master
// volume through the step table and shows the result. They take turns on the
// volume mutex; a press that cannot get it within 100 ms is dropped.
#include <windows.h>
#include "Tarnwatch.h"
#include "hookdata.h"
#include "mastervolume.h"
#include "volumestep.h"
#include "volumeworkers.h"

#define VOLUME_WAIT_MS 100
#define VOLUME_HOLD_MS 50

// Holding the mutex a little while paces a held key: its repeats are dropped
// rather than queued behind each other.
static BOOL EnterVolumeWorker(const char *pszWorker)
{
    DWORD dwWait = WaitForSingleObject(VolumeMutex(), VOLUME_WAIT_MS);
    if (dwWait == WAIT_TIMEOUT)
    {
        DBGOUT("wait g_hMasterVolumeSemaphore timed out\n");
        return FALSE;
    }
    if (dwWait == WAIT_FAILED)
    {
        // The mutex is gone (the hook was unregistered meanwhile): nothing may be touched.
        DBGOUT("%s: wait g_hMasterVolumeSemaphore failed: %d", pszWorker, (int)GetLastError());
        return FALSE;
    }
    // WAIT_OBJECT_0, or WAIT_ABANDONED by a worker that died: ours either way.
    Sleep(VOLUME_HOLD_MS);
    return TRUE;
}

static void LeaveVolumeWorker(void)
{
    if (!ReleaseMutex(VolumeMutex()))
        DBGOUT("Release g_hMasterVolumeSemaphore error: %d\n", (int)GetLastError());
}

// The send waits for Tarnview's main thread; its result means nothing to us.
static void ShowIndicator(int nCode, int nLevel)
{
    SendMessageW(g_hHookWnd, WM_INDICATOR, (WPARAM)nCode, (LPARAM)nLevel);
}

DWORD WINAPI Show_Mute_Unmute_Thread(LPVOID pParam)
{
    (void)pParam;
    if (!EnterVolumeWorker("Show_Mute_Unmute_Thread"))
        return 1;
    if (GetMasterMute())
    {
        SetMasterMute(0);
        DWORD dwVol = GetMasterVolume();
        DBGOUT("Show_Mute_Unmute_Thread: Volume before unMute:dwVol=%d", (int)dwVol);
        ShowIndicator(VOLUME_DOWN, VolumeToStep(dwVol));
    }
    else
    {
        SetMasterMute(1);
        ShowIndicator(VOLUME_MUTE, 0);
    }
    LeaveVolumeWorker();
    return 0;
}

// The step comes from the level read now, so a change made elsewhere is picked up.
DWORD WINAPI Show_VolumeDown_Thread(LPVOID pParam)
{
    (void)pParam;
    if (!EnterVolumeWorker("Show_VolumeDown_Thread"))
        return 1;
    SetMasterMute(0);
    DWORD dwVol = GetMasterVolume();
    DBGOUT("Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = %d", (int)dwVol);
    int nStep = VolumeToStep(dwVol);
    if (nStep > 0)
        --nStep;
    SetVolumeStep(nStep);
    ShowIndicator(VOLUME_DOWN, nStep);
    DBGOUT("Show_VolumeDown_Thread: VOLUME_DOWN ivol = %d, %d", nStep, (int)g_dwVolumeStep[nStep]);
    LeaveVolumeWorker();
    return 0;
}

DWORD WINAPI Show_VolumeUp_Thread(LPVOID pParam)
{
    (void)pParam;
    if (!EnterVolumeWorker("Show_VolumeUp_Thread"))
        return 1;
    SetMasterMute(0);
    int nStep = VolumeToStep(GetMasterVolume());
    if (nStep < VOLUME_STEP_MAX)
        ++nStep;
    SetVolumeStep(nStep);
    ShowIndicator(VOLUME_UP, nStep);
    LeaveVolumeWorker();
    return 0;
}
