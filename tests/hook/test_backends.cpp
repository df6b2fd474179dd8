// The master-volume operations over both backends, compiled in: the real winmm
// mixer of this process, and a stand-in endpoint for the scalar arithmetic that
// Wine's Core Audio endpoint does not implement.
#include <gtest/gtest.h>
#include <mmdeviceapi.h>
#include "harness.h"
#include "hookdata.h"
#include "hookwatch.h"
#include "mastervolume.h"
#include "mutexholder.h"
#include "volumestep.h"
#include "steptables.h"
#include "standinendpoint.h"

// The product's notification object, as the device enumerator calls it.
IMMNotificationClient *DefaultDeviceClient(void);

namespace {

using tarn::kXP;
using tarn::kWin7;
using tarn::UseFamily;

class EndpointBackend : public ::testing::Test
{
protected:
    tarn::StandInEndpoint m_endpoint;

    void SetUp() override
    {
        UseFamily(61);
        g_pEndpointVolume = &m_endpoint;
    }

    void TearDown() override { g_pEndpointVolume = NULL; }
};

TEST_F(EndpointBackend, ScalarLevelsReadAsWholePercentHalvesUp)
{
    const struct { float fLevel; DWORD dwPercent; } cases[] = {
        { 0.125f, 13 }, { 0.0625f, 6 }, { 0.0f, 0 }, { 1.0f, 100 }, { 0.29f, 29 }, { 0.5f, 50 },
        { 0.994f, 99 }, { 0.995f, 100 },
        // Single precision below the half: 0.005f is 0.00499999988...
        { 0.005f, 0 }, { 0.015f, 1 },
    };
    for (const auto &c : cases)
    {
        m_endpoint.fLevel = c.fLevel;
        EXPECT_EQ(c.dwPercent, GetMasterVolume()) << "scalar " << c.fLevel;
    }
}

TEST_F(EndpointBackend, EveryStepIsWrittenAsItsScalarAndReadsBack)
{
    for (int nStep = 0; nStep < VOLUME_STEP_COUNT; ++nStep)
    {
        EXPECT_EQ(1, SetVolumeStep(nStep)) << "step " << nStep;
        EXPECT_EQ((float)(kWin7[nStep] / 100.0), m_endpoint.fLevel) << "step " << nStep;
        EXPECT_EQ(kWin7[nStep], GetMasterVolume()) << "step " << nStep;
        EXPECT_EQ(nStep, VolumeToStep(GetMasterVolume())) << "step " << nStep;
    }
    SetVolumeStep(4);
    EXPECT_EQ(0.28999999f, m_endpoint.fLevel);
}

TEST_F(EndpointBackend, AFailedSetReportsZeroAndLeavesTheLevel)
{
    m_endpoint.hrSetLevel = E_NOTIMPL;   // what Wine's endpoint answers
    m_endpoint.SetPercent(100);
    EXPECT_EQ(0, SetVolumeStep(4));
    EXPECT_EQ(100u, GetMasterVolume());
}

TEST_F(EndpointBackend, FailedReadsCountAsZeroAndNotMuted)
{
    m_endpoint.SetPercent(64);
    m_endpoint.bMute = TRUE;
    m_endpoint.hrGet = E_FAIL;
    EXPECT_EQ(0u, GetMasterVolume());
    EXPECT_EQ(0, GetMasterMute());
}

TEST_F(EndpointBackend, MuteIsWrittenAndReadThroughTheEndpoint)
{
    SetMasterMute(1);
    EXPECT_TRUE(m_endpoint.bMute);
    EXPECT_NE(0, GetMasterMute());
    SetMasterMute(0);
    EXPECT_FALSE(m_endpoint.bMute);
    EXPECT_EQ(0, GetMasterMute());
}

TEST_F(EndpointBackend, CloseReleasesTheEndpointOnce)
{
    CloseMasterVolume();
    EXPECT_EQ(1, m_endpoint.nReleases);
    EXPECT_EQ(nullptr, g_pEndpointVolume);
    CloseMasterVolume();
    EXPECT_EQ(1, m_endpoint.nReleases);
}

TEST_F(EndpointBackend, WithoutAnEndpointNothingIsCalled)
{
    g_pEndpointVolume = NULL;
    EXPECT_EQ(0u, GetMasterVolume());
    EXPECT_EQ(0, GetMasterMute());
    EXPECT_EQ(0, SetVolumeStep(7));
    SetMasterMute(1);
    CloseMasterVolume();
    EXPECT_EQ(0, m_endpoint.nCalls);
    EXPECT_EQ(0, m_endpoint.nReleases);
}

TEST_F(EndpointBackend, StepsOutsideTheTableAreRefused)
{
    EXPECT_EQ(0, SetVolumeStep(-1));
    EXPECT_EQ(0, SetVolumeStep(VOLUME_STEP_COUNT));
    EXPECT_EQ(0, m_endpoint.nSetLevelCalls);
}

class MixerBackend : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UseFamily(51);
        ASSERT_EQ(1, OpenMasterVolume()) << "no mixer: is the sound server running?";
    }

    void TearDown() override { CloseMasterVolume(); }
};

