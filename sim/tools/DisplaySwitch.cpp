// DisplaySwitch.exe stand-in: records the arguments it was started with in the
// call log and exits 0, so tests can see which display mode the product asked for.
#include <windows.h>
#include "calllog.h"
#include <strsafe.h>

// The command line after the program name and the blanks that follow it,
// by the same rule the system uses to find argv[0].
static LPCWSTR SkipProgramName(LPCWSTR psz)
{
    if (*psz == L'"')
    {
        ++psz;
        while (*psz != L'\0' && *psz != L'"')
            ++psz;
        if (*psz == L'"')
            ++psz;
    }
    else
    {
        while (*psz != L'\0' && *psz != L' ' && *psz != L'\t')
            ++psz;
    }
    while (*psz == L' ' || *psz == L'\t')
        ++psz;
    return psz;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LPCWSTR pszArgs = SkipProgramName(GetCommandLineW());
    WCHAR szLine[CALL_LOG_LINE_MAX];
    // A cut line still tells the test which switch was asked for.
    if (*pszArgs == L'\0')
        StringCchCopyW(szLine, ARRAYSIZE(szLine), L"DisplaySwitch");
    else
        StringCchPrintfW(szLine, ARRAYSIZE(szLine), L"DisplaySwitch %ls", pszArgs);
    CallLogWriteWide(szLine);
    return 0;
}
