// Loads indicatorspy.dll from the tests folder and sets its WH_CALLWNDPROC hook
// on Tarnview's main thread; the record lives in the DLL's shared section.
#include "spyclient.h"
#include "harness.h"
#include "indicatorspy.h"
#include "keyinput.h"

namespace tarn {

typedef void (*SpyResetFn)(void);
typedef LONG (*SpyCountFn)(void);
typedef LONG (*SpyReadFn)(LONG, LONG *);

static HMODULE s_hSpy = NULL;
static HHOOK s_hSpyHook = NULL;
static SpyResetFn s_pfnReset = NULL;
static SpyCountFn s_pfnCount = NULL;
static SpyReadFn s_pfnRead = NULL;

std::ostream &operator<<(std::ostream &os, const Indicator &ind)
{
    return os << "{" << ind.nCode << ", " << ind.nLevel << "}";
}

bool AttachIndicatorSpy()
{
    if (!s_hSpy)
        s_hSpy = LoadLibraryW((TestsDir() + L"\\indicatorspy.dll").c_str());
    if (!s_hSpy)
        return false;
    s_pfnReset = (SpyResetFn)(void *)GetProcAddress(s_hSpy, "SpyReset");
    s_pfnCount = (SpyCountFn)(void *)GetProcAddress(s_hSpy, "SpyCount");
    s_pfnRead = (SpyReadFn)(void *)GetProcAddress(s_hSpy, "SpyRead");
    HOOKPROC pfnHook = (HOOKPROC)(void *)GetProcAddress(s_hSpy, "SpyCallWndProc");
    if (!s_pfnReset || !s_pfnCount || !s_pfnRead || !pfnHook)
        return false;
    s_pfnReset();
    DWORD dwThread = GetWindowThreadProcessId(FindHookWnd(), NULL);
    if (!dwThread)
        return false;
    s_hSpyHook = SetWindowsHookExW(WH_CALLWNDPROC, pfnHook, s_hSpy, dwThread);
    return s_hSpyHook != NULL;
}

void DetachIndicatorSpy()
{
    if (s_hSpyHook)
        UnhookWindowsHookEx(s_hSpyHook);
    s_hSpyHook = NULL;
}

void ClearIndicators()
{
    if (s_pfnReset)
        s_pfnReset();
}

// Only slots already written: a send still being recorded is left for the next look.
std::vector<Indicator> Indicators()
{
    std::vector<Indicator> out;
    if (!s_pfnCount)
        return out;
    LONG nCount = s_pfnCount();
    for (LONG i = 0; i < nCount && i < SPY_CAPACITY; ++i)
    {
        LONG nLevel = 0;
        LONG nCode = s_pfnRead(i, &nLevel);
        if (!nCode)
            break;
        out.push_back({ (int)nCode, (int)nLevel });
    }
    return out;
}

size_t CountIndicators(int nCode)
{
    size_t n = 0;
    for (const Indicator &ind : Indicators())
        n += (ind.nCode == nCode);
    return n;
}

bool WaitForIndicators(size_t count, DWORD timeoutMs)
{
    return WaitUntil([&] { PumpMessages(); return Indicators().size() >= count; }, timeoutMs);
}

}  // namespace tarn
