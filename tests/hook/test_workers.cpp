// The three volume workers, compiled in and run on threads of their own as the
// hook starts them: against the stand-in endpoint (Vista family) and the real
// mixer (XP family), and with the volume mutex busy, gone or abandoned.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "harness.h"
#include "hookdata.h"
#include "mutexholder.h"
#include "mastervolume.h"
#include "volumestep.h"
#include "volumeworkers.h"
#include "standinendpoint.h"
#include "Tarnwatch.h"

namespace {

struct Shown
{
    int nCode;
    int nLevel;
    bool operator==(const Shown &o) const { return nCode == o.nCode && nLevel == o.nLevel; }
};

std::ostream &operator<<(std::ostream &os, const Shown &s)
{
    return os << "{" << s.nCode << ", " << s.nLevel << "}";
}

std::vector<Shown> s_shown;

LRESULT CALLBACK ShownWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INDICATOR)
        s_shown.push_back({ (int)wParam, (int)lParam });
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

enum Worker { MUTE, DOWN, UP };

LPTHREAD_START_ROUTINE WorkerProc(Worker w)
{
    return w == MUTE ? Show_Mute_Unmute_Thread : w == DOWN ? Show_VolumeDown_Thread : Show_VolumeUp_Thread;
}

const char *WorkerName(Worker w)
{
    return w == MUTE ? "Show_Mute_Unmute_Thread" : w == DOWN ? "Show_VolumeDown_Thread" : "Show_VolumeUp_Thread";
}

class Workers : public ::testing::Test
{
protected:
    HWND m_hWnd = NULL;
    HANDLE m_hMutex = NULL;
    tarn::StandInEndpoint m_endpoint;

    void SetUp() override
    {
        tarn::PrepareLog();
        WNDCLASSW wc;
        ZeroMemory(&wc, sizeof(wc));
        wc.lpfnWndProc = ShownWndProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"TarnShownWindow";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, L"TarnShownWindow", NULL, 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
        ASSERT_NE(nullptr, m_hWnd);
        g_hHookWnd = m_hWnd;
        m_hMutex = CreateMutexW(NULL, FALSE, NULL);
        SetVolumeMutex(m_hMutex);
        s_shown.clear();
    }

    void TearDown() override
    {
        SetVolumeMutex(NULL);
        if (m_hMutex)
            CloseHandle(m_hMutex);
        g_hHookWnd = NULL;
        DestroyWindow(m_hWnd);
        g_pEndpointVolume = NULL;
        CloseMasterVolume();
    }

    void UseEndpoint(int nPercent, bool bMute)
    {
        g_nVolumeOSVersion = 61;
        InitializeVolumeStep();
        m_endpoint.SetPercent(nPercent);
        m_endpoint.bMute = bMute;
        m_endpoint.nCalls = 0;
        m_endpoint.nSetLevelCalls = 0;
        g_pEndpointVolume = &m_endpoint;
    }

