// Control-program commands that reach into a running library through its pipe:
// deliver a button event, trigger an abort, wait for a registration.
#include <windows.h>
#include <wchar.h>
#include "orxctl.h"
#include <strsafe.h>

// How long --wait waits for the callbacks or the handler to return.
#define RETURN_WAIT_MS 60000
#define REGISTER_WAIT_DEFAULT_MS 60000
#define REGISTER_POLL_MS 50

// Turns a failed exchange or a refusal into the one error line.
static int ReportFailure(DWORD dwError, const SIM_REPLY *pReply, const char *pszWhat)
{
    if (dwError == ERROR_FILE_NOT_FOUND)
        return Fail("%s: no library is listening (nothing registered yet)", pszWhat);
    if (dwError != ERROR_SUCCESS)
        return Fail("%s: pipe error %lu", pszWhat, dwError);
    if (pReply->dwStatus == SIM_STATUS_NOT_REGISTERED)
        return Fail("%s: not delivered, nothing registered", pszWhat);
    if (pReply->dwStatus == SIM_STATUS_FAILED)
        return Fail("%s: library error %lu", pszWhat, pReply->dwCount);
    return Fail("%s: request refused by the library", pszWhat);
}

// Parses "<code> [--threads N] [--wait]" in any order.
static BOOL ParseEventArgs(int argc, LPWSTR *argv, DWORD *pdwCode, DWORD *pcThreads, BOOL *pfWait)
{
    BOOL fHaveCode = FALSE;
    for (int i = 0; i < argc; ++i)
    {
        if (wcscmp(argv[i], L"--wait") == 0)
            *pfWait = TRUE;
        else if (wcscmp(argv[i], L"--threads") == 0 && i + 1 < argc)
        {
            if (!ParseDword(argv[++i], pcThreads) || *pcThreads < 1 || *pcThreads > SIM_MAX_THREADS)
                return FALSE;
        }
        else if (!fHaveCode && ParseDword(argv[i], pdwCode))
            fHaveCode = TRUE;
        else
            return FALSE;
    }
    return fHaveCode;
}

int CmdEvent(int argc, LPWSTR *argv)
{
    DWORD dwCode = 0;
    DWORD cThreads = 1;
    BOOL fWait = FALSE;
    if (!ParseEventArgs(argc, argv, &dwCode, &cThreads, &fWait))
        return Fail("usage: orxctl event <code> [--threads 1-%d] [--wait]", SIM_MAX_THREADS);
    char szPrefix[48];
    StringCchPrintfA(szPrefix, ARRAYSIZE(szPrefix), "Event %lu returned ", dwCode);
    // Counted first, so returns of earlier deliveries of this code are not taken as ours.
    DWORD cBefore = fWait ? CountLogLines(szPrefix) : 0;
    if (cBefore == (DWORD)-1)
        return Fail("cannot read the call log (error %lu)", GetLastError());
    SIM_REQUEST request = {SIM_CMD_EVENT, dwCode, cThreads};
    SIM_REPLY reply = {SIM_STATUS_BAD_REQUEST, 0};
    DWORD dwError = PipeTransact(SIM_PIPE_VKBD, &request, &reply);
    if (dwError != ERROR_SUCCESS || reply.dwStatus != SIM_STATUS_OK)
        return ReportFailure(dwError, &reply, "event");
    PrintOut("Event %lu delivered on %lu thread(s)", dwCode, reply.dwCount);
    if (reply.dwCount != cThreads)
        return Fail("event: only %lu of %lu threads started", reply.dwCount, cThreads);
    if (!fWait)
        return 0;
    if (!WaitLogLines(szPrefix, cBefore + cThreads, RETURN_WAIT_MS))
        return Fail("event: the callback did not return within %d ms", RETURN_WAIT_MS);
    PrintOut("Event %lu returned on %lu thread(s)", dwCode, cThreads);
    return 0;
}

int CmdAbort(int argc, LPWSTR *argv)
{
    BOOL fWait = argc == 1 && wcscmp(argv[0], L"--wait") == 0;
    if (argc > 1 || (argc == 1 && !fWait))
        return Fail("usage: orxctl abort [--wait]");
    DWORD cBefore = fWait ? CountLogLines("Abort returned ") : 0;
    if (cBefore == (DWORD)-1)
        return Fail("cannot read the call log (error %lu)", GetLastError());
    SIM_REQUEST request = {SIM_CMD_ABORT, 0, 1};
    SIM_REPLY reply = {SIM_STATUS_BAD_REQUEST, 0};
    DWORD dwError = PipeTransact(SIM_PIPE_CORE, &request, &reply);
    if (dwError != ERROR_SUCCESS || reply.dwStatus != SIM_STATUS_OK)
        return ReportFailure(dwError, &reply, "abort");
    PrintOut("Abort delivered");
    if (!fWait)
        return 0;
    if (!WaitLogLines("Abort returned ", cBefore + 1, RETURN_WAIT_MS))
        return Fail("abort: the handler did not return within %d ms", RETURN_WAIT_MS);
    PrintOut("Abort returned");
    return 0;
}

// Polls the library's status until it reports a registration or time runs out.
static int WaitRegistration(int argc, LPWSTR *argv, LPCWSTR pszPipe, const char *pszVerb,
                            const char *pszWhat)
{
    DWORD dwTimeoutMs = REGISTER_WAIT_DEFAULT_MS;
    if (argc > 1 || (argc == 1 && (argv[0][0] == L'-' || !ParseDword(argv[0], &dwTimeoutMs))))
        return Fail("usage: orxctl %s [timeout_ms]", pszVerb);
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        SIM_REQUEST request = {SIM_CMD_STATUS, 0, 0};
        SIM_REPLY reply = {SIM_STATUS_BAD_REQUEST, 0};
        if (PipeTransact(pszPipe, &request, &reply) == ERROR_SUCCESS && reply.dwStatus == SIM_STATUS_OK)
        {
            PrintOut("%s registered", pszWhat);
            return 0;
        }
        if (GetTickCount() - dwStart >= dwTimeoutMs)
            return Fail("no %s registered within %lu ms", pszWhat, dwTimeoutMs);
        Sleep(REGISTER_POLL_MS);
    }
}

int CmdWaitRegistered(int argc, LPWSTR *argv)
{
    return WaitRegistration(argc, argv, SIM_PIPE_VKBD, "wait-registered", "callback");
}

int CmdWaitAbortHandler(int argc, LPWSTR *argv)
{
    return WaitRegistration(argc, argv, SIM_PIPE_CORE, "wait-abort-handler", "abort handler");
}
