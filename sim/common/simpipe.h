// The command channel between the control program and a stand-in library: one
// named pipe per library, one fixed-size request and reply per connection.
#ifndef SIMPIPE_H
#define SIMPIPE_H

#include <windows.h>

// OrxVKbd serves button events, OrxCore serves aborts.
#define SIM_PIPE_VKBD L"\\\\.\\pipe\\TarnSim.OrxVKbd"
#define SIM_PIPE_CORE L"\\\\.\\pipe\\TarnSim.OrxCore"

// Most threads one event may be delivered from at once.
#define SIM_MAX_THREADS 64

enum SimCommand
{
    SIM_CMD_STATUS = 1, // is a callback (OrxVKbd) or handler (OrxCore) registered?
    SIM_CMD_EVENT = 2,  // deliver dwCode from dwThreads threads started together
    SIM_CMD_ABORT = 3   // call the abort handler
};

enum SimStatus
{
    SIM_STATUS_OK = 0,
    SIM_STATUS_NOT_REGISTERED = 1,
    SIM_STATUS_BAD_REQUEST = 2,
    SIM_STATUS_FAILED = 3 // dwCount holds the Win32 error
};

// Only DWORDs, so 32- and 64-bit peers agree on the layout.
typedef struct SIM_REQUEST
{
    DWORD dwCommand;
    DWORD dwCode;
    DWORD dwThreads;
} SIM_REQUEST;

typedef struct SIM_REPLY
{
    DWORD dwStatus;
    DWORD dwCount; // threads started, or the error for SIM_STATUS_FAILED
} SIM_REPLY;

// Reads or writes exactly cb bytes on a blocking pipe; FALSE if the peer went away.
BOOL SimPipeTransfer(HANDLE hPipe, void *pv, DWORD cb, BOOL fWrite);

#endif
