// The master volume as the workers see it, over the backend of this OS family:
// the winmm mixer below 60, the Core Audio endpoint from 60 on.
#ifndef MASTERVOLUME_H
#define MASTERVOLUME_H

#include <windows.h>
#include <endpointvolume.h>

// Mixer backend (mixervolume.cpp)
extern HMIXER g_hMixer;   // device 0, open from RegisterHook to UnregisterHook

int MixerOpenMaster(void);
void MixerCloseMaster(void);
int MixerGetMute(DWORD *pdwMute);
int MixerSetMute(DWORD dwMute);
int MixerGetVolume(DWORD *pdwVolume);
int MixerSetVolume(DWORD dwVolume);

// Core Audio backend (endpointvolume.cpp)
extern IAudioEndpointVolume *g_pEndpointVolume;   // one reference, or null

IAudioEndpointVolume *CreateEndpointVolume(void);
int EndpointOpenMaster(void);
void EndpointReopenMaster(BOOL bPresent);
void EndpointCloseMaster(void);
int EndpointGetMute(void);
void EndpointSetMute(int nMute);
DWORD EndpointGetVolume(void);
int EndpointSetVolume(DWORD dwPercent);

// Either backend, chosen by g_nVolumeOSVersion on every call (mastervolume.cpp)
int OpenMasterVolume(void);
void StartMasterVolume(void);   // from RegisterHook, once the watchdog runs
void CloseMasterVolume(void);
int GetMasterMute(void);
void SetMasterMute(int nMute);
DWORD GetMasterVolume(void);
int SetVolumeStep(int nStep);

#endif
