// The figures of soak.exe: one table row per figure, and the three loads that
// fill it, each run against the one Tarnview that main() started.
#ifndef SOAK_H
#define SOAK_H

#include <windows.h>

namespace soak {

// How much of each load: the full form for people, the short one for CI.
struct Sizes
{
    int nKeys;          // key presses typed, lock and volume keys included
    int nIndicators;    // WM_INDICATOR sent to "HookWnd"
    int nVolumePresses;
    int nEventRounds;   // deliveries of each hardware event code
    int nAborts;        // platform aborts, each followed by re-initialisation
};

enum Check
{
    INFO,        // printed only
    MUST_BE_0,   // the run fails unless it is 0
    BOUND,       // printed against a bound; over it is marked, not failed
};

void AddRow(const char *pszName, long long nValue, Check check, long long nBound = 0, const char *pszNote = "");

void RunTyping(const Sizes &sizes);
void RunLoad(const Sizes &sizes, HANDLE hTarnview);
void RunHardwareEvents(const Sizes &sizes, HANDLE hTarnview);

// Keys among a fixed list that read as down now (GetAsyncKeyState).
int CountKeysDown(void);

}  // namespace soak

#endif
