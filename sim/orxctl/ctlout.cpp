// The control program's output: result lines on stdout, the one error line on
// stderr. Written straight to the handles so nothing waits in a buffer at exit.
#include <windows.h>
#include <stdarg.h>
#include "orxctl.h"
#include <strsafe.h>

#define OUT_LINE_SIZE 1024

static void WriteHandle(DWORD nStdHandle, const char *pb, DWORD cb)
{
    HANDLE h = GetStdHandle(nStdHandle);
    if (h == NULL || h == INVALID_HANDLE_VALUE)
        return;
    while (cb > 0)
    {
        DWORD cbDone = 0;
        if (!WriteFile(h, pb, cb, &cbDone, NULL) || cbDone == 0)
            return; // a closed stdout has nobody left to tell
        pb += cbDone;
        cb -= cbDone;
    }
}

// Formats one line, cut to the buffer, ended by CR LF.
static void WriteLine(DWORD nStdHandle, const char *pszPrefix, const char *pszFormat, va_list args)
{
    char szLine[OUT_LINE_SIZE];
    StringCchCopyA(szLine, OUT_LINE_SIZE - 2, pszPrefix);
    size_t cch = 0;
    StringCchLengthA(szLine, OUT_LINE_SIZE, &cch);
    StringCchVPrintfA(szLine + cch, OUT_LINE_SIZE - 2 - cch, pszFormat, args);
    StringCchCatA(szLine, OUT_LINE_SIZE, "\r\n");
    StringCchLengthA(szLine, OUT_LINE_SIZE, &cch);
    WriteHandle(nStdHandle, szLine, (DWORD)cch);
}

void PrintOut(const char *pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    WriteLine(STD_OUTPUT_HANDLE, "", pszFormat, args);
    va_end(args);
}

void WriteOut(const char *pb, DWORD cb)
{
    WriteHandle(STD_OUTPUT_HANDLE, pb, cb);
}

int Fail(const char *pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    WriteLine(STD_ERROR_HANDLE, "orxctl: ", pszFormat, args);
    va_end(args);
    return 1;
}
