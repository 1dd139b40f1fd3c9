#pragma once
// Page-aligned buffers of one size, kept for the next user once given back:
// a run works through thousands of small files one after the other, and
// fresh pages for each (two mappings and their page faults under Wine) cost
// more than the file. Safe to share between threads.

#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

class CSparePages {
public:
    explicit CSparePages(SIZE_T nBytes) : m_nBytes(nBytes) {}
    ~CSparePages();
    CSparePages(const CSparePages&) = delete;
    CSparePages& operator=(const CSparePages&) = delete;

    // Pages of the pool's size, given back when the pointer goes; a null
    // pointer when the system has no memory left.
    struct SGiveBack {
        CSparePages* pPool = nullptr;
        void operator()(BYTE* p) const { pPool->Give(p); }
    };
    using Pages = std::unique_ptr<BYTE, SGiveBack>;
    Pages Take();

private:
    // A few are enough for the threads of a run.
    static constexpr size_t kKept = 2;
    void Give(BYTE* p);

    const SIZE_T m_nBytes;
    std::mutex m_lock;
    std::vector<BYTE*> m_free;
};
