// The setup end to end, silently, in a 64-bit prefix of its own: install into a
// folder with a blank, upgrade over a running Tarnview, uninstall, the i686 build
// on 64-bit Windows (/X86: the 32-bit registry view and Program Files (x86)), and
// a machine without the maker's platform libraries; the Windows Installer packages
// through msiexec. TARN_SETUP names the setup under test (scripts/test.sh); without
// it, the one the build made.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <vector>
#include "harness.h"
#include <msi.h>
#include "osdcheck.h"
#include "Tarnwatch.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarn";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kOrxKey[] = L"SOFTWARE\\Halvern\\orx";
const wchar_t kBezelKey[] = L"SOFTWARE\\Halvern\\BezelButton";
const wchar_t *const kProductFiles[] = { L"Tarnview.exe", L"Tarnwatch.dll", L"TarnButtons.cpl" };
const wchar_t kCplsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";
const wchar_t kCplCategoryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Extended Properties\\"
                                  L"{305CA226-D286-468e-B848-2B2E8E697B74} 2";
const wchar_t *const kPlatformLibraries[] = { L"OrxCore.dll", L"OrxVKbd.dll", L"OrxPM.dll" };
const DWORD kSetupMs = 120000;
const DWORD kExitNoPlatform = 3, kExitOtherPackage = 4, kExitNewerInstalled = 5, kExitRestart = 3010, kMsiFailed = 1603;
const wchar_t kSessionManagerKey[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kUpgradeCode[] = L"{6B2D8F3E-4A71-4C1E-9D53-2F0E8A7C1B94}";
const wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;

std::wstring Version()
{
    wchar_t sz[32];
    swprintf(sz, 32, L"%d.%d.%d", TARN_VERSION_MAJOR, TARN_VERSION_MINOR, TARN_VERSION_PATCH);
    return sz;
}

// Program Files\Halvern\Tarn: the native folder, or the one for 32-bit programs.
std::wstring DefaultFolder(int csidl)
{
    wchar_t sz[MAX_PATH];
    if (FAILED(SHGetFolderPathW(NULL, csidl, NULL, 0, sz)))
        return L"";
    return std::wstring(sz) + L"\\Halvern\\Tarn";
}

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int CountFiles(const std::wstring &pattern)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(pattern.c_str(), &fd);
    int n = 0;
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
            ++n;
        while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    return n;
}

