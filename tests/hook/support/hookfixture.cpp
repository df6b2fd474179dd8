// Fixtures and shared checks of the hook suites.
#include "hookfixture.h"
#include <stdio.h>
#include "Tarnwatch.h"

namespace tarn {

const LockKey kLockKeys[3] = {
    { VK_CAPITAL, CAPS_LOCK_ON, CAPS_LOCK_OFF, "CapsLock" },
    { VK_NUMLOCK, NUM_LOCK_ON, NUM_LOCK_OFF, "NumLock" },
    { VK_SCROLL, SCROLL_LOCK_ON, SCROLL_LOCK_OFF, "ScrollLock" },
};


std::string Format(const char *format, int a)
{
    char sz[256];
    snprintf(sz, sizeof(sz), format, a);
    return sz;
}

std::string Format(const char *format, int a, int b)
{
    char sz[256];
    snprintf(sz, sizeof(sz), format, a, b);
    return sz;
}

static BOOL CALLBACK CloseOsdWindow(HWND hWnd, LPARAM lParam)
{
    DWORD dwProcess = 0;
    wchar_t szClass[16] = L"";
    GetWindowThreadProcessId(hWnd, &dwProcess);
    GetClassNameW(hWnd, szClass, 16);
    if (dwProcess == (DWORD)lParam && wcscmp(szClass, L"ShowWnd") == 0)
        SendMessageTimeoutW(hWnd, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, NULL);
    return TRUE;
}

void CloseOsdWindows(HANDLE hProcess)
{
    EnumWindows(CloseOsdWindow, (LPARAM)GetProcessId(hProcess));
}

void ExpectLockKeyReports(const LockKey &key, bool bAlt, bool bHeld, int nDowns)
{
    ClearIndicators();
    ClearKeyMessages();
    UINT uDown = bAlt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    UINT uUp = bAlt ? WM_SYSKEYUP : WM_KEYUP;
    std::string received = Format("KeybdProcLL received,wParam=%d, p->vkCode = %d", (int)uDown, key.vk);
    int nLogged = CountLines(received);
    if (bAlt)
        KeyDown(VK_MENU);
    for (int i = 0; i < nDowns; ++i)
    {
        TakeForeground();
        KeyDown(key.vk);
        if (!WaitForIndicators(i + 1, 10000))
        {
            ADD_FAILURE() << key.pszName << ": no report for key-down " << i;
            break;
        }
        if (!bHeld)
            KeyUp(key.vk);
    }
    if (bHeld)
        KeyUp(key.vk);
    if (bAlt)
        KeyUp(VK_MENU);
    ASSERT_TRUE(WaitForKeyMessages(uDown, key.vk, nDowns, 10000)) << key.pszName << ": key-downs pass on";
    ASSERT_TRUE(WaitForKeyMessages(uUp, key.vk, bHeld ? 1 : nDowns, 10000)) << key.pszName << ": key-ups pass on";
    // The observer read the toggle bit as it was before each key-down.
    std::vector<Indicator> expected;
    for (const KeyMessage &m : KeyMessages())
        if (m.uMsg == uDown && m.vk == key.vk)
            expected.push_back({ m.bToggledBefore ? key.nOffCode : key.nOnCode, 0 });
    EXPECT_EQ(expected, Indicators()) << key.pszName << (bAlt ? " with Alt" : "") << (bHeld ? " held" : "");
    EXPECT_EQ(nLogged + nDowns, CountLines(received))
        << "the hook saw each key-down as " << (bAlt ? "WM_SYSKEYDOWN" : "WM_KEYDOWN");
}

::testing::AssertionResult PressVolumeKey(BYTE vk, const Indicator &expected)
{
    size_t nBefore = Indicators().size();
    PressKey(vk);
    if (!WaitForIndicators(nBefore + 1, 15000))
        return ::testing::AssertionFailure() << "no indicator after key " << (int)vk;
    Indicator got = Indicators()[nBefore];
    if (!(got == expected))
        return ::testing::AssertionFailure() << "key " << (int)vk << " showed " << got << ", not " << expected;
    return ::testing::AssertionSuccess();
}

void FreshHookTest::SetUp()
{
    TarnviewTest::SetUp();
    if (PrefixOSVersion() >= 60)
        GTEST_SKIP() << "XP-family suite";
    ASSERT_TRUE(StartKeyObserver());
    Launch();
    CloseOsdWindows(m_hProcess);
    ASSERT_TRUE(AttachIndicatorSpy());
    ASSERT_TRUE(OpenKeyWindow());
}

void FreshHookTest::TearDown()
{
    CloseKeyWindow();
    StopKeyObserver();
    DetachIndicatorSpy();
    TarnviewTest::TearDown();
}

HANDLE SharedHookTest::s_hProcess = NULL;
DWORD SharedHookTest::s_dwRegisterMs = 0;
DWORD SharedHookTest::s_dwOpenMs = 0;
bool SharedHookTest::s_bStarted = false;

// Times RegisterHook from its first log line to the line start-up writes after
// it, and (from Vista on) to the endpoint's open, which it waits for.
void SharedHookTest::StartShared()
{
    StopAnyTarnview();
    PrepareLog();
    SetInstallPath(BinDir());
    if (!StartKeyObserver())
        return;
    s_hProcess = StartTarnview();
    if (!s_hProcess)
        return;
    DWORD dwRegister = 0, dwDone = 0, dwOpen = 0;
    const bool bEndpoint = PrefixOSVersion() >= 60;
    WaitUntil([&] {
        std::string log = ReadLog();
        if (!dwRegister && log.find("RegisterHook: OSVersion") != std::string::npos)
            dwRegister = GetTickCount();
        if (dwRegister && !dwDone && log.find("Tarnview: OS version is") != std::string::npos)
            dwDone = GetTickCount();
        if (dwDone && log.find("EndpointOpenMaster: default playback device") != std::string::npos)
            dwOpen = GetTickCount();
        return (dwDone != 0 && (!bEndpoint || dwOpen != 0)) || WaitForSingleObject(s_hProcess, 0) != WAIT_TIMEOUT;
    }, 90000);
    if (bEndpoint && !dwOpen)
        dwDone = 0;
    if (dwDone)
        CloseOsdWindows(s_hProcess);
    s_bStarted = dwDone != 0 && FindHookWnd() && AttachIndicatorSpy() && OpenKeyWindow();
    s_dwRegisterMs = dwDone - dwRegister;
    s_dwOpenMs = dwOpen - dwRegister;
}

void SharedHookTest::StopShared()
{
    CloseKeyWindow();
    StopKeyObserver();
    DetachIndicatorSpy();
    StopProcess(s_hProcess);
    s_hProcess = NULL;
    s_bStarted = false;
    StopAnyTarnview();
}

void SharedHookTest::SetUp()
{
    ASSERT_TRUE(s_bStarted) << "the shared Tarnview did not start";
    TakeForeground();
    ClearIndicators();
    ClearKeyMessages();
}

}  // namespace tarn
