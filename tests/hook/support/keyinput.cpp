// The key window and key injection shared by the hook suites. The window lives
// on the test's main thread; every wait pumps that thread's messages.
#include "keyinput.h"
#include "harness.h"

namespace tarn {

static HWND s_hKeyWnd = NULL;
static std::vector<KeyMessage> s_messages;

static bool IsKeyMessage(UINT uMsg)
{
    return uMsg == WM_KEYDOWN || uMsg == WM_KEYUP || uMsg == WM_SYSKEYDOWN || uMsg == WM_SYSKEYUP;
}

// System keys are kept from DefWindowProc, so Alt never opens a menu loop here.
static LRESULT CALLBACK KeyWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (IsKeyMessage(uMsg))
    {
        s_messages.push_back({ uMsg, (UINT)wParam, (GetKeyState((int)wParam) & 1) != 0 });
        return 0;
    }
    if (uMsg == WM_SYSCHAR || uMsg == WM_SYSCOMMAND)
        return 0;
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

bool OpenKeyWindow()
{
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = KeyWndProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"TarnKeyWindow";
    RegisterClassW(&wc);
    s_hKeyWnd = CreateWindowExW(0, L"TarnKeyWindow", L"keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                20, 20, 200, 100, NULL, NULL, wc.hInstance, NULL);
    if (!s_hKeyWnd)
        return false;
    SetForegroundWindow(s_hKeyWnd);
    SetFocus(s_hKeyWnd);
    PumpMessages();
    s_messages.clear();
    return WaitUntil([] { PumpMessages(); return GetForegroundWindow() == s_hKeyWnd; }, 10000);
}

void CloseKeyWindow()
{
    if (s_hKeyWnd)
        DestroyWindow(s_hKeyWnd);
    s_hKeyWnd = NULL;
    PumpMessages();
    s_messages.clear();
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::vector<KeyMessage> KeyMessages()
{
    PumpMessages();
    return s_messages;
}

void ClearKeyMessages()
{
    PumpMessages();
    s_messages.clear();
}

size_t CountKeyMessages(UINT uMsg, UINT vk)
{
    size_t n = 0;
    for (const KeyMessage &m : KeyMessages())
        n += (m.uMsg == uMsg && m.vk == vk);
    return n;
}

bool WaitForKeyMessages(UINT uMsg, UINT vk, size_t count, DWORD timeoutMs)
{
    return WaitUntil([&] { return CountKeyMessages(uMsg, vk) >= count; }, timeoutMs);
}

bool ToggleState(BYTE vk)
{
    PumpMessages();
    return (GetKeyState(vk) & 1) != 0;
}

static DWORD KeyFlags(BYTE vk)
{
    bool bExtended = vk == VK_VOLUME_MUTE || vk == VK_VOLUME_DOWN || vk == VK_VOLUME_UP;
    return bExtended ? KEYEVENTF_EXTENDEDKEY : 0;
}

void KeyDown(BYTE vk)
{
    keybd_event(vk, (BYTE)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC), KeyFlags(vk), 0);
}

void KeyUp(BYTE vk)
{
    keybd_event(vk, (BYTE)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC), KeyFlags(vk) | KEYEVENTF_KEYUP, 0);
}

void PressKey(BYTE vk)
{
    KeyDown(vk);
    KeyUp(vk);
}

void PressKeyWithAlt(BYTE vk)
{
    KeyDown(VK_MENU);
    PressKey(vk);
    KeyUp(VK_MENU);
}

}  // namespace tarn
