// The Vista family with the real Core Audio endpoint, one Tarnview for all
// cases. Wine's endpoint opens and mutes for real, but its level stays at 1.0
// (setting the scalar is not implemented), so every step is taken from 100 percent.
#include "hookfixture.h"
#include "Tarnwatch.h"
#include "eventcheck.h"

namespace {

class VistaFamily : public tarn::SharedHookTest
{
protected:
    static bool s_bSkip;

    static void SetUpTestSuite()
    {
        s_bSkip = tarn::PrefixOSVersion() < 60;
        if (!s_bSkip)
            StartShared();
    }

    static void TearDownTestSuite()
    {
        if (!s_bSkip)
            StopShared();
    }

    void SetUp() override
    {
        if (s_bSkip)
            GTEST_SKIP() << "Vista-family suite";
        tarn::SharedHookTest::SetUp();
    }

    // A volume key always unmutes: the next case starts unmuted whatever came before.
    void StartUnmuted()
    {
        ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_DOWN, { VOLUME_DOWN, 13 }));
        tarn::ClearIndicators();
    }
};

bool VistaFamily::s_bSkip = false;

TEST_F(VistaFamily, TheEndpointOpensTwentySecondsAfterStartUpAndIsReady)
{
    EXPECT_GE(s_dwOpenMs, 19800u);
    LONG values[4];
    ASSERT_TRUE(tarn::ReadSharedSection(values));
    EXPECT_EQ(1, values[1]) << "volume ready";
    EXPECT_TRUE(tarn::LogHasLinesInOrder({ "RegisterHook: OSVersion = " + std::to_string(tarn::PrefixOSVersion()),
                                           "InitializeVolumeStep: init win7 data", "Tarnview: OS version is "
                                               + std::to_string(tarn::PrefixOSVersion()),
                                           "EndpointOpenMaster: default playback device opened" }));
}

TEST_F(VistaFamily, LockKeyDownsReportTheirToggleStateAndPassOn)
{
    for (const tarn::LockKey &key : tarn::kLockKeys)
    {
        for (bool bAlt : { false, true })
        {
            tarn::ExpectLockKeyReports(key, bAlt, false, 2);
            if (HasFatalFailure())
                return;
        }
        tarn::ExpectLockKeyReports(key, false, true, 3);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(VistaFamily, VolumeKeysStepFromTheEndpointLevel)
{
    StartUnmuted();
    tarn::ClearKeyMessages();
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_DOWN, { VOLUME_DOWN, 13 }));
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_UP, { VOLUME_UP, 14 }));
    EXPECT_TRUE(tarn::LogHasLinesInOrder({ "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 100",
                                           "WndProc: VOLUME_DOWN 13", "Show_VolumeDown_Thread: VOLUME_DOWN ivol = 13, 93",
                                           "Detect KeybdProc VK_VOLUME_UP press", "WndProc: VOLUME_UP 14" }));
    EXPECT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, VK_VOLUME_UP, 1, 10000));
    EXPECT_EQ(0u, tarn::CountKeyMessages(WM_KEYDOWN, VK_VOLUME_DOWN));
    EXPECT_EQ(0u, tarn::CountKeyMessages(WM_KEYDOWN, VK_VOLUME_UP));
}

TEST_F(VistaFamily, MuteShowsMuteThenTheBar)
{
    StartUnmuted();
    size_t nUnmuteLines = (size_t)tarn::CountLines("Show_Mute_Unmute_Thread: Volume before unMute:dwVol=100");
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_MUTE, { VOLUME_MUTE, 0 }));
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_MUTE, { VOLUME_DOWN, 14 }));
    EXPECT_EQ(nUnmuteLines + 1, (size_t)tarn::CountLines("Show_Mute_Unmute_Thread: Volume before unMute:dwVol=100"));
    EXPECT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, VK_VOLUME_MUTE, 2, 10000));
    EXPECT_EQ(0u, tarn::CountKeyMessages(WM_KEYDOWN, VK_VOLUME_MUTE));
}

