// The simulated site's random numbers: splitmix64, the same on every platform and library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sitesim
{

// Small and good enough; std::uniform_int_distribution differs between standard libraries, and
// the generated names must not depend on the toolchain.
class Rng
{
public:
    explicit Rng(uint64_t seed) : state(seed) {}

    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    /// A number in [0, n); 0 when n is 0.
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

    /// FNV-1a of a text, a seed that depends on nothing but the text.
    static uint32_t Hash(const std::string& text)
    {
        uint32_t h = 2166136261u;
        for (unsigned char c : text)
            h = (h ^ c) * 16777619u;
        return h;
    }

private:
    uint64_t state;
};

} // namespace sitesim
