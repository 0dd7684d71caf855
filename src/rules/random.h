// The process-wide pseudo-random generator: every chance in the game comes from it.
#pragma once

#include <cstdint>

namespace zindle {

class Random {
public:
    explicit Random(uint32_t seed = 0) : state_(seed) {}

    void seed(uint32_t s) { state_ = s; }
    uint32_t state() const { return state_; }

    // 0 .. n-1; the state steps first (state * 134775813 + 1 mod 2^32) and the
    // result is the high half of the 64-bit product of the new state and n.
    // n <= 0 yields 0 (the state still steps).
    int32_t random(int32_t n);

private:
    uint32_t state_;
};

// The one generator shared by host and window in this process.
Random& rng();

// Milliseconds since midnight, universal time: the start-up seed.
uint32_t timeOfDaySeed();

// Seeds rng() from timeOfDaySeed(); called once per run.
void randomize();

}  // namespace zindle
