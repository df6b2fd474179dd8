// OrxPM stand-in: radio power and LCD brightness, kept in the shared registry
// state so tests can set and read them from outside. Called on the caller's thread.
#include <windows.h>
#include "OrxApi.h"
#include "orxop.h"
#include "simstate.h"

// Reads a state value into *pdwOut unless a failure is forced; any stored value,
// in range or not, is handed back as it is.
static DWORD GetStateValue(LPCWSTR pszOp, LPCWSTR pszValue, DWORD dwDefault, DWORD *pdwOut)
{
    DWORD dwResult = ORX_SUCCESS;
    if (pdwOut == NULL)
        dwResult = ERROR_INVALID_PARAMETER;
    else if (!OrxForcedFailure(pszOp, &dwResult))
        *pdwOut = SimReadDwordOr(pszValue, dwDefault);
    OrxLogCall(pszOp, NULL, dwResult, dwResult == ORX_SUCCESS ? pdwOut : NULL);
    return dwResult;
}

// Stores the value unless a failure is forced; no range check, as the tests
// decide what the platform accepts.
static DWORD SetStateValue(LPCWSTR pszOp, LPCWSTR pszValue, DWORD dwValue)
{
    DWORD dwResult = ORX_SUCCESS;
    if (!OrxForcedFailure(pszOp, &dwResult))
        dwResult = (DWORD)SimWriteDword(pszValue, dwValue);
    OrxLogCall(pszOp, &dwValue, dwResult, NULL);
    return dwResult;
}

extern "C" DWORD WINAPI ORX_GetWiFiPowerStatus(DWORD *pStatus)
{
    return GetStateValue(L"ORX_GetWiFiPowerStatus", SIM_VAL_WIFI, SIM_DEF_WIFI, pStatus);
}

extern "C" DWORD WINAPI ORX_SetWiFiPowerStatus(DWORD dwStatus)
{
    return SetStateValue(L"ORX_SetWiFiPowerStatus", SIM_VAL_WIFI, dwStatus);
}

extern "C" DWORD WINAPI ORX_Get3GPowerStatus(DWORD *pStatus)
{
    return GetStateValue(L"ORX_Get3GPowerStatus", SIM_VAL_3G, SIM_DEF_3G, pStatus);
}

extern "C" DWORD WINAPI ORX_Set3GPowerStatus(DWORD dwStatus)
{
    return SetStateValue(L"ORX_Set3GPowerStatus", SIM_VAL_3G, dwStatus);
}

extern "C" DWORD WINAPI ORX_GetLcdBrightness(DWORD *pLevel)
{
    return GetStateValue(L"ORX_GetLcdBrightness", SIM_VAL_BRIGHTNESS, SIM_DEF_BRIGHTNESS, pLevel);
}

extern "C" DWORD WINAPI ORX_SetLcdBrightness(DWORD dwLevel)
{
    return SetStateValue(L"ORX_SetLcdBrightness", SIM_VAL_BRIGHTNESS, dwLevel);
}
