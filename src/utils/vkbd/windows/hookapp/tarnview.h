// Globals and functions that Tarnview's own files share with each other.
#ifndef TARNVIEW_H
#define TARNVIEW_H

#include <windows.h>

// Start-up (winmain.cpp)
extern HANDLE g_hEventMutex;     // serialises the hardware-event dispatcher
extern int g_nOSVersion;         // major * 10 + minor, in place before any event is dispatched

// Indicator protocol (indicator.cpp)
extern volatile LONG g_nPendingIndicator;  // code waiting to be shown, 0 for none
extern volatile LONG g_nIndicatorLevel;    // level of the last bar code
extern HANDLE g_hShowEvent;                // "ShowEvent": a code is pending

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
BOOL ClearTimedOutIndicator(int nShown);

// Ending when an installer or the session asks (session.cpp)
void RegisterForRestart(void);
LRESULT OnQueryEndSession(LPARAM lParam);
void OnEndSession(WPARAM wParam, LPARAM lParam);

// OSD windows (osdwnd.cpp)
extern HWND g_hIconWnd, g_hModeWnd, g_hBarWnd;
extern volatile LONG g_nDisplayOrientation;   // 0..3 as the display reports it
extern volatile LONG g_nOsdSize;              // percent of the DPI's size, set by the OSD thread

// Sent by the OSD thread to an OSD window when an indicator timed out: the main
// thread clears the pending code unless a newer one has come (wParam: the code shown).
#define WM_OSD_TIMEOUT (WM_APP + 1)

int ScaleX(int n);   // 96-dpi units to pixels at the screen's DPI and the indicator's size
int ScaleY(int n);
ATOM RegisterShowWndClass(HINSTANCE hInstance);
void CreateOsdWindows(HINSTANCE hInstance);
void ReadDisplayOrientation(void);   // at start-up and at every display change
LRESULT CALLBACK ShowWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// The alert-role accessible object of an OSD window (osdaccess.cpp); 0 for the default.
LRESULT OsdAccessibleObject(HWND hWnd, WPARAM wParam, LPARAM lParam);

// Where the OSD windows go and how large they are (osdplace.cpp)
void PlaceOsdWindowOn(HWND hWnd, const RECT *prcMonitor, DWORD dwPlace);
void RaiseOsdWindow(HWND hWnd);
void SetOsdRegion(HWND hWnd);
void SetOsdSize(DWORD dwSize);

// Decoded OSD pictures, kept until their file changes (osdpictures.cpp)
namespace Gdiplus { class Image; }
Gdiplus::Image *OsdPicture(LPCWSTR pszPath);

// OSD display thread (osdthread.cpp)
extern WCHAR g_szBackImage[];
extern WCHAR g_szForeImage[];
DWORD WINAPI ShowIndicatorProc(LPVOID pParam);
void HideOsdWindows(void);
void KeepOsdOnAMonitor(HWND hWnd);

// Spoken names of the indicators (osdname.cpp)
BOOL OsdNameOf(int nCode, int nLevel, LPWSTR pszName, size_t cchName);

// Hardware-event codes delivered by the platform's button callback.
enum HardwareEvent
{
    HOTKEY_WIRELESS = 0,
    HOTKEY_DISPLAY = 1,
    HOTKEY_BRIGHTNESS_DOWN = 2,
    HOTKEY_BRIGHTNESS_UP = 3,
    BEZELBUTTON_SINGLE_CLICK = 4,
    BEZELBUTTON_DOUBLE_CLICK = 5,
    HOTKEY_3G = 6,
    BEZEL_CAMERA = 7,
    BEZEL_UP_KEYDOWN = 8,
    BEZEL_UP_KEYUP = 9,
    BEZEL_DOWN_KEYDOWN = 10,
    BEZEL_DOWN_KEYUP = 11
};

#define INDICATOR_NONE 0   // an action that shows nothing

// The platform-service libraries, loaded at run time (orxload.cpp)
BOOL LoadPlatformLibraries(void);

