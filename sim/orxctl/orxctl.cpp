// orxctl.exe: the control program a person or a test uses to drive the platform
// stand-ins: shared state, forced results, event and abort delivery, the call log.
#include <windows.h>
#include <shellapi.h>
#include <wchar.h>
#include "orxctl.h"

typedef int (*COMMAND_FN)(int argc, LPWSTR *argv);

typedef struct COMMAND
{
    LPCWSTR pszVerb;
    COMMAND_FN pfnCommand;
} COMMAND;

static const COMMAND s_aCommands[] = {
    {L"event", CmdEvent},
    {L"abort", CmdAbort},
    {L"wait-registered", CmdWaitRegistered},
    {L"wait-abort-handler", CmdWaitAbortHandler},
    {L"init-fail", CmdInitFail},
    {L"set", CmdSet},
    {L"get", CmdGet},
    {L"result", CmdResult},
    {L"screenflip-exit", CmdScreenflipExit},
    {L"calls", CmdCalls},
    {L"reset", CmdReset},
};

static const char s_szUsage[] =
    "usage: orxctl event <code> [--threads N] [--wait] | abort [--wait] | wait-registered [ms]"
    " | wait-abort-handler [ms] | init-fail <count> [result] | set wifi|3g|brightness <value>"
    " | get wifi|3g|brightness | result <ORX_name> <code>|clear | screenflip-exit <code>"
    " | calls | reset";

int main(void)
{
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == NULL)
        return Fail("cannot read the command line (error %lu)", GetLastError());
    int nExit = -1;
    if (argc >= 2 && (wcscmp(argv[1], L"help") == 0 || wcscmp(argv[1], L"--help") == 0))
    {
        PrintOut("%s", s_szUsage);
        nExit = 0;
    }
    for (size_t i = 0; nExit < 0 && argc >= 2 && i < ARRAYSIZE(s_aCommands); ++i)
    {
        if (wcscmp(argv[1], s_aCommands[i].pszVerb) == 0)
            nExit = s_aCommands[i].pfnCommand(argc - 2, argv + 2);
    }
    if (nExit < 0)
        nExit = Fail("%s", s_szUsage);
    LocalFree(argv);
    return nExit;
}
