// Test-side helpers shared by the end-to-end suites.
#include "harness.h"
#include <winternl.h>
#include <shlwapi.h>
#include <psapi.h>
#include "Tarnwatch.h"

namespace tarn {

const wchar_t kLogDir[] = L"C:\\temp1234567890";
const wchar_t kLogFile[] = L"C:\\temp1234567890\\tarn.log";

std::wstring OutDir()
{
    wchar_t szDir[MAX_PATH];
    DWORD cch = GetEnvironmentVariableW(L"TARN_OUT", szDir, MAX_PATH);
    if (cch > 0 && cch < MAX_PATH)
        return szDir;
    return TARN_OUT_DIR;
}

std::wstring BinDir() { return OutDir() + L"\\bin"; }
std::wstring SimDir() { return OutDir() + L"\\sim"; }
std::wstring TestsDir() { return OutDir() + L"\\tests"; }

bool WaitUntil(const std::function<bool()> &pred, DWORD timeoutMs)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        if (pred())
            return true;
        if (GetTickCount() - dwStart > timeoutMs)
            return pred();
        Sleep(20);
    }
}

void RemoveLog(bool bRemoveDir)
{
    WaitUntil([] { return DeleteFileW(kLogFile) || GetLastError() == ERROR_FILE_NOT_FOUND
                          || GetLastError() == ERROR_PATH_NOT_FOUND; }, 5000);
    // A line being written holds the folder open for a moment.
    if (bRemoveDir)
        WaitUntil([] { return RemoveDirectoryW(kLogDir) || GetLastError() == ERROR_FILE_NOT_FOUND
                              || GetLastError() == ERROR_PATH_NOT_FOUND; }, 5000);
}

void PrepareLog()
{
    RemoveLog(false);
    // DBGOUT looks for a missing folder again only a second after it found it
    // missing: a folder made just now is written to by this process from then on.
    if (CreateDirectoryW(kLogDir, NULL))
        Sleep(1100);
}

std::string ReadLog()
{
    std::string text;
    HANDLE hFile = CreateFileW(kLogFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return text;
    char buffer[65536];
    DWORD cbRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &cbRead, NULL) && cbRead > 0)
        text.append(buffer, cbRead);
    CloseHandle(hFile);
    return text;
}

