#pragma once
// LZRW1/KH block coder: one piece of at most 32768 bytes in, one block body out.
//
// Body layout: flag byte (0x80 stored, 0x40 compressed); a compressed body is groups of a
// 16-bit control word (high byte first, read from the top bit down, 1 = copy or run) and up
// to 16 items: a literal byte; a copy K (high byte first, distance K >> 4, length (K & 15) + 3);
// or a run 0x00, R (high byte first), value, standing for R + 16 repetitions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

class ELzrw1KHCompressor : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TLZR {
public:
    static constexpr std::size_t BlockSize = 32768;
    // Room for the worst body (a stored full piece is BlockSize + 1) with a margin.
    static constexpr std::size_t BufferSize = BlockSize + 16;
    static constexpr std::size_t MaxBodySize = BlockSize + 1;

    TLZR();

    // Codes src[0, n) (n <= BlockSize) into dst, which must hold BufferSize bytes.
    // Returns the body length: at most n when compressed, n + 1 when stored.
    std::size_t Compression(const std::uint8_t* src, std::size_t n, std::uint8_t* dst);

    // Decodes one body into dst (BufferSize bytes). Returns the decoded length, or -1 when the
    // body is damaged: a copy reaching before the block, more than BlockSize bytes of output,
    // or an item cut short.
    static std::ptrdiff_t Decompression(const std::uint8_t* body, std::size_t len,
                                        std::uint8_t* dst);

private:
    std::unique_ptr<std::uint16_t[]> hash_;
};
