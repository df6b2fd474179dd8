// A held volume key against the workers (XP family): presses that come faster
// than the workers are dropped, nothing blocks the keyboard, and the workers'
// threads leave no handles behind.
#include "hookfixture.h"
#include "Tarnwatch.h"

namespace {

const char kTimedOut[] = "wait g_hMasterVolumeSemaphore timed out";

// Every press ends either in an indicator or in a dropped press.
size_t SettledPresses()
{
    return tarn::CountIndicators(VOLUME_UP) + (size_t)tarn::CountLines(kTimedOut);
}

class HeldKeys : public tarn::FreshHookTest {};

TEST_F(HeldKeys, HeldVolumeUpDropsPressesAndTheKeyboardStaysResponsive)
{
    const int kRepeats = 40;
    std::vector<UINT> typed;
    DWORD dwStart = GetTickCount();
    for (int i = 0; i < kRepeats; ++i)
    {
        tarn::KeyDown(VK_VOLUME_UP);   // auto-repeat: key-downs without key-ups
        if (i % 2)
        {
            BYTE vk = (BYTE)('A' + i / 2);
            tarn::PressKey(vk);
            typed.push_back(vk);
        }
    }
    DWORD dwBurstMs = GetTickCount() - dwStart;
    tarn::KeyUp(VK_VOLUME_UP);

    ASSERT_TRUE(tarn::WaitUntil([&] { tarn::PumpMessages(); return SettledPresses() >= (size_t)kRepeats; }, 60000))
        << "presses still pending: a worker is stuck";
    EXPECT_EQ((size_t)kRepeats, SettledPresses());
    EXPECT_EQ(kRepeats, tarn::CountLines("Detect KeybdProc VK_VOLUME_UP press"));
    for (const tarn::Indicator &ind : tarn::Indicators())
        EXPECT_EQ((tarn::Indicator{ VOLUME_UP, 14 }), ind);
    // A worker holds the mutex at least 50 ms and a waiting one gives up after 100 ms:
    // a burst this short cannot be served whole.
    if (dwBurstMs < (kRepeats - 3) * 50)
    {
        EXPECT_GT(tarn::CountLines(kTimedOut), 0) << "burst of " << dwBurstMs << " ms";
    }

    // Everything typed meanwhile was passed on, in order.
    ASSERT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, typed.back(), 1, 10000));
    std::vector<UINT> arrived;
    for (const tarn::KeyMessage &m : tarn::KeyMessages())
        if (m.uMsg == WM_KEYDOWN && m.vk >= 'A' && m.vk <= 'Z')
            arrived.push_back(m.vk);
    EXPECT_EQ(typed, arrived);
    EXPECT_EQ(0u, tarn::CountKeyMessages(WM_KEYDOWN, VK_VOLUME_UP));
    EXPECT_TRUE(tarn::WaitForKeyMessages(WM_KEYUP, VK_VOLUME_UP, 1, 10000));

    // The mutex is free again: the next press is served.
    EXPECT_TRUE(tarn::PressVolumeKey(VK_VOLUME_DOWN, { VOLUME_DOWN, 13 }));
}

TEST_F(HeldKeys, ThousandVolumePressesLeaveNoHandlesBehind)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(tarn::PressVolumeKey(VK_VOLUME_UP, { VOLUME_UP, 14 }));
    tarn::HandleCount before = tarn::CountProcessHandles(m_hProcess);
    ASSERT_GT(before.nAll, 0) << "the handle probe sees nothing";

    const int kBatches = 20, kPerBatch = 50;
    size_t nPressed = SettledPresses();
    for (int b = 0; b < kBatches; ++b)
    {
        for (int i = 0; i < kPerBatch; ++i)
            tarn::PressKey(VK_VOLUME_UP);
        nPressed += kPerBatch;
        ASSERT_TRUE(tarn::WaitUntil([&] { tarn::PumpMessages(); return SettledPresses() >= nPressed; }, 60000))
            << "batch " << b;
    }
    EXPECT_EQ(kBatches * kPerBatch + 3, tarn::CountLines("Detect KeybdProc VK_VOLUME_UP press"));
    EXPECT_EQ(0, tarn::CountLines("HookWatch: keyboard hook reinstalled after keys it missed"))
        << "a busy hook is no lost hook";

    // The last workers may still be ending; none may leave its thread handle open.
    tarn::HandleCount after = before;
    tarn::WaitUntil([&] {
        after = tarn::CountProcessHandles(m_hProcess);
        return after.nThreads <= before.nThreads && after.nAll <= before.nAll;
    }, 30000);
    EXPECT_LE(after.nThreads, before.nThreads);
    EXPECT_LE(after.nAll, before.nAll + 5) << "handles before: " << before.nAll;
}

}  // namespace
