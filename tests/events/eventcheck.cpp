// Test-side helpers for the hardware events: orxctl, the stand-ins' call log, an
// indicator spy standing in for "HookWnd", the registry and the prefix's files.
#include "eventcheck.h"
#include <ostream>
#include <stdio.h>
#include <tlhelp32.h>
#include "osdcheck.h"
#include "Tarnwatch.h"

namespace ev {

static const wchar_t kCallLog[] = L"C:\\tarnsim\\calls.log";
static const wchar_t kSimKey[] = L"Software\\TarnSim";

// Its output goes to a file of its own and is shown only when it failed.
int Orxctl(const std::wstring &args)
{
    wchar_t szDir[MAX_PATH], szOut[MAX_PATH];
    GetTempPathW(MAX_PATH, szDir);
    GetTempFileNameW(szDir, L"orx", 0, szOut);
    SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
    HANDLE hOut = CreateFileW(szOut, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                              CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    std::wstring exe = tarn::SimDir() + L"\\orxctl.exe";
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    std::vector<wchar_t> buffer(cmd.begin(), cmd.end());
    buffer.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = hOut;
    PROCESS_INFORMATION pi;
    DWORD dwExit = (DWORD)-1;
    if (CreateProcessW(exe.c_str(), buffer.data(), NULL, NULL, TRUE, 0, NULL, tarn::TestsDir().c_str(), &si, &pi))
    {
        if (WaitForSingleObject(pi.hProcess, 2 * kDeadlineMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &dwExit);
        else
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (dwExit != 0 && hOut != INVALID_HANDLE_VALUE)
    {
        char text[4096];
        DWORD cb = 0;
        SetFilePointer(hOut, 0, NULL, FILE_BEGIN);
        ReadFile(hOut, text, sizeof(text) - 1, &cb, NULL);
        text[cb] = 0;
        fprintf(stderr, "orxctl %s: exit %ld: %s\n", tarn::Narrow(args).c_str(), (long)dwExit, text);
    }
    if (hOut != INVALID_HANDLE_VALUE)
        CloseHandle(hOut);
    return (int)dwExit;
}

bool Deliver(DWORD code, int threads)
{
    std::wstring args = L"event " + std::to_wstring(code) + L" --wait";
    if (threads > 1)
        args += L" --threads " + std::to_wstring(threads);
    return Orxctl(args) == 0;
}

std::vector<std::string> CallLines()
{
    std::vector<std::string> lines;
    HANDLE hFile = CreateFileW(kCallLog, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, 0, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return lines;
    std::string text;
    char buffer[65536];
    DWORD cbRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &cbRead, NULL) && cbRead > 0)
        text.append(buffer, cbRead);
    CloseHandle(hFile);
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
        lines.push_back(text.substr(start, pos - start));
    return lines;
}

void ClearCalls()
{
    tarn::WaitUntil([] { return DeleteFileW(kCallLog) || GetLastError() == ERROR_FILE_NOT_FOUND
                                || GetLastError() == ERROR_PATH_NOT_FOUND; }, 5000);
}

int CountCalls(const std::string &line)
{
    int n = 0;
    for (const std::string &l : CallLines())
        n += l == line;
    return n;
}

bool WaitForCall(const std::string &line, DWORD timeoutMs, int count)
{
    return tarn::WaitUntil([&] { return CountCalls(line) >= count; }, timeoutMs);
}

std::vector<std::string> CallsStarting(const std::string &prefix)
{
    std::vector<std::string> out;
    for (const std::string &l : CallLines())
        if (l.compare(0, prefix.size(), prefix) == 0)
            out.push_back(l);
    return out;
}

std::vector<std::string> OrxCallsOfEvent(DWORD code)
{
    std::vector<std::string> lines = CallLines(), out;
    std::string delivered = "Event " + std::to_string(code) + " delivered";
    std::string returned = "Event " + std::to_string(code) + " returned ";
    size_t first = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == delivered)
            first = i;
    for (size_t i = first + 1; i < lines.size() && lines[i].compare(0, returned.size(), returned) != 0; ++i)
        if (lines[i].compare(0, 4, "ORX_") == 0)
            out.push_back(lines[i]);
    return out;
}

static HKEY OpenSimKey()
{
    HKEY hKey = NULL;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSimKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL);
    return hKey;
}

void SetSimDword(const wchar_t *name, DWORD value)
{
    HKEY hKey = OpenSimKey();
    RegSetValueExW(hKey, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
    RegCloseKey(hKey);
}

void SetSimString(const wchar_t *name, const std::wstring &value)
{
    HKEY hKey = OpenSimKey();
    RegSetValueExW(hKey, name, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);
}

void DeleteSimValue(const wchar_t *name)
{
    HKEY hKey = OpenSimKey();
    RegDeleteValueW(hKey, name);
    RegCloseKey(hKey);
}

DWORD GetSimDword(const wchar_t *name, DWORD dwDefault)
{
    DWORD value = dwDefault, cb = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kSimKey, name, RRF_RT_REG_DWORD, NULL, &value, &cb) != ERROR_SUCCESS)
        return dwDefault;
    return value;
}

