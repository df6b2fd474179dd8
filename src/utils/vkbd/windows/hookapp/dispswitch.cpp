// The display hot key: reads the current display mode and steps it through
// DisplaySwitch.exe (Windows 7 and later) or the maker's Screenflip.exe (XP
// family, and Vista, which has neither DisplaySwitch.exe nor its functions).
// Runs on the dispatcher's thread while it holds the event mutex.
// The display configuration's types are Windows 7's; its functions are looked up
// at run time, so raising the level here imports nothing newer than XP.
#undef _WIN32_WINNT
#undef WINVER
#define _WIN32_WINNT 0x0601
#define WINVER 0x0601
#include <windows.h>
#include <strsafe.h>
#include "Tarnwatch.h"
#include "tarnview.h"

#define QDC_ALL_PATHS_FLAG 1
#define QDC_DATABASE_CURRENT_FLAG 4
#define SWITCH_PAUSE_MS 800        // lets the new mode settle before its indicator shows
#define CMDLINE_CCH 260
#define SCREENFLIP_WAIT_MS 30000   // a hung tool must not hold the event mutex for ever

typedef LONG (WINAPI *GET_DISPLAY_CONFIG_BUFFER_SIZES)(UINT32, UINT32 *, UINT32 *);
typedef LONG (WINAPI *QUERY_DISPLAY_CONFIG)(UINT32, UINT32 *, DISPLAYCONFIG_PATH_INFO *, UINT32 *,
                                            DISPLAYCONFIG_MODE_INFO *, DISPLAYCONFIG_TOPOLOGY_ID *);

// The step DisplaySwitch.exe makes from each mode, and the code shown after it.
typedef struct DISPLAY_STEP
{
    int nMode;
    LPCWSTR pszArgument;
    int nShown;
} DISPLAY_STEP;

static const DISPLAY_STEP s_steps[] = {
    { DISPLAY_MODE_INTERNAL, L"/external", DISPLAY_EXTERNAL },
    { DISPLAY_MODE_EXTERNAL, L"/clone", DISPLAY_DUAL },
    { DISPLAY_MODE_DUAL, L"/internal", DISPLAY_INTERNAL },
};

int DisplayModeOfTopology(UINT32 nTopology)
{
    switch (nTopology)
    {
    case DISPLAYCONFIG_TOPOLOGY_INTERNAL: return DISPLAY_MODE_INTERNAL;
    case DISPLAYCONFIG_TOPOLOGY_CLONE: return DISPLAY_MODE_DUAL;
    case DISPLAYCONFIG_TOPOLOGY_EXTERNAL: return DISPLAY_MODE_EXTERNAL;
    default: return DISPLAY_MODE_UNKNOWN;   // extend, or anything unknown
    }
}

LPCWSTR DisplaySwitchArgument(int nMode, int *pnShown)
{
    for (const DISPLAY_STEP &step : s_steps)
    {
        if (step.nMode == nMode)
        {
            *pnShown = step.nShown;
            return step.pszArgument;
        }
    }
    // From an unknown mode the panel alone is the safe way back, with nothing shown.
    *pnShown = INDICATOR_NONE;
    return L"/internal";
}

int IndicatorOfScreenflipExit(DWORD dwExitCode)
{
    switch (dwExitCode)
    {
    case 0:
    case 1: return DISPLAY_INTERNAL;
    case 2: return DISPLAY_EXTERNAL;
    case 3: return DISPLAY_DUAL;
    default: return INDICATOR_NONE;
    }
}

