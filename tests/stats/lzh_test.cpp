#include "lzh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Hands the input out in small odd pieces so the coder's buffering is exercised.
TLZH::Reader readerOf(const Bytes& data, std::size_t& pos, std::size_t step = 1000) {
    return [&data, &pos, step](std::uint8_t* buf, std::size_t n) {
        const std::size_t k = std::min({n, step, data.size() - pos});
        std::memcpy(buf, data.data() + pos, k);
        pos += k;
        return k;
    };
}

Bytes encode(TLZH& lzh, const Bytes& in) {
    Bytes out;
    std::size_t pos = 0;
    const auto n = lzh.Encode(
        readerOf(in, pos),
        [&](const std::uint8_t* b, std::size_t k) { out.insert(out.end(), b, b + k); }, in.size());
    EXPECT_EQ(n, out.size());
    return out;
}

bool decode(TLZH& lzh, const Bytes& coded, std::uint64_t size, Bytes& out) {
    out.clear();
    std::size_t pos = 0;
    return lzh.Decode(
        readerOf(coded, pos, 777),
        [&](const std::uint8_t* b, std::size_t k) { out.insert(out.end(), b, b + k); }, size);
}

Bytes sampleText(std::size_t n, unsigned seed) {
    static const char* words[] = {"tally",   "games ", "won\r\n", "Ann ",
                                  "zindle ", "0\r\n",  "12\r\n"};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < n) {
        const std::string w = words[rng() % 7];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(n);
    return out;
}

TEST(LzrwLzh, RoundTripsTextBinaryAndNoise) {
    TLZH lzh;
    std::mt19937 rng(3);
    Bytes noise(70000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
    Bytes structured(150000);
    for (std::size_t i = 0; i < structured.size(); ++i)
        structured[i] = static_cast<std::uint8_t>((i % 5000 < 100) ? 0 : (i * i) >> 7);

    const Bytes text = sampleText(200000, 5);
    for (const Bytes& in : {Bytes{}, Bytes{42}, Bytes(100000, 'x'), text, noise, structured}) {
        const Bytes coded = encode(lzh, in);
        Bytes out;
        ASSERT_TRUE(decode(lzh, coded, in.size(), out)) << in.size();
        EXPECT_EQ(out, in);
    }
    EXPECT_LT(encode(lzh, text).size(), text.size() / 3);
    EXPECT_LT(encode(lzh, Bytes(100000, 'x')).size(), 2000u);
}

TEST(LzrwLzh, MatchesReachTheWholeWindowAndNoFurther) {
    TLZH lzh;
    std::mt19937 rng(9);
    // A random 4096-byte block repeated: each copy is exactly one window back.
    Bytes block(TLZH::WindowSize);
    for (auto& b : block) b = static_cast<std::uint8_t>(rng());
    Bytes in;
    for (int i = 0; i < 4; ++i) in.insert(in.end(), block.begin(), block.end());
    const Bytes coded = encode(lzh, in);
    EXPECT_LT(coded.size(), block.size() + 1500);
    Bytes out;
    ASSERT_TRUE(decode(lzh, coded, in.size(), out));
    EXPECT_EQ(out, in);

    // One byte further apart and the repeats are out of reach.
    Bytes far(block);
    far.push_back(0);
    far.insert(far.end(), block.begin(), block.end());
    EXPECT_GT(encode(lzh, far).size(), 2 * block.size() - 100);
}

TEST(LzrwLzh, DamagedStreamsFail) {
    TLZH lzh;
    const Bytes text = sampleText(50000, 8);
    const Bytes coded = encode(lzh, text);
    Bytes out;

    // Cut short, or asked for more than was coded.
    EXPECT_FALSE(
        decode(lzh, Bytes(coded.begin(), coded.begin() + coded.size() / 2), text.size(), out));
    EXPECT_LT(out.size(), text.size());
    EXPECT_FALSE(decode(lzh, coded, text.size() + 100, out));
    EXPECT_FALSE(decode(lzh, {}, 1, out));

    // Flipped bits decode to something or stop; they never run past the size.
    std::mt19937 rng(1);
    for (int i = 0; i < 50; ++i) {
        Bytes bad = coded;
        bad[rng() % bad.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        decode(lzh, bad, text.size(), out);
        EXPECT_LE(out.size(), text.size());
    }
}

}  // namespace