// A value of a key in one registry view; false when the key or value is missing.
bool ReadValue(REGSAM view, HKEY hRoot, const wchar_t *pszKey, const wchar_t *pszName, DWORD dwType,
               void *pData, DWORD cbData)
{
    HKEY hKey;
    if (RegOpenKeyExW(hRoot, pszKey, 0, KEY_READ | view, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwFound = 0;
    LONG lResult = RegQueryValueExW(hKey, pszName, NULL, &dwFound, (BYTE *)pData, &cbData);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS && dwFound == dwType;
}

// A string value, or "(none)".
std::wstring ReadString(REGSAM view, HKEY hRoot, const wchar_t *pszKey, const wchar_t *pszName)
{
    wchar_t sz[1024] = L"";
    if (!ReadValue(view, hRoot, pszKey, pszName, REG_SZ, sz, sizeof(sz) - sizeof(wchar_t)))
        return L"(none)";
    return sz;
}

// The setup speaks the user's language (this test's own, set for its runs in
// other languages), English for one it lacks; it names the item's shortcut in it.
struct SetupLanguage { LANGID lang; const wchar_t *recorded, *shortcut; };
const SetupLanguage &UsersLanguage()
{
    static const SetupLanguage langs[] = {
        { 0x0409, L"1033", L"Tarn Buttons" }, { 0x0407, L"1031", L"Tarn-Tasten" },
        { 0x0411, L"1041", L"Tarn ボタン" }, { 0x0413, L"1033", L"Tarn Buttons" },
        { 0x0C04, L"1028", L"Tarn 按鈕" },
    };
    for (const SetupLanguage &l : langs)
        if (l.lang == GetUserDefaultUILanguage())
            return l;
    ADD_FAILURE() << "a run in language " << GetUserDefaultUILanguage() << ", which this table lacks";
    return langs[0];
}

DWORD ReadUninstallDword(REGSAM view, const wchar_t *pszName)
{
    DWORD dw = 0;
    ReadValue(view, HKEY_LOCAL_MACHINE, kUninstallKey, pszName, REG_DWORD, &dw, sizeof(dw));
    return dw;
}

bool UninstallEntryExists(REGSAM view)
{
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

// "a.b.c" from the fixed part of a file's version resource, or a string value of it.
std::wstring FileVersion(const std::wstring &path, const wchar_t *pszString = NULL)
{
    DWORD dwHandle = 0, cb = GetFileVersionInfoSizeW(path.c_str(), &dwHandle);
    std::vector<BYTE> data(cb + 1);
    void *p = NULL;
    UINT cch = 0;
    if (!cb || !GetFileVersionInfoW(path.c_str(), 0, cb, data.data()))
        return L"(none)";
    if (pszString)
    {
        std::wstring sub = std::wstring(L"\\StringFileInfo\\040904B0\\") + pszString;
        return VerQueryValueW(data.data(), sub.c_str(), &p, &cch) ? (const wchar_t *)p : L"(none)";
    }
    if (!VerQueryValueW(data.data(), L"\\", &p, &cch))
        return L"(none)";
    const VS_FIXEDFILEINFO *pInfo = (const VS_FIXEDFILEINFO *)p;
    wchar_t sz[32];
    swprintf(sz, 32, L"%u.%u.%u", HIWORD(pInfo->dwFileVersionMS), LOWORD(pInfo->dwFileVersionMS),
             HIWORD(pInfo->dwFileVersionLS));
    return sz;
}

// Makes an installed binary look like an earlier release's: its fixed version says 0.9.0.
bool StampOlderVersion(const std::wstring &path)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    std::vector<BYTE> data(GetFileSize(hFile, NULL));
    DWORD cb = 0;
    bool bDone = false;
    const DWORD signature = 0xFEEF04BD, older[4] = { 0x00000009, 0, 0x00000009, 0 };
    if (ReadFile(hFile, data.data(), (DWORD)data.size(), &cb, NULL) && cb == data.size())
        for (size_t i = 0; i + 24 <= data.size() && !bDone; i += 4)
            if (memcmp(&data[i], &signature, 4) == 0)
                bDone = SetFilePointer(hFile, (LONG)(i + 8), NULL, FILE_BEGIN) == (DWORD)(i + 8)
                        && WriteFile(hFile, older, sizeof(older), &cb, NULL) && cb == sizeof(older);
    CloseHandle(hFile);
    return bDone;
}

DWORD g_dwLastRunPid = 0;   // the process RunToEnd ran last

// Runs a program to its end: its exit code, or -1 if it did not start or end in time.
DWORD RunToEnd(const std::wstring &exe, const std::wstring &args)
{
    HANDLE hProcess = tarn::StartProgram(exe, args, L"");
    g_dwLastRunPid = hProcess ? GetProcessId(hProcess) : 0;
    DWORD dwCode = (DWORD)-1;
    if (hProcess && WaitForSingleObject(hProcess, kSetupMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(hProcess, &dwCode);
    if (hProcess)
        CloseHandle(hProcess);
    return dwCode;
}

// A command line as the registry keeps one: "<program>" <arguments>.
DWORD RunCommandToEnd(const std::wstring &command)
{
    size_t end = command.find(L'"', 1);
    if (command.empty() || command[0] != L'"' || end == std::wstring::npos)
        return (DWORD)-1;
    return RunToEnd(command.substr(1, end - 1), end + 2 < command.size() ? command.substr(end + 2) : L"");
}

// The silent setup; /D= must come last. TARN_SETUP_NOSHELL names the same setup
// built to find no desktop shell, as under a deployment tool's service.
DWORD RunSetup(const std::wstring &args, const wchar_t *pszVariable = L"TARN_SETUP")
{
    wchar_t szExe[MAX_PATH];
    DWORD cch = GetEnvironmentVariableW(pszVariable, szExe, MAX_PATH);
    std::wstring exe = cch > 0 && cch < MAX_PATH ? szExe : tarn::OutDir() + L"\\..\\Tarn-" + Version() + L"-setup.exe";
    return RunToEnd(exe, L"/S " + args);
}

// msiexec with its pages off; "<package>" names out/Tarn-<version>-<arch>.msi, or
// the older-numbered one the build made for the upgrade.
DWORD RunMsiexec(const wchar_t *pszVerb, const std::wstring &package)
{
    wchar_t szSystem[MAX_PATH];
    GetSystemDirectoryW(szSystem, MAX_PATH);
    return RunToEnd(std::wstring(szSystem) + L"\\msiexec.exe", std::wstring(pszVerb) + L" \"" + package + L"\" /qn");
}

std::wstring Msi(const wchar_t *pszArch, bool bOlder = false)
{
    return bOlder ? tarn::OutDir() + L"\\..\\..\\build\\msi-older\\Tarn-0.9.0-" + pszArch + L".msi"
                  : tarn::OutDir() + L"\\..\\Tarn-" + Version() + L"-" + pszArch + L".msi";
}

// Uninstall entries of one view named "Tarn", whichever package made them; the last one's version.
int CountTarnEntries(REGSAM view, std::wstring *pVersion = NULL)
{
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_READ | view, &hKey) != ERROR_SUCCESS)
        return 0;
    wchar_t szName[256];
    int n = 0;
    for (DWORD i = 0, cch = 256; RegEnumKeyExW(hKey, i, szName, &cch, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
         ++i, cch = 256)
    {
        std::wstring sub = std::wstring(kUninstallRoot) + L"\\" + szName;
        if (ReadString(view, HKEY_LOCAL_MACHINE, sub.c_str(), L"DisplayName") != L"Tarn")
            continue;
        EXPECT_EQ("Halvern", tarn::Narrow(ReadString(view, HKEY_LOCAL_MACHINE, sub.c_str(), L"Publisher")));
        if (pVersion)
            *pVersion = ReadString(view, HKEY_LOCAL_MACHINE, sub.c_str(), L"DisplayVersion");
        ++n;
    }
    RegCloseKey(hKey);
    return n;
}

// IMAGE_FILE_MACHINE_AMD64 or _I386 from a program file's header; 0 if unreadable.
WORD MachineOf(const std::wstring &path)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    IMAGE_DOS_HEADER dos = {};
    IMAGE_FILE_HEADER file = {};
    DWORD cb = 0, signature = 0;
    bool bRead = hFile != INVALID_HANDLE_VALUE && ReadFile(hFile, &dos, sizeof(dos), &cb, NULL)
                 && SetFilePointer(hFile, dos.e_lfanew, NULL, FILE_BEGIN) == (DWORD)dos.e_lfanew
                 && ReadFile(hFile, &signature, 4, &cb, NULL) && ReadFile(hFile, &file, sizeof(file), &cb, NULL);
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
    return bRead && signature == IMAGE_NT_SIGNATURE ? file.Machine : 0;
}

// The process of the running Tarnview's "HookWnd", and the program file it runs.
HANDLE OpenTarnview(std::wstring *pImage)
{
    DWORD pid = 0;
    if (!tarn::WaitUntil([&] { return GetWindowThreadProcessId(tarn::FindHookWnd(), &pid) != 0; }, 30000))
        return NULL;
    HANDLE hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    wchar_t sz[MAX_PATH] = L"";
    DWORD cch = MAX_PATH;
    if (hProcess && pImage && QueryFullProcessImageNameW(hProcess, 0, sz, &cch))
        *pImage = sz;
    return hProcess;
}

// Who started a process: the parent's program name and process id.
std::string ParentOf(HANDLE hProcess, DWORD *pParentPid)
{
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    *pParentPid = 0;
    std::string name = "(gone)";
    for (BOOL b = Process32FirstW(hSnap, &pe); b; b = Process32NextW(hSnap, &pe))
        if (pe.th32ProcessID == GetProcessId(hProcess))
            *pParentPid = pe.th32ParentProcessID;
    for (BOOL b = Process32FirstW(hSnap, &pe); b && *pParentPid; b = Process32NextW(hSnap, &pe))
        if (pe.th32ProcessID == *pParentPid)
            name = tarn::Narrow(pe.szExeFile);
    CloseHandle(hSnap);
    return name;
}

// Sets the prefix's Windows version for the programs started from now on (Wine
// reads it at each start); gives back the one it replaces.
std::wstring SwapPrefixVersion(const std::wstring &version)
{
    HKEY hKey;
    wchar_t szOld[32] = L"";
    DWORD cb = sizeof(szOld) - sizeof(wchar_t);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL) != ERROR_SUCCESS)
        return L"";
    RegQueryValueExW(hKey, L"Version", NULL, NULL, (BYTE *)szOld, &cb);
    RegSetValueExW(hKey, L"Version", 0, REG_SZ, (const BYTE *)version.c_str(), (DWORD)(version.size() + 1) * sizeof(wchar_t));
    RegCloseKey(hKey);
    return szOld;
}

