// The call log C:\tarnsim\calls.log: one line (CR LF) per call or happening,
// appended by every stand-in process under the shared lock.
#ifndef CALLLOG_H
#define CALLLOG_H

#include <windows.h>

#define CALL_LOG_DIR L"C:\\tarnsim"
#define CALL_LOG_PATH L"C:\\tarnsim\\calls.log"
// The longest line kept; a longer one is cut, never written past a buffer.
#define CALL_LOG_LINE_MAX 4096

// Appends one line built from a narrow printf format (no line end in it).
void CallLogPrintf(const char *pszFormat, ...) __attribute__((format(ms_printf, 1, 2)));
// Appends one wide line, stored as UTF-8.
void CallLogWriteWide(LPCWSTR pszLine);
// Reads the whole log into a new zero-terminated heap block (HeapFree it).
// An absent log reads as empty. Returns FALSE with the error set otherwise.
BOOL CallLogReadAll(char **ppText, DWORD *pcb);
// Deletes the log; an absent log counts as success.
BOOL CallLogDelete(void);

#endif
