// The volume step table of each OS family and the mapping of raw levels to steps.
// Filled when the library loads and again by RegisterHook; read by the workers.
#include "volumestep.h"
#include "Tarnwatch.h"

// Mixer units: step times 4681, with the top step at the mixer's full 65535.
static const DWORD s_dwXPSteps[VOLUME_STEP_COUNT] = {
    0, 4681, 9362, 14043, 18724, 23405, 28086, 32767,
    37448, 42129, 46810, 51491, 56172, 60853, 65535
};

// Percent of the endpoint's scalar level.
static const DWORD s_dwWin7Steps[VOLUME_STEP_COUNT] = {
    0, 7, 14, 21, 29, 36, 43, 50, 57, 64, 71, 79, 86, 93, 100
};

int g_nVolumeOSVersion = 0;
DWORD g_dwVolumeStep[VOLUME_STEP_COUNT];

int ProbeOSVersion(void)
{
    g_nVolumeOSVersion = GetOSVersion();
    DBGOUT("get os is %d", g_nVolumeOSVersion);
    return g_nVolumeOSVersion;
}

void InitializeVolumeStep(void)
{
    const DWORD *pdwSource = s_dwWin7Steps;
    if (g_nVolumeOSVersion < 60)
    {
        DBGOUT("InitializeVolumeStep: init XP data");
        pdwSource = s_dwXPSteps;
    }
    else
    {
        DBGOUT("InitializeVolumeStep: init win7 data");
    }
    for (int i = 0; i < VOLUME_STEP_COUNT; ++i)
        g_dwVolumeStep[i] = pdwSource[i];
}

// Nearest step; a level exactly at the midpoint of two steps goes to the lower one.
int VolumeToStep(DWORD dwRaw)
{
    const DWORD *T = g_dwVolumeStep;
    if (dwRaw <= T[0])
        return 0;
    if (dwRaw > T[VOLUME_STEP_MAX])
        dwRaw = T[VOLUME_STEP_MAX];
    for (int i = 1; i <= VOLUME_STEP_MAX; ++i)
    {
        if (T[i - 1] < dwRaw && dwRaw <= T[i])
        {
            DWORD dwSum = T[i - 1] + T[i];
            DWORD dwMid = (DWORD)(dwSum * 0.5 + 0.5);
            return dwRaw > dwMid ? i : i - 1;
        }
    }
    return VOLUME_STEP_MAX;
}
