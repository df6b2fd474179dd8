// The OSD over time: the bar repaints in place, other codes hide and show, every
// OSD goes 3000 ms after the last code, and hammered codes are never lost.
#include <gtest/gtest.h>
#include "harness.h"
#include "osdcheck.h"
#include "Tarnwatch.h"

namespace {

const DWORD kDeadlineMs = 15000;

class OsdTiming : public tarn::TarnviewTest
{
protected:
    void SetUp() override
    {
        tarn::TarnviewTest::SetUp();
        Launch();
    }

    static RECT BarRect()
    {
        int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
        return { W / 2 - 124, H - 106, W / 2 + 130, H - 42 };
    }

    static int VolumeBarsShown()
    {
        static osd::Pixels bar = osd::LoadPicture(L"Vol.png");
        return osd::CountBarsShown(osd::Capture(BarRect()), bar, 41, 14, 12, 14);
    }
};

TEST_F(OsdTiming, SecondVolumeCodeRepaintsWithoutHiding)
{
    tarn::SendIndicator(VOLUME_UP, 3);
    ASSERT_TRUE(tarn::WaitUntil([] { return VolumeBarsShown() == 3; }, kDeadlineMs));
    HWND hBar = osd::WaitForVisibleOsd(kDeadlineMs);
    ASSERT_NE(nullptr, hBar);
    bool bEverHidden = false;
    DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < 1000)
        bEverHidden |= !IsWindowVisible(hBar);
    tarn::SendIndicator(VOLUME_UP, 4);
    dwStart = GetTickCount();
    bool bFour = false;
    while (!bFour && GetTickCount() - dwStart < kDeadlineMs)
    {
        bEverHidden |= !IsWindowVisible(hBar);
        bFour = VolumeBarsShown() == 4;
    }
    EXPECT_TRUE(bFour);
    EXPECT_FALSE(bEverHidden) << "a volume code after a volume code must not hide the bar";
}

// The bar window goes away before it comes back with the brightness pictures.
TEST_F(OsdTiming, OtherKindHidesThenShowsAgain)
{
    osd::Pixels btBack = osd::LoadPicture(L"Bt_Bg.png");
    for (int round = 0; round < 3; ++round)
    {
        tarn::SendIndicator(VOLUME_UP, 5);
        ASSERT_TRUE(tarn::WaitUntil([] { return VolumeBarsShown() == 5; }, kDeadlineMs));
        HWND hBar = osd::WaitForVisibleOsd(kDeadlineMs);
        ASSERT_NE(nullptr, hBar);
        tarn::SendIndicator(BRIGHTNESS_UP, 2);
        bool bHidden = false;
        DWORD dwStart = GetTickCount();
        while (!bHidden && GetTickCount() - dwStart < kDeadlineMs)
            bHidden = !IsWindowVisible(hBar);
        EXPECT_TRUE(bHidden) << "round " << round;
        EXPECT_TRUE(tarn::WaitUntil([&] {
            return IsWindowVisible(hBar) && osd::Capture(BarRect()).At(120, 5) == btBack.At(120, 5);
        }, kDeadlineMs)) << "round " << round;
        ASSERT_TRUE(osd::WaitForNoOsd(kDeadlineMs));
    }
}

TEST_F(OsdTiming, HiddenThreeSecondsAfterTheLastCode)
{
    tarn::SendIndicator(NUM_LOCK_ON, 0);
    ASSERT_NE(nullptr, osd::WaitForVisibleOsd(kDeadlineMs));
    Sleep(1000);
    tarn::SendIndicator(NUM_LOCK_OFF, 0);
    DWORD dwLast = GetTickCount();
    // Sampled well inside the 3000 ms: a slow machine only shows it longer.
    Sleep(2000);
    EXPECT_EQ(1u, osd::VisibleOsdWindows().size()) << "still shown 2 s after the last code";
    ASSERT_TRUE(osd::WaitForNoOsd(kDeadlineMs));
    DWORD dwShownFor = GetTickCount() - dwLast;
    printf("hidden %lu ms after the last code\n", dwShownFor);
    EXPECT_GE(dwShownFor, 2900u);
    // Nothing comes back by itself.
    EXPECT_FALSE(tarn::WaitUntil([] { return !osd::VisibleOsdWindows().empty(); }, 4000));
}

DWORD WINAPI Hammer(LPVOID pParam)
{
    unsigned seed = (unsigned)(UINT_PTR)pParam;
    for (int i = 0; i < 300; ++i)
    {
        seed = seed * 1103515245 + 12345;
        tarn::SendIndicator(1 + (seed >> 16) % 19, (seed >> 8) % 15);
    }
    return 0;
}

ULONGLONG CpuTime(HANDLE hProcess)
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    GetProcessTimes(hProcess, &ftCreate, &ftExit, &ftKernel, &ftUser);
    return ((ULONGLONG)ftKernel.dwHighDateTime << 32 | ftKernel.dwLowDateTime)
           + ((ULONGLONG)ftUser.dwHighDateTime << 32 | ftUser.dwLowDateTime);
}

TEST_F(OsdTiming, HammeredCodesNeverLoseTheLastOne)
{
    osd::Pixels numOff = osd::LoadPicture(L"Num_Off.png");
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    RECT icon = { W - 66, H - 100, W - 11, H - 45 };
    for (int round = 0; round < 3; ++round)
    {
        HANDLE hThreads[4];
        for (int t = 0; t < 4; ++t)
            hThreads[t] = CreateThread(NULL, 0, Hammer, (LPVOID)(UINT_PTR)(round * 10 + t + 1), 0, NULL);
        WaitForMultipleObjects(4, hThreads, TRUE, 120000);
        for (HANDLE h : hThreads)
            CloseHandle(h);
        tarn::SendIndicator(NUM_LOCK_OFF, 0);
        EXPECT_TRUE(tarn::WaitUntil([&] {
            return osd::CountMismatches(osd::Capture(icon), numOff, osd::Bars(), { 2, 2, 52, 52 }, 6) == 0;
        }, kDeadlineMs)) << "round " << round << ": the last code must be shown";
        EXPECT_TRUE(osd::WaitForNoOsd(kDeadlineMs)) << "round " << round;
    }
    // Idle now: the display thread must be waiting, not looping.
    ULONGLONG before = CpuTime(m_hProcess);
    Sleep(3000);
    ULONGLONG used = (CpuTime(m_hProcess) - before) / 10000;
    printf("CPU used while idle: %llu ms in 3000 ms\n", used);
    EXPECT_LT(used, 1000u);
}

}  // namespace
