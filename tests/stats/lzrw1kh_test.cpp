#include "lzrw1kh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes encode(TLZR& lzr, const Bytes& in) {
    Bytes out(TLZR::BufferSize);
    out.resize(lzr.Compression(in.data(), in.size(), out.data()));
    return out;
}

std::ptrdiff_t decode(const Bytes& body, Bytes& out) {
    out.assign(TLZR::BufferSize, 0);
    const std::ptrdiff_t n = TLZR::Decompression(body.data(), body.size(), out.data());
    if (n >= 0) out.resize(static_cast<std::size_t>(n));
    return n;
}

// "abcabcabcx": three literals, then at 3 the hash of "abc" (2749; "bca" is 896 and "cab"
// is 20, so no collision) finds position 0: a copy of distance 3 whose length runs over the
// bytes it produces, 6 bytes up to the 'x'; the 'x' has fewer than three bytes left, so it is
// a literal. Items L L L C L: control word 0001 0 then zeros = 0x1000; the copy is
// K = (3 << 4) | (6 - 3) = 0x0033.
TEST(LzrwBlock, HandWorkedBlockIsExact) {
    TLZR lzr;
    EXPECT_EQ(encode(lzr, bytes("abcabcabcx")),
              (Bytes{0x40, 0x10, 0x00, 'a', 'b', 'c', 0x00, 0x33, 'x'}));
}

TEST(LzrwBlock, RunOfTwentyIsOneRunItem) {
    TLZR lzr;
    // Control 1000..., run 0x00, R = 20 - 16 = 4 high byte first, the value.
    EXPECT_EQ(encode(lzr, Bytes(20, 'a')), (Bytes{0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 'a'}));
    // The longest run is 4095 (R = 0x0FEF); the 5 left over are a literal and a copy of
    // distance 1, length 4 (K = 0x0011): items R L C, control 101 then zeros.
    EXPECT_EQ(encode(lzr, Bytes(4100, 7)),
              (Bytes{0x40, 0xA0, 0x00, 0x00, 0x0F, 0xEF, 7, 7, 0x00, 0x11}));
}

TEST(LzrwBlock, RunOfFifteenIsLiteralAndCopy) {
    TLZR lzr;
    // 'a', then a copy of distance 1, length 14: K = (1 << 4) | 11 = 0x001B.
    EXPECT_EQ(encode(lzr, Bytes(15, 'a')), (Bytes{0x40, 0x40, 0x00, 'a', 0x00, 0x1B}));
}

TEST(LzrwBlock, ControlWordsGroupSixteenItems) {
    TLZR lzr;
    // k distinct literals then a run of 20: items = k + 1.
    auto piece = [](std::size_t k) {
        Bytes in;
        for (std::size_t i = 0; i < k; ++i) in.push_back(static_cast<std::uint8_t>(i * 7));
        in.insert(in.end(), 20, 0xEE);
        return in;
    };
    auto literals = [](std::size_t k) {
        Bytes out;
        for (std::size_t i = 0; i < k; ++i) out.push_back(static_cast<std::uint8_t>(i * 7));
        return out;
    };
    const Bytes run{0x00, 0x00, 0x04, 0xEE};

    // Sixteen items fill one control word exactly; no empty word follows.
    Bytes expect{0x40, 0x00, 0x01};
    for (const auto& part : {literals(15), run})
        expect.insert(expect.end(), part.begin(), part.end());
    EXPECT_EQ(encode(lzr, piece(15)), expect);

    // The seventeenth item opens a second word, its one bit at the top.
    expect = {0x40, 0x00, 0x00};
    for (const auto& part : {literals(16), Bytes{0x80, 0x00}, run})
        expect.insert(expect.end(), part.begin(), part.end());
    EXPECT_EQ(encode(lzr, piece(16)), expect);

    // The early stop: coded output longer than the piece falls back to storing it.
    Bytes distinct = literals(17);
    expect = {0x80};
    expect.insert(expect.end(), distinct.begin(), distinct.end());
    EXPECT_EQ(encode(lzr, distinct), expect);
}

TEST(LzrwBlock, ShortOrIncompressiblePiecesAreStored) {
    TLZR lzr;
    EXPECT_EQ(encode(lzr, {}), (Bytes{0x80}));
    EXPECT_EQ(encode(lzr, {'a', 'a'}), (Bytes{0x80, 'a', 'a'}));
    EXPECT_EQ(encode(lzr, {'a', 'a', 'a'}), (Bytes{0x80, 'a', 'a', 'a'}));

    std::mt19937 rng(7);
    Bytes noise(TLZR::BlockSize);
    for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
    const Bytes body = encode(lzr, noise);
    ASSERT_EQ(body.size(), noise.size() + 1);
    EXPECT_EQ(body[0], 0x80);
    EXPECT_EQ(0, std::memcmp(body.data() + 1, noise.data(), noise.size()));
}

TEST(LzrwBlock, RoundTripsAndResetsBetweenBlocks) {
    TLZR lzr;
    std::mt19937 rng(11);
    std::string text;
    while (text.size() < TLZR::BlockSize)
        text += "the quick brown fox " + std::to_string(rng() % 1000) + " jumps; ";
    text.resize(TLZR::BlockSize);
    Bytes mixed = bytes(text);
    for (std::size_t i = 20000; i < 26000; ++i)
        mixed[i] = static_cast<std::uint8_t>(rng() % 4 == 0 ? rng() : 0);

    for (const Bytes& in : {bytes(text), mixed, Bytes(5000, 0), bytes("abababababababababab")}) {
        const Bytes body = encode(lzr, in);
        EXPECT_LE(body.size(), in.size());
        Bytes out;
        ASSERT_EQ(decode(body, out), static_cast<std::ptrdiff_t>(in.size()));
        EXPECT_EQ(out, in);
        // The same piece coded again gives the same body: nothing carries over.
        EXPECT_EQ(encode(lzr, in), body);
    }
}

TEST(LzrwBlock, DamagedBodiesAreRejected) {
    Bytes out;
    // A copy of distance 1 before any output.
    EXPECT_EQ(decode({0x40, 0x80, 0x00, 0x00, 0x13}, out), -1);
    // A copy reaching one byte before the block.
    EXPECT_EQ(decode({0x40, 0x40, 0x00, 'a', 0x00, 0x20}, out), -1);
    // Items cut short: half a copy, three quarters of a run, half a control word.
    EXPECT_EQ(decode({0x40, 0x80, 0x00, 0x12}, out), -1);
    EXPECT_EQ(decode({0x40, 0x80, 0x00, 0x00, 0x01, 0x00}, out), -1);
    EXPECT_EQ(decode({0x40, 0x00}, out), -1);
    // Sixteen runs of 4095 come to more than a block.
    Bytes runs{0x40, 0xFF, 0xFF};
    for (int i = 0; i < 16; ++i) runs.insert(runs.end(), {0x00, 0x0F, 0xEF, 0x55});
    EXPECT_EQ(decode(runs, out), -1);
    // A stored body larger than a block.
    Bytes stored(TLZR::MaxBodySize + 1, 1);
    stored[0] = 0x80;
    EXPECT_EQ(decode(stored, out), -1);
    // Shorter than two bytes decodes to nothing, whatever the flag.
    EXPECT_EQ(decode({0x40}, out), 0);
    EXPECT_EQ(decode({}, out), 0);
    // Any flag but 0x80 means compressed.
    ASSERT_EQ(decode({0x00, 0x00, 0x00, 'z'}, out), 1);
    EXPECT_EQ(out, (Bytes{'z'}));
}

}  // namespace
