// splitmix64, the one random sequence of the host substitute and of the tools around it: small,
// fast and the same on every platform, so a seed replays exactly.
#pragma once

#include <cstdint>

namespace host {

// Advances state by one step and returns the step's 64 bits.
inline uint64_t splitmix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace host
