#include "framework/CSparePages.h"

CSparePages::~CSparePages()
{
    for (BYTE* p : m_free)
        ::VirtualFree(p, 0, MEM_RELEASE);
}

CSparePages::Pages CSparePages::Take()
{
    BYTE* p = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_free.empty()) {
            p = m_free.back();
            m_free.pop_back();
        }
    }
    if (!p)
        p = static_cast<BYTE*>(::VirtualAlloc(nullptr, m_nBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    return Pages(p, SGiveBack{this});
}

void CSparePages::Give(BYTE* p)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_free.size() < kKept) {
            m_free.push_back(p);
            return;
        }
    }
    ::VirtualFree(p, 0, MEM_RELEASE);
}