class Setup : public ::testing::Test
{
protected:
    std::vector<std::wstring> m_movedLibraries;   // the platform libraries taken out of the system folder

    void SetUp() override
    {
        tarn::StopAnyTarnview();
        tarn::PrepareLog();
    }

    void TearDown() override
    {
        for (const std::wstring &path : m_movedLibraries)
            MoveFileW((path + L".away").c_str(), path.c_str());
        for (REGSAM view : { k64, k32 })
            if (UninstallEntryExists(view))
                Uninstall(view);
        wchar_t szProduct[39];
        while (MsiEnumRelatedProductsW(kUpgradeCode, 0, 0, szProduct) == ERROR_SUCCESS)
            if (RunMsiexec(L"/x", szProduct) != 0)
                break;
        tarn::StopAnyTarnview();
    }

    // As Add/Remove Programs does it: the entry's quiet command, which hands over to a
    // copy of itself and returns at once; done when the entry and the folder are gone.
    bool Uninstall(REGSAM view)
    {
        std::wstring folder = ReadString(view, HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation");
        std::wstring command = ReadString(view, HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString");
        return RunCommandToEnd(command) == 0
               && tarn::WaitUntil([&] { return !UninstallEntryExists(view) && !Exists(folder); }, kSetupMs);
    }

    // From the native system folder, or from SysWOW64.
    void MovePlatformAway(bool bWow64 = false)
    {
        wchar_t szSystem[MAX_PATH];
        ASSERT_NE(0u, bWow64 ? GetSystemWow64DirectoryW(szSystem, MAX_PATH) : GetSystemDirectoryW(szSystem, MAX_PATH));
        for (const wchar_t *pszName : kPlatformLibraries)
        {
            std::wstring path = std::wstring(szSystem) + L"\\" + pszName;
            ASSERT_TRUE(MoveFileW(path.c_str(), (path + L".away").c_str())) << tarn::Narrow(path);
            m_movedLibraries.push_back(path);
        }
    }

    // Listed for XP, in Hardware and Sound (2) for Vista and 7, and in the Start menu.
    void ExpectControlPanelItem(const std::wstring &cpl, bool bPresent, int csidlPrograms = CSIDL_COMMON_PROGRAMS)
    {
        DWORD dwCategory = 0;
        bool bCategory = ReadValue(k64, HKEY_LOCAL_MACHINE, kCplCategoryKey, cpl.c_str(), REG_DWORD, &dwCategory, 4);
        EXPECT_EQ(bPresent ? tarn::Narrow(cpl) : "(none)",
                  tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kCplsKey, L"TarnButtons")));
        EXPECT_EQ(bPresent, bCategory && dwCategory == 2);
        wchar_t szPrograms[MAX_PATH] = L"";
        SHGetFolderPathW(NULL, csidlPrograms, NULL, 0, szPrograms);
        EXPECT_EQ(bPresent, Exists(std::wstring(szPrograms) + L"\\" + UsersLanguage().shortcut + L".lnk"))
            << tarn::Narrow(szPrograms);
    }