TEST_F(VistaFamily, MutedVolumeKeysUnmute)
{
    StartUnmuted();
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_MUTE, { VOLUME_MUTE, 0 }));
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_DOWN, { VOLUME_DOWN, 13 }));
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_MUTE, { VOLUME_MUTE, 0 })) << "volume down had unmuted";
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_UP, { VOLUME_UP, 14 }));
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_MUTE, { VOLUME_MUTE, 0 })) << "volume up had unmuted";
    ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_MUTE, { VOLUME_DOWN, 14 }));
}

// A fresh Tarnview in its first 20 s, before the endpoint opens: its window
// answers, lock keys and hardware buttons work, and a volume key goes on to
// Windows. Two started at the same moment leave one.
class VistaStartUp : public tarn::TarnviewTest
{
protected:
    HANDLE m_hOther = NULL;

    void SetUp() override
    {
        if (tarn::PrefixOSVersion() < 60)
            GTEST_SKIP() << "Vista-family suite";
        tarn::TarnviewTest::SetUp();
        ASSERT_EQ(0, ev::Orxctl(L"reset"));
        ASSERT_TRUE(tarn::StartKeyObserver());
    }

    void TearDown() override
    {
        tarn::CloseKeyWindow();
        tarn::StopKeyObserver();
        tarn::DetachIndicatorSpy();
        tarn::StopProcess(m_hOther);
        tarn::TarnviewTest::TearDown();
    }
};

TEST_F(VistaStartUp, EverythingButTheVolumeWorksAtOnceAndOneOfTwoCopiesStays)
{
    m_hProcess = tarn::StartTarnview();
    m_hOther = tarn::StartTarnview();
    ASSERT_TRUE(m_hProcess && m_hOther);
    ASSERT_TRUE(tarn::WaitForLogLine("Tarnview: OS version is " + std::to_string(tarn::PrefixOSVersion()), 60000));
    DWORD_PTR dwResult;
    EXPECT_NE(0, SendMessageTimeoutW(tarn::FindHookWnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &dwResult))
        << "\"HookWnd\" does not answer";
    HANDLE hBoth[] = { m_hProcess, m_hOther };
    DWORD dwEnded = WaitForMultipleObjects(2, hBoth, FALSE, 60000);
    ASSERT_TRUE(dwEnded == WAIT_OBJECT_0 || dwEnded == WAIT_OBJECT_0 + 1) << "both copies run";
    if (dwEnded == WAIT_OBJECT_0)
        std::swap(m_hProcess, m_hOther);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(m_hProcess, 0));
    EXPECT_EQ(1, tarn::CountHookWindows());

    ASSERT_TRUE(tarn::AttachIndicatorSpy() && tarn::OpenKeyWindow());
    tarn::PressKey(VK_CAPITAL);
    EXPECT_TRUE(tarn::WaitUntil([] { return tarn::ReadLog().find("ShowIndicatorProc: CAPS_LOCK_") != std::string::npos; },
                                10000)) << "no lock-key OSD";
    ASSERT_EQ(0, ev::Orxctl(L"wait-registered 60000"));
    EXPECT_TRUE(ev::Deliver(0));   // the Wi-Fi hot key
    EXPECT_TRUE(tarn::WaitUntil([] { return tarn::CountIndicators(WLAN_ON) + tarn::CountIndicators(WLAN_OFF) > 0; },
                                10000)) << "the hardware event was not handled";
    tarn::PressKey(VK_VOLUME_UP);
    EXPECT_TRUE(tarn::WaitForKeyMessages(WM_KEYDOWN, VK_VOLUME_UP, 1, 10000)) << "the volume key was swallowed";
    EXPECT_EQ(std::string::npos, tarn::ReadLog().find("EndpointOpenMaster:")) << "these checks took over 20 s";

    ASSERT_TRUE(tarn::WaitForLogLine("EndpointOpenMaster: default playback device opened", 60000));
    tarn::ClearKeyMessages();
    EXPECT_TRUE(tarn::PressVolumeKey(VK_VOLUME_DOWN, { VOLUME_DOWN, 13 }));
    EXPECT_EQ(0u, tarn::CountKeyMessages(WM_KEYDOWN, VK_VOLUME_DOWN)) << "a volume key acted on goes on to Windows";
}

}  // namespace