// Both arrays zero-filled; the element counts come from the system, so their
// byte sizes are checked before they are multiplied out.
static int QueryTopologyMode(GET_DISPLAY_CONFIG_BUFFER_SIZES pGetSizes, HMODULE hUser32)
{
    UINT32 cPaths = 0, cModes = 0;
    pGetSizes(QDC_ALL_PATHS_FLAG, &cPaths, &cModes);
    if (cPaths > MAXDWORD / sizeof(DISPLAYCONFIG_PATH_INFO) || cModes > MAXDWORD / sizeof(DISPLAYCONFIG_MODE_INFO))
        return DISPLAY_MODE_UNKNOWN;
    HANDLE hHeap = GetProcessHeap();
    void *pPaths = HeapAlloc(hHeap, HEAP_ZERO_MEMORY, cPaths * sizeof(DISPLAYCONFIG_PATH_INFO));
    void *pModes = HeapAlloc(hHeap, HEAP_ZERO_MEMORY, cModes * sizeof(DISPLAYCONFIG_MODE_INFO));
    int nMode = DISPLAY_MODE_UNKNOWN;
    QUERY_DISPLAY_CONFIG pQuery = (QUERY_DISPLAY_CONFIG)(void *)GetProcAddress(hUser32, "QueryDisplayConfig");
    if (pPaths && pModes && pQuery)
    {
        DISPLAYCONFIG_TOPOLOGY_ID topology = (DISPLAYCONFIG_TOPOLOGY_ID)0;
        if (pQuery(QDC_DATABASE_CURRENT_FLAG, &cPaths, (DISPLAYCONFIG_PATH_INFO *)pPaths, &cModes,
                   (DISPLAYCONFIG_MODE_INFO *)pModes, &topology) == ERROR_SUCCESS)
            nMode = DisplayModeOfTopology((UINT32)topology);
    }
    if (pPaths)
        HeapFree(hHeap, 0, pPaths);
    if (pModes)
        HeapFree(hHeap, 0, pModes);
    return nMode;
}

// Resolved at run time: Vista's User32 has no display-configuration functions.
int GetCurrentDisplaySwitchMode(void)
{
    if (g_nOSVersion < 60)
        return DISPLAY_MODE_UNKNOWN;
    HMODULE hUser32 = LoadLibraryW(DISPLAY_CONFIG_LIBRARY);
    if (!hUser32)
    {
        DBGOUT("GetCurrentDisplaySwitchMode LoadLibrary User32.dll failed.");
        return DISPLAY_MODE_UNKNOWN;
    }
    int nMode = DISPLAY_MODE_UNKNOWN;
    GET_DISPLAY_CONFIG_BUFFER_SIZES pGetSizes =
        (GET_DISPLAY_CONFIG_BUFFER_SIZES)(void *)GetProcAddress(hUser32, "GetDisplayConfigBufferSizes");
    if (pGetSizes)
        nMode = QueryTopologyMode(pGetSizes, hUser32);
    FreeLibrary(hUser32);
    return nMode;
}

// DisplaySwitch.exe exists only in the native system folder. A 32-bit Tarnview
// on 64-bit Windows has System32 redirected to SysWOW64 and so must name the
// native folder by its alias; the working directory stays as it is, because
// the 64-bit tool has no such alias. The folders come from the system, which
// need not be on C:.
static BOOL DisplaySwitchFile(LPWSTR pszFile, size_t cchFile)
{
    typedef BOOL (WINAPI *IS_WOW64_PROCESS)(HANDLE, PBOOL);
    IS_WOW64_PROCESS pIsWow64Process =
        (IS_WOW64_PROCESS)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
    BOOL bWow64 = FALSE;
    if (!pIsWow64Process || !pIsWow64Process(GetCurrentProcess(), &bWow64) || !bWow64)
        return SUCCEEDED(StringCchCopyW(pszFile, cchFile, L"DisplaySwitch.exe"));
    WCHAR szWindows[MAX_PATH];
    UINT cch = GetSystemWindowsDirectoryW(szWindows, MAX_PATH);
    return cch > 0 && cch < MAX_PATH && BuildProgramPath(pszFile, cchFile, szWindows, L"Sysnative\\DisplaySwitch.exe");
}