    void ExpectUninstallEntry(REGSAM view, const std::wstring &folder)
    {
        struct { const wchar_t *pszName; std::wstring expected; } values[] = {
            { L"DisplayName", L"Tarn" }, { L"DisplayVersion", Version() }, { L"Publisher", L"Halvern" },
            { L"DisplayIcon", folder + L"\\bin\\Tarnview.exe" }, { L"InstallLocation", folder },
            { L"UninstallString", L"\"" + folder + L"\\Uninstall.exe\"" },
            { L"QuietUninstallString", L"\"" + folder + L"\\Uninstall.exe\" /S" },
        };
        for (const auto &v : values)
            EXPECT_EQ(tarn::Narrow(v.expected), tarn::Narrow(ReadString(view, HKEY_LOCAL_MACHINE, kUninstallKey,
                                                                         v.pszName))) << tarn::Narrow(v.pszName);
        EXPECT_GT(ReadUninstallDword(view, L"EstimatedSize"), 100u) << "KB";
        EXPECT_EQ(1u, ReadUninstallDword(view, L"NoModify"));
        EXPECT_EQ(1u, ReadUninstallDword(view, L"NoRepair"));
    }
};

TEST_F(Setup, SilentInstallIntoFolderWithBlankRunsTarnviewThatShowsIndicators)
{
    const std::wstring folder = L"C:\\Tarn Test\\Halvern Tarn", bin = folder + L"\\bin";
    ASSERT_EQ(0u, RunSetup(L"/D=" + folder));

    for (const wchar_t *pszName : kProductFiles)
    {
        std::wstring path = bin + L"\\" + pszName;
        EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(path))) << tarn::Narrow(pszName);
        EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(path, L"ProductVersion")));
        EXPECT_EQ("Halvern", tarn::Narrow(FileVersion(path, L"CompanyName")));
        EXPECT_EQ("Tarn", tarn::Narrow(FileVersion(path, L"ProductName")));
    }
    EXPECT_EQ(19, CountFiles(folder + L"\\Resource\\*.png"));
    for (const wchar_t *pszName : kPlatformLibraries)
        EXPECT_FALSE(Exists(bin + L"\\" + pszName)) << "the maker's file is not ours to ship";

    EXPECT_EQ(tarn::Narrow(bin), tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")))
        << "the other build's view";
    EXPECT_EQ(tarn::Narrow(L"\"" + bin + L"\\Tarnview.exe\""),
              tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kRunKey, L"Tarnview")));
    ExpectUninstallEntry(k64, folder);
    ExpectControlPanelItem(bin + L"\\TarnButtons.cpl", true);

    std::wstring image;
    HANDLE hTarnview = OpenTarnview(&image);
    ASSERT_NE(nullptr, hTarnview) << "the setup did not start Tarnview";
    EXPECT_EQ(0, lstrcmpiW((bin + L"\\Tarnview.exe").c_str(), image.c_str())) << tarn::Narrow(image);
    DWORD dwParent = 0;
    EXPECT_EQ("explorer.exe", ParentOf(hTarnview, &dwParent)) << "started by the signed-in user's shell, not the setup";
    ASSERT_TRUE(tarn::WaitForStartup(hTarnview, 90000));
    EXPECT_EQ(1, tarn::CountHookWindows());
    // The picture proves that "TarnMonPath" led Tarnview to the installed Resource folder.
    osd::Pixels wlanOn = osd::LoadPicture(L"Wl_On.png");
    tarn::SendIndicator(WLAN_ON, 0);
    HWND hOsd = osd::WaitForVisibleOsd(15000);
    ASSERT_NE(nullptr, hOsd);
    RECT rc;
    GetWindowRect(hOsd, &rc);
    EXPECT_TRUE(tarn::WaitUntil([&] {
        return osd::CountMismatches(osd::Capture(rc), wlanOn, osd::Bars(), { 2, 2, 52, 52 }, 6) == 0;
    }, 15000));
    CloseHandle(hTarnview);
}