std::vector<std::string> LogLines()
{
    std::vector<std::string> lines;
    std::string text = ReadLog();
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
        lines.push_back(text.substr(start, pos - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

int CountLines(const std::string &line)
{
    int n = 0;
    for (const std::string &l : LogLines())
        n += (l == line);
    return n;
}

bool LogHasLine(const std::string &line)
{
    return CountLines(line) > 0;
}

bool WaitForLogLine(const std::string &line, DWORD timeoutMs, int count)
{
    return WaitUntil([&] { return CountLines(line) >= count; }, timeoutMs);
}

// Waits a while: the spies see a message before the window procedure that logs it.
::testing::AssertionResult LogHasLinesInOrder(const std::vector<std::string> &lines)
{
    std::string missing;
    auto inOrder = [&] {
        std::vector<std::string> log = LogLines();
        size_t next = 0;
        for (const std::string &line : lines)
        {
            while (next < log.size() && log[next] != line)
                ++next;
            if (next == log.size())
                return missing = line, false;
            ++next;
        }
        return true;
    };
    if (WaitUntil(inOrder, 10000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << missing << "\" missing, or out of order";
}

static HKEY CreateOrxKey()
{
    HKEY hKey = NULL;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Halvern\\orx", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL);
    return hKey;
}

void SetInstallPathRaw(const void *pData, DWORD cbData)
{
    HKEY hKey = CreateOrxKey();
    RegSetValueExW(hKey, L"TarnMonPath", 0, REG_SZ, (const BYTE *)pData, cbData);
    RegCloseKey(hKey);
}

void SetInstallPath(const std::wstring &path)
{
    SetInstallPathRaw(path.c_str(), (DWORD)((path.size() + 1) * sizeof(wchar_t)));
}

void DeleteInstallPath()
{
    HKEY hKey = CreateOrxKey();
    RegDeleteValueW(hKey, L"TarnMonPath");
    RegCloseKey(hKey);
}

HWND FindHookWnd()
{
    return FindWindowW(L"HookWnd", NULL);
}

static BOOL CALLBACK CountHookWindow(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[32];
    if (GetClassNameW(hWnd, szClass, 32) && wcscmp(szClass, L"HookWnd") == 0)
        ++*(int *)lParam;
    return TRUE;
}

int CountHookWindows()
{
    int n = 0;
    EnumWindows(CountHookWindow, (LPARAM)&n);
    return n;
}

HANDLE StartProgram(const std::wstring &exe, const std::wstring &args, const std::wstring &dir)
{
    std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    std::vector<wchar_t> buffer(cmd.begin(), cmd.end());
    buffer.push_back(0);
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(exe.c_str(), buffer.data(), NULL, NULL, FALSE, 0, NULL,
                        dir.empty() ? NULL : dir.c_str(), &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

void StopWindowThread(HANDLE *phThread, DWORD dwThreadId)
{
    if (!*phThread)
        return;
    PostThreadMessageW(dwThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(*phThread, 10000);
    CloseHandle(*phThread);
    *phThread = NULL;
}

HANDLE StartTarnview()
{
    return StartProgram(BinDir() + L"\\Tarnview.exe", L"", TestsDir());
}

int PrefixOSVersion()
{
    OSVERSIONINFOW osvi = {};
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    if (!GetVersionExW(&osvi))
        return 0;
    return (int)(osvi.dwMajorVersion * 10 + osvi.dwMinorVersion);
}

bool WaitForStartup(HANDLE hProcess, DWORD timeoutMs)
{
    const bool bEndpoint = PrefixOSVersion() >= 60;
    return WaitUntil([&] {
        std::string log = ReadLog();
        return WaitForSingleObject(hProcess, 0) == WAIT_TIMEOUT && FindHookWnd()
               && log.find("Tarnview: OS version is") != std::string::npos
               && (!bEndpoint || log.find("EndpointOpenMaster: default playback device") != std::string::npos);
    }, timeoutMs);
}

void StopProcess(HANDLE hProcess)
{
    if (!hProcess)
        return;
    TerminateProcess(hProcess, 1);
    WaitForSingleObject(hProcess, 10000);
    CloseHandle(hProcess);
}

void StopAnyTarnview()
{
    for (int i = 0; i < 10; ++i)
    {
        HWND hWnd = FindHookWnd();
        if (!hWnd)
            return;
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        StopProcess(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        WaitUntil([&] { return !IsWindow(hWnd); }, 5000);
    }
}

LRESULT SendIndicator(WPARAM code, LPARAM level)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(FindHookWnd(), WM_INDICATOR, code, level, SMTO_NORMAL, 10000, &result);
    return (LRESULT)result;
}

typedef NTSTATUS (NTAPI *NtQueryInformationProcessFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

// PEB -> process parameters -> CurrentDirectory.DosPath, at this architecture's offsets.
std::wstring RemoteCurrentDirectory(HANDLE hProcess)
{
#ifdef _WIN64
    const SIZE_T cbParamsOffset = 0x20, cbCurDirOffset = 0x38;
#else
    const SIZE_T cbParamsOffset = 0x10, cbCurDirOffset = 0x24;
#endif
    NtQueryInformationProcessFn pQuery = (NtQueryInformationProcessFn)(void *)GetProcAddress(
        GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION pbi;
    if (!pQuery || pQuery(hProcess, ProcessBasicInformation, &pbi, sizeof(pbi), NULL) != 0)
        return L"";
    BYTE *pParams = NULL;
    UNICODE_STRING path;
    if (!ReadProcessMemory(hProcess, (BYTE *)pbi.PebBaseAddress + cbParamsOffset, &pParams, sizeof(pParams), NULL)
        || !ReadProcessMemory(hProcess, pParams + cbCurDirOffset, &path, sizeof(path), NULL))
        return L"";
    std::wstring text(path.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(hProcess, path.Buffer, &text[0], path.Length, NULL))
        return L"";
    return text;
}

// Handle values are multiples of 4; the probe ends after a long run of unused ones.
HandleCount CountProcessHandles(HANDLE hProcess)
{
    HandleCount count = { 0, 0 };
    const ULONG_PTR kStride = 4, kGiveUpAfter = 4096;
    ULONG_PTR nLastUsed = 0;
    for (ULONG_PTR h = kStride; h - nLastUsed <= kGiveUpAfter * kStride; h += kStride)
    {
        HANDLE hCopy = NULL;
        if (!DuplicateHandle(hProcess, (HANDLE)h, GetCurrentProcess(), &hCopy, 0, FALSE, DUPLICATE_SAME_ACCESS))
            continue;
        nLastUsed = h;
        ++count.nAll;
        if (GetThreadId(hCopy) != 0)
            ++count.nThreads;
        CloseHandle(hCopy);
    }
    return count;
}

SIZE_T PrivateBytes(HANDLE hProcess)
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(hProcess, (PROCESS_MEMORY_COUNTERS *)&pmc, sizeof(pmc));
    // Wine fills the commit charge but not the private usage.
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

// Mapped without running its initialisation, so reading writes nothing to the log.
bool ReadSharedSection(LONG values[4])
{
    HMODULE hLib = LoadLibraryExW((BinDir() + L"\\Tarnwatch.dll").c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
    if (!hLib)
        return false;
    BYTE *pBase = (BYTE *)hLib;
    IMAGE_NT_HEADERS *pNt = (IMAGE_NT_HEADERS *)(pBase + ((IMAGE_DOS_HEADER *)pBase)->e_lfanew);
    IMAGE_SECTION_HEADER *pSection = IMAGE_FIRST_SECTION(pNt);
    bool bFound = false;
    for (WORD i = 0; i < pNt->FileHeader.NumberOfSections && !bFound; ++i, ++pSection)
    {
        if (memcmp(pSection->Name, ".HOOKDAT", 8) == 0)
        {
            memcpy(values, pBase + pSection->VirtualAddress, 4 * sizeof(LONG));
            bFound = pSection->Misc.VirtualSize == 16;
        }
    }
    FreeLibrary(hLib);
    return bFound;
}

// UTF-8, so that a message shows any language's text and no two texts compare alike.
std::string Narrow(const std::wstring &text)
{
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(cb, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], cb, NULL, NULL);
    return out;
}

void ClearIndicatorSettings()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Halvern\\Tarn");
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Halvern", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &hKey)
        == ERROR_SUCCESS)
    {
        RegDeleteTreeW(hKey, L"Tarn");
        RegCloseKey(hKey);
    }
}

void TarnviewTest::SetUp()
{
    StopAnyTarnview();
    ClearIndicatorSettings();
    PrepareLog();
    SetInstallPath(BinDir());
}

void TarnviewTest::TearDown()
{
    StopProcess(m_hProcess);
    m_hProcess = NULL;
    StopAnyTarnview();
}

void TarnviewTest::Launch()
{
    m_hProcess = StartTarnview();
    ASSERT_NE(nullptr, m_hProcess);
    ASSERT_TRUE(WaitForStartup(m_hProcess, kStartupMs)) << "Tarnview did not finish start-up";
}

}  // namespace tarn
