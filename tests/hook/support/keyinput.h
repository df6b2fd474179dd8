// Real key events for the hook suites: keys injected with keybd_event, an
// observer that sees what Tarnview's hook passes on, and a window of the test
// that holds the foreground the way a user's application would.
#ifndef KEYINPUT_H
#define KEYINPUT_H

#include <windows.h>
#include <string>
#include <vector>

namespace tarn {

// One event as the next low-level hook in the chain got it: uMsg is the hook's
// wParam (WM_KEYDOWN, WM_SYSKEYUP, ...); bToggledBefore the key's toggle bit
// before the event, read on a thread that never owns the foreground.
struct KeyMessage
{
    UINT uMsg;
    UINT vk;
    bool bToggledBefore;
};

// The observer is a WH_KEYBOARD_LL hook of this process on a thread of its own.
// Installed before Tarnview starts, it comes after Tarnview's hook in the chain:
// it sees exactly the events KeybdProcLL passes on, in order.
bool StartKeyObserver();
void StopKeyObserver();
std::vector<KeyMessage> KeyMessages();
void ClearKeyMessages();
size_t CountKeyMessages(UINT uMsg, UINT vk);
bool WaitForKeyMessages(UINT uMsg, UINT vk, size_t count, DWORD timeoutMs);

// The foreground belongs to a window of the test, as it would to a user's
// application: under Wine, GetKeyState in Tarnview's hook lags behind the keys
// while a window of Tarnview holds it.
bool OpenKeyWindow();
void CloseKeyWindow();
bool TakeForeground();        // the key window is foreground (again)
// What the key window got since it opened: its characters (WM_CHAR) in order, and
// how often it lost activation or the keyboard focus.
std::wstring TypedText();
int KeyWindowLosses();
// The key window is the foreground window and has the focus of its thread.
bool KeyWindowHasKeys();
void PumpMessages();          // this thread's queue, without waiting

void KeyDown(BYTE vk);         // volume keys go out as extended keys, as keyboards send them
void KeyUp(BYTE vk);
void PressKey(BYTE vk);        // down, then up

}  // namespace tarn

#endif
