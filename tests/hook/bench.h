// The benchmark's pieces: the key rows (bench_hook.cpp) and the OSD and
// resource rows (bench_osd.cpp) of one report.
#ifndef BENCH_H
#define BENCH_H

#include <windows.h>

HANDLE StartBenchProcess(const wchar_t *pszExe, const wchar_t *pszArgs);
BOOL WaitForBenchEvent(const wchar_t *pszName, HANDLE hProcess);
void PumpUntilBenchStops(HANDLE hStop);
int RunBareProgram(void);
void ReportOsdAndResources(const wchar_t *pszTestsDir);

#endif
