// A stand-in IAudioEndpointVolume for the backend and worker suites: it keeps a
// scalar level and a mute flag, counts the calls, and can be told to fail the
// way Wine's endpoint fails to set the level (E_NOTIMPL).
#ifndef STANDINENDPOINT_H
#define STANDINENDPOINT_H

#include <windows.h>
#include <endpointvolume.h>

namespace tarn {

struct StandInEndpoint : public IAudioEndpointVolume
{
    float fLevel = 1.0f;
    BOOL bMute = FALSE;
    HRESULT hrSetLevel = S_OK;
    HRESULT hrGet = S_OK;        // for the reads; on failure they leave the output alone
    LONG nRefs = 1;              // the one reference the backend owns
    int nReleases = 0;
    int nCalls = 0;              // every mute and level call
    int nSetLevelCalls = 0;

    void SetPercent(int nPercent) { fLevel = (float)(nPercent / 100.0); }
    int Percent() const { return (int)(fLevel * 100.0 + 0.5); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **ppv) override { *ppv = NULL; return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++nRefs; }
    ULONG STDMETHODCALLTYPE Release() override { ++nReleases; return (ULONG)--nRefs; }
    HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnregisterControlChangeNotify(IAudioEndpointVolumeCallback *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float fNew, LPCGUID) override
    {
        ++nCalls;
        ++nSetLevelCalls;
        if (hrSetLevel == S_OK)
            fLevel = fNew;
        return hrSetLevel;
    }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float *pfLevel) override
    {
        ++nCalls;
        if (hrGet == S_OK)
            *pfLevel = fLevel;
        return hrGet;
    }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, float, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT, float, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, float *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT, float *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMute(BOOL bNew, LPCGUID) override
    {
        ++nCalls;
        bMute = bNew;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMute(BOOL *pbMute) override
    {
        ++nCalls;
        if (hrGet == S_OK)
            *pbMute = bMute;
        return hrGet;
    }
    HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT *, UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolumeRange(float *, float *, float *) override { return E_NOTIMPL; }
};

}  // namespace tarn

#endif
