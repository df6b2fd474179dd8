// The hook's watchdog in the real Tarnview (XP family): a keyboard hook removed
// behind Tarnview's back is put back at the next keys, and at once after a
// resume from sleep or a session unlock.
#include "hookfixture.h"
#include "indicatorspy.h"
#include "Tarnwatch.h"

namespace {

class HookWatch : public tarn::FreshHookTest
{
protected:
    // Removes the hook on Tarnview's main thread, through the spy loaded there.
    LONG RemoveHook()
    {
        LONG section[4] = {};
        EXPECT_TRUE(tarn::ReadSharedSection(section));
        EXPECT_NE(0, section[0]);
        SendMessageTimeoutW(tarn::FindHookWnd(), SPY_UNHOOK_MESSAGE, (WPARAM)(LONG_PTR)section[0], 0,
                            SMTO_NORMAL, 10000, NULL);
        return section[0];
    }
    static LONG HookHandleNow()
    {
        LONG section[4] = {};
        tarn::ReadSharedSection(section);
        return section[0];
    }
    // The lock key reports again, and so does a volume key.
    void ExpectKeysWork()
    {
        tarn::ExpectLockKeyReports(tarn::kLockKeys[0], false, false, 2);
        tarn::ClearIndicators();
        tarn::PressKey(VK_VOLUME_UP);
        ASSERT_TRUE(tarn::WaitForIndicators(1, 15000)) << "volume key";
        EXPECT_EQ(VOLUME_UP, tarn::Indicators()[0].nCode);
    }
};

TEST_F(HookWatch, AHookRemovedBehindItsBackIsPutBackAtTheNextKeys)
{
    LONG hOld = RemoveHook();
    tarn::ClearIndicators();
    tarn::PressKey(VK_CAPITAL);   // nobody reports this one
    const std::string line = "HookWatch: keyboard hook reinstalled after keys it missed";
    // Ordinary typing goes on; the watchdog notices within a few seconds.
    EXPECT_TRUE(tarn::WaitUntil([&] {
        tarn::PressKey('X');
        return tarn::LogHasLine(line);
    }, 20000));
    EXPECT_EQ(1, tarn::CountLines(line));
    EXPECT_NE(hOld, HookHandleNow());
    ExpectKeysWork();
}

TEST_F(HookWatch, ResumeAndUnlockPutTheHookBackAtOnce)
{
    HWND hWatch = FindWindowW(L"HookWatchWnd", NULL);
    ASSERT_NE(nullptr, hWatch);
    const struct { UINT uMsg; WPARAM wParam; const char *pszLine; } notes[] = {
        { WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, "HookWatch: keyboard hook reinstalled after resume" },
        { WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, "HookWatch: keyboard hook reinstalled after unlock" },
    };
    for (const auto &note : notes)
    {
        LONG hOld = RemoveHook();
        SendMessageTimeoutW(hWatch, note.uMsg, note.wParam, 0, SMTO_NORMAL, 10000, NULL);
        EXPECT_TRUE(tarn::LogHasLine(note.pszLine)) << note.pszLine;
        EXPECT_NE(hOld, HookHandleNow());
        // The very first key after the notification is seen again.
        ExpectKeysWork();
    }
    EXPECT_FALSE(tarn::LogHasLine("HookWatch: keyboard hook reinstalled after keys it missed"));
}

}  // namespace
