#include "lzrw1kh.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t HashSize = 4096;
constexpr std::uint16_t Empty = 0xFFFF;
constexpr std::size_t MinRun = 16;
constexpr std::size_t MaxRun = 4095;
constexpr std::size_t MinCopy = 3;
constexpr std::size_t MaxCopy = 18;
constexpr std::size_t MaxDistance = 4095;

constexpr std::uint8_t FlagStored = 0x80;
constexpr std::uint8_t FlagCompressed = 0x40;

inline unsigned hash3(const std::uint8_t* p) {
    // Unsigned arithmetic: only the low bits of the product are kept anyway.
    const std::uint32_t v = ((((std::uint32_t{p[0]} << 4) ^ p[1]) << 4) ^ p[2]);
    return ((v * 40543u) >> 4) & 0xFFFu;
}

inline void put16(std::uint8_t* d, unsigned v) {
    d[0] = static_cast<std::uint8_t>(v >> 8);
    d[1] = static_cast<std::uint8_t>(v);
}

}  // namespace

TLZR::TLZR() {
    try {
        hash_.reset(new std::uint16_t[HashSize]);
    } catch (const std::bad_alloc&) {
        throw ELzrw1KHCompressor("LZRW1KH : no memory for HASH table");
    }
}

std::size_t TLZR::Compression(const std::uint8_t* src, std::size_t n, std::uint8_t* dst) {
    if (n > BlockSize) throw std::length_error("LZRW1/KH piece larger than a block");

    auto stored = [&] {
        dst[0] = FlagStored;
        if (n != 0) std::memcpy(dst + 1, src, n);
        return n + 1;
    };
    if (n < MinCopy) return stored();

    std::fill_n(hash_.get(), HashSize, Empty);
    dst[0] = FlagCompressed;
    std::size_t ctrlPos = 1;
    std::size_t out = 3;
    unsigned ctrl = 0;
    int items = 0;
    std::size_t i = 0;

    while (i < n) {
        if (items == 16) {
            put16(dst + ctrlPos, ctrl);
            if (out + 2 > n) return stored();
            ctrlPos = out;
            out += 2;
            ctrl = 0;
            items = 0;
        }

        const std::uint8_t b = src[i];
        const std::size_t runLimit = std::min(n - i, MaxRun);
        std::size_t run = 1;
        while (run < runLimit && src[i + run] == b) ++run;
        if (run >= MinRun) {
            if (out + 4 > n) return stored();
            const std::size_t r = run - MinRun;
            dst[out] = 0;
            dst[out + 1] = static_cast<std::uint8_t>(r >> 8);
            dst[out + 2] = static_cast<std::uint8_t>(r);
            dst[out + 3] = b;
            out += 4;
            ctrl = (ctrl << 1) | 1u;
            ++items;
            i += run;
            continue;
        }

        // Fewer than three bytes left can never start a copy.
        if (n - i >= MinCopy) {
            const unsigned h = hash3(src + i);
            const std::size_t p = hash_[h];
            hash_[h] = static_cast<std::uint16_t>(i);
            if (p != Empty && i - p <= MaxDistance) {
                const std::size_t limit = std::min(n - i, MaxCopy);
                std::size_t len = 0;
                while (len < limit && src[p + len] == src[i + len]) ++len;
                if (len >= MinCopy) {
                    if (out + 2 > n) return stored();
                    put16(dst + out, static_cast<unsigned>(((i - p) << 4) | (len - MinCopy)));
                    out += 2;
                    ctrl = (ctrl << 1) | 1u;
                    ++items;
                    i += len;
                    continue;
                }
            }
        }

        if (out + 1 > n) return stored();
        dst[out++] = b;
        ctrl <<= 1;
        ++items;
        ++i;
    }

    put16(dst + ctrlPos, (ctrl << (16 - items)) & 0xFFFFu);
    return out;
}

std::ptrdiff_t TLZR::Decompression(const std::uint8_t* body, std::size_t len, std::uint8_t* dst) {
    if (len < 2) return 0;
    if (body[0] == FlagStored) {
        if (len - 1 > BlockSize) return -1;
        std::memcpy(dst, body + 1, len - 1);
        return static_cast<std::ptrdiff_t>(len - 1);
    }

    std::size_t in = 1;
    std::size_t out = 0;
    while (in < len) {
        if (len - in < 2) return -1;
        unsigned ctrl = (unsigned{body[in]} << 8) | body[in + 1];
        in += 2;
        for (int bit = 0; bit < 16 && in < len; ++bit, ctrl <<= 1) {
            if ((ctrl & 0x8000u) == 0) {
                if (out >= BlockSize) return -1;
                dst[out++] = body[in++];
                continue;
            }
            if (len - in < 2) return -1;
            const unsigned k = (unsigned{body[in]} << 8) | body[in + 1];
            if ((k >> 4) == 0) {
                if (len - in < 4) return -1;
                const std::size_t count =
                    ((std::size_t{body[in + 1]} << 8) | body[in + 2]) + MinRun;
                if (count > BlockSize - out) return -1;
                std::memset(dst + out, body[in + 3], count);
                out += count;
                in += 4;
            } else {
                const std::size_t distance = k >> 4;
                const std::size_t count = (k & 0xFu) + MinCopy;
                if (distance > out || count > BlockSize - out) return -1;
                // Byte by byte: a copy may overlap what it produces.
                for (std::size_t j = 0; j < count; ++j) dst[out + j] = dst[out + j - distance];
                out += count;
                in += 2;
            }
        }
    }
    return static_cast<std::ptrdiff_t>(out);
}
