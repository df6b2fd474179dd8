// The key observer, the key window and key injection shared by the hook suites.
// Observer and window each have a thread of their own: the observer's GetKeyState
// then shows the desktop's state, not a foreground queue's, and the window answers
// activation messages while the test thread is busy injecting.
#include "keyinput.h"
#include "harness.h"

namespace tarn {

static HWND s_hKeyWnd = NULL;
static HANDLE s_hWindowThread = NULL;
static HANDLE s_hObserver = NULL;
static DWORD s_dwObserverThread = 0;
static CRITICAL_SECTION s_csMessages;
static std::vector<KeyMessage> s_messages;
static std::wstring s_typed;             // guarded by s_csMessages
static volatile LONG s_nKeyWindowLosses = 0;

static LRESULT CALLBACK ObserverProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION)
    {
        const KBDLLHOOKSTRUCT *pKey = (const KBDLLHOOKSTRUCT *)lParam;
        bool bToggled = (GetKeyState((int)pKey->vkCode) & 1) != 0;
        EnterCriticalSection(&s_csMessages);
        s_messages.push_back({ (UINT)wParam, (UINT)pKey->vkCode, bToggled });
        LeaveCriticalSection(&s_csMessages);
    }
    return CallNextHookEx(NULL, nCode, wParam, lParam);
}

static DWORD WINAPI ObserverThread(LPVOID pParam)
{
    HANDLE hReady = (HANDLE)pParam;
    HHOOK hHook = SetWindowsHookExW(WH_KEYBOARD_LL, ObserverProc, GetModuleHandleW(NULL), 0);
    SetEvent(hReady);
    if (!hHook)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
    UnhookWindowsHookEx(hHook);
    return 0;
}

// The key window may be opened without the observer.
static void InitialiseOnce()
{
    static bool s_bInitialised = false;
    if (!s_bInitialised)
        InitializeCriticalSection(&s_csMessages);
    s_bInitialised = true;
}

bool StartKeyObserver()
{
    InitialiseOnce();
    ClearKeyMessages();
    HANDLE hReady = CreateEventW(NULL, TRUE, FALSE, NULL);
    s_hObserver = CreateThread(NULL, 0, ObserverThread, hReady, 0, &s_dwObserverThread);
    bool bReady = s_hObserver && WaitForSingleObject(hReady, 10000) == WAIT_OBJECT_0
                  && WaitForSingleObject(s_hObserver, 0) == WAIT_TIMEOUT;
    CloseHandle(hReady);
    return bReady;
}

void StopKeyObserver()
{
    tarn::StopWindowThread(&s_hObserver, s_dwObserverThread);
}

std::vector<KeyMessage> KeyMessages()
{
    PumpMessages();
    EnterCriticalSection(&s_csMessages);
    std::vector<KeyMessage> copy = s_messages;
    LeaveCriticalSection(&s_csMessages);
    return copy;
}

void ClearKeyMessages()
{
    EnterCriticalSection(&s_csMessages);
    s_messages.clear();
    LeaveCriticalSection(&s_csMessages);
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

// System keys are kept from DefWindowProc, so Alt never opens a menu loop here.
static LRESULT CALLBACK KeyWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_CHAR)
    {
        EnterCriticalSection(&s_csMessages);
        s_typed.push_back((wchar_t)wParam);
        LeaveCriticalSection(&s_csMessages);
        return 0;
    }
    if (uMsg == WM_KILLFOCUS || (uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE))
        InterlockedIncrement(&s_nKeyWindowLosses);
    if (uMsg == WM_SYSKEYDOWN || uMsg == WM_SYSKEYUP || uMsg == WM_SYSCHAR || uMsg == WM_SYSCOMMAND)
        return 0;
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

static DWORD WINAPI KeyWindowThread(LPVOID pParam)
{
    HANDLE hReady = (HANDLE)pParam;
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = KeyWndProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"TarnKeyWindow";
    RegisterClassW(&wc);
    s_hKeyWnd = CreateWindowExW(0, L"TarnKeyWindow", L"keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                20, 20, 200, 100, NULL, NULL, wc.hInstance, NULL);
    SetEvent(hReady);
    if (!s_hKeyWnd)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

bool OpenKeyWindow()
{
    InitialiseOnce();
    EnterCriticalSection(&s_csMessages);
    s_typed.clear();
    LeaveCriticalSection(&s_csMessages);
    HANDLE hReady = CreateEventW(NULL, TRUE, FALSE, NULL);
    s_hWindowThread = CreateThread(NULL, 0, KeyWindowThread, hReady, 0, NULL);
    bool bReady = s_hWindowThread && WaitForSingleObject(hReady, 10000) == WAIT_OBJECT_0 && s_hKeyWnd;
    CloseHandle(hReady);
    return bReady && TakeForeground();
}

// WM_CLOSE destroys the window on its own thread; WM_QUIT then ends the thread.
void CloseKeyWindow()
{
    if (s_hKeyWnd)
        SendMessageTimeoutW(s_hKeyWnd, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, NULL);
    if (s_hWindowThread)
    {
        PostThreadMessageW(GetThreadId(s_hWindowThread), WM_QUIT, 0, 0);
        WaitForSingleObject(s_hWindowThread, 10000);
        CloseHandle(s_hWindowThread);
    }
    s_hWindowThread = NULL;
    s_hKeyWnd = NULL;
}

bool TakeForeground()
{
    if (!s_hKeyWnd)
        return false;
    if (GetForegroundWindow() == s_hKeyWnd)
        return true;
    SetForegroundWindow(s_hKeyWnd);
    return WaitUntil([] { return GetForegroundWindow() == s_hKeyWnd; }, 10000);
}

std::wstring TypedText()
{
    EnterCriticalSection(&s_csMessages);
    std::wstring copy = s_typed;
    LeaveCriticalSection(&s_csMessages);
    return copy;
}

int KeyWindowLosses()
{
    return s_nKeyWindowLosses;
}

bool KeyWindowHasKeys()
{
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof(gti);
    return s_hKeyWnd && GetForegroundWindow() == s_hKeyWnd
           && GetGUIThreadInfo(GetWindowThreadProcessId(s_hKeyWnd, NULL), &gti) && gti.hwndFocus == s_hKeyWnd;
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

}  // namespace tarn
