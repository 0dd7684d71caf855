#include "rules/random.h"

#include <sys/random.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

namespace zindle {

void Random::makeStrong() {
    strong_ = true;
    poolLeft_ = 0;
}

uint64_t Random::strongWord() {
    if (poolLeft_ < sizeof(uint64_t)) {
        std::size_t got = 0;
        while (got < sizeof pool_) {
            const ssize_t n = ::getrandom(pool_ + got, sizeof pool_ - got, 0);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
            } else if (n < 0 && errno != EINTR) {
                // No getrandom (very old kernel): the library's device source.
                std::random_device device;
                for (; got < sizeof pool_; ++got) pool_[got] = static_cast<unsigned char>(device());
            }
        }
        poolLeft_ = sizeof pool_;
    }
    uint64_t word;
    poolLeft_ -= sizeof word;
    std::memcpy(&word, pool_ + poolLeft_, sizeof word);
    std::memset(pool_ + poolLeft_, 0, sizeof word);  // a used draw is not kept
    return word;
}

int32_t Random::random(int32_t n) {
    if (strong_) {
        if (n <= 0) return 0;
        // Rejection keeps every value equally likely.
        const uint64_t range = static_cast<uint64_t>(n);
        const uint64_t limit = UINT64_MAX - UINT64_MAX % range;
        uint64_t w;
        do w = strongWord();
        while (w >= limit);
        return static_cast<int32_t>(w % range);
    }
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

void randomize() {
    rng().makeStrong();
}

}  // namespace zindle
