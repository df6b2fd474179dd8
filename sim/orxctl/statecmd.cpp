// Control-program commands on the shared registry state (HKCU\Software\TarnSim):
// radio and brightness values, forced results, start-up failures, Screenflip's exit code.
#include <windows.h>
#include <wchar.h>
#include "orxctl.h"
#include "calllog.h"
#include "simstate.h"
#include <strsafe.h>

typedef struct SETTING
{
    LPCWSTR pszWord;  // as typed after set/get
    LPCWSTR pszValue; // registry value name
    DWORD dwDefault;
} SETTING;

static const SETTING s_aSettings[] = {
    {L"wifi", SIM_VAL_WIFI, SIM_DEF_WIFI},
    {L"3g", SIM_VAL_3G, SIM_DEF_3G},
    {L"brightness", SIM_VAL_BRIGHTNESS, SIM_DEF_BRIGHTNESS},
};

// The operations whose result can be forced: every function of OrxApi.h.
static const LPCWSTR s_apszOps[] = {
    L"ORX_Initialize", L"ORX_Uninitialize", L"ORX_SetAbortHandler", L"ORX_RegisterVKbdCallback",
    L"ORX_GetWiFiPowerStatus", L"ORX_SetWiFiPowerStatus", L"ORX_Get3GPowerStatus",
    L"ORX_Set3GPowerStatus", L"ORX_GetLcdBrightness", L"ORX_SetLcdBrightness",
};

static const SETTING *FindSetting(LPCWSTR pszWord)
{
    for (size_t i = 0; i < ARRAYSIZE(s_aSettings); ++i)
    {
        if (wcscmp(s_aSettings[i].pszWord, pszWord) == 0)
            return &s_aSettings[i];
    }
    return NULL;
}

static BOOL IsKnownOp(LPCWSTR pszOp)
{
    for (size_t i = 0; i < ARRAYSIZE(s_apszOps); ++i)
    {
        if (wcscmp(s_apszOps[i], pszOp) == 0)
            return TRUE;
    }
    return FALSE;
}

static int WriteValue(LPCWSTR pszValue, DWORD dwValue)
{
    LONG lResult = SimWriteDword(pszValue, dwValue);
    if (lResult != ERROR_SUCCESS)
        return Fail("cannot write %ls (error %ld)", pszValue, lResult);
    PrintOut("%ls = %ld", pszValue, (LONG)dwValue);
    return 0;
}

int CmdSet(int argc, LPWSTR *argv)
{
    const SETTING *pSetting = argc == 2 ? FindSetting(argv[0]) : NULL;
    DWORD dwValue;
    if (pSetting == NULL || !ParseDword(argv[1], &dwValue))
        return Fail("usage: orxctl set wifi|3g|brightness <value>");
    return WriteValue(pSetting->pszValue, dwValue);
}

int CmdGet(int argc, LPWSTR *argv)
{
    const SETTING *pSetting = argc == 1 ? FindSetting(argv[0]) : NULL;
    if (pSetting == NULL)
        return Fail("usage: orxctl get wifi|3g|brightness");
    PrintOut("%ld", (LONG)SimReadDwordOr(pSetting->pszValue, pSetting->dwDefault));
    return 0;
}

int CmdResult(int argc, LPWSTR *argv)
{
    if (argc != 2 || !IsKnownOp(argv[0]))
        return Fail("usage: orxctl result <ORX_ function name> <code>|clear");
    WCHAR szValue[64];
    if (FAILED(StringCchPrintfW(szValue, ARRAYSIZE(szValue), L"%ls%ls", SIM_RESULT_PREFIX, argv[0])))
        return Fail("operation name too long");
    if (wcscmp(argv[1], L"clear") == 0)
    {
        LONG lResult = SimDeleteValue(szValue);
        if (lResult != ERROR_SUCCESS)
            return Fail("cannot clear %ls (error %ld)", szValue, lResult);
        PrintOut("%ls cleared", szValue);
        return 0;
    }
    DWORD dwCode;
    if (!ParseDword(argv[1], &dwCode))
        return Fail("usage: orxctl result <ORX_ function name> <code>|clear");
    return WriteValue(szValue, dwCode);
}

int CmdInitFail(int argc, LPWSTR *argv)
{
    DWORD cFailures;
    DWORD dwResult = SIM_DEF_INIT_RESULT;
    if (argc < 1 || argc > 2 || !ParseDword(argv[0], &cFailures) ||
        (argc == 2 && !ParseDword(argv[1], &dwResult)))
        return Fail("usage: orxctl init-fail <count> [result]");
    if (WriteValue(SIM_VAL_INIT_FAILURES, cFailures) != 0)
        return 1;
    // Without a result the default applies again, not one left from an earlier test.
    if (argc == 1)
    {
        LONG lResult = SimDeleteValue(SIM_VAL_INIT_RESULT);
        if (lResult != ERROR_SUCCESS)
            return Fail("cannot clear %ls (error %ld)", SIM_VAL_INIT_RESULT, lResult);
        PrintOut("%ls = %ld (default)", SIM_VAL_INIT_RESULT, (LONG)dwResult);
        return 0;
    }
    return WriteValue(SIM_VAL_INIT_RESULT, dwResult);
}

int CmdScreenflipExit(int argc, LPWSTR *argv)
{
    DWORD dwCode;
    if (argc != 1 || !ParseDword(argv[0], &dwCode))
        return Fail("usage: orxctl screenflip-exit <code>");
    return WriteValue(SIM_VAL_SCREENFLIP_EXIT, dwCode);
}

int CmdReset(int argc, LPWSTR *)
{
    if (argc != 0)
        return Fail("usage: orxctl reset");
    LONG lResult = SimDeleteAll();
    if (lResult != ERROR_SUCCESS)
        return Fail("cannot delete HKCU\\%ls (error %ld)", SIM_REG_KEY, lResult);
    if (!CallLogDelete())
        return Fail("cannot delete %ls (error %lu)", CALL_LOG_PATH, GetLastError());
    PrintOut("reset");
    return 0;
}
