// A second process that registers with Tarnwatch, as a second user's Tarnview
// would, and stays registered until it is stopped (or a minute has passed).
#include <windows.h>
#include "Tarnwatch.h"

int main()
{
    RegisterHook(NULL);
    HANDLE hReady = CreateEventW(NULL, TRUE, FALSE, L"HookClientRegistered");
    SetEvent(hReady);
    DWORD dwStart = GetTickCount();
    MSG msg;
    while (GetTickCount() - dwStart < 60000)
    {
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
    CloseHandle(hReady);
    return 0;
}