    // Runs the worker as the hook does, serving its sends until it ends; its exit code.
    DWORD Run(Worker w)
    {
        HANDLE hThread = CreateThread(NULL, 0, WorkerProc(w), NULL, 0, NULL);
        DWORD dwStart = GetTickCount();
        while (MsgWaitForMultipleObjects(1, &hThread, FALSE, 1000, QS_ALLINPUT) != WAIT_OBJECT_0
               && GetTickCount() - dwStart < 30000)
        {
            MSG msg;
            while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
        DWORD dwExit = STILL_ACTIVE;
        GetExitCodeThread(hThread, &dwExit);
        CloseHandle(hThread);
        return dwExit;
    }
};

struct EndpointCase
{
    const char *pszName;
    int nPercent;
    bool bMuted;
    Worker worker;
    Shown shown;
    int nPercentAfter;
    bool bMutedAfter;
};

TEST_F(Workers, StepTheEndpointFromItsNearestStep)
{
    const EndpointCase cases[] = {
        { "down from 30 (step 4)", 30, false, DOWN, { VOLUME_DOWN, 3 }, 21, false },
        { "up from 30 (step 4)", 30, false, UP, { VOLUME_UP, 5 }, 36, false },
        { "up from the midpoint 25 (step 3)", 25, false, UP, { VOLUME_UP, 4 }, 29, false },
        { "down from 3 (step 0)", 3, false, DOWN, { VOLUME_DOWN, 0 }, 0, false },
        { "down at 0", 0, false, DOWN, { VOLUME_DOWN, 0 }, 0, false },
        { "up at 100", 100, false, UP, { VOLUME_UP, 14 }, 100, false },
        { "up from 98 (step 14)", 98, false, UP, { VOLUME_UP, 14 }, 100, false },
        { "mute when not muted", 50, false, MUTE, { VOLUME_MUTE, 0 }, 50, true },
        { "mute when muted", 50, true, MUTE, { VOLUME_DOWN, 7 }, 50, false },
        { "mute when muted at 45", 45, true, MUTE, { VOLUME_DOWN, 6 }, 45, false },
        { "down when muted", 50, true, DOWN, { VOLUME_DOWN, 6 }, 43, false },
        { "up when muted", 50, true, UP, { VOLUME_UP, 8 }, 57, false },
    };
    for (const EndpointCase &c : cases)
    {
        UseEndpoint(c.nPercent, c.bMuted);
        s_shown.clear();
        EXPECT_EQ(0u, Run(c.worker)) << c.pszName;
        EXPECT_EQ(std::vector<Shown>{ c.shown }, s_shown) << c.pszName;
        EXPECT_EQ(c.nPercentAfter, m_endpoint.Percent()) << c.pszName;
        EXPECT_EQ(c.bMutedAfter, m_endpoint.bMute != FALSE) << c.pszName;
        if (c.worker == MUTE)
        {
            EXPECT_EQ(0, m_endpoint.nSetLevelCalls) << c.pszName << ": mute leaves the level alone";
        }
    }
}

struct MixerCase
{
    const char *pszName;
    DWORD dwLevel;
    bool bMuted;
    Worker worker;
    Shown shown;
    DWORD dwLevelAfter;
    bool bMutedAfter;
    std::vector<std::string> log;
};

TEST_F(Workers, StepTheMixerFromItsNearestStep)
{
    g_nVolumeOSVersion = 51;
    InitializeVolumeStep();
    ASSERT_EQ(1, OpenMasterVolume());
    const MixerCase cases[] = {
        { "down from 30000 (step 6)", 30000, false, DOWN, { VOLUME_DOWN, 5 }, 23405, false,
          { "Show_VolumeDown_Thread: before VOLUME_DOWN dwVol = 30000", "Show_VolumeDown_Thread: VOLUME_DOWN ivol = 5, 23405" } },
        { "up from 30428 (step 7)", 30428, false, UP, { VOLUME_UP, 8 }, 37448, false, {} },
        { "up at the top", 65535, false, UP, { VOLUME_UP, 14 }, 65535, false, {} },
        { "down from 2341 (step 0)", 2341, false, DOWN, { VOLUME_DOWN, 0 }, 0, false,
          { "Show_VolumeDown_Thread: VOLUME_DOWN ivol = 0, 0" } },
        { "mute", 56172, false, MUTE, { VOLUME_MUTE, 0 }, 56172, true, {} },
        { "unmute", 56172, true, MUTE, { VOLUME_DOWN, 12 }, 56172, false,
          { "Show_Mute_Unmute_Thread: Volume before unMute:dwVol=56172" } },
        { "down when muted", 65535, true, DOWN, { VOLUME_DOWN, 13 }, 60853, false, {} },
    };
    for (const MixerCase &c : cases)
    {
        ASSERT_EQ(1, MixerSetVolume(c.dwLevel));
        ASSERT_EQ(1, MixerSetMute(c.bMuted));
        s_shown.clear();
        EXPECT_EQ(0u, Run(c.worker)) << c.pszName;
        EXPECT_EQ(std::vector<Shown>{ c.shown }, s_shown) << c.pszName;
        DWORD dwLevel = 0, dwMute = 0;
        MixerGetVolume(&dwLevel);
        MixerGetMute(&dwMute);
        EXPECT_EQ(c.dwLevelAfter, dwLevel) << c.pszName;
        EXPECT_EQ(c.bMutedAfter, dwMute != 0) << c.pszName;
        EXPECT_TRUE(tarn::LogHasLinesInOrder(c.log)) << c.pszName;
    }
}

TEST_F(Workers, APressThatCannotGetTheMutexIsDropped)
{
    tarn::MutexHolder holder(m_hMutex);
    ASSERT_TRUE(holder.Held());
    for (Worker w : { MUTE, DOWN, UP })
    {
        UseEndpoint(50, false);
        int nTimedOut = tarn::CountLines("wait g_hMasterVolumeSemaphore timed out");
        EXPECT_EQ(1u, Run(w)) << WorkerName(w);
        EXPECT_TRUE(s_shown.empty()) << WorkerName(w);
        EXPECT_EQ(0, m_endpoint.nCalls) << WorkerName(w);
        EXPECT_EQ(nTimedOut + 1, tarn::CountLines("wait g_hMasterVolumeSemaphore timed out")) << WorkerName(w);
    }
    holder.Finish();
    // The line's own line feed leaves an empty line behind it.
    EXPECT_TRUE(tarn::LogHasLinesInOrder({ "wait g_hMasterVolumeSemaphore timed out", "" }));
}

// The hook unregistered meanwhile: the mutex is gone and the wait fails outright.
TEST_F(Workers, AWaitThatFailsDoesNothing)
{
    SetVolumeMutex(NULL);
    CloseHandle(m_hMutex);
    m_hMutex = NULL;
    for (Worker w : { MUTE, DOWN, UP })
    {
        UseEndpoint(50, true);
        EXPECT_EQ(1u, Run(w)) << WorkerName(w);
        EXPECT_TRUE(s_shown.empty()) << WorkerName(w);
        EXPECT_EQ(0, m_endpoint.nCalls) << WorkerName(w) << " touched the volume";
        EXPECT_TRUE(tarn::LogHasLine(std::string(WorkerName(w)) + ": wait g_hMasterVolumeSemaphore failed: "
                                     + std::to_string(ERROR_INVALID_HANDLE)));
    }
    EXPECT_EQ(0, tarn::CountLines("wait g_hMasterVolumeSemaphore timed out"));
}

TEST_F(Workers, AMutexLeftByADeadOwnerIsTakenOver)
{
    // Ends while owning the mutex.
    ASSERT_TRUE(tarn::MutexHolder(m_hMutex, true).Finish());
    UseEndpoint(30, false);
    EXPECT_EQ(0u, Run(UP));
    EXPECT_EQ(std::vector<Shown>(1, Shown{ VOLUME_UP, 5 }), s_shown);
    // Released properly this time: the next worker gets it at once.
    EXPECT_EQ(0u, Run(DOWN));
    EXPECT_EQ(2u, s_shown.size());
}

}  // namespace