TEST_F(Setup, SilentUpgradeEndsRunningTarnviewAndReplacesItsFilesInPlace)
{
    const std::wstring folder = L"C:\\Tarn Upgrade\\Tarn", bin = folder + L"\\bin";
    ASSERT_EQ(0u, RunSetup(L"/NOSTART /D=" + folder));
    for (const wchar_t *pszName : kProductFiles)
        ASSERT_TRUE(StampOlderVersion(bin + L"\\" + pszName));
    EXPECT_EQ(nullptr, tarn::FindHookWnd()) << "/NOSTART";
    HANDLE hOld = tarn::StartProgram(bin + L"\\Tarnview.exe", L"", bin);
    ASSERT_NE(nullptr, hOld);
    ASSERT_TRUE(tarn::WaitUntil([] { return tarn::FindHookWnd() != NULL; }, 30000));
    // Another program that only bears the name is not the install's Tarnview.
    const std::wstring other = L"C:\\Tarn Other\\Tarnview.exe";
    CreateDirectoryW(L"C:\\Tarn Other", NULL);
    ASSERT_TRUE(CopyFileW((tarn::SimDir() + L"\\LaunchTarget.exe").c_str(), other.c_str(), FALSE));
    HANDLE hOther = tarn::StartProgram(other, L"--delay never --life 120000", L"C:\\Tarn Other");
    ASSERT_NE(nullptr, hOther);

    // On XP the setup has no elevated token to pass on: it starts Tarnview itself.
    const std::wstring version = SwapPrefixVersion(L"winxp64");
    EXPECT_EQ(0u, RunSetup(L"")) << "no /D=: the installed folder";
    const DWORD dwSetup = g_dwLastRunPid;
    SwapPrefixVersion(version);
    DWORD dwParent = 0;
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(hOld, 0)) << "the old Tarnview still runs";
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(hOther, 0)) << "a program of that name elsewhere was ended";
    tarn::StopProcess(hOther);
    std::wstring image;
    HANDLE hNew = OpenTarnview(&image);
    ASSERT_NE(nullptr, hNew) << "the setup did not start Tarnview again";
    ParentOf(hNew, &dwParent);
    EXPECT_EQ(dwSetup, dwParent);
    EXPECT_EQ(0, lstrcmpiW((bin + L"\\Tarnview.exe").c_str(), image.c_str())) << tarn::Narrow(image);
    EXPECT_NE(GetProcessId(hOld), GetProcessId(hNew));
    EXPECT_EQ(1, tarn::CountHookWindows());
    for (const wchar_t *pszName : kProductFiles)
        EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(bin + L"\\" + pszName))) << tarn::Narrow(pszName);
    EXPECT_EQ(tarn::Narrow(folder), tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kUninstallKey,
                                                            L"InstallLocation")));
    EXPECT_FALSE(Exists(DefaultFolder(CSIDL_PROGRAM_FILES)));
    // With no desktop shell to ask, an elevated setup starts nothing: the Run value
    // will; nor does one that runs on XP as another user than the session's.
    for (const wchar_t *pszVersion : { L"", L"winxp64" })
    {
        const std::wstring previous = *pszVersion ? SwapPrefixVersion(pszVersion) : L"";
        ASSERT_EQ(0u, RunSetup(L"", L"TARN_SETUP_NOSHELL")) << "the same version repairs";
        if (*pszVersion)
            SwapPrefixVersion(previous);
        EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(hNew, 0));
        EXPECT_FALSE(tarn::WaitUntil([] { return tarn::FindHookWnd() != NULL; }, 5000))
            << "started with the setup's rights " << tarn::Narrow(pszVersion);
    }
    // An install newer than this setup is left as it is.
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE | k64, &hKey));
    RegSetValueExW(hKey, L"DisplayVersion", 0, REG_SZ, (const BYTE *)L"9.0.0", 6 * sizeof(wchar_t));
    RegCloseKey(hKey);
    EXPECT_EQ(kExitNewerInstalled, RunSetup(L"/NOSTART"));
    EXPECT_EQ("9.0.0", tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion")));
    CloseHandle(hNew);
    CloseHandle(hOld);
}

