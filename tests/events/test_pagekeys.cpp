// The bezel up/down buttons (events 8-11) as Page Down / Page Up keystrokes in a
// focused test window, for each display orientation: the real Tarnview for the
// upright screen Xvfb has, its test build for the turned ones and for turning
// between a key-down and its key-up.
#include <gtest/gtest.h>
#include "eventcheck.h"

namespace {

struct Key
{
    UINT msg;        // WM_KEYDOWN or WM_KEYUP
    WPARAM vk;
    int scan;
    bool extended;
    bool operator==(const Key &o) const { return msg == o.msg && vk == o.vk && scan == o.scan && extended == o.extended; }
};

std::ostream &operator<<(std::ostream &os, const Key &k)
{
    return os << (k.msg == WM_KEYDOWN ? "down " : "up ") << (k.vk == VK_NEXT ? "PgDn" : k.vk == VK_PRIOR ? "PgUp" : "?")
              << " scan " << std::hex << k.scan << std::dec << (k.extended ? " extended" : "");
}

const Key kNextDown = { WM_KEYDOWN, VK_NEXT, 0xD1, false }, kNextUp = { WM_KEYUP, VK_NEXT, 0xD1, false };
const Key kPriorDown = { WM_KEYDOWN, VK_PRIOR, 0xC9, false }, kPriorUp = { WM_KEYUP, VK_PRIOR, 0xC9, false };

// The focused window's thread: what its window got, and what a low-level hook
// installed there saw of the same keys in the system's input stream.
CRITICAL_SECTION g_cs;
std::vector<Key> g_received, g_hooked;
bool g_bInjected = true;
HWND g_hTarget = NULL;

void Record(std::vector<Key> &list, const Key &key)
{
    EnterCriticalSection(&g_cs);
    list.push_back(key);
    LeaveCriticalSection(&g_cs);
}

LRESULT CALLBACK TargetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if ((uMsg == WM_KEYDOWN || uMsg == WM_KEYUP) && (wParam == VK_NEXT || wParam == VK_PRIOR))
        Record(g_received, { uMsg, wParam, (int)((lParam >> 16) & 0xFF), ((lParam >> 24) & 1) != 0 });
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK HookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    const KBDLLHOOKSTRUCT *p = (const KBDLLHOOKSTRUCT *)lParam;
    if (nCode == HC_ACTION && (p->vkCode == VK_NEXT || p->vkCode == VK_PRIOR))
    {
        Record(g_hooked, { (wParam == WM_KEYDOWN) ? (UINT)WM_KEYDOWN : (UINT)WM_KEYUP, p->vkCode, (int)p->scanCode,
                           (p->flags & LLKHF_EXTENDED) != 0 });
        if (!(p->flags & LLKHF_INJECTED))
            g_bInjected = false;
    }
    return CallNextHookEx(NULL, nCode, wParam, lParam);
}

DWORD WINAPI TargetThread(LPVOID pReady)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"TarnPageKeyTarget";
    RegisterClassW(&wc);
    g_hTarget = CreateWindowExW(0, wc.lpszClassName, L"Page keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                100, 100, 300, 200, NULL, NULL, wc.hInstance, NULL);
    HHOOK hHook = SetWindowsHookExW(WH_KEYBOARD_LL, HookProc, wc.hInstance, 0);
    SetForegroundWindow(g_hTarget);
    SetFocus(g_hTarget);
    SetEvent((HANDLE)pReady);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    UnhookWindowsHookEx(hHook);
    DestroyWindow(g_hTarget);
    return 0;
}

class PageKeys : public ev::EventTest
{
protected:
    HANDLE m_hThread = NULL;
    DWORD m_dwThreadId = 0;

    void StartTarget()
    {
        InitializeCriticalSection(&g_cs);
        g_received.clear();
        g_hooked.clear();
        g_bInjected = true;
        HANDLE hReady = CreateEventW(NULL, TRUE, FALSE, NULL);
        m_hThread = CreateThread(NULL, 0, TargetThread, hReady, 0, &m_dwThreadId);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hReady, 10000));
        CloseHandle(hReady);
        ASSERT_TRUE(tarn::WaitUntil([] { return GetForegroundWindow() == g_hTarget; }, ev::kDeadlineMs));
    }

    void TearDown() override
    {
        if (m_hThread)
        {
            PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
            WaitForSingleObject(m_hThread, 10000);
            CloseHandle(m_hThread);
            DeleteCriticalSection(&g_cs);
        }
        ev::EventTest::TearDown();
    }

    static std::vector<Key> Copy(const std::vector<Key> &list)
    {
        EnterCriticalSection(&g_cs);
        std::vector<Key> copy = list;
        LeaveCriticalSection(&g_cs);
        return copy;
    }

    // Delivers the events and waits until the window has as many keys.
    void Press(const std::vector<DWORD> &events)
    {
        size_t n = Copy(g_received).size() + events.size();
        for (DWORD e : events)
            ASSERT_TRUE(ev::Deliver(e)) << "event " << e;
        EXPECT_TRUE(tarn::WaitUntil([&] { return Copy(g_received).size() >= n; }, ev::kDeadlineMs));
    }

    // The test build reads the orientation when the display reports a change.
    static void TurnTo(DWORD orientation)
    {
        tarn::PrepareLog();
        ev::SetSimDword(L"SeamOrientation", orientation);
        ev::SendDisplayChange();
        ASSERT_TRUE(tarn::WaitForLogLine("display orientation is:" + std::to_string(orientation), ev::kDeadlineMs));
    }

    static bool Held(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }
};

