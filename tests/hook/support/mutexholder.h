// Another owner of a mutex: takes it on a thread of its own and keeps it until
// Finish(), or, abandoning, ends while still owning it.
#ifndef MUTEXHOLDER_H
#define MUTEXHOLDER_H

#include <windows.h>

namespace tarn {

class MutexHolder
{
public:
    MutexHolder(HANDLE hMutex, bool bAbandon = false)
        : m_hMutex(hMutex), m_bAbandon(bAbandon),
          m_hHeld(CreateEventW(NULL, TRUE, FALSE, NULL)), m_hRelease(CreateEventW(NULL, TRUE, FALSE, NULL))
    {
        m_hThread = CreateThread(NULL, 0, Hold, this, 0, NULL);
    }

    ~MutexHolder()
    {
        Finish();
        CloseHandle(m_hHeld);
        CloseHandle(m_hRelease);
    }

    // True once the thread owns the mutex.
    bool Held() { return WaitForSingleObject(m_hHeld, 10000) == WAIT_OBJECT_0; }

    // Lets go (an abandoning holder has already ended) and waits for the thread;
    // true when it ended.
    bool Finish()
    {
        if (!m_hThread)
            return true;
        SetEvent(m_hRelease);
        bool bEnded = WaitForSingleObject(m_hThread, 10000) == WAIT_OBJECT_0;
        CloseHandle(m_hThread);
        m_hThread = NULL;
        return bEnded;
    }

private:
    HANDLE m_hMutex;
    bool m_bAbandon;
    HANDLE m_hHeld;
    HANDLE m_hRelease;
    HANDLE m_hThread;

    static DWORD WINAPI Hold(LPVOID pParam)
    {
        MutexHolder *p = (MutexHolder *)pParam;
        WaitForSingleObject(p->m_hMutex, INFINITE);
        SetEvent(p->m_hHeld);
        if (p->m_bAbandon)
            return 0;
        WaitForSingleObject(p->m_hRelease, INFINITE);
        ReleaseMutex(p->m_hMutex);
        return 0;
    }
};

}

#endif
