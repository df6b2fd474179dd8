// The expected 15 volume steps of each OS family, written out by hand so the
// tests do not derive them from the product's own arithmetic.
#ifndef STEPTABLES_H
#define STEPTABLES_H

#include <windows.h>
#include "volumestep.h"

namespace tarn {

const DWORD kXP[VOLUME_STEP_COUNT] = { 0, 4681, 9362, 14043, 18724, 23405, 28086, 32767,
                                       37448, 42129, 46810, 51491, 56172, 60853, 65535 };
const DWORD kWin7[VOLUME_STEP_COUNT] = { 0, 7, 14, 21, 29, 36, 43, 50, 57, 64, 71, 79, 86, 93, 100 };

// Tables for the family of nOSVersion, as the library builds them at load.
inline void UseFamily(int nOSVersion)
{
    g_nVolumeOSVersion = nOSVersion;
    InitializeVolumeStep();
}

}

#endif
