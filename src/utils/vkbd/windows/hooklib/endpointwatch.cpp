// Follows the default playback device from Vista on: a notification object
// registered with the device enumerator posts each change of the default render
// device to the watchdog window, and that window's thread (the one that opened
// the endpoint) re-opens it once the volume workers are out of the way.
#define CINTERFACE
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include "Tarnwatch.h"
#include "coreaudioids.h"
#include "hookdata.h"
#include "hookwatch.h"

#define ENDPOINT_RETRY_MS 50
#define ENDPOINT_OPEN_DELAY_MS 20000
// Posted to the watchdog window when the default render device changed; wParam
// is non-zero when there is one. WM_APP + 1 is Tarnview's own.
#define WM_ENDPOINT_CHANGED (WM_APP + 2)

int EndpointOpenMaster(void);               // endpointvolume.cpp
void EndpointReopenMaster(BOOL bPresent);
IMMNotificationClient *DefaultDeviceClient(void);

static IMMDeviceEnumerator *s_pEnumerator = NULL;   // holds our registration
static BOOL s_bDevicePresent = TRUE;                // the latest change wins

static HRESULT STDMETHODCALLTYPE NotifyQueryInterface(IMMNotificationClient *This, REFIID riid, void **ppv)
{
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, s_iidNotificationClient))
    {
        *ppv = This;
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

// The object is static and lives as long as the library.
static ULONG STDMETHODCALLTYPE NotifyAddRef(IMMNotificationClient *This)
{
    (void)This;
    return 1;
}

static HRESULT STDMETHODCALLTYPE NotifyStateChanged(IMMNotificationClient *This, LPCWSTR pszId, DWORD dwState)
{
    (void)This, (void)pszId, (void)dwState;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE NotifyAddedOrRemoved(IMMNotificationClient *This, LPCWSTR pszId)
{
    (void)This, (void)pszId;
    return S_OK;
}

// Runs on a thread of the audio system: only hands the change on. A default
// device that is gone without a successor comes with no identifier.
static HRESULT STDMETHODCALLTYPE NotifyDefaultChanged(IMMNotificationClient *This, EDataFlow flow, ERole role,
                                                      LPCWSTR pszDefaultId)
{
    (void)This;
    if (flow == eRender && role == eConsole && HookWatchWindow())
        PostMessageW(HookWatchWindow(), WM_ENDPOINT_CHANGED, pszDefaultId != NULL, 0);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE NotifyPropertyChanged(IMMNotificationClient *This, LPCWSTR pszId,
                                                       const PROPERTYKEY key)
{
    (void)This, (void)pszId, (void)key;
    return S_OK;
}

static IMMNotificationClientVtbl s_notifyVtbl = {
    NotifyQueryInterface, NotifyAddRef, NotifyAddRef, NotifyStateChanged,
    NotifyAddedOrRemoved, NotifyAddedOrRemoved, NotifyDefaultChanged, NotifyPropertyChanged,
};

static IMMNotificationClient s_defaultDeviceClient = { &s_notifyVtbl };

IMMNotificationClient *DefaultDeviceClient(void)
{
    return &s_defaultDeviceClient;
}

// On the thread that opened the endpoint, after COM is initialised there.
void FollowDefaultEndpoint(void)
{
    if (CoCreateInstance(s_clsidDeviceEnumerator, NULL, CLSCTX_INPROC_SERVER, s_iidDeviceEnumerator,
                         (void **)&s_pEnumerator) != S_OK)
    {
        s_pEnumerator = NULL;
        return;
    }
    HRESULT hr = s_pEnumerator->lpVtbl->RegisterEndpointNotificationCallback(s_pEnumerator, DefaultDeviceClient());
    if (hr != S_OK)
    {
        DBGOUT("FollowDefaultEndpoint: no device notifications, 0x%08lx", (unsigned long)hr);
        s_pEnumerator->lpVtbl->Release(s_pEnumerator);
        s_pEnumerator = NULL;
    }
}

void StopFollowingDefaultEndpoint(void)
{
    if (!s_pEnumerator)
        return;
    s_pEnumerator->lpVtbl->UnregisterEndpointNotificationCallback(s_pEnumerator, DefaultDeviceClient());
    s_pEnumerator->lpVtbl->Release(s_pEnumerator);
    s_pEnumerator = NULL;
}

// A worker holds the mutex while it sends to this very thread, so waiting for it
// here could deadlock: take it only when free, else look again shortly.
static void ReopenWhenWorkersAreOut(HWND hWnd)
{
    DWORD dwWait = WaitForSingleObject(VolumeMutex(), 0);
    if (dwWait == WAIT_TIMEOUT)
    {
        SetTimer(hWnd, ENDPOINT_RETRY_TIMER, ENDPOINT_RETRY_MS, NULL);
        return;
    }
    KillTimer(hWnd, ENDPOINT_RETRY_TIMER);
    EndpointReopenMaster(s_bDevicePresent);
    // WAIT_OBJECT_0, or WAIT_ABANDONED by a worker that died: ours to give back.
    if (dwWait != WAIT_FAILED)
        ReleaseMutex(VolumeMutex());
}

// The audio service may still be starting at logon: the endpoint is asked for
// 20 s after start-up, on this thread, which meanwhile goes on serving its
// windows and the hook. FALSE when there is no watchdog window to wait on.
BOOL OpenEndpointLater(void)
{
    return HookWatchWindow() && SetTimer(HookWatchWindow(), ENDPOINT_OPEN_TIMER, ENDPOINT_OPEN_DELAY_MS, NULL);
}

// No worker can run yet: none starts while the volume keys are not ready.
static void OnOpenTime(HWND hWnd)
{
    KillTimer(hWnd, ENDPOINT_OPEN_TIMER);
    BOOL bOpened = EndpointOpenMaster();
    SetVolumeReady(bOpened);
    DBGOUT("EndpointOpenMaster: default playback device %s",
           bOpened ? "opened" : "not found, volume keys not ready");
}

// The watchdog window's messages that concern the endpoint; TRUE when handled.
BOOL OnEndpointMessage(HWND hWnd, UINT uMsg, WPARAM wParam)
{
    if (uMsg == WM_ENDPOINT_CHANGED)
    {
        s_bDevicePresent = (BOOL)wParam;
        ReopenWhenWorkersAreOut(hWnd);
        return TRUE;
    }
    if (uMsg == WM_TIMER && wParam == ENDPOINT_RETRY_TIMER)
        ReopenWhenWorkersAreOut(hWnd);
    else if (uMsg == WM_TIMER && wParam == ENDPOINT_OPEN_TIMER)
        OnOpenTime(hWnd);
    else
        return FALSE;
    return TRUE;
}
