#include "framework/CWinThread.h"

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pParam(pParam)
{
}

CWinThread::~CWinThread()
{
    if (m_hThread) {
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
    }
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize)
{
    m_hThread = ::CreateThread(nullptr, nStackSize, Start, this, dwCreateFlags, &m_nThreadID);
    return m_hThread != nullptr;
}

BOOL CWinThread::Join(DWORD dwMilliseconds)
{
    return !m_hThread || ::WaitForSingleObject(m_hThread, dwMilliseconds) == WAIT_OBJECT_0;
}

DWORD WINAPI CWinThread::Start(LPVOID pThis)
{
    auto* self = static_cast<CWinThread*>(pThis);
    return self->m_pfnThreadProc(self->m_pParam);
}

std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority,
                                           UINT nStackSize, DWORD dwCreateFlags)
{
    auto thread = std::make_unique<CWinThread>(pfnThreadProc, pParam);
    if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize))
        return nullptr;
    thread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ::ResumeThread(thread->m_hThread);
    return thread;
}
