// The hooks of Tarnview's test build: what the virtual display and Wine cannot
// vary is read from HKCU\Software\TarnSim while a test has put it there.
#include <windows.h>
#include "tarnview.h"

#define SEAM_KEY L"Software\\TarnSim"
#define LIBRARY_CCH MAX_PATH

// "SeamOrientation" (REG_DWORD): the orientation the display reports from now on.
int SeamDisplayOrientation(int nReported)
{
    DWORD dwOrientation, cb = sizeof(dwOrientation);
    if (RegGetValueW(HKEY_CURRENT_USER, SEAM_KEY, L"SeamOrientation", RRF_RT_REG_DWORD, NULL, &dwOrientation, &cb)
        != ERROR_SUCCESS)
        return nReported;
    return (int)dwOrientation;
}

// "SeamDisplayConfigLibrary" (REG_SZ): the library to take the display-
// configuration functions from. Only the dispatcher's thread asks, one event at a time.
LPCWSTR SeamDisplayConfigLibrary(void)
{
    static WCHAR s_szLibrary[LIBRARY_CCH];
    DWORD cb = sizeof(s_szLibrary);
    if (RegGetValueW(HKEY_CURRENT_USER, SEAM_KEY, L"SeamDisplayConfigLibrary", RRF_RT_REG_SZ, NULL, s_szLibrary, &cb)
        != ERROR_SUCCESS)
        return L"User32.dll";
    return s_szLibrary;
}

// "SeamCreateProcessError" (REG_DWORD): the error a launch's CreateProcessW is
// taken to give, as Vista gives 740 for a program that needs administrator rights.
DWORD SeamCreateProcessRefusal(void)
{
    DWORD dwError, cb = sizeof(dwError);
    if (RegGetValueW(HKEY_CURRENT_USER, SEAM_KEY, L"SeamCreateProcessError", RRF_RT_REG_DWORD, NULL, &dwError, &cb)
        != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    return dwError;
}