static int SwitchWithDisplaySwitch(void)
{
    int nMode = GetCurrentDisplaySwitchMode();
    int nShown;
    LPCWSTR pszArgument = DisplaySwitchArgument(nMode, &nShown);
    WCHAR szFile[MAX_PATH];
    WCHAR szSystem[MAX_PATH];
    UINT cchSystem = GetSystemDirectoryW(szSystem, MAX_PATH);
    // Not examined: the indicator for the new mode shows all the same. The
    // platform's thread has no COM of its own, which ShellExecute wants.
    if (DisplaySwitchFile(szFile, MAX_PATH) && cchSystem > 0 && cchSystem < MAX_PATH)
    {
        HRESULT hrCom = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ShellExecuteW(NULL, L"open", szFile, pszArgument, szSystem, SW_SHOW);
        if (SUCCEEDED(hrCom))
            CoUninitialize();
    }
    if (nMode == DISPLAY_MODE_UNKNOWN)
        return INDICATOR_NONE;
    DBGOUT("display switch mode = %d", nShown);
    Sleep(SWITCH_PAUSE_MS);
    return nShown;
}

// Hidden, without standard handles; its exit code says which mode it set. An
// exit code that cannot be read stays MAXDWORD, which shows nothing.
static BOOL RunHidden(LPWSTR pszCmd, DWORD *pdwExitCode)
{
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(NULL, pszCmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return FALSE;
    // Past the limit the mode counts as undetermined; the tool runs on by itself.
    *pdwExitCode = MAXDWORD;
    if (WaitForSingleObject(pi.hProcess, SCREENFLIP_WAIT_MS) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, pdwExitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return TRUE;
}

static BOOL ScreenflipExists(LPCWSTR pszDir)
{
    WCHAR szPath[CMDLINE_CCH];
    if (!BuildProgramPath(szPath, CMDLINE_CCH, pszDir, L"Screenflip.exe"))
        return FALSE;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(szPath, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(hFind);
    return TRUE;
}

// The maker's Screenflip.exe in the install folder; FALSE without it.
static BOOL FindScreenflip(LPWSTR pszDir, size_t cchDir)
{
    return ReadRegistryText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Halvern\\orx", L"TarnMonPath", pszDir, cchDir)
        && ScreenflipExists(pszDir);
}

// Whatever keeps Screenflip.exe from running shows the panel alone, as before.
static int SwitchWithScreenflip(void)
{
    WCHAR szDir[CMDLINE_CCH];
    WCHAR szCmd[CMDLINE_CCH];
    if (!FindScreenflip(szDir, CMDLINE_CCH)
        || !BuildProgramCommandLine(szCmd, CMDLINE_CCH, szDir, L"Screenflip.exe", L"Toggle"))
        return DISPLAY_INTERNAL;
    DWORD dwExitCode;
    if (!RunHidden(szCmd, &dwExitCode))
        return DISPLAY_INTERNAL;
    return IndicatorOfScreenflipExit(dwExitCode);
}

static BOOL HasDisplayConfiguration(void)
{
    HMODULE hUser32 = LoadLibraryW(DISPLAY_CONFIG_LIBRARY);
    if (!hUser32)
        return FALSE;
    BOOL bHas = GetProcAddress(hUser32, "GetDisplayConfigBufferSizes") && GetProcAddress(hUser32, "QueryDisplayConfig");
    FreeLibrary(hUser32);
    return bHas;
}

// Vista has neither the display-configuration functions nor DisplaySwitch.exe:
// there the maker's Screenflip.exe steps the display, as on XP, when it is
// installed; without either the attempt stays as it was.
int SwitchDisplayMode(void)
{
    WCHAR szDir[CMDLINE_CCH];
    if (g_nOSVersion < 60 || (!HasDisplayConfiguration() && FindScreenflip(szDir, CMDLINE_CCH)))
        return SwitchWithScreenflip();
    return SwitchWithDisplaySwitch();
}
