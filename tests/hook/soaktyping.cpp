// soak.exe's key and indicator loads: typing into the key window among lock and
// volume keys, then many indicators and volume presses while Tarnview's handles,
// memory and GUI objects are read before and after.
#include <ctype.h>
#include <stdio.h>
#include <algorithm>
#include "soak.h"
#include <psapi.h>
#include "hookfixture.h"
#include "osdcheck.h"
#include "Tarnwatch.h"

namespace soak {

static const char kWords[] = "the quick brown fox jumps over the lazy dog 0123456789 ";
// After every tenth character one of these, in turn.
static const BYTE kMixedKeys[] = { VK_CAPITAL, VK_VOLUME_UP, VK_NUMLOCK, VK_VOLUME_DOWN, VK_SCROLL, VK_VOLUME_MUTE };
static const int kMixEvery = 10;
static const int kCatchUpEvery = 100;   // presses between waits for the key window
static const size_t kLookAhead = 64;
static const size_t kSpyClearAt = 2000;  // well inside the spy's record of 4096
static const BYTE kVolumeKeys[] = { VK_VOLUME_UP, VK_VOLUME_UP, VK_VOLUME_DOWN, VK_VOLUME_MUTE, VK_VOLUME_DOWN };

struct Snapshot
{
    int nHandles;
    int nThreads;
    SIZE_T cbPrivate;
    DWORD dwGdi;
    DWORD dwUser;
};

static BYTE KeyOf(char c)
{
    return c == ' ' ? VK_SPACE : (BYTE)toupper((unsigned char)c);
}

// Walks what arrived against what was typed, case aside (Caps Lock flips it).
// A character found a little further on means the ones skipped were lost; one
// not found nearby arrived out of order.
static void Compare(const std::string &want, const std::string &got, int *pnLost, int *pnOutOfOrder)
{
    size_t w = 0;
    *pnLost = *pnOutOfOrder = 0;
    for (char c : got)
    {
        char lower = (char)tolower((unsigned char)c);
        size_t k = w;
        while (k < want.size() && k < w + kLookAhead && want[k] != lower)
            ++k;
        if (k < want.size() && want[k] == lower)
        {
            *pnLost += (int)(k - w);
            w = k + 1;
        }
        else
            ++*pnOutOfOrder;
    }
    *pnLost += (int)(want.size() - w);
}

void RunTyping(const Sizes &sizes)
{
    int nLossesBefore = tarn::KeyWindowLosses();
    std::string typed;
    int nMixed = 0;
    DWORD dwStart = GetTickCount();
    for (int i = 0; i < sizes.nKeys; ++i)
    {
        if (i % (kMixEvery + 1) == kMixEvery)
            tarn::PressKey(kMixedKeys[nMixed++ % sizeof(kMixedKeys)]);
        else
        {
            char c = kWords[typed.size() % (sizeof(kWords) - 1)];
            tarn::PressKey(KeyOf(c));
            typed.push_back(c);
        }
        if (i % kCatchUpEvery == kCatchUpEvery - 1)
            tarn::WaitUntil([&] { return tarn::TypedText().size() >= typed.size(); }, 10000);
    }
    tarn::WaitUntil([&] { return tarn::TypedText().size() >= typed.size(); }, 30000);
    DWORD dwMs = GetTickCount() - dwStart;
    int nLost = 0, nOutOfOrder = 0;
    Compare(typed, tarn::Narrow(tarn::TypedText()), &nLost, &nOutOfOrder);
    AddRow("keys pressed", sizes.nKeys, INFO);
    AddRow("  of them characters", (long long)typed.size(), INFO, 0, "letters, digits, space");
    AddRow("  of them lock and volume keys", nMixed, INFO);
    AddRow("keys lost", nLost, MUST_BE_0);
    AddRow("keys out of order", nOutOfOrder, MUST_BE_0);
    AddRow("keys left logically down after typing", CountKeysDown(), MUST_BE_0, 0, "GetAsyncKeyState");
    AddRow("key window lost activation or focus", tarn::KeyWindowLosses() - nLossesBefore, MUST_BE_0);
    AddRow("typing time, ms", dwMs, INFO, 0, "printed, not checked");
}

using tarn::PrivateBytes;

static Snapshot Take(HANDLE hQuery)
{
    tarn::HandleCount handles = tarn::CountProcessHandles(hQuery);
    Snapshot s = { handles.nAll, handles.nThreads, PrivateBytes(hQuery), GetGuiResources(hQuery, GR_GDIOBJECTS),
                   GetGuiResources(hQuery, GR_USEROBJECTS) };
    return s;
}

// Each press waits for its indicator: a press that comes while the last one's
// worker still runs is dropped by design, and would count as lost here.
static int PressVolumeKeys(int nPresses)
{
    int nMissing = 0;
    tarn::ClearIndicators();
    for (int i = 0; i < nPresses; ++i)
    {
        size_t nBefore = tarn::Indicators().size();
        tarn::PressKey(kVolumeKeys[i % sizeof(kVolumeKeys)]);
        nMissing += !tarn::WaitForIndicators(nBefore + 1, 5000);
        if (tarn::Indicators().size() >= kSpyClearAt)
            tarn::ClearIndicators();
    }
    return nMissing;
}

// Sent as the volume workers send them; every one must reach "HookWnd".
static int SendIndicators(int nCount)
{
    int nReceived = 0;
    tarn::ClearIndicators();
    for (int i = 0; i < nCount; ++i)
    {
        tarn::SendIndicator(1 + i % REQUEST_DENIED, i % 15);
        if (i % 1000 == 999 || i == nCount - 1)
        {
            nReceived += (int)tarn::Indicators().size();
            tarn::ClearIndicators();
        }
    }
    return nCount - nReceived;
}

// The OSD hidden and the handle count steady, so that before and after compare alike.
static Snapshot Settle(HANDLE hQuery, const Snapshot *pBefore)
{
    osd::WaitForNoOsd(20000);
    Snapshot s = Take(hQuery);
    if (pBefore)
        tarn::WaitUntil([&] { s = Take(hQuery); return s.nHandles <= pBefore->nHandles; }, 15000);
    return s;
}

void RunLoad(const Sizes &sizes, HANDLE hTarnview)
{
    HANDLE hQuery = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE,
                                GetProcessId(hTarnview));
    // Every picture and both workers once, so that first-use allocations come before the first count.
    SendIndicators(REQUEST_DENIED);
    PressVolumeKeys(sizeof(kVolumeKeys));
    Snapshot before = Settle(hQuery, NULL);
    DWORD dwStart = GetTickCount();
    int nNotReceived = SendIndicators(sizes.nIndicators);
    DWORD dwIndicatorMs = GetTickCount() - dwStart;
    int nNoIndicator = PressVolumeKeys(sizes.nVolumePresses);
    Snapshot after = Settle(hQuery, &before);
    CloseHandle(hQuery);

