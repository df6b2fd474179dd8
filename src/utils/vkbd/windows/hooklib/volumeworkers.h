// The three volume-key workers, one short-lived thread per key-down.
#ifndef VOLUMEWORKERS_H
#define VOLUMEWORKERS_H

#include <windows.h>

DWORD WINAPI Show_Mute_Unmute_Thread(LPVOID pParam);
DWORD WINAPI Show_VolumeDown_Thread(LPVOID pParam);
DWORD WINAPI Show_VolumeUp_Thread(LPVOID pParam);

#endif
