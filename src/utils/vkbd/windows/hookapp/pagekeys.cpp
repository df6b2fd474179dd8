// The bezel up/down buttons as Page Down / Page Up keystrokes, turned with the
// display. Runs on the dispatcher's thread while it holds the event mutex.
#include <windows.h>
#include "Tarnwatch.h"
#include "tarnview.h"

#define SCAN_PRIOR 0xC9
#define SCAN_NEXT 0xD1

// The key each button's key-down pressed, 0 while released. A key-up releases
// this key even when the display turned in between, so no key stays held.
WORD g_wBezelUpKey = 0;
WORD g_wBezelDownKey = 0;

static BOOL IsUpButton(DWORD dwEvent)
{
    return dwEvent == BEZEL_UP_KEYDOWN || dwEvent == BEZEL_UP_KEYUP;
}

// Upright (0, 90 degrees) the up button pages down; turned over, up.
WORD PageKeyOf(DWORD dwEvent, int nOrientation)
{
    BOOL bTurned = nOrientation == 2 || nOrientation == 3;
    return (IsUpButton(dwEvent) != bTurned) ? VK_NEXT : VK_PRIOR;
}

// The key to send for a bezel key event; keeps each button's pressed key.
// A repeated key-down of a held button repeats the key it already holds.
WORD PageKeyToSend(DWORD dwEvent, int nOrientation)
{
    WORD *pwPressed = IsUpButton(dwEvent) ? &g_wBezelUpKey : &g_wBezelDownKey;
    WORD wKey = *pwPressed ? *pwPressed : PageKeyOf(dwEvent, nOrientation);
    BOOL bKeyUp = dwEvent == BEZEL_UP_KEYUP || dwEvent == BEZEL_DOWN_KEYUP;
    *pwPressed = bKeyUp ? 0 : wKey;
    return wKey;
}

static const char *BezelKeyText(DWORD dwEvent)
{
    switch (dwEvent)
    {
    case BEZEL_UP_KEYDOWN: return "Received BEZEL_UP_KEYDOWN Click";
    case BEZEL_UP_KEYUP: return "Received BEZEL_UP_KEYUP Click";
    case BEZEL_DOWN_KEYDOWN: return "Received BEZEL_DOWN_KEYDOWN Click";
    default: return "Received BEZEL_DOWN_KEYUP Click";
    }
}

// Events 8 to 11: one key-down or key-up, never extended, as the keyboard's own.
void OnBezelPageKey(DWORD dwEvent)
{
    DBGOUT("%s", BezelKeyText(dwEvent));
    WORD wKey = PageKeyToSend(dwEvent, (int)g_nDisplayOrientation);
    BOOL bKeyUp = dwEvent == BEZEL_UP_KEYUP || dwEvent == BEZEL_DOWN_KEYUP;
    keybd_event((BYTE)wKey, wKey == VK_PRIOR ? SCAN_PRIOR : SCAN_NEXT, bKeyUp ? KEYEVENTF_KEYUP : 0, 0);
}
