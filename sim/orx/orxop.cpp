// What every stand-in library entry point shares: the forced result a test can
// set per operation, and the one call-log line each call leaves. Any thread.
#include <windows.h>
#include "orxop.h"
#include "simstate.h"
#include "calllog.h"
#include <strsafe.h>

// Room for " (-2147483648)" and its terminator.
#define NUMBER_PART_SIZE 24
// Longer than "Result_" plus the longest operation name.
#define VALUE_NAME_SIZE 64

BOOL OrxForcedFailure(LPCWSTR pszOp, DWORD *pdwResult)
{
    WCHAR szName[VALUE_NAME_SIZE];
    if (FAILED(StringCchPrintfW(szName, ARRAYSIZE(szName), L"%ls%ls", SIM_RESULT_PREFIX, pszOp)))
        return FALSE;
    DWORD dwResult;
    if (!SimReadDword(szName, &dwResult) || dwResult == 0)
        return FALSE;
    *pdwResult = dwResult;
    return TRUE;
}

void OrxLogCall(LPCWSTR pszOp, const DWORD *pdwArg, DWORD dwResult, const DWORD *pdwOut)
{
    char szArg[NUMBER_PART_SIZE] = "";
    char szOut[NUMBER_PART_SIZE] = "";
    if (pdwArg != NULL)
        StringCchPrintfA(szArg, ARRAYSIZE(szArg), " %ld", (LONG)*pdwArg);
    if (pdwOut != NULL)
        StringCchPrintfA(szOut, ARRAYSIZE(szOut), " (%ld)", (LONG)*pdwOut);
    CallLogPrintf("%ls%s -> %ld%s", pszOp, szArg, (LONG)dwResult, szOut);
}
