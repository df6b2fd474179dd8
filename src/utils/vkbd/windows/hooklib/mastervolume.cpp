// The master-volume operations the workers and RegisterHook use. Each picks the
// backend from g_nVolumeOSVersion when it runs: the mixer below 60, the endpoint above.
#include <windows.h>
#include "hookdata.h"
#include "hookwatch.h"
#include "mastervolume.h"
#include "volumestep.h"

static BOOL UsesMixer(void)
{
    return g_nVolumeOSVersion < 60;
}

int OpenMasterVolume(void)
{
    return UsesMixer() ? MixerOpenMaster() : EndpointOpenMaster();
}

// The mixer opens at once; the endpoint later, on the watchdog's timer, and the
// volume keys go on to Windows until it has.
void StartMasterVolume(void)
{
    if (!UsesMixer() && OpenEndpointLater())
        SetVolumeReady(FALSE);
    else
        SetVolumeReady(OpenMasterVolume());
}

void CloseMasterVolume(void)
{
    if (UsesMixer())
        MixerCloseMaster();
    else
        EndpointCloseMaster();
}

// A failed read counts as not muted.
int GetMasterMute(void)
{
    if (!UsesMixer())
        return EndpointGetMute();
    DWORD dwMute = 0;
    MixerGetMute(&dwMute);
    return dwMute != 0;
}

// Callers go on whatever happens: a failed set leaves the mute state as it was.
void SetMasterMute(int nMute)
{
    if (UsesMixer())
        MixerSetMute((DWORD)nMute);
    else
        EndpointSetMute(nMute);
}

// The raw level in this family's units; a failed read gives 0.
DWORD GetMasterVolume(void)
{
    if (!UsesMixer())
        return EndpointGetVolume();
    DWORD dwVolume = 0;
    MixerGetVolume(&dwVolume);
    return dwVolume;
}

int SetVolumeStep(int nStep)
{
    if (nStep < 0 || nStep > VOLUME_STEP_MAX)
        return 0;
    DWORD dwLevel = g_dwVolumeStep[nStep];
    return UsesMixer() ? MixerSetVolume(dwLevel) : EndpointSetVolume(dwLevel);
}
