// bench_hook.exe: time per key event through Tarnview's KeybdProcLL, against an
// empty pass-through hook and no hook at all, with the log folder absent and
// present. Keys are injected with keybd_event, which returns only after the
// low-level hooks have seen the event, so a burst's time includes the hook's.
// Tarnview's OSD windows are closed first: under Wine, showing and hiding them
// holds its main thread long enough for Wine to skip the hook, which would time
// the OSD rather than the hook. The OSD and resource rows follow (bench_osd.cpp).
// Run by scripts/bench.sh in a private prefix; "bench_hook.exe --passthrough" is
// the empty hook's own process, "--bare" the memory baseline's.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "hookfixture.h"
#include "bench.h"

#define REPEATS 7

static const wchar_t s_szLogDir[] = L"C:\\temp1234567890";
static const wchar_t s_szLogFile[] = L"C:\\temp1234567890\\tarn.log";
static HHOOK s_hPassHook = NULL;

struct KeyKind
{
    const char *pszName;
    BYTE vk;
    int nEvents;   // per burst; even, so the lock key ends as it began
};

#define KINDS 3

static const KeyKind s_kinds[KINDS] = {
    { "ordinary key (A)", 'A', 2000 },
    { "lock key (Caps Lock)", VK_CAPITAL, 2000 },
    { "volume key (Volume Up)", VK_VOLUME_UP, 400 },
};

enum HookKind { NO_HOOK, EMPTY_HOOK, REAL_HOOK, HOOK_KINDS };

static LRESULT CALLBACK PassThroughProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(s_hPassHook, nCode, wParam, lParam);
}

