// The test side of indicatorspy.dll: every WM_INDICATOR that reaches the
// running Tarnview's "HookWnd", in the order its window procedure got them.
#ifndef SPYCLIENT_H
#define SPYCLIENT_H

#include <windows.h>
#include <ostream>
#include <vector>

namespace tarn {

struct Indicator
{
    int nCode;
    int nLevel;
    bool operator==(const Indicator &other) const { return nCode == other.nCode && nLevel == other.nLevel; }
};

std::ostream &operator<<(std::ostream &os, const Indicator &ind);

bool AttachIndicatorSpy();     // hooks the thread of the "HookWnd" window; an empty record
void DetachIndicatorSpy();
void ClearIndicators();
std::vector<Indicator> Indicators();
size_t CountIndicators(int nCode);
bool WaitForIndicators(size_t count, DWORD timeoutMs);

}  // namespace tarn

#endif
