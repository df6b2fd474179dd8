// The volume step tables of both OS families and the raw-level-to-step mapping.
#include <gtest/gtest.h>
#include "volumestep.h"
#include "steptables.h"

namespace {

struct FamilyCase
{
    int nOSVersion;
    DWORD dwSteps[VOLUME_STEP_COUNT];
};

using tarn::kXP;
using tarn::kWin7;
using tarn::UseFamily;

TEST(VolumeStepTable, VersionSelectsColumn)
{
    const struct { int nVersion; const DWORD *pdwExpected; } cases[] = {
        { 0, kXP }, { 51, kXP }, { 52, kXP }, { 59, kXP }, { 60, kWin7 }, { 61, kWin7 }, { 62, kWin7 },
    };
    for (const auto &c : cases)
    {
        UseFamily(c.nVersion);
        for (int i = 0; i < VOLUME_STEP_COUNT; ++i)
            EXPECT_EQ(c.pdwExpected[i], g_dwVolumeStep[i]) << "version " << c.nVersion << " step " << i;
    }
}

TEST(VolumeStepTable, EveryEntryMapsBackToItsStep)
{
    for (int nVersion : { 51, 61 })
    {
        UseFamily(nVersion);
        for (int i = 0; i < VOLUME_STEP_COUNT; ++i)
            EXPECT_EQ(i, VolumeToStep(g_dwVolumeStep[i])) << "version " << nVersion << " step " << i;
    }
}

TEST(VolumeStepTable, MidpointsGoToTheLowerStep)
{
    const DWORD xpMid[] = { 2341, 7022, 11703, 16384, 21065, 25746, 30427, 35108, 39789,
                            44470, 49151, 53832, 58513, 63194 };
    const DWORD win7Mid[] = { 4, 11, 18, 25, 33, 40, 47, 54, 61, 68, 75, 83, 90, 97 };
    const struct { int nVersion; const DWORD *pdwMid; } families[] = { { 51, xpMid }, { 61, win7Mid } };
    for (const auto &f : families)
    {
        UseFamily(f.nVersion);
        for (int i = 1; i <= VOLUME_STEP_MAX; ++i)
        {
            EXPECT_EQ(i - 1, VolumeToStep(f.pdwMid[i - 1])) << "version " << f.nVersion << " at " << f.pdwMid[i - 1];
            EXPECT_EQ(i, VolumeToStep(f.pdwMid[i - 1] + 1)) << "version " << f.nVersion << " above " << f.pdwMid[i - 1];
        }
    }
}

TEST(VolumeStepTable, EdgesAndClamping)
{
    const struct { int nVersion; DWORD dwRaw; int nStep; } cases[] = {
        { 51, 0, 0 }, { 51, 2341, 0 }, { 51, 2342, 1 }, { 51, 63194, 13 }, { 51, 63195, 14 },
        { 51, 65534, 14 }, { 51, 65535, 14 }, { 51, 70000, 14 }, { 51, 0xFFFFFFFF, 14 },
        { 61, 0, 0 }, { 61, 4, 0 }, { 61, 5, 1 }, { 61, 25, 3 }, { 61, 26, 4 }, { 61, 97, 13 },
        { 61, 98, 14 }, { 61, 100, 14 }, { 61, 150, 14 },
    };
    for (const auto &c : cases)
    {
        UseFamily(c.nVersion);
        EXPECT_EQ(c.nStep, VolumeToStep(c.dwRaw)) << "version " << c.nVersion << " raw " << c.dwRaw;
    }
}

TEST(VolumeStepTable, Win7PercentRanges)
{
    const int firstOfStep[] = { 0, 5, 12, 19, 26, 34, 41, 48, 55, 62, 69, 76, 84, 91, 98 };
    UseFamily(61);
    for (DWORD dwRaw = 0; dwRaw <= 100; ++dwRaw)
    {
        int nExpected = 0;
        while (nExpected < VOLUME_STEP_MAX && (int)dwRaw >= firstOfStep[nExpected + 1])
            ++nExpected;
        EXPECT_EQ(nExpected, VolumeToStep(dwRaw)) << "percent " << dwRaw;
    }
}

}  // namespace
