// The library's command listener: a thread of its own that serves the control
// program's requests on the library's named pipe, one connection at a time.
#include <windows.h>
#include "listener.h"
#include "calllog.h"

// How long to wait before trying a pipe that another process still owns, or
// that failed, again: the newest client takes over once the old one has gone.
#define LISTENER_RETRY_MS 100

static LONG g_lStarted;            // 1 once a listener thread was started
static LPCWSTR g_pszPipe;          // set once before the thread starts
static SIM_HANDLER g_pfnHandler;   // likewise

static void ServeConnection(HANDLE hPipe)
{
    SIM_REQUEST request;
    if (!SimPipeTransfer(hPipe, &request, sizeof(request), FALSE))
        return;
    SIM_REPLY reply = {SIM_STATUS_BAD_REQUEST, 0};
    g_pfnHandler(&request, &reply);
    if (!SimPipeTransfer(hPipe, &reply, sizeof(reply), TRUE))
        return;
    // Disconnecting at once could discard the unread reply: wait until the
    // client has closed its end, which ends this read.
    BYTE bDrain;
    DWORD cbDrain;
    while (ReadFile(hPipe, &bDrain, 1, &cbDrain, NULL) && cbDrain > 0)
        ;
}

// One instance only: a second process of the product must not take half the
// commands. It gets the pipe once the first has gone.
static HANDLE CreatePipeInstance(void)
{
    DWORD dwLastError = ERROR_SUCCESS;
    for (;;)
    {
        HANDLE hPipe = CreateNamedPipeW(g_pszPipe, PIPE_ACCESS_DUPLEX,
                                        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                        sizeof(SIM_REPLY) * 4, sizeof(SIM_REQUEST) * 4, 0, NULL);
        if (hPipe != INVALID_HANDLE_VALUE)
            return hPipe;
        DWORD dwError = GetLastError();
        if (dwError != dwLastError && dwError != ERROR_PIPE_BUSY && dwError != ERROR_ACCESS_DENIED)
            CallLogPrintf("Listener %ls failed %lu", g_pszPipe, dwError);
        dwLastError = dwError;
        Sleep(LISTENER_RETRY_MS);
    }
}

static DWORD WINAPI ListenerThread(LPVOID)
{
    HANDLE hPipe = CreatePipeInstance();
    for (;;)
    {
        BOOL fConnected = ConnectNamedPipe(hPipe, NULL) || GetLastError() == ERROR_PIPE_CONNECTED;
        if (fConnected)
            ServeConnection(hPipe);
        else
            Sleep(LISTENER_RETRY_MS); // a broken pipe must not spin the processor
        DisconnectNamedPipe(hPipe);
    }
}

void ListenerStart(LPCWSTR pszPipe, SIM_HANDLER pfnHandler)
{
    if (InterlockedCompareExchange(&g_lStarted, 1, 0) != 0)
        return;
    g_pszPipe = pszPipe;
    g_pfnHandler = pfnHandler;
    HANDLE hThread = CreateThread(NULL, 0, ListenerThread, NULL, 0, NULL);
    if (hThread == NULL)
    {
        CallLogPrintf("Listener %ls failed %lu", pszPipe, GetLastError());
        InterlockedExchange(&g_lStarted, 0); // the next registration tries again
        return;
    }
    CloseHandle(hThread);
}
