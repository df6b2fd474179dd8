// The XP family's master volume: the volume and mute controls of the speakers
// line of the mixer of the preferred playback device (device 0 when there is no
// preference). Line and control are looked up afresh on every call, so a device
// that changes under us is simply found again.
#include <windows.h>
#include <mmsystem.h>
#include "mastervolume.h"

#ifndef DRVM_MAPPER_PREFERRED_GET
#define DRVM_MAPPER_PREFERRED_GET (0x2000 + 21)   // DRVM_MAPPER + 21, mmddk.h
#endif

HMIXER g_hMixer = NULL;

// The playback device the user chose in Sounds and Audio Devices (a USB headset,
// say), which the wave mapper plays through; its own mixer carries its volume.
static UINT PreferredMixerId(void)
{
    DWORD dwWaveId = (DWORD)-1, dwFlags = 0;
    UINT uMixerId = 0;
    if (waveOutMessage((HWAVEOUT)(UINT_PTR)WAVE_MAPPER, DRVM_MAPPER_PREFERRED_GET, (DWORD_PTR)&dwWaveId,
                       (DWORD_PTR)&dwFlags) != MMSYSERR_NOERROR
        || dwWaveId == (DWORD)-1
        || mixerGetID((HMIXEROBJ)(UINT_PTR)dwWaveId, &uMixerId, MIXER_OBJECTF_WAVEOUT) != MMSYSERR_NOERROR)
        return 0;
    return uMixerId;
}

// The control of the given type on the speakers destination line.
static int MixerFindControl(DWORD dwControlType, DWORD *pdwControlID)
{
    MIXERLINEW mxl;
    ZeroMemory(&mxl, sizeof(mxl));
    mxl.cbStruct = sizeof(mxl);
    mxl.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoW((HMIXEROBJ)g_hMixer, &mxl,
                          MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return 0;
    MIXERCONTROLW mxc;
    ZeroMemory(&mxc, sizeof(mxc));
    MIXERLINECONTROLSW mxlc;
    ZeroMemory(&mxlc, sizeof(mxlc));
    mxlc.cbStruct = sizeof(mxlc);
    mxlc.dwLineID = mxl.dwLineID;
    mxlc.dwControlType = dwControlType;
    mxlc.cControls = 1;
    mxlc.cbmxctrl = sizeof(mxc);
    mxlc.pamxctrl = &mxc;
    if (mixerGetLineControlsW((HMIXEROBJ)g_hMixer, &mxlc,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return 0;
    *pdwControlID = mxc.dwControlID;
    return 1;
}

// One uniform channel of a boolean or unsigned control: both are one 32-bit value.
static void FillDetails(MIXERCONTROLDETAILS *pmxcd, DWORD dwControlID, DWORD *pdwValue)
{
    ZeroMemory(pmxcd, sizeof(*pmxcd));
    pmxcd->cbStruct = sizeof(*pmxcd);
    pmxcd->dwControlID = dwControlID;
    pmxcd->cChannels = 1;
    pmxcd->cMultipleItems = 0;
    pmxcd->cbDetails = sizeof(DWORD);
    pmxcd->paDetails = pdwValue;
}

static int MixerReadControl(DWORD dwControlType, DWORD *pdwOut)
{
    DWORD dwControlID = 0;
    if (!MixerFindControl(dwControlType, &dwControlID))
        return 0;
    DWORD dwValue = 0;
    MIXERCONTROLDETAILS mxcd;
    FillDetails(&mxcd, dwControlID, &dwValue);
    if (mixerGetControlDetailsW((HMIXEROBJ)g_hMixer, &mxcd,
                                MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return 0;
    *pdwOut = dwValue;
    return 1;
}

static int MixerWriteControl(DWORD dwControlType, DWORD dwValue)
{
    DWORD dwControlID = 0;
    if (!MixerFindControl(dwControlType, &dwControlID))
        return 0;
    MIXERCONTROLDETAILS mxcd;
    FillDetails(&mxcd, dwControlID, &dwValue);
    if (mixerSetControlDetails((HMIXEROBJ)g_hMixer, &mxcd,
                               MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return 0;
    return 1;
}

// A machine without any mixer device counts as not ready, like one whose mixer
// does not open: there is no volume to step, so the keys must not show any.
int MixerOpenMaster(void)
{
    if (mixerGetNumDevs() == 0)
        return 0;
    if (mixerOpen(&g_hMixer, PreferredMixerId(), 0, 0, 0) != MMSYSERR_NOERROR)
    {
        g_hMixer = NULL;
        return 0;
    }
    return 1;
}

void MixerCloseMaster(void)
{
    if (!g_hMixer)
        return;
    // Nothing to do about a close that fails: the handle is given up either way.
    mixerClose(g_hMixer);
    g_hMixer = NULL;
}

int MixerGetMute(DWORD *pdwMute)
{
    return MixerReadControl(MIXERCONTROL_CONTROLTYPE_MUTE, pdwMute);
}

int MixerSetMute(DWORD dwMute)
{
    return MixerWriteControl(MIXERCONTROL_CONTROLTYPE_MUTE, dwMute);
}

int MixerGetVolume(DWORD *pdwVolume)
{
    return MixerReadControl(MIXERCONTROL_CONTROLTYPE_VOLUME, pdwVolume);
}

int MixerSetVolume(DWORD dwVolume)
{
    return MixerWriteControl(MIXERCONTROL_CONTROLTYPE_VOLUME, dwVolume);
}