TEST_F(PageKeys, UprightScreenUpButtonPagesDownDownButtonPagesUp)
{
    LaunchProduct();
    StartTarget();
    // Xvfb reports the upright screen when asked.
    tarn::PrepareLog();
    ev::SendDisplayChange();
    ASSERT_TRUE(tarn::WaitForLogLine("display orientation is:0", ev::kDeadlineMs));
    tarn::PrepareLog();
    Press({ 8, 9, 10, 11 });
    EXPECT_EQ((std::vector<Key>{ kNextDown, kNextUp, kPriorDown, kPriorUp }), Copy(g_received));
    EXPECT_EQ(Copy(g_received), Copy(g_hooked)) << "the low-level hooks see the same keys";
    EXPECT_TRUE(g_bInjected);
    EXPECT_EQ((std::vector<std::string>{ "Received BEZEL_UP_KEYDOWN Click", "Received BEZEL_UP_KEYUP Click",
                                         "Received BEZEL_DOWN_KEYDOWN Click", "Received BEZEL_DOWN_KEYUP Click" }),
              [] {
                  std::vector<std::string> out;
                  for (const std::string &l : tarn::LogLines())
                      if (l.compare(0, 9, "Received ") == 0)
                          out.push_back(l);
                  return out;
              }());
    EXPECT_FALSE(Held(VK_NEXT));
    EXPECT_FALSE(Held(VK_PRIOR));
}

TEST_F(PageKeys, EachOrientationSendsItsKeys)
{
    // Started upside down: the first press already goes the turned way.
    ev::SetSimDword(L"SeamOrientation", 2);
    LaunchWithSeams();
    StartTarget();
    Press({ 8, 9 });
    EXPECT_EQ((std::vector<Key>{ kPriorDown, kPriorUp }), Copy(g_received)) << "orientation at start-up";
    const struct { DWORD orientation; std::vector<Key> keys; } cases[] = {
        { 1, { kNextDown, kNextUp, kPriorDown, kPriorUp } },
        { 2, { kPriorDown, kPriorUp, kNextDown, kNextUp } },
        { 3, { kPriorDown, kPriorUp, kNextDown, kNextUp } },
        { 0, { kNextDown, kNextUp, kPriorDown, kPriorUp } },
    };
    for (const auto &c : cases)
    {
        TurnTo(c.orientation);
        size_t before = Copy(g_received).size();
        Press({ 8, 9, 10, 11 });
        std::vector<Key> got = Copy(g_received);
        got.erase(got.begin(), got.begin() + before);
        EXPECT_EQ(c.keys, got) << "orientation " << c.orientation;
        EXPECT_FALSE(Held(VK_NEXT)) << "orientation " << c.orientation;
        EXPECT_FALSE(Held(VK_PRIOR)) << "orientation " << c.orientation;
    }
    EXPECT_EQ(Copy(g_received), Copy(g_hooked));
}

// Turned between the press and the release, the release still lets go of the
// key the press held; with no press, the orientation decides.
TEST_F(PageKeys, TurningWhileHeldLeavesNoKeyStuck)
{
    LaunchWithSeams();
    StartTarget();
    TurnTo(0);
    Press({ 8 });
    EXPECT_TRUE(Held(VK_NEXT));
    TurnTo(2);
    Press({ 9 });
    EXPECT_FALSE(Held(VK_NEXT)) << "Page Down stuck";
    Press({ 9 });
    Press({ 10 });
    TurnTo(0);
    Press({ 10, 11 });
    EXPECT_EQ((std::vector<Key>{ kNextDown, kNextUp, kPriorUp, kNextDown, kNextDown, kNextUp }), Copy(g_received));
    EXPECT_FALSE(Held(VK_NEXT));
    EXPECT_FALSE(Held(VK_PRIOR));
}

}  // namespace
