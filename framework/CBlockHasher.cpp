#include "framework/CBlockHasher.h"

#include <system_error>

CSparePages& CBlockHasher::Spares()
{
    // The buffers of hashers that are done, kept for the next ones.
    static CSparePages spares(kSlots * kBlockBytes);
    return spares;
}

CBlockHasher::CBlockHasher() : m_pBuffers(Spares().Take())
{
    if (!m_pBuffers)
        AfxThrowMemoryException();
}

CBlockHasher::~CBlockHasher()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bStop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    // A failure nobody asked for any more still owns its exception object.
    if (m_failure) {
        try {
            std::rethrow_exception(m_failure);
        } catch (CException* e) {
            e->Delete();
        } catch (...) {
        }
    }
}

BYTE* CBlockHasher::NextBuffer()
{
    if (m_thread.joinable()) {
        std::unique_lock<std::mutex> guard(m_lock);
        m_changed.wait(guard, [this] { return m_nSubmitted - m_nHashed < kSlots || m_failure; });
        if (m_failure) {
            guard.unlock();
            RaiseFailure();
        }
    }
    return Slot(m_nSubmitted);
}

void CBlockHasher::Submit(DWORD nBytes)
{
    m_nLengths[m_nSubmitted % kSlots] = nBytes;
    if (!m_thread.joinable()) {
        // The first block may be the only one; it waits for Finish or for a
        // second block, which starts the thread.
        if (m_nSubmitted == 0) {
            m_nSubmitted = 1;
            return;
        }
        m_nSubmitted = 2;
        try {
            m_thread = std::thread(&CBlockHasher::HashBlocks, this);
        } catch (const std::system_error&) {
            // The system has no room for another thread.
            AfxThrowMemoryException();
        }
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_nSubmitted;
    }
    m_changed.notify_all();
}

CSha256::Digest CBlockHasher::Finish()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bNoMoreBlocks = true;
        }
        m_changed.notify_all();
        m_thread.join();
        if (m_failure)
            RaiseFailure();
    } else if (m_nSubmitted == 1) {
        m_hash.Update(Slot(0), m_nLengths[0]);
    }
    return m_hash.Finish();
}

void CBlockHasher::HashBlocks()
{
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_changed.wait(guard, [this] { return m_bStop || m_nHashed < m_nSubmitted || m_bNoMoreBlocks; });
        if (m_bStop || m_nHashed == m_nSubmitted)
            return;
        const BYTE* pBlock = Slot(m_nHashed);
        const DWORD nBytes = m_nLengths[m_nHashed % kSlots];
        guard.unlock();
        try {
            m_hash.Update(pBlock, nBytes);
        } catch (...) {
            guard.lock();
            m_failure = std::current_exception();
            m_changed.notify_all();
            return;
        }
        guard.lock();
        ++m_nHashed;
        m_changed.notify_all();
    }
}

void CBlockHasher::RaiseFailure()
{
    // Raised once: the exception object then belongs to whoever catches it.
    std::exception_ptr failure;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        failure.swap(m_failure);
    }
    std::rethrow_exception(failure);
}
