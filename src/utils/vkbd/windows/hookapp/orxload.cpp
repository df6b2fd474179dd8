// The maker's platform-service libraries, loaded at run time rather than imported:
// without the platform package (or with only its 32-bit libraries under the 64-bit
// build) Tarnview still starts, and the hook and the OSD work. The ORX_ functions
// here stand for the libraries' own and call through what was found.
#include <windows.h>
#include <strsafe.h>
#include "OrxApi.h"
#include "Tarnwatch.h"
#include "tarnview.h"

typedef DWORD (WINAPI *ORX_VOID_FN)(void);
typedef DWORD (WINAPI *ORX_ABORT_FN)(ORX_ABORT_HANDLER);
typedef DWORD (WINAPI *ORX_CALLBACK_FN)(ORX_VKBD_CALLBACK);
typedef DWORD (WINAPI *ORX_GET_FN)(DWORD *);
typedef DWORD (WINAPI *ORX_SET_FN)(DWORD);

typedef struct ORX_PROC
{
    int nLibrary;        // index into s_pszLibraries
    LPCSTR pszName;
    FARPROC pfn;
} ORX_PROC;

static const LPCWSTR s_pszLibraries[] = { L"OrxCore.dll", L"OrxVKbd.dll", L"OrxPM.dll" };

enum { P_INITIALIZE, P_UNINITIALIZE, P_SETABORT, P_REGISTER, P_GETWIFI, P_SETWIFI, P_GET3G, P_SET3G,
       P_GETLCD, P_SETLCD, P_COUNT };

static ORX_PROC s_procs[P_COUNT] = {
    { 0, "ORX_Initialize", NULL }, { 0, "ORX_Uninitialize", NULL }, { 0, "ORX_SetAbortHandler", NULL },
    { 1, "ORX_RegisterVKbdCallback", NULL },
    { 2, "ORX_GetWiFiPowerStatus", NULL }, { 2, "ORX_SetWiFiPowerStatus", NULL },
    { 2, "ORX_Get3GPowerStatus", NULL }, { 2, "ORX_Set3GPowerStatus", NULL },
    { 2, "ORX_GetLcdBrightness", NULL }, { 2, "ORX_SetLcdBrightness", NULL },
};

static BOOL s_bLoaded = FALSE;
static BOOL s_bMissingLogged = FALSE;

// The folder part of a full path, with its final backslash; FALSE when none fits.
static BOOL FolderOf(LPWSTR pszPath)
{
    LPWSTR pszSlash = wcsrchr(pszPath, L'\\');
    if (!pszSlash)
        return FALSE;
    pszSlash[1] = L'\0';
    return TRUE;
}

// Where the loader would look for an import: the program's folder, then the
// system folder; never the current directory. The library's own imports are
// looked for beside it.
static HMODULE LoadFrom(LPCWSTR pszName)
{
    WCHAR szPath[MAX_PATH];
    DWORD cch = GetModuleFileNameW(NULL, szPath, MAX_PATH);
    if (cch > 0 && cch < MAX_PATH && FolderOf(szPath) && SUCCEEDED(StringCchCatW(szPath, MAX_PATH, pszName)))
    {
        HMODULE hLib = LoadLibraryExW(szPath, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (hLib)
            return hLib;
    }
    UINT cchSys = GetSystemDirectoryW(szPath, MAX_PATH);
    if (cchSys == 0 || cchSys >= MAX_PATH || FAILED(StringCchCatW(szPath, MAX_PATH, L"\\"))
        || FAILED(StringCchCatW(szPath, MAX_PATH, pszName)))
        return NULL;
    return LoadLibraryExW(szPath, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// On the service thread, before each initialise attempt: TRUE once all three
// libraries and every function are there. A partial find is given back, so a
// package still being installed is looked at afresh next time.
BOOL LoadPlatformLibraries(void)
{
    if (s_bLoaded)
        return TRUE;
    HMODULE hLibs[ARRAYSIZE(s_pszLibraries)] = { NULL };
    BOOL bAll = TRUE;
    for (int i = 0; i < (int)ARRAYSIZE(s_pszLibraries) && bAll; ++i)
        bAll = (hLibs[i] = LoadFrom(s_pszLibraries[i])) != NULL;
    for (int i = 0; i < P_COUNT && bAll; ++i)
        bAll = (s_procs[i].pfn = GetProcAddress(hLibs[s_procs[i].nLibrary], s_procs[i].pszName)) != NULL;
    if (bAll)
    {
        // Kept for the life of the process: callbacks may run at any time.
        s_bLoaded = TRUE;
        return TRUE;
    }
    for (HMODULE hLib : hLibs)
        if (hLib)
            FreeLibrary(hLib);
    if (!s_bMissingLogged)
        DBGOUT("Tarnview: platform package not found, the hardware buttons wait for it");
    s_bMissingLogged = TRUE;
    return FALSE;
}

// Called only once LoadPlatformLibraries has succeeded (the callback is
// registered after it); a failure code otherwise, never a null call.
#define ORX_NOT_LOADED 1
#define ORX_CALL(index, type, args) \
    (s_bLoaded ? ((type)(void *)s_procs[index].pfn) args : ORX_NOT_LOADED)

extern "C" {

DWORD WINAPI ORX_Initialize(void) { return ORX_CALL(P_INITIALIZE, ORX_VOID_FN, ()); }
DWORD WINAPI ORX_Uninitialize(void) { return ORX_CALL(P_UNINITIALIZE, ORX_VOID_FN, ()); }
DWORD WINAPI ORX_SetAbortHandler(ORX_ABORT_HANDLER pHandler) { return ORX_CALL(P_SETABORT, ORX_ABORT_FN, (pHandler)); }
DWORD WINAPI ORX_RegisterVKbdCallback(ORX_VKBD_CALLBACK pCallback)
{
    return ORX_CALL(P_REGISTER, ORX_CALLBACK_FN, (pCallback));
}
DWORD WINAPI ORX_GetWiFiPowerStatus(DWORD *pStatus) { return ORX_CALL(P_GETWIFI, ORX_GET_FN, (pStatus)); }
DWORD WINAPI ORX_SetWiFiPowerStatus(DWORD dwStatus) { return ORX_CALL(P_SETWIFI, ORX_SET_FN, (dwStatus)); }
DWORD WINAPI ORX_Get3GPowerStatus(DWORD *pStatus) { return ORX_CALL(P_GET3G, ORX_GET_FN, (pStatus)); }
DWORD WINAPI ORX_Set3GPowerStatus(DWORD dwStatus) { return ORX_CALL(P_SET3G, ORX_SET_FN, (dwStatus)); }
DWORD WINAPI ORX_GetLcdBrightness(DWORD *pLevel) { return ORX_CALL(P_GETLCD, ORX_GET_FN, (pLevel)); }
DWORD WINAPI ORX_SetLcdBrightness(DWORD dwLevel) { return ORX_CALL(P_SETLCD, ORX_SET_FN, (dwLevel)); }

}
