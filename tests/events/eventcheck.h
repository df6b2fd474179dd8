// Test-side helpers for the hardware events: orxctl, the stand-ins' call log, an
// indicator spy standing in for "HookWnd", the registry and the prefix's files.
#ifndef EVENTCHECK_H
#define EVENTCHECK_H

#include <windows.h>
#include <string>
#include <vector>
#include "harness.h"

namespace ev {

const DWORD kDeadlineMs = 60000;

// orxctl.exe from the stand-ins; the exit code, or -1 when it did not run or end.
int Orxctl(const std::wstring &args);
// Delivers one event and waits until every callback has returned.
bool Deliver(DWORD code, int threads = 1);

// The call log C:\tarnsim\calls.log, line by line.
std::vector<std::string> CallLines();
void ClearCalls();
int CountCalls(const std::string &line);
bool WaitForCall(const std::string &line, DWORD timeoutMs, int count = 1);
// Lines starting with prefix.
std::vector<std::string> CallsStarting(const std::string &prefix);
// Platform calls (lines starting "ORX_") between the last "Event <code> delivered" and its return.
std::vector<std::string> OrxCallsOfEvent(DWORD code);

// HKCU\Software\TarnSim, the stand-ins' shared state.
void SetSimDword(const wchar_t *name, DWORD value);
void SetSimString(const wchar_t *name, const std::wstring &value);
void DeleteSimValue(const wchar_t *name);
DWORD GetSimDword(const wchar_t *name, DWORD dwDefault);

// Text values under SOFTWARE\Halvern\<key>, or under <key> when it starts with
// "SOFTWARE\" (this process's registry view).
void SetHalvernText(HKEY root, const wchar_t *key, const wchar_t *name, const std::wstring &text, DWORD type = REG_SZ);
void SetHalvernRaw(HKEY root, const wchar_t *key, const wchar_t *name, const void *data, DWORD cb,
                   DWORD type = REG_SZ);
void DeleteHalvernKey(HKEY root, const wchar_t *key);

// Files in the prefix.
bool CopyStandIn(const std::wstring &from, const std::wstring &to);
// C:\windows\system32 as 64-bit programs see it, also from a 32-bit test.
std::wstring NativeSystemFolder();
// Makes every folder of a path; the path of a folder of exactly cch characters under base.
bool MakeFolders(const std::wstring &path);
std::wstring FolderOfLength(const std::wstring &base, size_t cch);
void RemoveTree(const std::wstring &path);

// A window of class "HookWnd" on a thread of its own. Made after Tarnview's, it
// stands above it in the z-order, so the dispatcher's FindWindowW finds it and
// it records every WM_INDICATOR instead of Tarnview's WndProc.
struct Indicator
{
    WPARAM code;
    LPARAM level;
    bool operator==(const Indicator &o) const { return code == o.code && level == o.level; }
};
std::ostream &operator<<(std::ostream &os, const Indicator &i);
bool StartSpy();
void StopSpy();
std::vector<Indicator> SpyIndicators();
void ClearSpy();

// Tarnview's OSD windows: a WM_DISPLAYCHANGE as the system sends it.
void SendDisplayChange();

// Waits until the OSD window of that kind shows the picture exactly, with the
// brightness bar picture drawn brightnessBars times.
enum OsdKind { OSD_ICON, OSD_MODE, OSD_BAR };
bool WaitForOsdPicture(OsdKind kind, const wchar_t *picture, int brightnessBars = 0);

// Ends the programs a Tarnview process started (by id, found through their parent).
void StopChildrenOf(HANDLE hParent);


// Tarnview (or the test build with its hooks) started the way the fixture does:
// log prepared, "TarnMonPath" the program folder, stand-in state reset, and the
// button callback registered.
class EventTest : public tarn::TarnviewTest
{
protected:
    void SetUp() override;
    void TearDown() override;
    void LaunchExe(const std::wstring &exe);
    void LaunchProduct() { LaunchExe(tarn::BinDir() + L"\\Tarnview.exe"); }
    void LaunchWithSeams() { LaunchExe(tarn::TestsDir() + L"\\TarnviewSeams.exe"); }
};

}  // namespace ev

#endif
