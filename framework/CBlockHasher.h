#pragma once
// Hashes a file's blocks on a second thread while the caller reads (and
// writes) the next ones, so that reading a file with its digest takes as long
// as the slower of the I/O and the hashing, not their sum.
//
// The caller fills the buffers in turn: NextBuffer gives the next free one,
// Submit hands it over with the number of bytes it holds; the caller may go
// on reading from a submitted buffer (to write it out) until its next call
// of NextBuffer. The buffers are page-aligned and kBlockBytes long, so they
// also take unbuffered reads. A stream of one block is hashed on the
// caller's thread in Finish, without starting a thread: small files cost no
// more than hashing them in place.
//
// All methods run on the caller's thread. A CNG failure on the hashing
// thread is raised by the next NextBuffer or Finish.

#include "framework/CSha256.h"
#include "framework/CSparePages.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

class CBlockHasher {
public:
    static constexpr DWORD kBlockBytes = 1024 * 1024;

    // Raises CMemoryException when the buffers cannot be had.
    CBlockHasher();
    // Stops the hashing thread without finishing what is queued.
    ~CBlockHasher();
    CBlockHasher(const CBlockHasher&) = delete;
    CBlockHasher& operator=(const CBlockHasher&) = delete;

    // Waits until the hashing thread no longer needs the buffer.
    BYTE* NextBuffer();
    // The buffer NextBuffer gave now holds nBytes to hash.
    void Submit(DWORD nBytes);
    // Waits for every submitted block; the digest of all of them in order.
    CSha256::Digest Finish();

private:
    static constexpr unsigned kSlots = 3;
    static CSparePages& Spares();

    BYTE* Slot(unsigned long long nBlock) const { return m_pBuffers.get() + (nBlock % kSlots) * kBlockBytes; }
    void HashBlocks();
    void RaiseFailure();

    CSparePages::Pages m_pBuffers;
    DWORD m_nLengths[kSlots] = {};
    CSha256 m_hash;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_changed;
    // Guarded by m_lock once the thread runs.
    unsigned long long m_nSubmitted = 0;
    unsigned long long m_nHashed = 0;
    bool m_bNoMoreBlocks = false;
    bool m_bStop = false;
    std::exception_ptr m_failure;
};
