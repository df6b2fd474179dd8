// Stand-in for User32's display-configuration functions, for Tarnview's test
// build: reports the topology a test chose and records each call. Any thread.
#include <windows.h>
#include "calllog.h"
#include "simstate.h"

#define SIM_VAL_TOPOLOGY L"Topology"
#define SIM_VAL_QUERY_RESULT L"QueryDisplayConfigResult"
#define SIM_DEF_TOPOLOGY 1      // the internal panel, as Wine always reports
#define SIM_PATHS 1
#define SIM_MODES 2

// Named apart from the declarations in winuser.h; the .def files export them
// under User32's names.

extern "C" LONG WINAPI SimGetDisplayConfigBufferSizes(UINT32 flags, UINT32 *pcPaths, UINT32 *pcModes)
{
    *pcPaths = SIM_PATHS;
    *pcModes = SIM_MODES;
    CallLogPrintf("GetDisplayConfigBufferSizes %u -> 0 (%u paths, %u modes)", flags, *pcPaths, *pcModes);
    return ERROR_SUCCESS;
}

// Checks what the caller relies on: arrays as large as the sizes reported, zero-filled.
static BOOL IsZeroFilled(const void *pv, SIZE_T cb)
{
    const BYTE *pb = (const BYTE *)pv;
    for (SIZE_T i = 0; i < cb; ++i)
        if (pb[i] != 0)
            return FALSE;
    return TRUE;
}

extern "C" LONG WINAPI SimQueryDisplayConfig(UINT32 flags, UINT32 *pcPaths, DISPLAYCONFIG_PATH_INFO *pPaths,
                                          UINT32 *pcModes, DISPLAYCONFIG_MODE_INFO *pModes,
                                          DISPLAYCONFIG_TOPOLOGY_ID *pTopology)
{
    LONG lResult = (LONG)SimReadDwordOr(SIM_VAL_QUERY_RESULT, ERROR_SUCCESS);
    BOOL bArrays = *pcPaths >= SIM_PATHS && *pcModes >= SIM_MODES && pPaths && pModes
                   && IsZeroFilled(pPaths, *pcPaths * sizeof(*pPaths)) && IsZeroFilled(pModes, *pcModes * sizeof(*pModes));
    DWORD dwTopology = SimReadDwordOr(SIM_VAL_TOPOLOGY, SIM_DEF_TOPOLOGY);
    if (lResult == ERROR_SUCCESS && pTopology)
        *pTopology = (DISPLAYCONFIG_TOPOLOGY_ID)dwTopology;
    CallLogPrintf("QueryDisplayConfig %u%s -> %ld (topology %lu)", flags, bArrays ? "" : " bad arrays", lResult,
                  lResult == ERROR_SUCCESS ? dwTopology : 0);
    return lResult;
}
