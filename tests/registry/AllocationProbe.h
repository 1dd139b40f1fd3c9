#pragma once
// Records the largest single request to the global operator new while a probe
// is alive, so a test can show that a hostile length was refused before
// anything was allocated for it.

#include <cstddef>

namespace regtest {

class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    size_t Largest() const;
};

} // namespace regtest
