// The setup end to end, silently, in a 64-bit prefix of its own: install into a
// folder with a blank, upgrade over a running Tarnview, uninstall, the i686 build
// on 64-bit Windows (/X86: the 32-bit registry view and Program Files (x86)), and
// a machine without the maker's platform libraries. TARN_SETUP names the setup
// under test (scripts/test.sh); without it, the one the build made.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <stdio.h>
#include <vector>
#include "harness.h"
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
const DWORD kExitNoPlatform = 3;
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

// Runs a program to its end: its exit code, or -1 if it did not start or end in time.
DWORD RunToEnd(const std::wstring &exe, const std::wstring &args)
{
    HANDLE hProcess = tarn::StartProgram(exe, args, L"");
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

// The silent setup; /D= must come last.
DWORD RunSetup(const std::wstring &args)
{
    wchar_t szExe[MAX_PATH];
    DWORD cch = GetEnvironmentVariableW(L"TARN_SETUP", szExe, MAX_PATH);
    std::wstring exe = cch > 0 && cch < MAX_PATH ? szExe : tarn::OutDir() + L"\\..\\Tarn-" + Version() + L"-setup.exe";
    return RunToEnd(exe, L"/S " + args);
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

    void MovePlatformAway()
    {
        wchar_t szSystem[MAX_PATH];
        ASSERT_NE(0u, GetSystemDirectoryW(szSystem, MAX_PATH));
        for (const wchar_t *pszName : kPlatformLibraries)
        {
            std::wstring path = std::wstring(szSystem) + L"\\" + pszName;
            ASSERT_TRUE(MoveFileW(path.c_str(), (path + L".away").c_str())) << tarn::Narrow(path);
            m_movedLibraries.push_back(path);
        }
    }

    // Listed for XP, in Hardware and Sound (2) for Vista and 7, and in the Start menu.
    void ExpectControlPanelItem(const std::wstring &cpl, bool bPresent)
    {
        DWORD dwCategory = 0;
        bool bCategory = ReadValue(k64, HKEY_LOCAL_MACHINE, kCplCategoryKey, cpl.c_str(), REG_DWORD, &dwCategory, 4);
        EXPECT_EQ(bPresent ? tarn::Narrow(cpl) : "(none)",
                  tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kCplsKey, L"TarnButtons")));
        EXPECT_EQ(bPresent, bCategory && dwCategory == 2);
        wchar_t szPrograms[MAX_PATH] = L"";
        SHGetFolderPathW(NULL, CSIDL_COMMON_PROGRAMS, NULL, 0, szPrograms);
        EXPECT_EQ(bPresent, Exists(std::wstring(szPrograms) + L"\\Tarn Buttons.lnk"));
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

    ASSERT_EQ(0u, RunSetup(L"")) << "no /D=: the installed folder";
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(hOld, 0)) << "the old Tarnview still runs";
    std::wstring image;
    HANDLE hNew = OpenTarnview(&image);
    ASSERT_NE(nullptr, hNew) << "the setup did not start Tarnview again";
    EXPECT_EQ(0, lstrcmpiW((bin + L"\\Tarnview.exe").c_str(), image.c_str())) << tarn::Narrow(image);
    EXPECT_NE(GetProcessId(hOld), GetProcessId(hNew));
    EXPECT_EQ(1, tarn::CountHookWindows());
    for (const wchar_t *pszName : kProductFiles)
        EXPECT_EQ(tarn::Narrow(Version()), tarn::Narrow(FileVersion(bin + L"\\" + pszName))) << tarn::Narrow(pszName);
    EXPECT_EQ(tarn::Narrow(folder), tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kUninstallKey,
                                                            L"InstallLocation")));
    EXPECT_FALSE(Exists(DefaultFolder(CSIDL_PROGRAM_FILES)));
    CloseHandle(hNew);
    CloseHandle(hOld);
}

TEST_F(Setup, SilentUninstallRemovesWhatSetupMadeAndKeepsUserSettings)
{
    const std::wstring folder = DefaultFolder(CSIDL_PROGRAM_FILES), halvern = folder.substr(0, folder.rfind(L'\\'));
    ASSERT_FALSE(Exists(halvern));
    ASSERT_EQ(0u, RunSetup(L""));
    ASSERT_TRUE(Exists(folder + L"\\bin\\Tarnview.exe")) << tarn::Narrow(folder);
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
    EXPECT_FALSE(UninstallEntryExists(k64));
    EXPECT_FALSE(Exists(DefaultFolder(CSIDL_PROGRAM_FILES)));

    EXPECT_TRUE(Uninstall(k32));
    EXPECT_FALSE(Exists(folder.substr(0, folder.rfind(L'\\'))));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_EQ("(none)", tarn::Narrow(ReadString(k32, HKEY_LOCAL_MACHINE, kRunKey, L"Tarnview")));
}

TEST_F(Setup, SilentSetupWithoutPlatformLibrariesInstallsAndSaysSoInItsExitCode)
{
    const std::wstring folder = L"C:\\Tarn No Platform";
    MovePlatformAway();
    // A message box would hold the setup until the deadline.
    EXPECT_EQ(kExitNoPlatform, RunSetup(L"/D=" + folder));
    EXPECT_TRUE(Exists(folder + L"\\bin\\Tarnview.exe"));
    EXPECT_EQ(tarn::Narrow(folder + L"\\bin"),
              tarn::Narrow(ReadString(k64, HKEY_LOCAL_MACHINE, kOrxKey, L"TarnMonPath")));
    EXPECT_TRUE(UninstallEntryExists(k64));
}

}  // namespace
