// Volume keys through the real hook and the real mixer (XP family). Under Wine
// the mixer starts at 65535 in every new process, so each case starts at the
// top; the raw levels the workers log show what the mixer really holds.
#include "hookfixture.h"
#include "Tarnwatch.h"

namespace {

const BYTE kMute = VK_VOLUME_MUTE, kDown = VK_VOLUME_DOWN, kUp = VK_VOLUME_UP;

struct Press
{
    BYTE vk;
    tarn::Indicator shown;
};

struct VolumeCase
{
    const char *pszName;
    std::vector<Press> presses;
    std::vector<std::string> logInOrder;
};

std::ostream &operator<<(std::ostream &os, const VolumeCase &c)
{
    return os << c.pszName;
}

std::vector<Press> DownToTheBottom()
{
    std::vector<Press> presses;
    for (int nStep = 13; nStep >= 0; --nStep)
        presses.push_back({ kDown, { VOLUME_DOWN, nStep } });
    presses.push_back({ kDown, { VOLUME_DOWN, 0 } });
    presses.push_back({ kUp, { VOLUME_UP, 1 } });
    presses.push_back({ kDown, { VOLUME_DOWN, 0 } });
    return presses;
}

const VolumeCase kCases[] = {
    { "DownTwiceFromTheTop",
      { { kDown, { VOLUME_DOWN, 13 } }, { kDown, { VOLUME_DOWN, 12 } }, { kMute, { VOLUME_MUTE, 0 } },
        { kMute, { VOLUME_DOWN, 12 } } },
      { "Detect KeybdProc VK_VOLUME_DOWN press",
        "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 65535", "WndProc: VOLUME_DOWN 13",
        "Show_VolumeDown_Thread: VOLUME_DOWN ivol = 13, 60853",
        "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 60853", "WndProc: VOLUME_DOWN 12",
        "Show_VolumeDown_Thread: VOLUME_DOWN ivol = 12, 56172", "WndProc: VOLUME_MUTE",
        "Show_Mute_Unmute_Thread: Volume before unMute:dwVol=56172", "WndProc: VOLUME_DOWN 12" } },
    { "UpAtTheTopStaysAt14",
      { { kUp, { VOLUME_UP, 14 } }, { kUp, { VOLUME_UP, 14 } }, { kDown, { VOLUME_DOWN, 13 } } },
      { "Detect KeybdProc VK_VOLUME_UP press", "WndProc: VOLUME_UP 14", "WndProc: VOLUME_UP 14",
        "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 65535" } },
    { "MuteShowsMuteThenTheBar",
      { { kMute, { VOLUME_MUTE, 0 } }, { kMute, { VOLUME_DOWN, 14 } } },
      { "Detect KeybdProc VK_VOLUME_MUTE press", "WndProc: VOLUME_MUTE", "Detect KeybdProc VK_VOLUME_MUTE press",
        "Show_Mute_Unmute_Thread: Volume before unMute:dwVol=65535", "WndProc: VOLUME_DOWN 14" } },
    // The last Mute mutes again: the volume key had unmuted.
    { "MutedVolumeDownUnmutesAndSteps",
      { { kMute, { VOLUME_MUTE, 0 } }, { kDown, { VOLUME_DOWN, 13 } }, { kMute, { VOLUME_MUTE, 0 } } },
      { "WndProc: VOLUME_MUTE", "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 65535",
        "WndProc: VOLUME_DOWN 13", "WndProc: VOLUME_MUTE" } },
    { "MutedVolumeUpUnmutes",
      { { kMute, { VOLUME_MUTE, 0 } }, { kUp, { VOLUME_UP, 14 } }, { kMute, { VOLUME_MUTE, 0 } } },
      { "WndProc: VOLUME_MUTE", "WndProc: VOLUME_UP 14", "WndProc: VOLUME_MUTE" } },
    { "DownTwiceThenUpOne",
      { { kDown, { VOLUME_DOWN, 13 } }, { kDown, { VOLUME_DOWN, 12 } }, { kUp, { VOLUME_UP, 13 } },
        { kDown, { VOLUME_DOWN, 12 } } },
      { "WndProc: VOLUME_UP 13", "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 60853" } },
    { "DownToTheBottomStaysAt0",
      DownToTheBottom(),
      { "Show_VolumeDown_Thread: VOLUME_DOWN ivol = 0, 0", "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 0",
        "Show_VolumeDown_Thread: VOLUME_DOWN ivol = 0, 0", "WndProc: VOLUME_UP 1",
        "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 4681", "WndProc: VOLUME_DOWN 0" } },
};

class VolumeKeys : public tarn::FreshHookTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(VolumeKeys, StepTheMixerAndShowTheStep)
{
    const VolumeCase &c = GetParam();
    for (size_t i = 0; i < c.presses.size(); ++i)
        ASSERT_TRUE(tarn::PressVolumeKey(c.presses[i].vk, c.presses[i].shown)) << "press " << i;
    EXPECT_TRUE(tarn::LogHasLinesInOrder(c.logInOrder));
    // Windows never sees a volume key-down; the key-ups pass.
    for (BYTE vk : { kMute, kDown, kUp })
    {
        size_t nPresses = 0;
        for (const Press &p : c.presses)
            nPresses += (p.vk == vk);
        EXPECT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, vk, nPresses, 10000)) << "key-ups of " << (int)vk;
        EXPECT_EQ(0u, tarn::CountKeyMessages(WM_KEYDOWN, vk)) << "key-downs of " << (int)vk;
        EXPECT_EQ(nPresses, tarn::CountKeyMessages(WM_KEYUP, vk)) << "key-ups of " << (int)vk;
    }
}

INSTANTIATE_TEST_SUITE_P(Mixer, VolumeKeys, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<VolumeCase> &info) { return std::string(info.param.pszName); });

}  // namespace

namespace {

class VolumeKeysWithAlt : public tarn::FreshHookTest {};

// WM_SYSKEYDOWN is a key-down like any other: the worker runs and Windows never sees it.
TEST_F(VolumeKeysWithAlt, AreHandledLikePlainKeyDowns)
{
    tarn::KeyDown(VK_MENU);
    tarn::PressKey(kDown);
    tarn::KeyUp(VK_MENU);
    ASSERT_TRUE(tarn::WaitForIndicators(1, 15000));
    EXPECT_EQ((tarn::Indicator{ VOLUME_DOWN, 13 }), tarn::Indicators()[0]);
    EXPECT_TRUE(tarn::LogHasLinesInOrder({ tarn::Format("KeybdProcLL received,wParam=%d, p->vkCode = %d", WM_SYSKEYDOWN, kDown),
                                           "Detect KeybdProc VK_VOLUME_DOWN press", "WndProc: VOLUME_DOWN 13" }));
    EXPECT_TRUE(tarn::WaitForKeyMessages(WM_SYSKEYUP, kDown, 1, 10000));
    EXPECT_EQ(0u, tarn::CountKeyMessages(WM_SYSKEYDOWN, kDown));
}

}  // namespace
