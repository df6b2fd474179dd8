// The stand-ins' shared state: REG_DWORD values under HKCU\Software\TarnSim,
// seen alike by 32- and 64-bit processes. An absent value means its default.
#ifndef SIMSTATE_H
#define SIMSTATE_H

#include <windows.h>

#define SIM_REG_KEY L"Software\\TarnSim"

// Value names, shared by the libraries, the tools and the control program.
#define SIM_VAL_WIFI L"WiFiStatus"
#define SIM_VAL_3G L"3GStatus"
#define SIM_VAL_BRIGHTNESS L"Brightness"
#define SIM_VAL_INIT_FAILURES L"InitFailures"
#define SIM_VAL_INIT_RESULT L"InitResult"
#define SIM_VAL_SCREENFLIP_EXIT L"ScreenflipExit"
#define SIM_VAL_SCREENFLIP_DELAY L"ScreenflipDelayMs"   // how long the tool runs before it exits
#define SIM_RESULT_PREFIX L"Result_"

#define SIM_DEF_WIFI 0
#define SIM_DEF_3G 0
#define SIM_DEF_BRIGHTNESS 5
#define SIM_DEF_INIT_RESULT 1
#define SIM_DEF_SCREENFLIP_EXIT 0

// TRUE and *pdwValue set when the value exists as a REG_DWORD.
BOOL SimReadDword(LPCWSTR pszName, DWORD *pdwValue);
DWORD SimReadDwordOr(LPCWSTR pszName, DWORD dwDefault);
// Both return ERROR_SUCCESS or the registry's error code.
LONG SimWriteDword(LPCWSTR pszName, DWORD dwValue);
LONG SimDeleteValue(LPCWSTR pszName);
// Removes the whole key; a key that is already gone counts as success.
LONG SimDeleteAll(void);

#endif