// Serves this thread's messages until the benchmark sets "TarnBenchStop".
void PumpUntilBenchStops(HANDLE hStop)
{
    while (MsgWaitForMultipleObjects(1, &hStop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
    {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
}

static int RunPassThrough(void)
{
    HANDLE hStop = CreateEventW(NULL, TRUE, FALSE, L"TarnBenchStop");
    s_hPassHook = SetWindowsHookExW(WH_KEYBOARD_LL, PassThroughProc, GetModuleHandleW(NULL), 0);
    if (!s_hPassHook)
        return 1;
    HANDLE hReady = CreateEventW(NULL, TRUE, FALSE, L"TarnBenchReady");
    SetEvent(hReady);
    PumpUntilBenchStops(hStop);
    UnhookWindowsHookEx(s_hPassHook);
    return 0;
}

static void Pump(void)
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

HANDLE StartBenchProcess(const wchar_t *pszExe, const wchar_t *pszArgs)
{
    wchar_t szCmd[2 * MAX_PATH];
    _snwprintf(szCmd, 2 * MAX_PATH - 1, L"\"%ls\"%ls", pszExe, pszArgs);
    szCmd[2 * MAX_PATH - 1] = 0;
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(pszExe, szCmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Tarnview creates "ShowEvent" right after RegisterHook has installed the hook.
BOOL WaitForBenchEvent(const wchar_t *pszName, HANDLE hProcess)
{
    for (int i = 0; i < 3000; ++i)
    {
        HANDLE hEvent = OpenEventW(SYNCHRONIZE, FALSE, pszName);
        if (hEvent)
        {
            CloseHandle(hEvent);
            return TRUE;
        }
        if (WaitForSingleObject(hProcess, 20) != WAIT_TIMEOUT)
            return FALSE;
    }
    return FALSE;
}

static double BurstMicroseconds(const KeyKind *pKind)
{
    DWORD dwFlags = pKind->vk == VK_VOLUME_UP ? KEYEVENTF_EXTENDEDKEY : 0;
    LARGE_INTEGER liFreq, liStart, liEnd;
    QueryPerformanceFrequency(&liFreq);
    QueryPerformanceCounter(&liStart);
    for (int i = 0; i < pKind->nEvents; i += 2)
    {
        keybd_event(pKind->vk, 0, dwFlags, 0);
        keybd_event(pKind->vk, 0, dwFlags | KEYEVENTF_KEYUP, 0);
    }
    QueryPerformanceCounter(&liEnd);
    Pump();
    return (double)(liEnd.QuadPart - liStart.QuadPart) * 1e6 / (double)liFreq.QuadPart / pKind->nEvents;
}

static int CompareDouble(const void *a, const void *b)
{
    double d = *(const double *)a - *(const double *)b;
    return d < 0 ? -1 : d > 0;
}

static double Median(double values[REPEATS])
{
    qsort(values, REPEATS, sizeof(double), CompareDouble);
    return values[REPEATS / 2];
}

// One burst of each key kind with the given hook in place; the volume workers
// of a burst end before the next one.
static BOOL MeasureHook(HookKind kind, const wchar_t *pszDir, double times[KINDS])
{
    wchar_t szExe[MAX_PATH];
    HANDLE hProcess = NULL;
    HANDLE hStop = CreateEventW(NULL, TRUE, FALSE, L"TarnBenchStop");
    ResetEvent(hStop);
    if (kind == EMPTY_HOOK)
    {
        GetModuleFileNameW(NULL, szExe, MAX_PATH);
        hProcess = StartBenchProcess(szExe, L" --passthrough");
        if (!hProcess || !WaitForBenchEvent(L"TarnBenchReady", hProcess))
            return FALSE;
    }
    else if (kind == REAL_HOOK)
    {
        _snwprintf(szExe, MAX_PATH - 1, L"%ls\\..\\bin\\Tarnview.exe", pszDir);
        szExe[MAX_PATH - 1] = 0;
        hProcess = StartBenchProcess(szExe, L"");
        if (!hProcess || !WaitForBenchEvent(L"ShowEvent", hProcess))
            return FALSE;
        tarn::CloseOsdWindows(hProcess);
    }
    for (int k = 0; k < KINDS; ++k)
    {
        times[k] = BurstMicroseconds(&s_kinds[k]);
        if (s_kinds[k].vk == VK_VOLUME_UP)
            Sleep(1000);
    }
    if (hProcess)
    {
        SetEvent(hStop);
        if (WaitForSingleObject(hProcess, 5000) == WAIT_TIMEOUT)
            TerminateProcess(hProcess, 0);
        WaitForSingleObject(hProcess, 5000);
        CloseHandle(hProcess);
    }
    CloseHandle(hStop);
    return TRUE;
}

// Rounds alternate the three set-ups, so a machine busy with something else
// for a while weighs on all of them alike.
static BOOL MeasureAll(const wchar_t *pszDir, double medians[HOOK_KINDS][KINDS])
{
    double samples[HOOK_KINDS][KINDS][REPEATS];
    for (int r = 0; r < REPEATS; ++r)
    {
        for (int h = 0; h < HOOK_KINDS; ++h)
        {
            double times[KINDS];
            if (!MeasureHook((HookKind)h, pszDir, times))
                return FALSE;
            for (int k = 0; k < KINDS; ++k)
                samples[h][k][r] = times[k];
        }
    }
    for (int h = 0; h < HOOK_KINDS; ++h)
        for (int k = 0; k < KINDS; ++k)
            medians[h][k] = Median(samples[h][k]);
    return TRUE;
}

static void PrintTable(const char *pszTitle, double times[HOOK_KINDS][KINDS])
{
    printf("log folder %s\n", pszTitle);
    printf("  %-24s %12s %12s %12s %12s %8s\n", "us per event", "no hook", "empty hook", "KeybdProcLL", "difference",
           "ratio");
    for (int k = 0; k < KINDS; ++k)
        printf("  %-24s %12.1f %12.1f %12.1f %+12.1f %8.3f\n", s_kinds[k].pszName, times[NO_HOOK][k],
               times[EMPTY_HOOK][k], times[REAL_HOOK][k], times[REAL_HOOK][k] - times[EMPTY_HOOK][k],
               times[REAL_HOOK][k] / times[EMPTY_HOOK][k]);
}

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "--passthrough") == 0)
        return RunPassThrough();
    if (argc > 1 && strcmp(argv[1], "--bare") == 0)
        return RunBareProgram();
    if (GetFileAttributesW(s_szLogDir) != INVALID_FILE_ATTRIBUTES)
    {
        printf("bench_hook: %ls exists; run in a prefix of its own (scripts/bench.sh)\n", s_szLogDir);
        return 2;
    }
    wchar_t szDir[MAX_PATH];
    GetModuleFileNameW(NULL, szDir, MAX_PATH);
    wchar_t *pSlash = wcsrchr(szDir, L'\\');
    if (pSlash)
        *pSlash = 0;
    // Injected keys land here; nothing else of the desktop reacts to them.
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                NULL, NULL, NULL, NULL);
    SetForegroundWindow(hWnd);
    // "osd" alone skips the key rows, which take most of the time.
    bool bKeys = !(argc > 1 && strcmp(argv[1], "osd") == 0);
    if (bKeys)
        printf("bench_hook: Tarnview with its OSD windows closed; median of %d alternating rounds; %d, %d and %d events per burst\n", REPEATS,
               s_kinds[0].nEvents, s_kinds[1].nEvents, s_kinds[2].nEvents);
    for (int nPresent = 0; bKeys && nPresent <= 1; ++nPresent)
    {
        if (nPresent)
            CreateDirectoryW(s_szLogDir, NULL);
        double medians[HOOK_KINDS][KINDS];
        if (!MeasureAll(szDir, medians))
        {
            printf("bench_hook: could not start a hook process\n");
            return 1;
        }
        PrintTable(nPresent ? "present" : "absent", medians);
        fflush(stdout);
    }
    DeleteFileW(s_szLogFile);
    RemoveDirectoryW(s_szLogDir);
    ReportOsdAndResources(szDir);
    DestroyWindow(hWnd);
    return 0;
}
