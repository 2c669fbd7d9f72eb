// A fixed pseudo-random generator (SplitMix64), so that every run of the
// generator draws the same numbers on every machine.
#pragma once

#include <cstdint>

namespace assetgen {

class Prng {
public:
    explicit Prng(uint64_t seed) : m_state(seed) {}

    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    float uniform() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }

    // Uniform in [lo, hi).
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

    // Uniform integer in [0, n).
    int below(int n) { return n > 0 ? static_cast<int>(next() % static_cast<uint64_t>(n)) : 0; }

private:
    uint64_t m_state;
};

}  // namespace assetgen
