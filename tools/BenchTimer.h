#pragma once
// Wall-clock time since construction, from the performance counter.

#include <windows.h>

class BenchTimer {
public:
    BenchTimer() { Restart(); }

    void Restart() { QueryPerformanceCounter(&m_start); }

    double Seconds() const
    {
        LARGE_INTEGER now;
        LARGE_INTEGER frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_start;
};
