#include "rules/random.h"

#include <chrono>

namespace zindle {

int32_t Random::random(int32_t n) {
    state_ = state_ * 134775813u + 1u;
    if (n <= 0) return 0;
    return static_cast<int32_t>((uint64_t{state_} * static_cast<uint64_t>(n)) >> 32);
}

Random& rng() {
    static Random instance;
    return instance;
}

uint32_t timeOfDaySeed() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto sinceMidnight = now - floor<days>(now);
    return static_cast<uint32_t>(duration_cast<milliseconds>(sinceMidnight).count());
}

void randomize() { rng().seed(timeOfDaySeed()); }

}  // namespace zindle