TEST_F(MixerBackend, OpensDeviceZero)
{
    EXPECT_NE(nullptr, g_hMixer);
    UINT uID = 99;
    EXPECT_EQ((MMRESULT)MMSYSERR_NOERROR, mixerGetID((HMIXEROBJ)g_hMixer, &uID, MIXER_OBJECTF_HMIXER));
    EXPECT_EQ(0u, uID);
}

TEST_F(MixerBackend, EveryStepIsWrittenAndReadBack)
{
    for (int nStep = VOLUME_STEP_MAX; nStep >= 0; --nStep)
    {
        EXPECT_EQ(1, SetVolumeStep(nStep)) << "step " << nStep;
        EXPECT_EQ(kXP[nStep], GetMasterVolume()) << "step " << nStep;
    }
}

TEST_F(MixerBackend, MuteIsWrittenAndReadBack)
{
    SetMasterMute(1);
    EXPECT_NE(0, GetMasterMute());
    DWORD dwMute = 0;
    EXPECT_EQ(1, MixerGetMute(&dwMute));
    EXPECT_NE(0u, dwMute);
    SetMasterMute(0);
    EXPECT_EQ(0, GetMasterMute());
}

TEST_F(MixerBackend, AfterCloseEveryOperationFailsSoftly)
{
    SetVolumeStep(3);
    CloseMasterVolume();
    EXPECT_EQ(nullptr, g_hMixer);
    DWORD dwValue = 12345;
    EXPECT_EQ(0, MixerGetVolume(&dwValue));
    EXPECT_EQ(12345u, dwValue) << "a failed read leaves the value alone";
    EXPECT_EQ(0u, GetMasterVolume());
    EXPECT_EQ(0, GetMasterMute());
    EXPECT_EQ(0, SetVolumeStep(5));
    EXPECT_EQ(0, MixerSetMute(1));
    CloseMasterVolume();
}

// Both backends open at once: which one a call uses follows the version value at that call.
TEST_F(MixerBackend, TheVersionValueChoosesTheBackendOnEveryCall)
{
    tarn::StandInEndpoint endpoint;
    endpoint.SetPercent(100);
    g_pEndpointVolume = &endpoint;
    SetVolumeStep(14);
    UseFamily(61);
    EXPECT_EQ(1, SetVolumeStep(4));
    EXPECT_EQ(29, endpoint.Percent());
    g_nVolumeOSVersion = 51;   // the table stays the percent one: the mixer gets 29
    EXPECT_EQ(1, SetVolumeStep(4));
    EXPECT_EQ(29u, GetMasterVolume());
    int nEndpointCalls = endpoint.nCalls;
    GetMasterMute();
    EXPECT_EQ(nEndpointCalls, endpoint.nCalls);
    g_pEndpointVolume = NULL;
}

// COM initialised and uninitialised in pairs on the opening thread.
struct ComResult
{
    int nOpened;
    bool bEndpoint;
    HRESULT hrAfterClose;   // CoInitializeEx(MTA) on that thread after CloseMasterVolume
};

DWORD WINAPI OpenAndCloseOnThisThread(LPVOID pParam)
{
    ComResult *pResult = (ComResult *)pParam;
    pResult->nOpened = OpenMasterVolume();
    pResult->bEndpoint = g_pEndpointVolume != NULL;
    CloseMasterVolume();
    pResult->hrAfterClose = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    if (SUCCEEDED(pResult->hrAfterClose))
        CoUninitialize();
    return 0;
}

DWORD WINAPI OpenAndCloseInsideOwnCom(LPVOID pParam)
{
    HRESULT hrOwn = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    OpenAndCloseOnThisThread(pParam);
    if (SUCCEEDED(hrOwn))
        CoUninitialize();
    return 0;
}

