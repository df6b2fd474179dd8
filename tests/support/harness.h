// Test-side helpers: the installed tree, the debug log, the registry, and
// Tarnview processes started and stopped the way a user's machine runs them.
#ifndef HARNESS_H
#define HARNESS_H

#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include <gtest/gtest.h>

namespace tarn {

std::wstring OutDir();       // the installed tree of this architecture
std::wstring BinDir();       // its program folder ("TarnMonPath")
std::wstring SimDir();       // the companion-tool stand-ins
std::wstring TestsDir();     // the test programs

// Polls pred every 20 ms until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()> &pred, DWORD timeoutMs);

// The debug log "C:/temp1234567890/tarn.log".
extern const wchar_t kLogDir[];
extern const wchar_t kLogFile[];
void RemoveLog(bool bRemoveDir);        // deletes the file, and the folder if asked
void PrepareLog();                      // an empty log in an existing folder
std::string ReadLog();                  // raw bytes, CR LF included
std::vector<std::string> LogLines();    // split at CR LF
int CountLines(const std::string &line);
bool LogHasLine(const std::string &line);
bool WaitForLogLine(const std::string &line, DWORD timeoutMs, int count = 1);
// The lines appear in this order, others allowed in between; says which one is missing.
::testing::AssertionResult LogHasLinesInOrder(const std::vector<std::string> &lines);

// HKLM\SOFTWARE\Halvern\orx "TarnMonPath" (this process's registry view).
void SetInstallPath(const std::wstring &path);
void SetInstallPathRaw(const void *pData, DWORD cbData);
void DeleteInstallPath();

// Tarnview.exe from the installed tree.
HWND FindHookWnd();
int CountHookWindows();                       // "HookWnd" windows on the desktop
HANDLE StartProgram(const std::wstring &exe, const std::wstring &args, const std::wstring &dir);
// Ends a thread that pumps the messages of a window of its own (WM_QUIT, then
// its end) and forgets it; nothing when there is none.
void StopWindowThread(HANDLE *phThread, DWORD dwThreadId);
HANDLE StartTarnview();                       // started from the tests folder
int PrefixOSVersion();   // major * 10 + minor, as GetVersionExW reports it in this prefix
// "HookWnd" exists and start-up logged; from Vista on also the endpoint's open, 20 s later.
bool WaitForStartup(HANDLE hProcess, DWORD timeoutMs);
void StopProcess(HANDLE hProcess);
void StopAnyTarnview();                       // leftovers of an earlier test in this prefix
void ClearIndicatorSettings();                // the user's and the policy's: today's indicator

LRESULT SendIndicator(WPARAM code, LPARAM level);

// The current directory of another process of the same architecture.
std::wstring RemoteCurrentDirectory(HANDLE hProcess);

// Open handles of another process: all of them, and those that are threads.
// Counted by duplicating each handle value, since Wine's GetProcessHandleCount says 0.
struct HandleCount
{
    int nAll;
    int nThreads;
};
HandleCount CountProcessHandles(HANDLE hProcess);

// Private bytes of another process; Wine fills the commit charge, not the private usage.
SIZE_T PrivateBytes(HANDLE hProcess);

// The 16 bytes of Tarnwatch's shared section, as this process maps them.
bool ReadSharedSection(LONG values[4]);

std::string Narrow(const std::wstring &text);

// Each test gets a fresh Tarnview started from the installed tree, with the log
// folder present and "TarnMonPath" naming the program folder.
class TarnviewTest : public ::testing::Test
{
protected:
    static const DWORD kStartupMs = 90000;  // the Vista family opens its endpoint 20 s on
    HANDLE m_hProcess = NULL;

    void SetUp() override;
    void TearDown() override;
    void Launch();
};

}  // namespace tarn

#endif
