#pragma once
// splitmix64: tiny, fast, and the same sequence on every platform, so that
// the same seed always yields byte-identical demo data.

#include <cstddef>
#include <cstdint>
#include <cstring>

class DemoRandom {
public:
    explicit DemoRandom(uint64_t seed) : m_state(seed) {}

    // A generator for one part of the data (a patient, a file), independent of
    // how many numbers other parts drew.
    static DemoRandom Derive(uint64_t seed, uint64_t part)
    {
        DemoRandom mixer(seed ^ (part * 0xD1B54A32D192ED03ull));
        return DemoRandom(mixer.Next());
    }

    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, n); n must not be 0.
    uint64_t Below(uint64_t n) { return Next() % n; }
    // Uniform in [lo, hi].
    uint64_t Between(uint64_t lo, uint64_t hi) { return lo + Below(hi - lo + 1); }
    bool Chance(unsigned percent) { return Below(100) < percent; }

    template <typename T, size_t N>
    const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

    void Fill(unsigned char* data, size_t size)
    {
        while (size >= 8) {
            uint64_t v = Next();
            std::memcpy(data, &v, 8);
            data += 8;
            size -= 8;
        }
        if (size) {
            uint64_t v = Next();
            std::memcpy(data, &v, size);
        }
    }

private:
    uint64_t m_state;
};