// The pending renames Windows carries out at the next start, as one text.
std::wstring PendingRenames()
{
    wchar_t sz[8192] = L"";
    DWORD cb = sizeof(sz) - 2 * sizeof(wchar_t);
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, &hKey) == ERROR_SUCCESS)
    {
        RegQueryValueExW(hKey, L"PendingFileRenameOperations", NULL, NULL, (BYTE *)sz, &cb);
        RegCloseKey(hKey);
    }
    std::wstring text(sz, cb / sizeof(wchar_t));
    for (wchar_t &c : text)
        c = c ? towlower(c) : L'|';
    return text;
}

void ForgetPendingRenames()
{
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
    {
        RegDeleteValueW(hKey, L"PendingFileRenameOperations");
        RegCloseKey(hKey);
    }
}

// A file the setup cannot replace or remove now (its Tarnview could not be ended)
// is replaced or removed at the next restart: exit code 3010, nothing started,
// and nothing written twice: a later run in between leaves nothing that the
// restart would bring back. A read-only file is simply replaced.
TEST_F(Setup, FilesInUseAreReplacedAtTheNextRestart)
{
    const std::wstring folder = L"C:\\Tarn In Use", bin = folder + L"\\bin", dll = bin + L"\\Tarnwatch.dll";
    ForgetPendingRenames();
    ASSERT_EQ(0u, RunSetup(L"/NOSTART /D=" + folder));
    ASSERT_TRUE(StampOlderVersion(bin + L"\\Tarnview.exe"));
    SetFileAttributesW((bin + L"\\Tarnview.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    // Held as the loader holds a DLL it mapped: no writing, no deleting.
    HANDLE hHeld = CreateFileW(dll.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    EXPECT_EQ(kExitRestart, RunSetup(L""));
    EXPECT_NE(std::wstring::npos, PendingRenames().find(L"tarn in use\\bin\\tarnwatch.dll.tarnnew|!"))
        << tarn::Narrow(PendingRenames());
    EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(bin + L"\\Tarnview.exe"))) << "read-only, replaced now";
    EXPECT_FALSE(tarn::WaitUntil([] { return tarn::FindHookWnd() != NULL; }, 5000)) << "started before the restart";
    CloseHandle(hHeld);
    EXPECT_EQ(0u, RunToEnd(folder + L"\\Uninstall.exe", L"/S _?=" + folder)) << "nothing in use: no restart";
    EXPECT_FALSE(Exists(dll + L".tarnnew")) << "the restart would bring it back";
    ForgetPendingRenames();
    ASSERT_EQ(0u, RunSetup(L"/NOSTART /D=" + folder));
    hHeld = CreateFileW(dll.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(kExitRestart, RunToEnd(folder + L"\\Uninstall.exe", L"/S _?=" + folder));
    EXPECT_NE(std::wstring::npos, (L"|" + PendingRenames()).find(L"|\\??\\c:\\tarn in use\\bin\\tarnwatch.dll||"))
        << tarn::Narrow(PendingRenames());
    EXPECT_FALSE(Exists(bin + L"\\Tarnview.exe")) << "what was not in use goes at once";
    CloseHandle(hHeld);
    ForgetPendingRenames();
    DeleteFileW(dll.c_str());
    DeleteFileW((folder + L"\\Uninstall.exe").c_str());
    RemoveDirectoryW(bin.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(Setup, SilentUninstallRemovesWhatSetupMadeAndKeepsUserSettings)
{
    const std::wstring folder = DefaultFolder(CSIDL_PROGRAM_FILES), halvern = folder.substr(0, folder.rfind(L'\\'));
    ASSERT_FALSE(Exists(halvern));
    ASSERT_EQ(0u, RunSetup(L""));
    ASSERT_TRUE(Exists(folder + L"\\bin\\Tarnview.exe")) << tarn::Narrow(folder);
    ExpectControlPanelItem(folder + L"\\bin\\TarnButtons.cpl", true);
    EXPECT_EQ(tarn::Narrow(UsersLanguage().recorded),
              tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kUninstallKey, L"Installer Language")));
    HANDLE hTarnview = OpenTarnview(NULL);
    ASSERT_NE(nullptr, hTarnview);
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kBezelKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL));
    RegSetValueExW(hKey, L"SingleClickLaunch", 0, REG_SZ, (const BYTE *)L"notepad.exe", 12 * sizeof(wchar_t));
    RegCloseKey(hKey);

    EXPECT_TRUE(Uninstall(k64));
    ExpectControlPanelItem(folder + L"\\bin\\TarnButtons.cpl", false);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(hTarnview, 10000));
    EXPECT_EQ(nullptr, tarn::FindHookWnd());
    EXPECT_FALSE(Exists(halvern)) << "the folders the setup created";
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kRunKey, L"Tarnview")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ("notepad.exe", tarn::Narrow(ReadString(k64, HKEY_CURRENT_USER, kBezelKey, L"SingleClickLaunch")));
    EXPECT_TRUE(Exists(tarn::kLogDir));
    RegDeleteKeyW(HKEY_CURRENT_USER, kBezelKey);
    CloseHandle(hTarnview);
}

