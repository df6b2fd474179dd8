// Control-program access to the call log: print it, count the lines that start
// with a prefix, and wait for such lines to appear.
#include <windows.h>
#include <string.h>
#include "orxctl.h"
#include "calllog.h"

#define LOG_POLL_MS 50

int CmdCalls(int argc, LPWSTR *)
{
    if (argc != 0)
        return Fail("usage: orxctl calls");
    char *pText;
    DWORD cb;
    if (!CallLogReadAll(&pText, &cb))
        return Fail("cannot read %ls (error %lu)", CALL_LOG_PATH, GetLastError());
    WriteOut(pText, cb);
    HeapFree(GetProcessHeap(), 0, pText);
    return 0;
}

DWORD CountLogLines(const char *pszPrefix)
{
    char *pText;
    DWORD cb;
    if (!CallLogReadAll(&pText, &cb))
        return (DWORD)-1;
    size_t cchPrefix = strlen(pszPrefix);
    DWORD cLines = 0;
    // The log is zero-terminated and its lines end in LF, so each line start is
    // the text start or the character after an LF.
    for (const char *pLine = pText; *pLine != '\0';)
    {
        if (strncmp(pLine, pszPrefix, cchPrefix) == 0)
            ++cLines;
        const char *pEnd = strchr(pLine, '\n');
        if (pEnd == NULL)
            break;
        pLine = pEnd + 1;
    }
    HeapFree(GetProcessHeap(), 0, pText);
    return cLines;
}

BOOL WaitLogLines(const char *pszPrefix, DWORD cTarget, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        DWORD cLines = CountLogLines(pszPrefix);
        if (cLines != (DWORD)-1 && cLines >= cTarget)
            return TRUE;
        if (GetTickCount() - dwStart >= dwTimeoutMs)
            return FALSE;
        Sleep(LOG_POLL_MS);
    }
}
