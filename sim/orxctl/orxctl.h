// What the control program's files share: the commands (each takes the words
// after its verb and returns the exit code), output, number parsing and the pipe.
#ifndef ORXCTL_H
#define ORXCTL_H

#include <windows.h>
#include "simpipe.h"

// Commands: 0 on success, 1 after a one-line message on stderr.
int CmdEvent(int argc, LPWSTR *argv);
int CmdAbort(int argc, LPWSTR *argv);
int CmdWaitRegistered(int argc, LPWSTR *argv);
int CmdWaitAbortHandler(int argc, LPWSTR *argv);
int CmdInitFail(int argc, LPWSTR *argv);
int CmdSet(int argc, LPWSTR *argv);
int CmdGet(int argc, LPWSTR *argv);
int CmdResult(int argc, LPWSTR *argv);
int CmdScreenflipExit(int argc, LPWSTR *argv);
int CmdCalls(int argc, LPWSTR *argv);
int CmdReset(int argc, LPWSTR *argv);

// Output: one line on stdout; Fail writes one line on stderr and returns 1.
void PrintOut(const char *pszFormat, ...) __attribute__((format(ms_printf, 1, 2)));
void WriteOut(const char *pb, DWORD cb);
int Fail(const char *pszFormat, ...) __attribute__((format(ms_printf, 1, 2)));

// Decimal, 0x-hex up to 0xFFFFFFFF, or negative decimal taken as its 32-bit pattern.
BOOL ParseDword(LPCWSTR psz, DWORD *pdwValue);

// One request to a library's listener. ERROR_SUCCESS with the reply filled,
// ERROR_FILE_NOT_FOUND when no library listens, else another Win32 error.
DWORD PipeTransact(LPCWSTR pszPipe, const SIM_REQUEST *pRequest, SIM_REPLY *pReply);

// Call-log lines that start with pszPrefix; (DWORD)-1 when the log cannot be read.
DWORD CountLogLines(const char *pszPrefix);
// Polls until at least cTarget lines start with pszPrefix or dwTimeoutMs passes.
BOOL WaitLogLines(const char *pszPrefix, DWORD cTarget, DWORD dwTimeoutMs);

#endif
