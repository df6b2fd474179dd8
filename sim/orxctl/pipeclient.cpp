// The control program's side of the command channel: connect to a library's
// pipe, send one request, read the one reply.
#include <windows.h>
#include "orxctl.h"

// How long to wait for a listener that is busy with another control program.
#define PIPE_BUSY_TIMEOUT_MS 10000

static DWORD ConnectPipe(LPCWSTR pszPipe, HANDLE *phPipe)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        HANDLE hPipe = CreateFileW(pszPipe, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0,
                                   NULL);
        if (hPipe != INVALID_HANDLE_VALUE)
        {
            *phPipe = hPipe;
            return ERROR_SUCCESS;
        }
        DWORD dwError = GetLastError();
        if (dwError != ERROR_PIPE_BUSY || GetTickCount() - dwStart > PIPE_BUSY_TIMEOUT_MS)
            return dwError;
        // Its result does not matter: the next CreateFileW tells.
        WaitNamedPipeW(pszPipe, 500);
    }
}

DWORD PipeTransact(LPCWSTR pszPipe, const SIM_REQUEST *pRequest, SIM_REPLY *pReply)
{
    HANDLE hPipe = INVALID_HANDLE_VALUE;
    DWORD dwError = ConnectPipe(pszPipe, &hPipe);
    if (dwError == ERROR_PATH_NOT_FOUND)
        dwError = ERROR_FILE_NOT_FOUND;
    if (dwError != ERROR_SUCCESS)
        return dwError;
    SIM_REQUEST request = *pRequest;
    if (!SimPipeTransfer(hPipe, &request, sizeof(request), TRUE) ||
        !SimPipeTransfer(hPipe, pReply, sizeof(*pReply), FALSE))
    {
        dwError = GetLastError();
        if (dwError == ERROR_SUCCESS)
            dwError = ERROR_BROKEN_PIPE;
    }
    CloseHandle(hPipe);
    return dwError;
}