// The build that matches 32-bit platform libraries: its own folder and registry
// view, nothing in the 64-bit ones, and its uninstaller finds it there.
TEST_F(Setup, X86SwitchInstallsTheI686BuildIn32BitViewAndFolder)
{
    const std::wstring folder = DefaultFolder(CSIDL_PROGRAM_FILESX86), bin = folder + L"\\bin";
    ASSERT_NE(std::wstring::npos, folder.find(L"(x86)")) << tarn::Narrow(folder);
    ASSERT_EQ(0u, RunSetup(L"/X86 /NOSTART"));
    for (const wchar_t *pszName : kProductFiles)
    {
        EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(bin + L"\\" + pszName)) << tarn::Narrow(pszName);
        EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(bin + L"\\" + pszName)));
    }
    EXPECT_EQ(19, CountFiles(folder + L"\\Resource\\*.png"));
    EXPECT_EQ(tarn::Narrow(bin), tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ(tarn::Narrow(L"\"" + bin + L"\\Tarnview.exe\""),
              tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kRunKey, L"Tarnview")));
    ExpectUninstallEntry(k32, folder);
    ASSERT_EQ(0u, RunSetup(L"/NOSTART")) << "without /X86: the installed build, upgraded in place";
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(bin + L"\\Tarnview.exe"));
    EXPECT_FALSE(UninstallEntryExists(k64));
    EXPECT_FALSE(Exists(DefaultFolder(CSIDL_PROGRAM_FILES)));

    EXPECT_TRUE(Uninstall(k32));
    EXPECT_FALSE(Exists(folder.substr(0, folder.rfind(L'\\'))));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kRunKey, L"Tarnview")));
}

// Platform libraries only in SysWOW64: the i686 build, which can load them; in
// neither folder: the x86_64 build, and the exit code says so.
TEST_F(Setup, SilentSetupChoosesTheBuildOfThePlatformLibrariesOrSaysThereAreNone)
{
    const std::wstring folder = L"C:\\Tarn No Platform";
    MovePlatformAway();
    ASSERT_EQ(0u, RunSetup(L"/NOSTART /D=" + folder));
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(folder + L"\\bin\\Tarnview.exe"));
    EXPECT_EQ(tarn::Narrow(folder + L"\\bin"), tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    ASSERT_TRUE(Uninstall(k32));
    MovePlatformAway(true);
    // A message box would hold the setup until the deadline.
    EXPECT_EQ(kExitNoPlatform, RunSetup(L"/D=" + folder));
    EXPECT_TRUE(Exists(folder + L"\\bin\\Tarnview.exe"));
    EXPECT_EQ(tarn::Narrow(folder + L"\\bin"),
              tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_TRUE(UninstallEntryExists(k64));
}

// The package writes what the setup writes, in the view of its build, starts
// nothing, keeps out the setup, and leaves the user's settings on removal.
TEST_F(Setup, MsiInstallsPerMachineRefusesTheSetupAndUninstallsCleanly)
{
    const std::wstring folder = DefaultFolder(CSIDL_PROGRAM_FILES), bin = folder + L"\\bin";
    ASSERT_EQ(0u, RunMsiexec(L"/i", Msi(L"x64")));
    for (const wchar_t *pszName : kProductFiles)
        EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(bin + L"\\" + pszName))) << tarn::Narrow(pszName);
    EXPECT_EQ(19, CountFiles(folder + L"\\Resource\\*.png"));
    EXPECT_EQ(tarn::Narrow(bin), tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ(tarn::Narrow(L"\"" + bin + L"\\Tarnview.exe\""),
              tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kRunKey, L"Tarnview")));
    std::wstring version;
    EXPECT_EQ(1, CountTarnEntries(k64, &version));
    EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(version));
    EXPECT_EQ(nullptr, tarn::FindHookWnd()) << "the package starts nothing";
    // Wine's msiexec puts ProgramMenuFolder in the user's menu even with ALLUSERS 1;
    // the table check shows the package asks for the all-users one.
    ExpectControlPanelItem(bin + L"\\TarnButtons.cpl", true, CSIDL_PROGRAMS);

    EXPECT_EQ(kExitOtherPackage, RunSetup(L"/NOSTART"));
    EXPECT_FALSE(UninstallEntryExists(k64) || UninstallEntryExists(k32));

    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kBezelKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL));
    RegSetValueExW(hKey, L"SingleClickLaunch", 0, REG_SZ, (const BYTE *)L"notepad.exe", 12 * sizeof(wchar_t));
    RegCloseKey(hKey);
    EXPECT_EQ(0u, RunMsiexec(L"/x", Msi(L"x64")));
    EXPECT_FALSE(Exists(folder.substr(0, folder.rfind(L'\\')))) << "the folders the package created";
    EXPECT_EQ(0, CountTarnEntries(k64));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kRunKey, L"Tarnview")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    ExpectControlPanelItem(bin + L"\\TarnButtons.cpl", false, CSIDL_PROGRAMS);
    EXPECT_EQ("notepad.exe", tarn::Narrow(ReadString(k64, HKEY_CURRENT_USER, kBezelKey, L"SingleClickLaunch")));
    EXPECT_TRUE(Exists(tarn::kLogDir));
    RegDeleteKeyW(HKEY_CURRENT_USER, kBezelKey);
}

