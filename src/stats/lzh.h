#pragma once
// LZH coding: LZ77 over a 4096-byte window with adaptively rebuilt Huffman codes.
//
// Stream layout (our own): bits are packed from the top of each byte down. Each item starts
// with a code from the literal/length model (314 symbols: 0-255 a literal byte, 256 + k a
// match of k + 3 bytes, 3 to 60). A match goes on with the distance less one (0 to 4095):
// its top 6 bits coded with the position model (64 symbols), then its low 6 bits as they are.
// Both models start with every count at 1 and rebuild their canonical codes from the counts
// after 16, 32, ... symbols, then every 512; coder and decoder rebuild at the same points.
// The stream ends when the known uncompressed size has been produced; the last byte is
// padded with zero bits.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

class ElzhException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TLZH {
public:
    // Fills buf with up to n bytes and returns how many; 0 means the input has ended.
    using Reader = std::function<std::size_t(std::uint8_t* buf, std::size_t n)>;
    using Writer = std::function<void(const std::uint8_t* buf, std::size_t n)>;
    // Called after each read with the running byte counts in and out.
    using Progress = std::function<void(std::uint64_t in, std::uint64_t out)>;

    static constexpr std::size_t WindowSize = 4096;
    static constexpr std::size_t MinMatch = 3;
    static constexpr std::size_t MaxMatch = 60;

    TLZH();
    ~TLZH();
    TLZH(const TLZH&) = delete;
    TLZH& operator=(const TLZH&) = delete;

    // Codes exactly `size` bytes; the reader is never asked for more. A reader that returns
    // fewer bytes than asked must throw instead. Returns the number of bytes written.
    std::uint64_t Encode(const Reader& read, const Writer& write, std::uint64_t size,
                         const Progress& progress = {});

    // Decodes until `size` bytes are written. Returns false, having written only what was
    // sound, when the stream is damaged or ends too early.
    bool Decode(const Reader& read, const Writer& write, std::uint64_t size);
    // After a failed Decode: the input ran out before the coded data did.
    bool InputEndedEarly() const { return endedEarly_; }

private:
    bool endedEarly_ = false;
    struct Tables;
    std::unique_ptr<Tables> t_;
};
