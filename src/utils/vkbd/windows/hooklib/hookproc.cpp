// KeybdProcLL: the low-level keyboard hook procedure, called on the thread that
// registered the hook.
#include <windows.h>
#include "Tarnwatch.h"
#include "hookdata.h"

extern "C" LRESULT CALLBACK KeybdProcLL(int nCode, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(HookHandle(), nCode, wParam, lParam);
}
