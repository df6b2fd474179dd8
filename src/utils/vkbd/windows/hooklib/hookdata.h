// Tarnwatch's state: the ".HOOKDAT" section shared by every process that maps
// the library, and the handles each registering process works with.
#ifndef HOOKDATA_H
#define HOOKDATA_H

#include <windows.h>

// The shared section: four 32-bit values, in this order. Handles keep only
// their low 32 bits, which is all Windows makes significant, so the section is
// 16 bytes on both architectures.
extern LONG g_hHook;
extern LONG g_bVolumeReady;
extern LONG g_hHookSemaphore;
extern LONG g_hMasterVolumeSemaphore;

extern HINSTANCE g_hInstance;   // this library, recorded by DllMain
extern HWND g_hHookWnd;         // Tarnview's "HookWnd", looked up by DllMain
extern int g_nAttachOSVersion;  // OS version seen by the latest DllMain call
extern volatile LONG g_nHookCalls;  // calls of KeybdProcLL in this process, for the hook's watchdog

// The handles of this process. The hook and the workers use these, never the
// shared copies, so another process's RegisterHook cannot hand them foreign handles.
HHOOK HookHandle(void);
HANDLE HookMutex(void);
HANDLE VolumeMutex(void);
BOOL IsVolumeReady(void);

void SetHookHandle(HHOOK hHook);
void SetHookMutex(HANDLE hMutex);
void SetVolumeMutex(HANDLE hMutex);
void SetVolumeReady(BOOL bReady);
void ReleaseSection(void);

#endif
