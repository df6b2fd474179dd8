// No master-volume backend: CTest runs this program, and so the Tarnview it
// starts, without the sound server. The XP family then has no mixer device and
// the Vista family no default endpoint; the volume keys change nothing and are
// left to Windows.
#include "hookfixture.h"
#include <mmsystem.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include "Tarnwatch.h"

namespace {

// What this process, started like the Tarnview under test, finds of the sound system.
HRESULT DefaultEndpointResult()
{
    HRESULT hrInit = CoInitialize(NULL);
    IMMDeviceEnumerator *pEnumerator = NULL;
    HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), NULL, CLSCTX_INPROC_SERVER,
                                  __uuidof(IMMDeviceEnumerator), (void **)&pEnumerator);
    if (hr == S_OK)
    {
        IMMDevice *pDevice = NULL;
        hr = pEnumerator->GetDefaultAudioEndpoint(eRender, eConsole, &pDevice);
        if (pDevice)
            pDevice->Release();
        pEnumerator->Release();
    }
    if (SUCCEEDED(hrInit))
        CoUninitialize();
    return hr;
}

class NoSound : public tarn::SharedHookTest
{
protected:
    static UINT s_nMixerDevices;
    static HRESULT s_hrEndpoint;

    static void SetUpTestSuite()
    {
        s_nMixerDevices = mixerGetNumDevs();
        s_hrEndpoint = DefaultEndpointResult();
        StartShared();
    }

    static void TearDownTestSuite() { StopShared(); }
};

UINT NoSound::s_nMixerDevices = 0;
HRESULT NoSound::s_hrEndpoint = S_OK;

TEST_F(NoSound, TheBackendReallyIsMissingAndNotReady)
{
    if (tarn::PrefixOSVersion() < 60)
        EXPECT_EQ(0u, s_nMixerDevices) << "the sound server is still reachable";
    else
        EXPECT_EQ((HRESULT)0x80070490, s_hrEndpoint) << "the sound server is still reachable";
    LONG values[4];
    ASSERT_TRUE(tarn::ReadSharedSection(values));
    EXPECT_EQ(0, values[1]) << "volume ready";
    EXPECT_NE(0, values[0]) << "the hook is installed all the same";
}

TEST_F(NoSound, VolumeKeysGoOnToWindowsAndChangeNothing)
{
    const struct { BYTE vk; const char *pszDetect; } keys[] = {
        { VK_VOLUME_MUTE, "Detect KeybdProc VK_VOLUME_MUTE press" },
        { VK_VOLUME_DOWN, "Detect KeybdProc VK_VOLUME_DOWN press" },
        { VK_VOLUME_UP, "Detect KeybdProc VK_VOLUME_UP press" },
    };
    for (const auto &k : keys)
    {
        tarn::PressKey(k.vk);
        tarn::PressKey(k.vk);
    }
    for (const auto &k : keys)
    {
        EXPECT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, k.vk, 2, 10000)) << "key-ups pass";
        EXPECT_EQ(2u, tarn::CountKeyMessages(WM_KEYDOWN, k.vk)) << "key-downs pass";
        EXPECT_EQ(2, tarn::CountLines(k.pszDetect));
    }
    // A worker would log what it does and show something soon after.
    tarn::PressKey(VK_CAPITAL);
    tarn::PressKey(VK_CAPITAL);
    ASSERT_TRUE(tarn::WaitForIndicators(2, 10000));
    bool bWorkerSeen = tarn::WaitUntil([&] {
        for (const tarn::Indicator &ind : tarn::Indicators())
            if (ind.nCode == VOLUME_MUTE || ind.nCode == VOLUME_UP || ind.nCode == VOLUME_DOWN)
                return true;
        for (const std::string &line : tarn::LogLines())
            if (line.compare(0, 5, "Show_") == 0 || line.find("g_hMasterVolumeSemaphore") != std::string::npos)
                return true;
        return false;
    }, 2000);
    EXPECT_FALSE(bWorkerSeen);
}

TEST_F(NoSound, LockKeysStillReport)
{
    for (const tarn::LockKey &key : tarn::kLockKeys)
    {
        tarn::ExpectLockKeyReports(key, false, false, 2);
        if (HasFatalFailure())
            return;
    }
}

}  // namespace
