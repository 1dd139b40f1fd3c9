#pragma once
// A worker thread. The object owns the thread: its destructor waits until the
// thread has ended, so nothing the thread uses can go away under it.

#include <windows.h>

#include <memory>

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; FALSE when it could not be created.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0);
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    // Waits for the thread's end; TRUE when it ended within the time.
    BOOL Join(DWORD dwMilliseconds = INFINITE);

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;

private:
    static DWORD WINAPI Start(LPVOID pThis);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pParam;
};

// Starts a worker thread running pfnThreadProc(pParam); null when it could not
// be started.
std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                                           DWORD dwCreateFlags = 0);
