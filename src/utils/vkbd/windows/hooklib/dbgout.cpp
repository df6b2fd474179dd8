// DBGOUT: the debug log shared by both deliverables. Each call appends one line
// to "C:/temp1234567890/tarn.log" when that folder exists; any thread may call it.
#include <windows.h>
#include <strsafe.h>
#include <stdarg.h>
#include <string.h>
#include "Tarnwatch.h"

#define LOG_BUFFER_SIZE 1024
#define LOG_PATH_SIZE 100
#define LOG_LOCK_OFFSET_HIGH 0x7FFFFFFF   // the lock byte lies at 8 EB, never reached

#define LOG_FOLDER_RECHECK_MS 1000

static const char s_szLogPath[] = "C:/temp1234567890/tarn.log";

// The log folder is normally absent on a user's machine. Once an open has found it
// missing, calls within the next second return at once instead of asking the file
// system again: the six keys the hook acts on each log several lines. Both values
// are single aligned stores; a race costs at most one extra failed open.
static volatile LONG s_bLogFolderMissing = FALSE;
static volatile DWORD s_dwLogFolderCheckedTick = 0;

static BOOL LogFolderKnownMissing(void)
{
    return s_bLogFolderMissing && GetTickCount() - s_dwLogFolderCheckedTick < LOG_FOLDER_RECHECK_MS;
}

// Text mode: every line feed is stored as CR LF. Returns the bytes written to pszOut.
static DWORD ToTextMode(const char *pszIn, char *pszOut)
{
    DWORD cb = 0;
    for (; *pszIn; ++pszIn)
    {
        if (*pszIn == '\n')
            pszOut[cb++] = '\r';
        pszOut[cb++] = *pszIn;
    }
    return cb;
}

// Appends under a byte-range lock far beyond any real log size: concurrent
// threads and processes take turns at the end of the file, where a plain
// seek-then-write stream lets one line overwrite another.
static void AppendToLog(const char *pszText)
{
    char szPath[LOG_PATH_SIZE] = { 0 };
    char szOut[2 * LOG_BUFFER_SIZE];
    StringCchCopyA(szPath, LOG_PATH_SIZE, s_szLogPath);
    HANDLE hFile = CreateFileA(szPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        if (GetLastError() == ERROR_PATH_NOT_FOUND)
        {
            s_dwLogFolderCheckedTick = GetTickCount();
            s_bLogFolderMissing = TRUE;
        }
        return;
    }
    s_bLogFolderMissing = FALSE;
    OVERLAPPED ovLock;
    ZeroMemory(&ovLock, sizeof(ovLock));
    ovLock.OffsetHigh = LOG_LOCK_OFFSET_HIGH;
    BOOL bLocked = LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &ovLock);
    LARGE_INTEGER liZero = { };
    SetFilePointerEx(hFile, liZero, NULL, FILE_END);
    DWORD cbWritten = 0;
    WriteFile(hFile, szOut, ToTextMode(pszText, szOut), &cbWritten, NULL);
    if (bLocked)
        UnlockFileEx(hFile, 0, 1, 0, &ovLock);
    CloseHandle(hFile);
}

extern "C" void __cdecl DBGOUT(const char *format, ...)
{
    if (LogFolderKnownMissing())
        return;
    char szBuffer[LOG_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    // Room is kept for the line feed; a longer text is cut (the result says so, on purpose ignored).
    StringCchVPrintfA(szBuffer, LOG_BUFFER_SIZE - 1, format, args);
    va_end(args);
    size_t cch = strlen(szBuffer);
    szBuffer[cch] = '\n';
    szBuffer[cch + 1] = '\0';
    AppendToLog(szBuffer);
}
