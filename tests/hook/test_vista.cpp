// The Vista family with the real Core Audio endpoint, one Tarnview for all
// cases. Wine's endpoint opens and mutes for real, but its level stays at 1.0
// (setting the scalar is not implemented), so every step is taken from 100 percent.
#include "hookfixture.h"
#include "Tarnwatch.h"

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

TEST_F(VistaFamily, TheHookWorksOnlyAfterTwentySecondsWithTheEndpointReady)
{
    EXPECT_GE(s_dwRegisterMs, 19800u);
    LONG values[4];
    ASSERT_TRUE(tarn::ReadSharedSection(values));
    EXPECT_EQ(1, values[1]) << "volume ready";
    EXPECT_TRUE(tarn::LogHasLinesInOrder({ "RegisterHook: OSVersion = " + std::to_string(tarn::PrefixOSVersion()),
                                           "InitializeVolumeStep: init win7 data", "Tarnview: OS version is "
                                               + std::to_string(tarn::PrefixOSVersion()) }));
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

}  // namespace
