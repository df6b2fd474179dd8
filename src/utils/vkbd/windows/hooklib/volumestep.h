// The volume module's OS version and its 15-step table, per process.
#ifndef VOLUMESTEP_H
#define VOLUMESTEP_H

#include <windows.h>

#define VOLUME_STEP_COUNT 15
#define VOLUME_STEP_MAX 14

extern int g_nVolumeOSVersion;                   // below 60: mixer backend and XP table
extern DWORD g_dwVolumeStep[VOLUME_STEP_COUNT];  // raw level of each step

int ProbeOSVersion(void);
void InitializeVolumeStep(void);
int VolumeToStep(DWORD dwRaw);

#endif
