// KeybdProcLL compiled in and called directly, for the two paths no real key
// can reach: its mutex held elsewhere (the zero time-out), and no mutex at all.
// Ordinary keys never touch the mutex.
#include <gtest/gtest.h>
#include "harness.h"
#include "hookdata.h"
#include "mutexholder.h"
#include "Tarnwatch.h"

namespace {

DWORD WINAPI TryMutex(LPVOID pParam)
{
    HANDLE hMutex = (HANDLE)pParam;
    if (WaitForSingleObject(hMutex, 0) != WAIT_OBJECT_0)
        return 0;
    ReleaseMutex(hMutex);
    return 1;
}

// Mutexes are recursive for their owner, so only another thread can tell.
bool FreeForOtherThreads(HANDLE hMutex)
{
    HANDLE hThread = CreateThread(NULL, 0, TryMutex, hMutex, 0, NULL);
    WaitForSingleObject(hThread, 10000);
    DWORD dwFree = 0;
    GetExitCodeThread(hThread, &dwFree);
    CloseHandle(hThread);
    return dwFree == 1;
}

LRESULT CallHook(WPARAM wParam, DWORD vkCode)
{
    KBDLLHOOKSTRUCT key;
    ZeroMemory(&key, sizeof(key));
    key.vkCode = vkCode;
    return KeybdProcLL(HC_ACTION, wParam, (LPARAM)&key);
}

class HookProc : public ::testing::Test
{
protected:
    void SetUp() override { tarn::PrepareLog(); }
    void TearDown() override { SetHookMutex(NULL); }
};

TEST_F(HookProc, AnEventOfTheSixKeysWhileTheMutexIsHeldElsewhereIsSwallowed)
{
    HANDLE hMutex = CreateMutexW(NULL, FALSE, NULL);
    SetHookMutex(hMutex);
    tarn::MutexHolder holder(hMutex);
    ASSERT_TRUE(holder.Held());
    EXPECT_EQ(0, CallHook(WM_KEYDOWN, 'A')) << "ordinary keys pass on whoever holds the mutex";
    EXPECT_EQ(1, CallHook(WM_KEYUP, VK_CAPITAL));
    EXPECT_EQ(1, tarn::CountLines("wait hook timed out"));
    EXPECT_FALSE(tarn::LogHasLine("KeybdProcLL received,wParam=257, p->vkCode = 20")) << "handled nonetheless";
    holder.Finish();
    // Once free, the hook takes it and gives it back: the next event passes on.
    EXPECT_EQ(0, CallHook(WM_KEYUP, VK_CAPITAL));
    EXPECT_TRUE(tarn::LogHasLine("KeybdProcLL received,wParam=257, p->vkCode = 20"));
    EXPECT_TRUE(FreeForOtherThreads(hMutex)) << "the hook left its mutex taken";
    CloseHandle(hMutex);
}

// A wait that fails counts as taken: the event is handled, the release fails and says so.
TEST_F(HookProc, WithoutItsMutexTheHookStillHandlesEvents)
{
    SetHookMutex(NULL);
    SetVolumeReady(FALSE);   // no worker: only the hook's own lines; the key goes on to Windows
    EXPECT_EQ(0, CallHook(WM_KEYDOWN, 'A'));
    EXPECT_EQ(0, CallHook(WM_KEYUP, VK_CAPITAL));
    EXPECT_EQ(0, CallHook(WM_KEYDOWN, VK_VOLUME_MUTE));
    std::string error = "ReleaseSemaphore hook error: " + std::to_string(ERROR_INVALID_HANDLE);
    EXPECT_EQ(2, tarn::CountLines(error)) << "only the six keys use the mutex";
    EXPECT_TRUE(tarn::LogHasLinesInOrder({ "KeybdProcLL received,wParam=257, p->vkCode = 20", error,
                                           "KeybdProcLL received,wParam=256, p->vkCode = 173", "",
                                           "Detect KeybdProc VK_VOLUME_MUTE press", error, "" }));
    EXPECT_EQ(0, tarn::CountLines("wait hook timed out"));
    SetVolumeReady(TRUE);
}

}  // namespace
