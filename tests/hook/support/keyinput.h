// Real key events for the hook suites: keys injected with keybd_event, and a
// focused window of the test process that records which of them arrive.
#ifndef KEYINPUT_H
#define KEYINPUT_H

#include <windows.h>
#include <vector>

namespace tarn {

// One key message as the test window got it; bToggled is that key's toggle bit
// as the window's thread saw it while handling the message.
struct KeyMessage
{
    UINT uMsg;
    UINT vk;
    bool bToggled;
};

bool OpenKeyWindow();          // created on this thread, shown, foreground and focused
void CloseKeyWindow();
void PumpMessages();           // this thread's queue, without waiting
std::vector<KeyMessage> KeyMessages();
void ClearKeyMessages();
size_t CountKeyMessages(UINT uMsg, UINT vk);
bool WaitForKeyMessages(UINT uMsg, UINT vk, size_t count, DWORD timeoutMs);
bool ToggleState(BYTE vk);     // this thread's toggle bit, after pumping

void KeyDown(BYTE vk);         // volume keys go out as extended keys, as keyboards send them
void KeyUp(BYTE vk);
void PressKey(BYTE vk);        // down, then up
void PressKeyWithAlt(BYTE vk); // Alt held around the press: WM_SYSKEYDOWN

}  // namespace tarn

#endif
