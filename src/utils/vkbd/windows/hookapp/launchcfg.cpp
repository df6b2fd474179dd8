// What each bezel button starts: the machine's policy, the user's value, the
// machine's value, then the maker's application; expanded and quoted the way
// Tarnview starts it. Pure registry and file look-ups, no log: the buttons'
// settings item runs this file too.
#include <windows.h>
#include <strsafe.h>
#include "launchcfg.h"
#include "tarnview.h"

// Per event: the value under "SOFTWARE\Halvern\BezelButton", and where the
// maker's default application lies when no location has that value.
typedef struct LAUNCH_CONFIG
{
    DWORD dwEvent;
    LPCWSTR pszValue;
    LPCWSTR pszFallbackKey;     // under HKEY_LOCAL_MACHINE; NULL for no default
    LPCWSTR pszFallbackValue;
    LPCWSTR pszFallbackProgram;
} LAUNCH_CONFIG;

static const LAUNCH_CONFIG s_configs[] = {
    { BEZELBUTTON_SINGLE_CLICK, L"SingleClickLaunch", L"SOFTWARE\\Halvern\\Pinwheel", L"InstallDir", L"Pinwheel.exe" },
    { BEZELBUTTON_DOUBLE_CLICK, L"DoubleClickLaunch", L"SOFTWARE\\Halvern\\DVT", L"INSTALLDIR", L"Dovetail.exe" },
    { BEZEL_CAMERA, L"BezelCameraLaunch", NULL, NULL, NULL },
};

static const LAUNCH_CONFIG *ConfigOf(DWORD dwEvent)
{
    for (const LAUNCH_CONFIG &config : s_configs)
        if (config.dwEvent == dwEvent)
            return &config;
    return NULL;
}

LPCWSTR LaunchValueName(DWORD dwEvent)
{
    const LAUNCH_CONFIG *pConfig = ConfigOf(dwEvent);
    return pConfig ? pConfig->pszValue : NULL;
}

// The maker's installers are 32-bit programs: on 64-bit Windows their HKLM
// values lie in the 32-bit view, which the 64-bit build reads when its own lacks them.
static BOOL ReadMachineText(LPCWSTR pszKey, LPCWSTR pszValue, LPWSTR pszText, size_t cchText, DWORD *pdwType)
{
    if (ReadRegistryTextOfView(HKEY_LOCAL_MACHINE, 0, pszKey, pszValue, pszText, cchText, pdwType))
        return TRUE;
#ifdef _WIN64
    return ReadRegistryTextOfView(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, pszKey, pszValue, pszText, cchText, pdwType);
#else
    return FALSE;
#endif
}

// Group Policy writes the native view; a 32-bit build on 64-bit Windows asks for
// it outright (32-bit Windows ignores the flag).
static BOOL ReadPolicyText(LPCWSTR pszValue, LPWSTR pszText, size_t cchText, DWORD *pdwType)
{
    return ReadRegistryTextOfView(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, BEZEL_POLICY_KEY, pszValue, pszText, cchText,
                                  pdwType)
        || ReadRegistryTextOfView(HKEY_LOCAL_MACHINE, 0, BEZEL_POLICY_KEY, pszValue, pszText, cchText, pdwType);
}

static BOOL IsExistingFile(LPCWSTR pszPath)
{
    DWORD dwAttributes = GetFileAttributesW(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A REG_EXPAND_SZ text with its variables filled in (into the buffer of
// LAUNCH_CMDLINE_CCH), any other as it is; NULL when the expansion does not fit.
static LPCWSTR ExpandedText(LPCWSTR pszText, BOOL bExpand, LPWSTR pszBuffer)
{
    if (!bExpand)
        return pszText;
    DWORD cch = ExpandEnvironmentStringsW(pszText, pszBuffer, LAUNCH_CMDLINE_CCH);
    return cch == 0 || cch > LAUNCH_CMDLINE_CCH ? NULL : pszBuffer;
}

// Unquoted, "C:\Tools\My App\cam.exe" would start a planted "C:\Tools\My.exe":
// a text that names an existing program as a whole is quoted. A text with its
// own quotes or with arguments is the user's command line and goes as it is.
BOOL PrepareLaunchCommand(LPCWSTR pszConfigured, BOOL bExpand, LPWSTR pszCmd, size_t cchCmd)
{
    if (cchCmd == 0)
        return FALSE;
    WCHAR szExpanded[LAUNCH_CMDLINE_CCH];
    LPCWSTR pszText = ExpandedText(pszConfigured, bExpand, szExpanded);
    HRESULT hr = E_FAIL;
    if (pszText && pszText[0] != L'"' && wcspbrk(pszText, L" \t") && IsExistingFile(pszText))
        hr = StringCchPrintfW(pszCmd, cchCmd, L"\"%ls\"", pszText);
    else if (pszText)
        hr = StringCchCopyW(pszCmd, cchCmd, pszText);
    if (SUCCEEDED(hr))
        return TRUE;
    // Never started cut short.
    pszCmd[0] = L'\0';
    return FALSE;
}

// The maker's application in the folder its installer recorded.
static BOOL FindDefaultCommand(const LAUNCH_CONFIG *pConfig, LPWSTR pszCmd, size_t cchCmd)
{
    WCHAR szDir[LAUNCH_CMDLINE_CCH];
    WCHAR szExpanded[LAUNCH_CMDLINE_CCH];
    DWORD dwType = REG_SZ;
    if (!pConfig->pszFallbackKey
        || !ReadMachineText(pConfig->pszFallbackKey, pConfig->pszFallbackValue, szDir, LAUNCH_CMDLINE_CCH, &dwType))
        return FALSE;
    LPCWSTR pszDir = ExpandedText(szDir, dwType == REG_EXPAND_SZ, szExpanded);
    // A default whose command line does not fit counts as not configured.
    return pszDir && BuildProgramCommandLine(pszCmd, cchCmd, pszDir, pConfig->pszFallbackProgram, NULL);
}

// A value that is present ends the search, even when it cannot be started.
LAUNCH_SOURCE FindLaunchCommand(DWORD dwEvent, BOOL bWithUser, LPWSTR pszCmd, size_t cchCmd)
{
    if (cchCmd == 0)
        return LAUNCH_NONE;
    pszCmd[0] = L'\0';
    const LAUNCH_CONFIG *pConfig = ConfigOf(dwEvent);
    if (!pConfig)
        return LAUNCH_NONE;
    WCHAR szText[LAUNCH_CMDLINE_CCH];
    DWORD dwType = REG_SZ;
    LAUNCH_SOURCE source = LAUNCH_NONE;
    if (ReadPolicyText(pConfig->pszValue, szText, LAUNCH_CMDLINE_CCH, &dwType))
        source = LAUNCH_POLICY;
    else if (bWithUser && ReadRegistryTextOfView(HKEY_CURRENT_USER, 0, BEZEL_BUTTON_KEY, pConfig->pszValue, szText,
                                                 LAUNCH_CMDLINE_CCH, &dwType))
        source = LAUNCH_USER;
    else if (ReadMachineText(BEZEL_BUTTON_KEY, pConfig->pszValue, szText, LAUNCH_CMDLINE_CCH, &dwType))
        source = LAUNCH_MACHINE;
    if (source != LAUNCH_NONE)
    {
        PrepareLaunchCommand(szText, dwType == REG_EXPAND_SZ, pszCmd, cchCmd);
        return source;
    }
    return FindDefaultCommand(pConfig, pszCmd, cchCmd) ? LAUNCH_DEFAULT : LAUNCH_NONE;
}
