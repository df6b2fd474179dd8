// DBGOUT: the debug log shared by both deliverables. Each call appends one line
// to "C:/temp1234567890/tarn.log" when that folder exists; any thread may call it.
#include <windows.h>
#include <winternl.h>
#include <strsafe.h>
#include <stdarg.h>
#include <string.h>
#include "Tarnwatch.h"
#include "dbgout.h"

#define LOG_BUFFER_SIZE 1024

#define LOG_FOLDER_RECHECK_MS 1000
#define DEFERRED_LINES 32         // loader-time lines kept until the next ordinary call
#define DEFERRED_LINE_SIZE 64     // the longest of them is far shorter

#ifndef FILE_OPEN_IF
#define FILE_OPEN_IF 3
#endif
#define NT_FILE_SYNCHRONOUS_IO_NONALERT 0x00000020
#define NT_FILE_NON_DIRECTORY_FILE 0x00000040
#define NT_FILE_OPEN_REPARSE_POINT 0x00200000

typedef NTSTATUS(NTAPI *NT_CREATE_FILE)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                        ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);

static const char s_szLogFolder[] = "C:/temp1234567890";
static WCHAR s_szLogName[] = L"tarn.log";

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

// The thread running the library's loader callouts (static initialisation and
// DllMain) under the loader lock, 0 outside them. Its lines are only kept here,
// in a ring that the loader lock fills one at a time and the next ordinary call
// writes out, in order, before its own line: nothing under the loader lock may
// wait for the busy flag or for the file system.
static volatile DWORD s_dwLoaderThread = 0;
static char s_szDeferred[DEFERRED_LINES][DEFERRED_LINE_SIZE];
static volatile LONG s_nDeferredPut = 0;    // lines kept so far
static volatile LONG s_nDeferredTaken = 0;  // lines written out (or dropped) so far

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

// NtCreateFile opens a name relative to a folder handle (every NT has it); looked
// up once, outside the busy flag, as a look-up takes the loader lock.
static NT_CREATE_FILE LogFileOpener(void)
{
    static NT_CREATE_FILE s_pfnNtCreateFile = NULL;
    if (!s_pfnNtCreateFile)
    {
        HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
        if (hNtdll)
            s_pfnNtCreateFile = (NT_CREATE_FILE)(void *)GetProcAddress(hNtdll, "NtCreateFile");
    }
    return s_pfnNtCreateFile;
}

// "tarn.log" inside the folder that was checked, by its handle, not by its path
// again: the file always lies in that very folder, whatever was renamed meanwhile.
static HANDLE OpenLogFileIn(HANDLE hDir)
{
    NT_CREATE_FILE pfnNtCreateFile = LogFileOpener();
    if (!pfnNtCreateFile)
        return INVALID_HANDLE_VALUE;
    UNICODE_STRING name;
    name.Buffer = s_szLogName;
    name.Length = (USHORT)(sizeof(s_szLogName) - sizeof(WCHAR));
    name.MaximumLength = (USHORT)sizeof(s_szLogName);
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &name, OBJ_CASE_INSENSITIVE, hDir, NULL);
    IO_STATUS_BLOCK iosb;
    HANDLE hFile = NULL;
    // CreateFileW adds the attribute reading that IsPlanted needs; NtCreateFile does not.
    NTSTATUS status = pfnNtCreateFile(&hFile, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &oa, &iosb, NULL,
                                      FILE_ATTRIBUTE_NORMAL,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN_IF,
                                      NT_FILE_NON_DIRECTORY_FILE | NT_FILE_SYNCHRONOUS_IO_NONALERT
                                          | NT_FILE_OPEN_REPARSE_POINT,
                                      NULL, 0);
    return status >= 0 ? hFile : INVALID_HANDLE_VALUE;
}

// Append-only access puts each write at the end of the file, whole, for every
// thread and process at once: no lock to wait for. A line that cannot be written
// at once (the file locked or opened exclusively by someone else) is dropped.
// The folder stays open without delete sharing until the line is written.
static void AppendToLog(const char *pszText)
{
    char szOut[2 * LOG_BUFFER_SIZE];
    HANDLE hDir = CreateFileA(s_szLogFolder, FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (hDir == INVALID_HANDLE_VALUE)
    {
        NoteFolderMissing();
        return;
    }
    s_bLogFolderMissing = FALSE;
    if (!IsPlanted(hDir))
    {
        HANDLE hFile = OpenLogFileIn(hDir);
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

// Under the loader lock: never waits. A full ring drops the line; a line cut
// short keeps its line feed.
static void DeferLine(const char *pszText)
{
    LONG nPut = s_nDeferredPut;
    if (nPut - s_nDeferredTaken >= DEFERRED_LINES)
        return;
    char *pszSlot = s_szDeferred[nPut % DEFERRED_LINES];
    if (FAILED(StringCchCopyA(pszSlot, DEFERRED_LINE_SIZE, pszText)))
    {
        pszSlot[DEFERRED_LINE_SIZE - 2] = '\n';
        pszSlot[DEFERRED_LINE_SIZE - 1] = '\0';
    }
    InterlockedExchange(&s_nDeferredPut, nPut + 1);
}

// Holding the busy flag: the kept lines go first, so the log stays in order.
static void WriteDeferredLines(void)
{
    while (s_nDeferredTaken != s_nDeferredPut)
    {
        AppendToLog(s_szDeferred[s_nDeferredTaken % DEFERRED_LINES]);
        InterlockedIncrement(&s_nDeferredTaken);
    }
}

void EnterLoaderCallout(void)
{
    s_dwLoaderThread = GetCurrentThreadId();
}

void LeaveLoaderCallout(void)
{
    s_dwLoaderThread = 0;
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
    if (s_dwLoaderThread == GetCurrentThreadId())
    {
        DeferLine(szBuffer);
        return;
    }
    LogFileOpener();
    while (InterlockedCompareExchange(&s_nLogBusy, 1, 0) != 0)
        Sleep(0);
    WriteDeferredLines();
    AppendToLog(szBuffer);
    InterlockedExchange(&s_nLogBusy, 0);
}