// Hardware-event service and dispatcher (eventsvc.cpp, eventdisp.cpp, pagekeys.cpp)
struct ORX_EVENT_RECORD;
extern HANDLE g_hAbortEvent;
DWORD WINAPI ServiceThreadProc(LPVOID pParam);
BOOL WINAPI ServiceAbortHandler(void);
DWORD WINAPI VKbdEventCallback(struct ORX_EVENT_RECORD *pRecord);
extern WORD g_wBezelUpKey, g_wBezelDownKey;
WORD PageKeyOf(DWORD dwEvent, int nOrientation);
WORD PageKeyToSend(DWORD dwEvent, int nOrientation);
void OnBezelPageKey(DWORD dwEvent);

// Display modes; the known ones equal their indicator codes.
#define DISPLAY_MODE_UNKNOWN (-1)
#define DISPLAY_MODE_INTERNAL 3
#define DISPLAY_MODE_EXTERNAL 4
#define DISPLAY_MODE_DUAL 5

// Display switching (dispswitch.cpp)
int DisplayModeOfTopology(UINT32 nTopology);
LPCWSTR DisplaySwitchArgument(int nMode, int *pnShown);
int IndicatorOfScreenflipExit(DWORD dwExitCode);
int GetCurrentDisplaySwitchMode(void);
int SwitchDisplayMode(void);

// Bezel-button launches (bezellaunch.cpp; what each button starts: launchcfg.h)
void LaunchBezelApplication(DWORD dwEvent);

// Tarnview's folders (installdir.cpp): "TarnMonPath" as Tarnview reads it, and
// the folder of a module (NULL: the program).
BOOL ReadInstallDirectory(LPWSTR pszDir, size_t cchDir, BOOL *pbTooLong);
BOOL ModuleFolder(HMODULE hModule, LPWSTR pszDir, DWORD cchDir);

// The program a command line starts, as CreateProcessW finds it from the given
// program and working folders (cmdprogram.cpp); *ppszArgs: what follows its name.
BOOL FindCommandProgram(LPCWSTR pszCmd, LPCWSTR pszProgramDir, LPCWSTR pszWorkDir, LPWSTR pszProgram,
                        size_t cchProgram, LPCWSTR *ppszArgs);

// Command lines of started programs (cmdline.cpp). Each returns FALSE, leaving
// an empty buffer, when the value is absent or the text does not fit.
BOOL ReadRegistryText(HKEY hRoot, LPCWSTR pszKey, LPCWSTR pszValue, LPWSTR pszText, size_t cchText);
BOOL ReadRegistryTextOfView(HKEY hRoot, REGSAM samView, LPCWSTR pszKey, LPCWSTR pszValue, LPWSTR pszText,
                            size_t cchText, DWORD *pdwType);
BOOL BuildProgramPath(LPWSTR pszPath, size_t cchPath, LPCWSTR pszDir, LPCWSTR pszProgram);
BOOL BuildProgramCommandLine(LPWSTR pszCmd, size_t cchCmd, LPCWSTR pszDir, LPCWSTR pszProgram, LPCWSTR pszArgs);

// Test builds replace what the virtual display and Wine cannot vary: the
// orientation the display reports, the library holding the display-
// configuration functions, and a launch refused for want of administrator
// rights. The product build has none of these hooks.
#ifdef TARN_TEST_SEAMS
int SeamDisplayOrientation(int nReported);
LPCWSTR SeamDisplayConfigLibrary(void);
DWORD SeamCreateProcessRefusal(void);   // an error CreateProcessW is taken to give, 0 for none
#define DISPLAY_ORIENTATION(n) SeamDisplayOrientation(n)
#define DISPLAY_CONFIG_LIBRARY SeamDisplayConfigLibrary()
#else
#define DISPLAY_ORIENTATION(n) (n)
#define DISPLAY_CONFIG_LIBRARY L"User32.dll"
#endif

#endif
