// Tarnview's start-up and main thread: one copy per logon, the install folder as
// the current directory, the hidden "HookWnd" window, and the message loop that
// serves the window procedures and the keyboard hook for the life of the process.
#include <windows.h>
#include <gdiplus.h>
#include "Tarnwatch.h"
#include "tarnview.h"

// The program's only dynamic initialiser: the mutex exists before any thread but the main one.
HANDLE g_hEventMutex = CreateMutexW(NULL, FALSE, NULL);
int g_nOSVersion = 0;
ULONG_PTR g_gdiplusToken = 0;
HANDLE g_hInstanceMutex = NULL;   // held for the life of the process: one Tarnview per logon

// Two copies started at the same moment (the setup's and the Run value's) both
// find no "HookWnd" yet; the session's mutex lets only the first one on.
static BOOL IsAnotherCopyRunning(void)
{
    if (FindWindowW(L"HookWnd", NULL))
        return TRUE;
    g_hInstanceMutex = CreateMutexW(NULL, FALSE, L"Local\\TarnviewInstance");
    return g_hInstanceMutex && GetLastError() == ERROR_ALREADY_EXISTS;
}

// "ShowEvent" in this session may already belong to another program; the OSD
// then signals an event of its own that nobody else can set.
static HANDLE CreateShowEvent(void)
{
    HANDLE hEvent = CreateEventW(NULL, TRUE, FALSE, L"ShowEvent");
    if (hEvent && GetLastError() != ERROR_ALREADY_EXISTS)
        return hEvent;
    if (hEvent)
        CloseHandle(hEvent);
    DBGOUT("Tarnview: \"ShowEvent\" belongs to another program, using an event of its own");
    return CreateEventW(NULL, TRUE, FALSE, NULL);
}

// Makes the install folder current, so the pictures are found as ..\Resource\.
// A value too long to read leaves Tarnview's own folder, which the installs
// put beside Resource too: never a blank OSD for a long install folder.
static void EnterInstallDirectory(void)
{
    WCHAR szDir[MAX_PATH];
    BOOL bTooLong;
    if (ReadInstallDirectory(szDir, MAX_PATH, &bTooLong))
        SetCurrentDirectoryW(szDir);
    else if (bTooLong && ModuleFolder(NULL, szDir, MAX_PATH) && SetCurrentDirectoryW(szDir))
        DBGOUT("Tarnview: \"TarnMonPath\" is too long, using the program's folder");
}

ATOM RegisterHookWndClass(HINSTANCE hInstance)
{
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"HookWnd";
    return RegisterClassW(&wc);
}

// A top-level window rather than a message-only one: others find it by class name.
int InitHookWindow(HINSTANCE hInstance)
{
    if (!RegisterHookWndClass(hInstance))
        return 0;
    HWND hWnd = CreateWindowExW(0, L"HookWnd", NULL, WS_DISABLED, 10000, 10000, 0, 0,
                                NULL, NULL, hInstance, NULL);
    if (!hWnd)
        return 0;
    ShowWindow(hWnd, SW_HIDE);
    RegisterHook(hWnd);
    // The first thread start after the window exists: from here on Tarnwatch
    // knows the window. The thread runs for the life of the process.
    DWORD dwThreadId;
    CloseHandle(CreateThread(NULL, 0, ServiceThreadProc, NULL, 0, &dwThreadId));
    return 1;
}

static void RunMessageLoop(void)
{
    MSG msg;
    // -1 (an error) keeps the loop going as well; only WM_QUIT ends it.
    while (GetMessageW(&msg, NULL, 0, 0))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine, int nCmdShow)
{
    (void)hPrevInstance;
    (void)pszCmdLine;
    (void)nCmdShow;
    // No system error box, ever: a damaged platform library looked for every 10 s
    // would bring one back at each try.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (IsAnotherCopyRunning())
        return 0;
    EnterInstallDirectory();
    Gdiplus::GdiplusStartupInput gdiplusStartupInput;
    Gdiplus::GdiplusStartup(&g_gdiplusToken, &gdiplusStartupInput, NULL);
    // Cached before any other thread starts, so no hardware event sees 0.
    g_nOSVersion = GetOSVersion();
    // The OSD windows' accessible objects are handed out through COM on this thread.
    CoInitialize(NULL);
    InitHookWindow(hInstance);
    CreateOsdWindows(hInstance);
    // A tablet started upside down pages the right way from the first press.
    ReadDisplayOrientation();
    g_nPendingIndicator = 0;
    g_hShowEvent = CreateShowEvent();
    // The handle is not needed: the thread runs for the life of the process.
    // Without an event it could only spin, so there is no OSD then.
    if (g_hShowEvent)
        CloseHandle(CreateThread(NULL, 0, ShowIndicatorProc, NULL, 0, NULL));
    RegisterForRestart();
    // The last line of start-up: others wait for it.
    DBGOUT("Tarnview: OS version is %d", g_nOSVersion);
    RunMessageLoop();
    Gdiplus::GdiplusShutdown(g_gdiplusToken);
    return 0;
}
