// The command channel's byte transfer, shared by the libraries' listeners and
// the control program.
#include <windows.h>
#include "simpipe.h"

BOOL SimPipeTransfer(HANDLE hPipe, void *pv, DWORD cb, BOOL fWrite)
{
    BYTE *pb = (BYTE *)pv;
    while (cb > 0)
    {
        DWORD cbDone = 0;
        BOOL fOk = fWrite ? WriteFile(hPipe, pb, cb, &cbDone, NULL)
                          : ReadFile(hPipe, pb, cb, &cbDone, NULL);
        if (!fOk || cbDone == 0)
            return FALSE;
        pb += cbDone;
        cb -= cbDone;
    }
    return TRUE;
}
