// soak.exe's hardware-event load: every event code many times through orxctl,
// platform aborts each followed by re-initialisation, then one more event of
// each code, which returns only if no earlier event left the event mutex held.
#include <stdio.h>
#include <algorithm>
#include "soak.h"
#include "hookfixture.h"
#include "eventcheck.h"
#include "Tarnwatch.h"

namespace soak {

static const wchar_t kFlipDir[] = L"C:\\tarnsoak";   // "TarnMonPath" while the display key is pressed
static const int kBatch = 10;          // events delivered together by one orxctl call
static const int kLaunchBatch = 5;     // launches are handled one at a time, each a second or more

struct EventKind
{
    DWORD code;
    const char *pszName;
};

// The launches last: their windows take the foreground from the key window.
static const EventKind kEvents[] = {
    { 0, "Wi-Fi" }, { 1, "display" }, { 2, "brightness down" }, { 3, "brightness up" }, { 6, "3G" },
    { 8, "bezel up down" }, { 9, "bezel up up" }, { 10, "bezel down down" }, { 11, "bezel down up" },
    { 4, "single click" }, { 5, "double click" }, { 7, "camera" },
};

static bool IsLaunch(DWORD code)
{
    return code == 4 || code == 5 || code == 7;
}

static int Returned(DWORD code)
{
    return (int)ev::CallsStarting("Event " + std::to_string(code) + " returned ").size();
}

// What the event shows where it shows something: indicators, programs started, page keys.
static int Effects(DWORD code)
{
    switch (code)
    {
    case 0: return (int)(tarn::CountIndicators(WLAN_ON) + tarn::CountIndicators(WLAN_OFF));
    case 1: return (int)std::min(tarn::CountIndicators(DISPLAY_INTERNAL), ev::CallsStarting("Screenflip \"").size());
    case 2: return (int)tarn::CountIndicators(BRIGHTNESS_DOWN);
    case 3: return (int)tarn::CountIndicators(BRIGHTNESS_UP);
    case 6: return (int)(tarn::CountIndicators(MOBILE3G_ON) + tarn::CountIndicators(MOBILE3G_OFF));
    case 8: return (int)tarn::CountKeyMessages(WM_KEYDOWN, VK_NEXT);
    case 9: return (int)tarn::CountKeyMessages(WM_KEYUP, VK_NEXT);
    case 10: return (int)tarn::CountKeyMessages(WM_KEYDOWN, VK_PRIOR);
    case 11: return (int)tarn::CountKeyMessages(WM_KEYUP, VK_PRIOR);
    default: return (int)ev::CallsStarting("LaunchTarget \"").size();
    }
}

// The launch buttons start the stand-in, which ends by itself soon after.
static void ConfigureLaunches(void)
{
    const wchar_t *names[] = { L"SingleClickLaunch", L"DoubleClickLaunch", L"BezelCameraLaunch" };
    for (const wchar_t *pszName : names)
        ev::SetHalvernText(HKEY_CURRENT_USER, L"BezelButton", pszName,
                           L"\"" + tarn::SimDir() + L"\\LaunchTarget.exe\" --life 1500 --tag soak");
}

// Screenflip.exe is looked up in "TarnMonPath" at each press; the pictures were found at start-up.
static bool PrepareDisplayKey(void)
{
    ev::Orxctl(L"screenflip-exit 0");
    if (!ev::MakeFolders(kFlipDir)
        || !ev::CopyStandIn(tarn::SimDir() + L"\\Screenflip.exe", std::wstring(kFlipDir) + L"\\Screenflip.exe"))
        return false;
    tarn::SetInstallPath(kFlipDir);
    return true;
}

static void RunKind(const EventKind &kind, int nRounds)
{
    ev::ClearCalls();
    tarn::ClearIndicators();
    tarn::ClearKeyMessages();
    int nBatch = IsLaunch(kind.code) ? kLaunchBatch : kBatch;
    int nRefused = 0;
    for (int nDone = 0; nDone < nRounds; nDone += nBatch)
        nRefused += !ev::Deliver(kind.code, std::min(nBatch, nRounds - nDone));
    tarn::WaitUntil([&] { return Returned(kind.code) >= nRounds && Effects(kind.code) >= nRounds; }, 60000);
    int nReturned = Returned(kind.code), nEffects = Effects(kind.code);
    int nDelivered = ev::CountCalls("Event " + std::to_string(kind.code) + " delivered");
    char szName[64], szNote[64];
    snprintf(szName, sizeof(szName), "event %lu (%s) lost", (unsigned long)kind.code, kind.pszName);
    snprintf(szNote, sizeof(szNote), "delivered %d, returned %d, effects %d%s", nDelivered, nReturned, nEffects,
             nRefused ? ", orxctl failed" : "");
    AddRow(szName, nRounds - std::min(std::min(nReturned, nEffects), nDelivered), MUST_BE_0, 0, szNote);
}

// Each abort: the handler returns, the service initialises and registers again,
// and the next event (3G) returns and shows.
static void RunAborts(int nAborts)
{
    ev::ClearCalls();
    tarn::ClearIndicators();
    for (int i = 0; i < nAborts; ++i)
    {
        ev::Orxctl(L"abort --wait");
        ev::WaitForCall("ORX_SetAbortHandler -> 0", ev::kDeadlineMs, i + 1);
        ev::Orxctl(L"wait-registered 60000");
        ev::Deliver(6);
    }
    int nAnswered = (int)ev::CallsStarting("Abort returned ").size();
    int nRegistered = ev::CountCalls("ORX_SetAbortHandler -> 0");
    int nShown = (int)(tarn::CountIndicators(MOBILE3G_ON) + tarn::CountIndicators(MOBILE3G_OFF));
    int nAfter = std::min(Returned(6), nShown);
    AddRow("platform aborts", nAborts, INFO);
    AddRow("  abort handler did not return", nAborts - nAnswered, MUST_BE_0);
    AddRow("  not initialised and registered again", nAborts - nRegistered, MUST_BE_0);
    AddRow("  next event lost (3G, returned and shown)", nAborts - nAfter, MUST_BE_0);
}

// A dispatcher that left the event mutex held would make every later event wait
// for ever: one more of each code returning within orxctl's 60 s shows it free.
static void CheckMutexFree(void)
{
    int nStuck = 0;
    DWORD dwSlowest = 0;
    for (const EventKind &kind : kEvents)
    {
        DWORD dwStart = GetTickCount();
        nStuck += !ev::Deliver(kind.code);
        dwSlowest = std::max(dwSlowest, GetTickCount() - dwStart);
    }
    AddRow("final event of each code not returned in 60 s", nStuck, MUST_BE_0, 0, "event mutex left held");
    AddRow("  slowest of them, ms", dwSlowest, INFO, 0, "printed, not checked; launches wait 1 s");
}

void RunHardwareEvents(const Sizes &sizes, HANDLE hTarnview)
{
    ConfigureLaunches();
    if (!PrepareDisplayKey())
        printf("soak: could not copy Screenflip.exe to %ls; the display key counts as lost\n", kFlipDir);
    DWORD dwStart = GetTickCount();
    AddRow("hardware events, each code", sizes.nEventRounds, INFO);
    for (const EventKind &kind : kEvents)
    {
        RunKind(kind, sizes.nEventRounds);
        ev::StopChildrenOf(hTarnview);
    }
    RunAborts(sizes.nAborts);
    CheckMutexFree();
    AddRow("hardware events time, ms", GetTickCount() - dwStart, INFO, 0, "printed, not checked");
    ev::StopChildrenOf(hTarnview);
    tarn::TakeForeground();
    AddRow("keys left logically down after the events", CountKeysDown(), MUST_BE_0, 0, "page keys included");
    ev::DeleteHalvernKey(HKEY_CURRENT_USER, L"BezelButton");
    tarn::SetInstallPath(tarn::BinDir());
    ev::RemoveTree(kFlipDir);
}

}  // namespace soak
