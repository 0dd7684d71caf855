// The process-wide random generator: every chance in the game comes from it.
//
// It has two sources, and why they differ matters:
// - Seeded, it is the 32-bit linear generator below, so a game given a seed
//   replays exactly (tests, --seed, bug reports).
// - Unseeded (strong()), it draws from the system's random source. A seat
//   that sees its first rack can recover a 32-bit state, or try every
//   time-of-day seed, and from then on knows every tile to come; draws from
//   getrandom(2) leave nothing to recover.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zindle {

class Random {
public:
    explicit Random(uint32_t seed = 0) : state_(seed) {}

    // Back to the linear generator at state s.
    void seed(uint32_t s) {
        state_ = s;
        strong_ = false;
    }
    // From now on, draw from the system's random source.
    void makeStrong();
    bool isStrong() const { return strong_; }
    uint32_t state() const { return state_; }

    // 0 .. n-1. Seeded: the state steps first (state * 134775813 + 1 mod 2^32)
    // and the result is the high half of the 64-bit product of the new state
    // and n. n <= 0 yields 0 (the state still steps).
    int32_t random(int32_t n);

private:
    uint64_t strongWord();

    uint32_t state_;
    bool strong_ = false;
    unsigned char pool_[256];
    std::size_t poolLeft_ = 0;
};

// The one generator shared by host and window in this process.
Random& rng();

// Milliseconds since midnight, universal time.
uint32_t timeOfDaySeed();

// Makes rng() draw from the system's random source; called once per run
// unless a seed was asked for.
void randomize();

}  // namespace zindle