static std::wstring HalvernKey(const wchar_t *key)
{
    return wcsncmp(key, L"SOFTWARE\\", 9) == 0 ? std::wstring(key) : std::wstring(L"SOFTWARE\\Halvern\\") + key;
}

void SetHalvernRaw(HKEY root, const wchar_t *key, const wchar_t *name, const void *data, DWORD cb, DWORD type)
{
    HKEY hKey = NULL;
    RegCreateKeyExW(root, HalvernKey(key).c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL);
    // A character behind the data keeps the registry from adding a terminator.
    std::vector<BYTE> bytes((const BYTE *)data, (const BYTE *)data + cb);
    bytes.push_back('Q');
    bytes.push_back(0);
    RegSetValueExW(hKey, name, 0, type, bytes.data(), cb);
    RegCloseKey(hKey);
}

void SetHalvernText(HKEY root, const wchar_t *key, const wchar_t *name, const std::wstring &text, DWORD type)
{
    SetHalvernRaw(root, key, name, text.c_str(), (DWORD)((text.size() + 1) * sizeof(wchar_t)), type);
}

void DeleteHalvernKey(HKEY root, const wchar_t *key)
{
    RegDeleteTreeW(root, HalvernKey(key).c_str());
    RegDeleteKeyW(root, HalvernKey(key).c_str());
}

bool CopyStandIn(const std::wstring &from, const std::wstring &to)
{
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

std::wstring NativeSystemFolder()
{
    BOOL bWow64 = FALSE;
    if (IsWow64Process(GetCurrentProcess(), &bWow64) && bWow64)
        return L"C:\\windows\\sysnative";
    return L"C:\\windows\\system32";
}

bool MakeFolders(const std::wstring &path)
{
    for (size_t pos = path.find(L'\\', 3); ; pos = path.find(L'\\', pos + 1))
    {
        std::wstring part = path.substr(0, pos);
        if (!CreateDirectoryW(part.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (pos == std::wstring::npos)
            return true;
    }
}

// Segments of at most 60 characters, each a run of one letter.
std::wstring FolderOfLength(const std::wstring &base, size_t cch)
{
    std::wstring path = base;
    wchar_t letter = L'a';
    while (path.size() < cch)
    {
        size_t left = cch - path.size() - 1;   // after the backslash
        size_t n = left > 60 ? 60 : left;
        if (left > 60 && left - 60 < 2)
            n = left - 2;   // leaves room for one more backslash and a letter
        path += L'\\' + std::wstring(n, letter++);
    }
    return path;
}

void RemoveTree(const std::wstring &path)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    RemoveDirectoryW(path.c_str());
}

std::ostream &operator<<(std::ostream &os, const Indicator &i)
{
    return os << "{" << (int)i.code << ", " << (long)i.level << "}";
}

// The spy's state, shared between its thread and the test.
static CRITICAL_SECTION s_csSpy;
static std::vector<Indicator> s_spied;
static HANDLE s_hSpyThread = NULL;
static HANDLE s_hSpyReady = NULL;
static DWORD s_dwSpyThreadId = 0;
static HWND s_hSpyWnd = NULL;

static LRESULT CALLBACK SpyProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INDICATOR)
    {
        EnterCriticalSection(&s_csSpy);
        s_spied.push_back({ wParam, lParam });
        LeaveCriticalSection(&s_csSpy);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

static DWORD WINAPI SpyThread(LPVOID)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = SpyProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"HookWnd";
    RegisterClassW(&wc);
    s_hSpyWnd = CreateWindowExW(0, L"HookWnd", NULL, WS_DISABLED, 10000, 10000, 0, 0, NULL, NULL, wc.hInstance, NULL);
    SetWindowPos(s_hSpyWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetEvent(s_hSpyReady);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
    DestroyWindow(s_hSpyWnd);
    s_hSpyWnd = NULL;
    return 0;
}

// The dispatcher finds the first "HookWnd" in the z-order: it must be ours.
bool StartSpy()
{
    static bool bInit = false;
    if (!bInit)
    {
        InitializeCriticalSection(&s_csSpy);
        bInit = true;
    }
    ClearSpy();
    s_hSpyReady = CreateEventW(NULL, TRUE, FALSE, NULL);
    s_hSpyThread = CreateThread(NULL, 0, SpyThread, NULL, 0, &s_dwSpyThreadId);
    WaitForSingleObject(s_hSpyReady, 10000);
    CloseHandle(s_hSpyReady);
    HWND hFound = FindWindowW(L"HookWnd", NULL);
    return s_hSpyWnd && hFound == s_hSpyWnd;
}

void StopSpy()
{
    tarn::StopWindowThread(&s_hSpyThread, s_dwSpyThreadId);
}

std::vector<Indicator> SpyIndicators()
{
    EnterCriticalSection(&s_csSpy);
    std::vector<Indicator> copy = s_spied;
    LeaveCriticalSection(&s_csSpy);
    return copy;
}

void ClearSpy()
{
    EnterCriticalSection(&s_csSpy);
    s_spied.clear();
    LeaveCriticalSection(&s_csSpy);
}

static BOOL CALLBACK SendDisplayChangeTo(HWND hWnd, LPARAM)
{
    wchar_t szClass[32];
    if (GetClassNameW(hWnd, szClass, 32) && wcscmp(szClass, L"ShowWnd") == 0)
    {
        DWORD_PTR result;
        SendMessageTimeoutW(hWnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN),
                            GetSystemMetrics(SM_CYSCREEN)), SMTO_NORMAL, 10000, &result);
    }
    return TRUE;
}