// A newer package replaces an older one in place, an older one is refused; the
// i686 package lands in the 32-bit view and folder; the setup refuses neither way round.
TEST_F(Setup, MsiUpgradesInPlaceRefusesDowngradeAndKeepsOutOfTheSetupsInstall)
{
    const std::wstring folder = DefaultFolder(CSIDL_PROGRAM_FILES), bin = folder + L"\\bin";
    ASSERT_EQ(0u, RunMsiexec(L"/i", Msi(L"x64", true)));
    std::wstring version;
    ASSERT_EQ(1, CountTarnEntries(k64, &version));
    EXPECT_EQ("0.9.0", tarn::Narrow(version));
    for (const wchar_t *pszName : kProductFiles)
        ASSERT_TRUE(StampOlderVersion(bin + L"\\" + pszName));

    ASSERT_EQ(0u, RunMsiexec(L"/i", Msi(L"x64")));
    EXPECT_EQ(1, CountTarnEntries(k64, &version));
    EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(version));
    for (const wchar_t *pszName : kProductFiles)
        EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(bin + L"\\" + pszName))) << tarn::Narrow(pszName);
    EXPECT_EQ(kMsiFailed, RunMsiexec(L"/i", Msi(L"x64", true)));
    EXPECT_EQ(1, CountTarnEntries(k64, &version));
    EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(version));

    // The i686 package is a major upgrade of the x86_64 one: one install per machine.
    const std::wstring folder32 = DefaultFolder(CSIDL_PROGRAM_FILESX86);
    ASSERT_EQ(0u, RunMsiexec(L"/i", Msi(L"x86")));
    EXPECT_EQ(0, CountTarnEntries(k64));
    EXPECT_EQ(1, CountTarnEntries(k32));
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(folder32 + L"\\bin\\Tarnview.exe"));
    EXPECT_EQ(tarn::Narrow(folder32 + L"\\bin"), tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ(0u, RunMsiexec(L"/x", Msi(L"x86")));

    ASSERT_EQ(0u, RunSetup(L"/NOSTART"));
    EXPECT_EQ(kMsiFailed, RunMsiexec(L"/i", Msi(L"x64")));
    EXPECT_EQ(kMsiFailed, RunMsiexec(L"/i", Msi(L"x86")));
    EXPECT_EQ(1, CountTarnEntries(k64) + CountTarnEntries(k32)) << "the setup's own entry only";
}

// The Restart Manager's request on Vista and later, as an installer makes it: Tarnview
// agrees, stays while the end is called off, ends by itself when it is not.
TEST_F(Setup, TarnviewClosesWhenAnInstallerAsksAndRegistersItsRestart)
{
    HANDLE hTarnview = tarn::StartTarnview();
    ASSERT_NE(nullptr, hTarnview);
    ASSERT_TRUE(tarn::WaitForStartup(hTarnview, 90000));
    EXPECT_TRUE(tarn::WaitForLogLine("Tarnview: restart registered", 15000));
    HWND hWnd = tarn::FindHookWnd();
    EXPECT_EQ(TRUE, SendMessageW(hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
    SendMessageW(hWnd, WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(hTarnview, 2000)) << "the end was called off";
    SendMessageW(hWnd, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    ASSERT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(hTarnview, 30000));
    DWORD dwCode = 1;
    EXPECT_TRUE(GetExitCodeProcess(hTarnview, &dwCode) && dwCode == 0) << dwCode;
    CloseHandle(hTarnview);
}

}  // namespace
