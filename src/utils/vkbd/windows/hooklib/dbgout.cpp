// DBGOUT: the debug log shared by both deliverables. Each call appends one line
// to "C:/temp1234567890/tarn.log" when that folder exists; any thread may call it.
#include <windows.h>
#include <strsafe.h>
#include <stdarg.h>
#include <string.h>
#include "Tarnwatch.h"

#define LOG_BUFFER_SIZE 1024
#define LOG_PATH_SIZE 100

#define LOG_FOLDER_RECHECK_MS 1000

static const char s_szLogFolder[] = "C:/temp1234567890";
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

// This process's writers take turns: one open and append at a time. Zero at load,
// so it works during the library's static initialisation too; it is held only
// for calls that never wait on anything outside this process.
static volatile LONG s_nLogBusy = 0;

static void NoteFolderMissing(void)
{
    if (GetLastError() == ERROR_PATH_NOT_FOUND || GetLastError() == ERROR_FILE_NOT_FOUND)
    {
        s_dwLogFolderCheckedTick = GetTickCount();
        s_bLogFolderMissing = TRUE;
    }
}

// Any user may create the folder at the root of C:, so neither it nor the file may
// lead elsewhere: a junction, a symbolic link or a second name of another file
// (a hard link) gets nothing written.
static BOOL IsPlanted(HANDLE hFile)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(hFile, &info))
        return TRUE;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1;
}

// Append-only access puts each write at the end of the file, whole, for every
// thread and process at once: no lock to wait for. A line that cannot be written
// at once (the file locked or opened exclusively by someone else) is dropped.
// The folder stays open without delete sharing until the line is written, so it
// cannot be swapped for a junction between the check and the write.
static void AppendToLog(const char *pszText)
{
    char szPath[LOG_PATH_SIZE] = { 0 };
    char szOut[2 * LOG_BUFFER_SIZE];
    StringCchCopyA(szPath, LOG_PATH_SIZE, s_szLogPath);
    HANDLE hDir = CreateFileA(s_szLogFolder, FILE_LIST_DIRECTORY | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (hDir == INVALID_HANDLE_VALUE)
    {
        NoteFolderMissing();
        return;
    }
    s_bLogFolderMissing = FALSE;
    if (!IsPlanted(hDir))
    {
        HANDLE hFile = CreateFileA(szPath, FILE_APPEND_DATA | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
        if (hFile != INVALID_HANDLE_VALUE)
        {
            DWORD cbWritten = 0;
            if (!IsPlanted(hFile))
                WriteFile(hFile, szOut, ToTextMode(pszText, szOut), &cbWritten, NULL);
            CloseHandle(hFile);
        }
    }
    CloseHandle(hDir);
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
    while (InterlockedCompareExchange(&s_nLogBusy, 1, 0) != 0)
        Sleep(0);
    AppendToLog(szBuffer);
    InterlockedExchange(&s_nLogBusy, 0);
}