ComResult RunOnThread(LPTHREAD_START_ROUTINE pfn)
{
    ComResult result = { -1, false, E_FAIL };
    HANDLE hThread = CreateThread(NULL, 0, pfn, &result, 0, NULL);
    WaitForSingleObject(hThread, 120000);
    CloseHandle(hThread);
    return result;
}

class EndpointOpen : public ::testing::Test
{
protected:
    void SetUp() override { UseFamily(61); }
    void TearDown() override { g_pEndpointVolume = NULL; }
};

TEST_F(EndpointOpen, OpensAndCloseEndsItsCom)
{
    ComResult r = RunOnThread(OpenAndCloseOnThisThread);
    EXPECT_EQ(1, r.nOpened);
    EXPECT_TRUE(r.bEndpoint);
    // The apartment CoInitialize made is gone: the thread may now join the MTA.
    EXPECT_EQ(S_OK, r.hrAfterClose);
}

TEST_F(EndpointOpen, CloseLeavesAloneComItDidNotInitialise)
{
    // The thread is in the MTA already, so the open's CoInitialize fails.
    ComResult r = RunOnThread(OpenAndCloseInsideOwnCom);
    EXPECT_EQ(1, r.nOpened);
    EXPECT_EQ(S_FALSE, r.hrAfterClose) << "the thread's own COM initialisation must survive";
}

// The default playback device changes under the keys: the endpoint is opened
// anew on the watchdog's thread, under the workers' mutex, with nothing carried
// over; without a device the keys are not ready.
class DefaultDevice : public ::testing::Test
{
protected:
    tarn::StandInEndpoint m_old;
    HANDLE m_hMutex = NULL;

    void SetUp() override
    {
        UseFamily(61);
        tarn::PrepareLog();
        CoInitialize(NULL);
        m_hMutex = CreateMutexW(NULL, FALSE, NULL);
        SetVolumeMutex(m_hMutex);
        m_old.SetPercent(30);
        g_pEndpointVolume = &m_old;
        StartHookWatch();
    }
    void TearDown() override
    {
        StopHookWatch();
        if (g_pEndpointVolume && g_pEndpointVolume != &m_old)
            g_pEndpointVolume->Release();
        g_pEndpointVolume = NULL;
        SetVolumeMutex(NULL);
        CloseHandle(m_hMutex);
        SetVolumeReady(TRUE);
        CoUninitialize();
    }
    // Serves the watchdog window, as Tarnview's message loop does.
    static bool ServeUntil(const std::function<bool()> &pred, DWORD timeoutMs)
    {
        return tarn::WaitUntil([&] {
            MSG msg;
            while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            return pred();
        }, timeoutMs);
    }
};

TEST_F(DefaultDevice, TheKeysFollowTheDefaultPlaybackDevice)
{
    IMMNotificationClient *pClient = DefaultDeviceClient();
    // Recording devices and the other roles are not the keys' business.
    pClient->OnDefaultDeviceChanged(eCapture, eConsole, L"{microphone}");
    pClient->OnDefaultDeviceChanged(eRender, eCommunications, L"{headset}");
    ServeUntil([] { return false; }, 300);
    EXPECT_EQ(&m_old, g_pEndpointVolume);
    {
        tarn::MutexHolder worker(m_hMutex);
        ASSERT_TRUE(worker.Held());
        pClient->OnDefaultDeviceChanged(eRender, eConsole, L"{hdmi}");
        ServeUntil([] { return false; }, 500);
        EXPECT_EQ(&m_old, g_pEndpointVolume) << "swapped under a worker";
    }
    // This Wine's PulseAudio sink is the new default device.
    ASSERT_TRUE(ServeUntil([&] { return g_pEndpointVolume != &m_old; }, 10000));
    EXPECT_NE(nullptr, g_pEndpointVolume);
    EXPECT_TRUE(IsVolumeReady());
    EXPECT_EQ(1, m_old.nReleases);
    EXPECT_EQ(0, m_old.nSetLevelCalls) << "the old device's level went over";
    tarn::MutexHolder after(m_hMutex);
    EXPECT_TRUE(after.Held()) << "the mutex was not given back";
    after.Finish();

    pClient->OnDefaultDeviceChanged(eRender, eConsole, NULL);
    ASSERT_TRUE(ServeUntil([] { return g_pEndpointVolume == NULL; }, 10000));
    EXPECT_FALSE(IsVolumeReady());
    EXPECT_TRUE(tarn::LogHasLinesInOrder({ "EndpointReopenMaster: default playback device opened",
                                           "EndpointReopenMaster: default playback device gone, volume keys not ready" }));
}

}  // namespace