    AddRow("indicators sent", sizes.nIndicators, INFO);
    AddRow("  of them not received by HookWnd", nNotReceived, MUST_BE_0);
    AddRow("  time, ms", dwIndicatorMs, INFO, 0, "printed, not checked");
    AddRow("volume presses, each waiting for its indicator", sizes.nVolumePresses, INFO);
    AddRow("  of them without an indicator", nNoIndicator, MUST_BE_0);
    AddRow("process handles before", before.nHandles, INFO);
    AddRow("process handles after", after.nHandles, INFO);
    AddRow("  more after than before", std::max(0, after.nHandles - before.nHandles), MUST_BE_0);
    AddRow("  of them threads, before", before.nThreads, INFO);
    AddRow("  of them threads, after", after.nThreads, INFO);
    AddRow("private bytes before, KB", (long long)(before.cbPrivate / 1024), INFO);
    AddRow("private bytes after, KB", (long long)(after.cbPrivate / 1024), INFO);
    AddRow("  growth, KB", ((long long)after.cbPrivate - (long long)before.cbPrivate) / 1024, BOUND, 2048);
    // GetGuiResources gives 0 under Wine: the memory bound above stands in for these.
    AddRow("GDI objects before", before.dwGdi, INFO, 0, "Wine reports none");
    AddRow("GDI objects after", after.dwGdi, INFO, 0, "Wine reports none");
    AddRow("USER objects before", before.dwUser, INFO, 0, "Wine reports none");
    AddRow("USER objects after", after.dwUser, INFO, 0, "Wine reports none");
}

}  // namespace soak
