// soak.exe: figures under load from the real Tarnview (XP family): keys typed
// among lock and volume keys, many indicators and volume presses, every hardware
// event and platform aborts. Prints a table; exits 1 when a figure that must be
// 0 is not. Run by scripts/soak.sh in a private prefix; "--short" is the CI form.
#include <stdio.h>
#include <string.h>
#include "soak.h"
#include "hookfixture.h"
#include "eventcheck.h"

namespace soak {

#define MAX_ROWS 96

struct Row
{
    char szName[64];
    long long nValue;
    Check check;
    long long nBound;
    char szNote[64];
};

static Row s_rows[MAX_ROWS];
static int s_nRows = 0;

static const Sizes kFull = { 10000, 10000, 1000, 100, 100 };
static const Sizes kShort = { 600, 300, 40, 2, 2 };

// Keys the loads press or synthesise, and the modifiers, whose down state must not outlast them.
static const BYTE kWatchedKeys[] = {
    VK_SPACE, VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL, VK_RCONTROL, VK_MENU, VK_LMENU, VK_RMENU,
    VK_CAPITAL, VK_NUMLOCK, VK_SCROLL, VK_VOLUME_MUTE, VK_VOLUME_DOWN, VK_VOLUME_UP, VK_PRIOR, VK_NEXT,
};

void AddRow(const char *pszName, long long nValue, Check check, long long nBound, const char *pszNote)
{
    if (s_nRows >= MAX_ROWS)
        return;
    Row *pRow = &s_rows[s_nRows++];
    snprintf(pRow->szName, sizeof(pRow->szName), "%s", pszName);
    snprintf(pRow->szNote, sizeof(pRow->szNote), "%s", pszNote);
    pRow->nValue = nValue;
    pRow->check = check;
    pRow->nBound = nBound;
}

int CountKeysDown(void)
{
    int nDown = 0;
    for (int vk = 'A'; vk <= 'Z'; ++vk)
        nDown += (GetAsyncKeyState(vk) & 0x8000) != 0;
    for (int vk = '0'; vk <= '9'; ++vk)
        nDown += (GetAsyncKeyState(vk) & 0x8000) != 0;
    for (BYTE vk : kWatchedKeys)
        nDown += (GetAsyncKeyState(vk) & 0x8000) != 0;
    return nDown;
}

// Returns the number of rows that must be 0 and are not.
static int PrintTable(void)
{
    int nFailed = 0;
    printf("\n%-52s %12s  %-12s %s\n", "figure", "value", "expected", "note");
    for (int i = 0; i < s_nRows; ++i)
    {
        const Row *pRow = &s_rows[i];
        char szExpected[32] = "-";
        const char *pszMark = "";
        if (pRow->check == MUST_BE_0)
        {
            snprintf(szExpected, sizeof(szExpected), "0");
            if (pRow->nValue != 0)
            {
                pszMark = "FAILED ";
                ++nFailed;
            }
        }
        else if (pRow->check == BOUND)
        {
            snprintf(szExpected, sizeof(szExpected), "<= %lld", pRow->nBound);
            if (pRow->nValue > pRow->nBound)
                pszMark = "OVER ";
        }
        printf("%-52s %12lld  %-12s %s%s\n", pRow->szName, pRow->nValue, szExpected, pszMark, pRow->szNote);
    }
    return nFailed;
}

// The log folder stays absent, as on a user's machine: start-up is over once
// "HookWnd" exists and the button callback is registered.
static HANDLE StartTarnview(void)
{
    HANDLE hProcess = tarn::StartTarnview();
    if (!hProcess)
        return NULL;
    if (!tarn::WaitUntil([&] { return tarn::FindHookWnd() != NULL || WaitForSingleObject(hProcess, 0) != WAIT_TIMEOUT; },
                         90000)
        || !tarn::FindHookWnd() || ev::Orxctl(L"wait-registered 60000") != 0)
    {
        tarn::StopProcess(hProcess);
        return NULL;
    }
    return hProcess;
}

static int Run(const Sizes &sizes)
{
    tarn::StopAnyTarnview();
    tarn::RemoveLog(true);
    tarn::SetInstallPath(tarn::BinDir());
    if (ev::Orxctl(L"reset") != 0 || !tarn::StartKeyObserver())
    {
        printf("soak: the platform stand-ins or the key observer did not start\n");
        return 2;
    }
    HANDLE hTarnview = StartTarnview();
    if (!hTarnview || !tarn::AttachIndicatorSpy() || !tarn::OpenKeyWindow())
    {
        printf("soak: Tarnview did not start, or the spy or the key window did not come up\n");
        tarn::StopProcess(hTarnview);
        return 2;
    }
    printf("soak: typing %d keys\n", sizes.nKeys);
    RunTyping(sizes);
    printf("soak: %d indicators, %d volume presses\n", sizes.nIndicators, sizes.nVolumePresses);
    RunLoad(sizes, hTarnview);
    printf("soak: %d of each hardware event, %d aborts\n", sizes.nEventRounds, sizes.nAborts);
    RunHardwareEvents(sizes, hTarnview);
    ev::StopChildrenOf(hTarnview);
    tarn::CloseKeyWindow();
    tarn::StopKeyObserver();
    tarn::DetachIndicatorSpy();
    tarn::StopProcess(hTarnview);
    return PrintTable() == 0 ? 0 : 1;
}

}  // namespace soak

int main(int argc, char **argv)
{
    bool bShort = argc > 1 && strcmp(argv[1], "--short") == 0;
    if (argc > 1 && !bShort)
    {
        printf("usage: soak.exe [--short]\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    if (tarn::PrefixOSVersion() >= 60)
    {
        printf("soak: needs the XP family (a winxp64 prefix): its mixer makes the volume indicators\n");
        return 2;
    }
    DWORD dwStart = GetTickCount();
    int nResult = soak::Run(bShort ? soak::kShort : soak::kFull);
    printf("soak: %s form, %lu s\n", bShort ? "short" : "full", (GetTickCount() - dwStart) / 1000);
    return nResult;
}
