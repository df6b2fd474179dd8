// The Vista family's master volume: the IAudioEndpointVolume of the default
// render endpoint, levels in whole percent of its scalar. Opened on the thread
// that registers the hook; the workers then call it without COM of their own.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include "Tarnwatch.h"
#include "coreaudioids.h"
#include "hookdata.h"
#include "hookwatch.h"
#include "mastervolume.h"

IAudioEndpointVolume *g_pEndpointVolume = NULL;
static BOOL s_bComInitialized = FALSE;   // our CoInitialize succeeded and is owed a CoUninitialize

IAudioEndpointVolume *CreateEndpointVolume(void)
{
    IMMDeviceEnumerator *pEnumerator = NULL;
    if (CoCreateInstance(s_clsidDeviceEnumerator, NULL, CLSCTX_INPROC_SERVER, s_iidDeviceEnumerator,
                         (void **)&pEnumerator) != S_OK)
        return NULL;
    IMMDevice *pDevice = NULL;
    HRESULT hr = pEnumerator->GetDefaultAudioEndpoint(eRender, eConsole, &pDevice);
    pEnumerator->Release();
    if (hr != S_OK)
        return NULL;
    IAudioEndpointVolume *pVolume = NULL;
    // The pointer as Activate leaves it is the answer: null when activation failed.
    pDevice->Activate(s_iidEndpointVolume, CLSCTX_INPROC_SERVER, NULL, (void **)&pVolume);
    pDevice->Release();
    return pVolume;
}

// Asked for once (RegisterHook schedules it), and again whenever the default
// playback device changes.
int EndpointOpenMaster(void)
{
    s_bComInitialized = SUCCEEDED(CoInitialize(NULL));
    g_pEndpointVolume = CreateEndpointVolume();
    FollowDefaultEndpoint();
    return g_pEndpointVolume != NULL;
}

// On the registering thread, with the workers' mutex held: the keys step the new
// default device from its own level; none of the old device's level goes over.
// Without a device the keys are not ready, as when none opened at start-up.
void EndpointReopenMaster(BOOL bPresent)
{
    if (g_pEndpointVolume)
    {
        g_pEndpointVolume->Release();
        g_pEndpointVolume = NULL;
    }
    if (bPresent)
        g_pEndpointVolume = CreateEndpointVolume();
    SetVolumeReady(g_pEndpointVolume != NULL);
    DBGOUT("EndpointReopenMaster: default playback device %s",
           g_pEndpointVolume ? "opened" : "gone, volume keys not ready");
}

void EndpointCloseMaster(void)
{
    StopFollowingDefaultEndpoint();
    if (g_pEndpointVolume)
    {
        g_pEndpointVolume->Release();
        g_pEndpointVolume = NULL;
    }
    if (s_bComInitialized)
    {
        CoUninitialize();
        s_bComInitialized = FALSE;
    }
}

// Read failures are absorbed: the state stays at its preset, not muted.
int EndpointGetMute(void)
{
    BOOL bMute = FALSE;
    if (g_pEndpointVolume)
        g_pEndpointVolume->GetMute(&bMute);
    return bMute;
}

void EndpointSetMute(int nMute)
{
    if (g_pEndpointVolume)
        g_pEndpointVolume->SetMute(nMute, NULL);
}

// Whole percent, halves rounded up: 0.125 reads 13, 0.0625 reads 6. A failed read gives 0.
DWORD EndpointGetVolume(void)
{
    float fLevel = 0.0f;
    if (g_pEndpointVolume)
        g_pEndpointVolume->GetMasterVolumeLevelScalar(&fLevel);
    return (DWORD)(fLevel * 100.0 + 0.5);
}

// The percent goes out as a single-precision scalar, which reads back as the same percent.
int EndpointSetVolume(DWORD dwPercent)
{
    if (!g_pEndpointVolume)
        return 0;
    float fLevel = (float)(dwPercent / 100.0);
    return g_pEndpointVolume->SetMasterVolumeLevelScalar(fLevel, NULL) == S_OK;
}
