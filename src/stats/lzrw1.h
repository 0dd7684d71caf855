#pragma once
// Tlzrw1: turns a file (or stream) into a compressed container and back.
//
// Container: 4-byte tag ("WRZL" LZRW1/KH, "!HZL" LZH), the uncompressed size (4 bytes,
// little-endian), then the coded data. LZRW1/KH data is one block per 32768-byte piece, the
// last piece shorter (empty when the size is a multiple of 32768); each block is its body
// length (2 bytes, little-endian) and the body (see lzrw1kh.h). LZH data is one stream
// (see lzh.h) whose end is given by the size.
//
// The component knows no windows: whoever shows it passes a TLzrw1View, which gets the
// progress and result captions (only while it is visible) and a chance to keep the
// application responsive after every read and write.

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>

#include "lzh.h"
#include "lzrw1kh.h"

class ELzrw1Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TCompressMode { Good, Fast, Auto };

class TLzrw1View {
public:
    virtual ~TLzrw1View() = default;
    virtual bool Visible() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Called after every read and write; a window services its event queue here.
    virtual void ProcessMessages() {}
};

class Tlzrw1 {
public:
    explicit Tlzrw1(TLzrw1View* view = nullptr);
    Tlzrw1(const Tlzrw1&) = delete;
    Tlzrw1& operator=(const Tlzrw1&) = delete;

    bool UseStream = false;
    std::string InputFile;
    std::string OutputFile;
    // Used when UseStream is set: read from the current position to the end; write from the
    // current position on.
    std::istream* InputStream = nullptr;
    std::ostream* OutputStream = nullptr;
    TCompressMode CompressMode = TCompressMode::Good;
    int Threshold = 40;

    // Returns the number of bytes written, header included.
    std::int64_t Compress();
    // Returns the number of bytes written. A damaged container is rejected with the
    // size-mismatch message of its coding; a file written so far is deleted.
    std::int64_t Decompress();
    // The coding that Auto would use: Fast or Good.
    TCompressMode Advise();

    static constexpr std::uint32_t SmallInput = 98303;

private:
    class Session;
    friend class Session;

    void caption(const std::string& text) const;
    void idle() const;

    TLzrw1View* view_;
    TLZR lzr_;
    TLZH lzh_;
};
