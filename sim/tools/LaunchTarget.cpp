// LaunchTarget.exe: a program for bezel-button launch tests. Its options shape
// how and when its window appears; the call log records its window and when it
// comes to the foreground. Everything runs on the main thread's message loop.
#include <windows.h>
#include <shellapi.h>
#include <stdlib.h>
#include <wchar.h>
#include "calllog.h"
#include <strsafe.h>

#define TARGET_CLASS L"TarnSimLaunchTarget"
#define TAG_SIZE 64
#define FOREGROUND_POLL_MS 100
#define DEFAULT_LIFE_MS 20000

static HINSTANCE g_hInst;
static WCHAR g_szTag[TAG_SIZE] = L"untagged"; // tells instances apart in the log and title
static DWORD g_dwDelayMs;                       // before the real window appears
static BOOL g_fNever;                           // --delay never: no real window at all
static BOOL g_fMinimized;                       // the real window is first shown minimized
static BOOL g_fZeroHeightFirst;                 // a zero-height window comes first
static BOOL g_fHang;                            // stops answering once its window shows
static DWORD g_dwLifeMs = DEFAULT_LIFE_MS;
static HWND g_hwndMain;                         // the real window, once made
static BOOL g_fForegroundLogged;
static UINT_PTR g_idDelayTimer;

static void LogTagged(LPCWSTR pszWhat)
{
    WCHAR szLine[CALL_LOG_LINE_MAX];
    StringCchPrintfW(szLine, ARRAYSIZE(szLine), L"LaunchTarget %ls %ls", g_szTag, pszWhat);
    CallLogWriteWide(szLine);
}

// A minimized window that is active is not in front of the user, so it does not count.
static void CheckForeground(void)
{
    if (g_fForegroundLogged || g_hwndMain == NULL || IsIconic(g_hwndMain))
        return;
    if (GetForegroundWindow() != g_hwndMain)
        return;
    g_fForegroundLogged = TRUE;
    LogTagged(L"foreground");
}

static BOOL ParseMs(LPCWSTR psz, DWORD *pdwMs)
{
    if (*psz < L'0' || *psz > L'9')
        return FALSE;
    WCHAR *pszEnd;
    unsigned long ulMs = wcstoul(psz, &pszEnd, 10);
    if (*pszEnd != L'\0')
        return FALSE;
    *pdwMs = (DWORD)ulMs;
    return TRUE;
}

// Words the target does not know are ignored: the product may pass arguments of its own.
static void ParseOptions(int argc, LPWSTR *argv)
{
    for (int i = 1; i < argc; ++i)
    {
        BOOL fHasValue = i + 1 < argc;
        if (wcscmp(argv[i], L"--minimized") == 0)
            g_fMinimized = TRUE;
        else if (wcscmp(argv[i], L"--zero-height-first") == 0)
            g_fZeroHeightFirst = TRUE;
        else if (wcscmp(argv[i], L"--hang") == 0)
            g_fHang = TRUE;
        else if (wcscmp(argv[i], L"--delay") == 0 && fHasValue)
        {
            ++i;
            g_fNever = wcscmp(argv[i], L"never") == 0;
            if (!g_fNever)
                ParseMs(argv[i], &g_dwDelayMs);
        }
        else if (wcscmp(argv[i], L"--life") == 0 && fHasValue)
            ParseMs(argv[++i], &g_dwLifeMs);
        else if (wcscmp(argv[i], L"--tag") == 0 && fHasValue)
            StringCchCopyW(g_szTag, ARRAYSIZE(g_szTag), argv[++i]); // a long tag is cut
    }
}

static HWND CreateTargetWindow(DWORD dwStyle, int cy)
{
    WCHAR szTitle[TAG_SIZE + 16];
    StringCchPrintfW(szTitle, ARRAYSIZE(szTitle), L"LaunchTarget %ls", g_szTag);
    return CreateWindowExW(0, TARGET_CLASS, szTitle, dwStyle, 120, 120, 400, cy, NULL, NULL,
                           g_hInst, NULL);
}

static void CreateMainWindow(void)
{
    // Made hidden and logged before it is shown, so "window" precedes "foreground".
    HWND hwnd = CreateTargetWindow(WS_OVERLAPPEDWINDOW, 300);
    if (hwnd == NULL)
    {
        LogTagged(L"window failed");
        return;
    }
    g_hwndMain = hwnd;
    LogTagged(L"window");
    ShowWindow(hwnd, g_fMinimized ? SW_SHOWMINIMIZED : SW_SHOW);
    UpdateWindow(hwnd);
    if (!g_fHang)
        return;
    // A program that hangs: no message of this thread is handled ever again.
    LogTagged(L"hangs");
    Sleep(g_dwLifeMs);
    LogTagged(L"exit");
    ExitProcess(0);
}

// A popup, because a captioned window is held to a minimum height.
static void CreateZeroHeightWindow(void)
{
    if (CreateTargetWindow(WS_POPUP | WS_VISIBLE, 0) != NULL)
        LogTagged(L"zero-height window");
    else
        LogTagged(L"zero-height window failed");
}

static void CALLBACK OnDelayTimer(HWND, UINT, UINT_PTR, DWORD)
{
    KillTimer(NULL, g_idDelayTimer);
    CreateMainWindow();
}

static void CALLBACK OnLifeTimer(HWND, UINT, UINT_PTR, DWORD)
{
    PostQuitMessage(0);
}

static void CALLBACK OnForegroundTimer(HWND, UINT, UINT_PTR, DWORD)
{
    CheckForeground();
}

static LRESULT CALLBACK WndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && hwnd == g_hwndMain && HIWORD(wParam) == 0)
            CheckForeground();
        break;
    case WM_DESTROY:
        if (hwnd == g_hwndMain)
            PostQuitMessage(0);
        break;
    }
    return DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

static BOOL RegisterTargetClass(void)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = g_hInst;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = TARGET_CLASS;
    return RegisterClassW(&wc) != 0;
}

// Shows the windows the options ask for and arms the timers.
static void StartUp(void)
{
    if (g_fZeroHeightFirst)
        CreateZeroHeightWindow();
    if (!g_fNever && g_dwDelayMs == 0)
        CreateMainWindow();
    else if (!g_fNever)
        g_idDelayTimer = SetTimer(NULL, 0, g_dwDelayMs, OnDelayTimer);
    SetTimer(NULL, 0, g_dwLifeMs, OnLifeTimer);
    SetTimer(NULL, 0, FOREGROUND_POLL_MS, OnForegroundTimer);
}

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE, LPSTR, int)
{
    g_hInst = hInst;
    WCHAR szLine[CALL_LOG_LINE_MAX];
    StringCchPrintfW(szLine, ARRAYSIZE(szLine), L"LaunchTarget %ls", GetCommandLineW());
    CallLogWriteWide(szLine);
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != NULL)
    {
        ParseOptions(argc, argv);
        LocalFree(argv);
    }
    WCHAR szFolder[MAX_PATH], szFolderLine[MAX_PATH + 16];
    if (GetCurrentDirectoryW(MAX_PATH, szFolder))
    {
        StringCchPrintfW(szFolderLine, ARRAYSIZE(szFolderLine), L"folder %ls", szFolder);
        LogTagged(szFolderLine);
    }
    if (!RegisterTargetClass())
        return 1;
    StartUp();
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    LogTagged(L"exit");
    return 0;
}
