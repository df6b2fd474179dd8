// The library's command listener: a thread of its own that serves the control
// program's requests on the library's named pipe, one connection at a time.
#ifndef LISTENER_H
#define LISTENER_H

#include <windows.h>
#include "simpipe.h"

// Runs on the listener thread; fills the reply for one request.
typedef void (*SIM_HANDLER)(const SIM_REQUEST *pRequest, SIM_REPLY *pReply);

// Starts the listener once per process; later calls do nothing. The pipe may
// appear a moment later: the control program polls for it.
void ListenerStart(LPCWSTR pszPipe, SIM_HANDLER pfnHandler);

#endif
