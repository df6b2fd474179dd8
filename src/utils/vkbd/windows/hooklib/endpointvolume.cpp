// The Vista family's master volume: the IAudioEndpointVolume of the default
// render endpoint, levels in whole percent of its scalar. Opened on the thread
// that registers the hook; the workers then call it without COM of their own.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include "mastervolume.h"

#define ENDPOINT_OPEN_DELAY_MS 20000

static const CLSID s_clsidDeviceEnumerator =
    { 0xBCDE0395, 0xE52F, 0x467C, { 0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E } };
static const IID s_iidDeviceEnumerator =
    { 0xA95664D2, 0x9614, 0x4F35, { 0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6 } };
static const IID s_iidEndpointVolume =
    { 0x5CDF2C82, 0x841E, 0x4546, { 0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A } };

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

// The audio service may still be starting at logon; the endpoint is asked for
// only once, after this wait.
int EndpointOpenMaster(void)
{
    Sleep(ENDPOINT_OPEN_DELAY_MS);
    s_bComInitialized = SUCCEEDED(CoInitialize(NULL));
    g_pEndpointVolume = CreateEndpointVolume();
    return g_pEndpointVolume != NULL;
}

void EndpointCloseMaster(void)
{
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
