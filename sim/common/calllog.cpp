// The call log C:\tarnsim\calls.log: one line (CR LF) per call or happening,
// appended by every stand-in process under the shared lock; any thread may call.
#include <windows.h>
#include <stdarg.h>
#include "calllog.h"
#include "simlock.h"
#include <strsafe.h>

// The log is opened per line so that readers and deleters in other processes
// never find it held open for long.
static HANDLE OpenForAppend(void)
{
    HANDLE hFile = CreateFileW(CALL_LOG_PATH, FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND)
    {
        // A failure here shows in the second open.
        CreateDirectoryW(CALL_LOG_DIR, NULL);
        hFile = CreateFileW(CALL_LOG_PATH, FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    return hFile;
}

// pszLine already ends in CR LF.
static void AppendRaw(const char *pszLine)
{
    size_t cch = 0;
    if (FAILED(StringCchLengthA(pszLine, CALL_LOG_LINE_MAX + 2, &cch)))
        return;
    HANDLE hLock = SimLockAcquire();
    HANDLE hFile = OpenForAppend();
    if (hFile != INVALID_HANDLE_VALUE)
    {
        DWORD cbWritten;
        // Nobody could be told of a failed write; the reader notices the missing line.
        WriteFile(hFile, pszLine, (DWORD)cch, &cbWritten, NULL);
        CloseHandle(hFile);
    }
    SimLockRelease(hLock);
}

// Cuts the text to the longest line and adds the line end.
static void FinishLine(char *pszLine, size_t cchBuffer)
{
    size_t cch = 0;
    StringCchLengthA(pszLine, cchBuffer, &cch);
    if (cch > CALL_LOG_LINE_MAX)
        cch = CALL_LOG_LINE_MAX;
    pszLine[cch] = '\0';
    StringCchCatA(pszLine, cchBuffer, "\r\n");
}

void CallLogPrintf(const char *pszFormat, ...)
{
    char szLine[CALL_LOG_LINE_MAX + 3];
    va_list args;
    va_start(args, pszFormat);
    // A line longer than the buffer is kept cut; StringCch leaves it terminated.
    StringCchVPrintfA(szLine, CALL_LOG_LINE_MAX + 1, pszFormat, args);
    va_end(args);
    FinishLine(szLine, ARRAYSIZE(szLine));
    AppendRaw(szLine);
}

void CallLogWriteWide(LPCWSTR pszLine)
{
    char szLine[CALL_LOG_LINE_MAX + 3];
    int cb = WideCharToMultiByte(CP_UTF8, 0, pszLine, -1, szLine, CALL_LOG_LINE_MAX + 1, NULL, NULL);
    if (cb == 0)
    {
        // Too long for the buffer: keep the part that fits, at a character boundary.
        int cchKeep = CALL_LOG_LINE_MAX / 4;
        cb = WideCharToMultiByte(CP_UTF8, 0, pszLine, cchKeep, szLine, CALL_LOG_LINE_MAX, NULL, NULL);
        szLine[cb] = '\0';
    }
    FinishLine(szLine, ARRAYSIZE(szLine));
    AppendRaw(szLine);
}

static BOOL ReadOpenFile(HANDLE hFile, char **ppText, DWORD *pcb)
{
    LARGE_INTEGER liSize;
    if (!GetFileSizeEx(hFile, &liSize))
        return FALSE;
    if (liSize.QuadPart > 64 * 1024 * 1024)
    {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return FALSE;
    }
    DWORD cb = (DWORD)liSize.QuadPart;
    char *pText = (char *)HeapAlloc(GetProcessHeap(), 0, cb + 1);
    if (pText == NULL)
    {
        SetLastError(ERROR_OUTOFMEMORY);
        return FALSE;
    }
    DWORD cbRead = 0;
    if (cb > 0 && !ReadFile(hFile, pText, cb, &cbRead, NULL))
    {
        HeapFree(GetProcessHeap(), 0, pText);
        return FALSE;
    }
    pText[cbRead] = '\0';
    *ppText = pText;
    *pcb = cbRead;
    return TRUE;
}

BOOL CallLogReadAll(char **ppText, DWORD *pcb)
{
    HANDLE hLock = SimLockAcquire();
    HANDLE hFile = CreateFileW(CALL_LOG_PATH, GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    BOOL fOk;
    if (hFile != INVALID_HANDLE_VALUE)
    {
        fOk = ReadOpenFile(hFile, ppText, pcb);
        CloseHandle(hFile);
    }
    else
    {
        DWORD dwError = GetLastError();
        fOk = dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
        if (fOk)
        {
            *ppText = (char *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 1);
            *pcb = 0;
            fOk = *ppText != NULL;
        }
    }
    SimLockRelease(hLock);
    return fOk;
}

BOOL CallLogDelete(void)
{
    HANDLE hLock = SimLockAcquire();
    BOOL fOk = DeleteFileW(CALL_LOG_PATH);
    if (!fOk)
    {
        DWORD dwError = GetLastError();
        fOk = dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
    }
    SimLockRelease(hLock);
    return fOk;
}