void SendDisplayChange()
{
    EnumWindows(SendDisplayChangeTo, 0);
}

bool WaitForOsdPicture(OsdKind kind, const wchar_t *picture, int brightnessBars)
{
    // Places on a W x H screen at 96 dpi, with the window regions.
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    RECT rc, region;
    int corner;
    switch (kind)
    {
    case OSD_ICON: rc = { W - 66, H - 100, W - 11, H - 45 }; region = { 2, 2, 52, 52 }; corner = 6; break;
    case OSD_MODE: rc = { W - 120, H - 100, W - 12, H - 45 }; region = { 2, 2, 105, 52 }; corner = 6; break;
    default: rc = { W / 2 - 124, H - 106, W / 2 + 130, H - 42 }; region = { 0, 0, 251, 61 }; corner = 17; break;
    }
    osd::Pixels back = osd::LoadPicture(picture);
    osd::Pixels bar = osd::LoadPicture(L"Bt.png");
    if (back.cx == 0 || bar.cx == 0)
        return false;
    osd::Bars bars;
    bars.pBar = &bar;
    bars.nCount = brightnessBars;
    bars.x = 46;
    bars.pitch = 27;
    bars.y = 11;
    return tarn::WaitUntil([&] {
        return osd::WaitForVisibleOsd(0) && osd::CountMismatches(osd::Capture(rc), back, bars, region, corner) == 0;
    }, kDeadlineMs);
}

void StopChildrenOf(HANDLE hParent)
{
    DWORD dwParent = GetProcessId(hParent);
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL b = Process32FirstW(hSnap, &pe); b; b = Process32NextW(hSnap, &pe))
        if (dwParent != 0 && pe.th32ParentProcessID == dwParent)
            tarn::StopProcess(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID));
    CloseHandle(hSnap);
}


void EventTest::SetUp()
{
    tarn::TarnviewTest::SetUp();
    ASSERT_EQ(0, Orxctl(L"reset"));
}

// The spy must go first: the base class stops whatever "HookWnd" it finds.
void EventTest::TearDown()
{
    StopSpy();
    StopChildrenOf(m_hProcess);
    tarn::TarnviewTest::TearDown();
}

void EventTest::LaunchExe(const std::wstring &exe)
{
    m_hProcess = tarn::StartProgram(exe, L"", tarn::TestsDir());
    ASSERT_NE(nullptr, m_hProcess);
    ASSERT_TRUE(tarn::WaitForStartup(m_hProcess, kStartupMs)) << "Tarnview did not finish start-up";
    ASSERT_EQ(0, Orxctl(L"wait-registered 60000")) << "the button callback was never registered";
}

}  // namespace ev
