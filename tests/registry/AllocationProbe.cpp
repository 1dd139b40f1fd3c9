#include "tests/registry/AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> gProbing{false};
std::atomic<size_t> gLargest{0};

void* Allocate(size_t size)
{
    if (gProbing) {
        size_t seen = gLargest;
        while (size > seen && !gLargest.compare_exchange_weak(seen, size)) {
        }
    }
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

} // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}

void* operator new[](size_t size)
{
    return Allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}

namespace regtest {

AllocationProbe::AllocationProbe()
{
    gLargest = 0;
    gProbing = true;
}

AllocationProbe::~AllocationProbe()
{
    gProbing = false;
}

size_t AllocationProbe::Largest() const
{
    return gLargest;
}

} // namespace regtest
