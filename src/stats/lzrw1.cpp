#include "lzrw1.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <istream>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <system_error>

namespace {

constexpr std::uint8_t TagFast[4] = {'W', 'R', 'Z', 'L'};
constexpr std::uint8_t TagGood[4] = {'!', 'H', 'Z', 'L'};
constexpr std::size_t HeaderSize = 8;
constexpr std::size_t Piece = TLZR::BlockSize;

const char* const MsgBuffers = "Lzrw1 (de)compression : Failed to get memory for I/O buffers !";
const char* const MsgMismatchFast =
    "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
const char* const MsgMismatchGood =
    "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !";
const char* const SuffixFast = " (LZRW1/KH)";
const char* const SuffixGood = " (LZH)";

void put32le(std::uint8_t* d, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get32le(const std::uint8_t* s) {
    return std::uint32_t{s[0]} | (std::uint32_t{s[1]} << 8) | (std::uint32_t{s[2]} << 16) |
           (std::uint32_t{s[3]} << 24);
}

std::int64_t percent(std::uint64_t out, std::uint64_t in) {
    // An empty input has no ratio; report 0 rather than divide by zero.
    return in == 0 ? 0 : static_cast<std::int64_t>(out * 100 / in);
}

// Bytes from the stream's current position to its end, the position left unchanged.
bool remainingSize(std::istream& s, std::uint64_t& size) {
    const auto here = s.tellg();
    if (here == std::istream::pos_type(-1)) return false;
    s.seekg(0, std::ios::end);
    const auto end = s.tellg();
    s.seekg(here);
    if (end == std::istream::pos_type(-1) || !s || end < here) return false;
    size = static_cast<std::uint64_t>(end - here);
    return true;
}

bool fileSize(const std::string& name, std::uint64_t& size) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(name, ec);
    if (ec) return false;
    size = n;
    return true;
}

}  // namespace

// One operation: its buffers, its open files, and the clean-up when it fails part-way.
class Tlzrw1::Session {
public:
    Session(Tlzrw1& c, const char* bufferMessage) : c_(c) {
        try {
            in_.reset(new std::uint8_t[TLZR::BufferSize]);
            out_.reset(new std::uint8_t[TLZR::BufferSize]);
        } catch (const std::bad_alloc&) {
            throw ELzrw1Exception(bufferMessage);
        }
    }

    ~Session() {
        if (inFile_) std::fclose(inFile_);
        if (outFile_) {
            std::fclose(outFile_);
            // Never delete what we did not create as a plain file (a device, say).
            if (deletable_) {
                std::error_code ec;
                std::filesystem::remove(c_.OutputFile, ec);
            }
        }
    }

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::uint8_t* In() { return in_.get(); }
    std::uint8_t* Out() { return out_.get(); }

    void OpenInput() {
        if (c_.UseStream) {
            if (!c_.InputStream || c_.InputStream->tellg() == std::istream::pos_type(-1))
                throw ELzrw1Exception(
                    "Lzrw1 (de)compression : Failed to initialize input stream !");
            return;
        }
        inFile_ = std::fopen(c_.InputFile.c_str(), "rb");
        if (!inFile_)
            throw ELzrw1Exception("Lzrw1 (de)compression : Failed to open input file : " +
                                  c_.InputFile);
    }

    void OpenOutput() {
        if (c_.UseStream) {
            if (!c_.OutputStream || c_.OutputStream->tellp() == std::ostream::pos_type(-1))
                throw ELzrw1Exception(
                    "Lzrw1 (de)compression : Failed to initialize output stream !");
            return;
        }
        std::error_code ec;
        // Writing onto the input would truncate it before it is read, and the clean-up
        // after the failure would delete the player's file: refuse, touching neither.
        if (inFile_ && std::filesystem::equivalent(c_.InputFile, c_.OutputFile, ec))
            throw ELzrw1Exception("Lzrw1 (de)compression : Failed to open output file : " +
                                  c_.OutputFile);
        const auto st = std::filesystem::status(c_.OutputFile, ec);
        const bool plain = st.type() == std::filesystem::file_type::not_found ||
                           st.type() == std::filesystem::file_type::regular;
        outFile_ = std::fopen(c_.OutputFile.c_str(), "wb");
        if (!outFile_)
            throw ELzrw1Exception("Lzrw1 (de)compression : Failed to open output file : " +
                                  c_.OutputFile);
        deletable_ = plain;
    }

    // Up to n bytes; fewer only at the end of the input. A read failure raises the read message.
    std::size_t ReadSome(std::uint8_t* buf, std::size_t n, const char* suffix = "") {
        std::size_t got = 0;
        bool failed = false;
        if (c_.UseStream) {
            std::istream& s = *c_.InputStream;
            if (n != 0 && s.good()) {
                s.read(reinterpret_cast<char*>(buf), static_cast<std::streamsize>(n));
                got = static_cast<std::size_t>(s.gcount());
            }
            failed = s.bad();
            // A short read at the end leaves the stream usable, as a file would be.
            if (!failed && s.fail()) s.clear(s.rdstate() & ~std::ios::failbit);
        } else {
            got = n == 0 ? 0 : std::fread(buf, 1, n, inFile_);
            failed = std::ferror(inFile_) != 0;
        }
        c_.idle();
        if (failed) throw ELzrw1Exception(ReadMessage(suffix));
        bytesIn_ += got;
        return got;
    }

    void ReadExact(std::uint8_t* buf, std::size_t n, const char* suffix) {
        if (ReadSome(buf, n, suffix) != n) throw ELzrw1Exception(ReadMessage(suffix));
    }

    std::string ReadMessage(const char* suffix) const {
        if (c_.UseStream) return std::string("Lzrw1 : Error reading from input stream !") + suffix;
        return "Lzrw1 : Error reading from input file : " + c_.InputFile + suffix;
    }

    void Write(const std::uint8_t* buf, std::size_t n) {
        bool ok;
        if (c_.UseStream) {
            c_.OutputStream->write(reinterpret_cast<const char*>(buf),
                                   static_cast<std::streamsize>(n));
            ok = static_cast<bool>(*c_.OutputStream);
        } else {
            ok = std::fwrite(buf, 1, n, outFile_) == n;
        }
        c_.idle();
        if (!ok) WriteFailed();
        bytesOut_ += n;
    }

    // Closes the output for good; the file is kept from here on.
    void Finish() {
        if (c_.UseStream) {
            c_.OutputStream->flush();
            if (!*c_.OutputStream) WriteFailed();
            return;
        }
        if (inFile_) {
            std::fclose(inFile_);
            inFile_ = nullptr;
        }
        std::FILE* f = outFile_;
        outFile_ = nullptr;
        if (std::fclose(f) != 0) {
            if (deletable_) {
                std::error_code ec;
                std::filesystem::remove(c_.OutputFile, ec);
            }
            WriteFailed();
        }
    }

    [[noreturn]] void WriteFailed() const {
        if (c_.UseStream) throw ELzrw1Exception("Lzrw1 : Error writing to output stream !");
        throw ELzrw1Exception("Lzrw1 : Error writing to output file : " + c_.OutputFile);
    }

    std::uint64_t BytesIn() const { return bytesIn_; }
    std::uint64_t BytesOut() const { return bytesOut_; }

private:
    Tlzrw1& c_;
    std::unique_ptr<std::uint8_t[]> in_;
    std::unique_ptr<std::uint8_t[]> out_;
    std::FILE* inFile_ = nullptr;
    std::FILE* outFile_ = nullptr;
    bool deletable_ = false;
    std::uint64_t bytesIn_ = 0;
    std::uint64_t bytesOut_ = 0;
};

Tlzrw1::Tlzrw1(TLzrw1View* view) : view_(view) {}

void Tlzrw1::caption(const std::string& text) const {
    if (view_ && view_->Visible()) view_->SetCaption(text);
}

void Tlzrw1::idle() const {
    if (view_) view_->ProcessMessages();
}

std::int64_t Tlzrw1::Compress() {
    TCompressMode mode = CompressMode;
    if (mode == TCompressMode::Auto) mode = Advise();

    Session s(*this, MsgBuffers);

    std::uint64_t size = 0;
    if (UseStream) {
        if (!InputStream)
            throw ELzrw1Exception("Lzrw1 (de)compression : Failed to initialize input stream !");
        // The header holds 32 bits of size; anything larger cannot be stored faithfully.
        if (!remainingSize(*InputStream, size) || size > std::numeric_limits<std::uint32_t>::max())
            throw ELzrw1Exception(
                "Lzrw1 compression : Failed to obtain the size of the input stream !");
    } else if (!fileSize(InputFile, size) || size > std::numeric_limits<std::uint32_t>::max()) {
        throw ELzrw1Exception("Lzrw1 compression : Failed to obtain the size of : " + InputFile);
    }

    s.OpenInput();
    s.OpenOutput();

    std::uint8_t header[HeaderSize];
    std::memcpy(header, mode == TCompressMode::Fast ? TagFast : TagGood, 4);
    put32le(header + 4, static_cast<std::uint32_t>(size));
    s.Write(header, HeaderSize);

    if (mode == TCompressMode::Fast) {
        std::uint64_t left = size;
        std::size_t piece;
        do {
            piece = static_cast<std::size_t>(std::min<std::uint64_t>(Piece, left));
            s.ReadExact(s.In(), piece, SuffixFast);
            left -= piece;
            const std::size_t body = lzr_.Compression(s.In(), piece, s.Out() + 2);
            s.Out()[0] = static_cast<std::uint8_t>(body);
            s.Out()[1] = static_cast<std::uint8_t>(body >> 8);
            s.Write(s.Out(), body + 2);
            caption("(LZRW1/KH) Bytes in : " + std::to_string(s.BytesIn()) +
                    " Bytes out : " + std::to_string(s.BytesOut()));
        } while (piece == Piece);
    } else {
        lzh_.Encode(
            [&](std::uint8_t* buf, std::size_t n) {
                s.ReadExact(buf, n, SuffixGood);
                return n;
            },
            [&](const std::uint8_t* buf, std::size_t n) { s.Write(buf, n); }, size,
            [&](std::uint64_t in, std::uint64_t out) {
                caption("(LZH) Bytes in : " + std::to_string(in) +
                        " Bytes out : " + std::to_string(out));
            });
    }

    s.Finish();
    const std::string pct = std::to_string(percent(s.BytesOut(), size));
    if (UseStream)
        caption("Lzrw1 : inputstream successfully compressed at " + pct + "%");
    else
        caption(InputFile + " : Lzrw1 : successfully compressed at " + pct + "%");
    return static_cast<std::int64_t>(s.BytesOut());
}

std::int64_t Tlzrw1::Decompress() {
    Session s(*this, MsgBuffers);
    s.OpenInput();
    s.OpenOutput();

    std::uint8_t header[HeaderSize];
    const std::size_t got = s.ReadSome(header, 4);
    const bool fast = got == 4 && std::memcmp(header, TagFast, 4) == 0;
    const bool good = got == 4 && std::memcmp(header, TagGood, 4) == 0;
    if (!fast && !good) {
        if (UseStream)
            throw ELzrw1Exception("Lzrw1 decompression : input stream contains no valid header !");
        throw ELzrw1Exception(InputFile +
                              " : Lzrw1 decompression : this file has no valid header !");
    }
    const char* const mismatch = fast ? MsgMismatchFast : MsgMismatchGood;
    // A container cut short is a read that moved fewer bytes than asked; the size-mismatch
    // message is kept for containers that read completely but decode to the wrong size.
    s.ReadExact(header + 4, 4, "");
    const std::uint64_t size = get32le(header + 4);

    if (fast) {
        // Every check here guards against a damaged file: each block is bounded before it is
        // read, and output beyond the announced size stops the decoding at once.
        std::ptrdiff_t n;
        do {
            std::uint8_t len[2];
            s.ReadExact(len, 2, SuffixFast);
            const std::size_t body = len[0] | (std::size_t{len[1]} << 8);
            if (body > TLZR::MaxBodySize) throw ELzrw1Exception(mismatch);
            s.ReadExact(s.In(), body, SuffixFast);
            n = TLZR::Decompression(s.In(), body, s.Out());
            if (n < 0 || s.BytesOut() + static_cast<std::uint64_t>(n) > size)
                throw ELzrw1Exception(mismatch);
            s.Write(s.Out(), static_cast<std::size_t>(n));
            caption("(LZRW1/KH) Bytes in : " + std::to_string(s.BytesIn()) +
                    " Bytes out : " + std::to_string(s.BytesOut()));
        } while (static_cast<std::size_t>(n) == Piece);
    } else {
        const bool ok = lzh_.Decode(
            [&](std::uint8_t* buf, std::size_t n) {
                const std::size_t r = s.ReadSome(buf, n, SuffixGood);
                caption("(LZH) Bytes in : " + std::to_string(s.BytesIn()) +
                        " Bytes out : " + std::to_string(s.BytesOut()));
                return r;
            },
            [&](const std::uint8_t* buf, std::size_t n) { s.Write(buf, n); }, size);
        if (!ok)
            throw ELzrw1Exception(lzh_.InputEndedEarly() ? s.ReadMessage(SuffixGood) : mismatch);
    }
    if (s.BytesOut() != size) throw ELzrw1Exception(mismatch);

    s.Finish();
    const std::string pct = std::to_string(percent(s.BytesOut(), s.BytesIn()));
    if (UseStream)
        caption("LZrw1 : inputstream successfully decompressed at " + pct + "%");
    else
        caption(InputFile + " : Lzrw1 : successfully decompressed at " + pct + "%");
    return static_cast<std::int64_t>(s.BytesOut());
}

TCompressMode Tlzrw1::Advise() {
    Session s(*this, "Lzrw1 advise : Error getting I/O buffers");

    std::uint64_t size = 0;
    std::istream::pos_type start = 0;
    if (UseStream) {
        if (!InputStream || (start = InputStream->tellg()) == std::istream::pos_type(-1))
            throw ELzrw1Exception("Lzrw1 edvise : can not initialize the input stream!");
        if (!remainingSize(*InputStream, size))
            throw ELzrw1Exception("Lzrw1 advise : can not get size of inputstream !");
    } else if (!fileSize(InputFile, size)) {
        throw ELzrw1Exception("Lzrw1 advise : can not get the size of : " + InputFile);
    }

    if (size <= SmallInput) {
        caption("Lzrw1 recommends GOOD compression :  small file !!");
        return TCompressMode::Good;
    }

    std::FILE* f = nullptr;
    if (!UseStream) {
        f = std::fopen(InputFile.c_str(), "rb");
        if (!f) throw ELzrw1Exception("Lzrw1 advise : can open input file : " + InputFile);
    }
    const auto readError = [&] {
        if (f) std::fclose(f);
        if (UseStream) {
            InputStream->clear();
            InputStream->seekg(start);
            throw ELzrw1Exception("Lzrw1 advise : input stream read error !");
        }
        throw ELzrw1Exception("Lzrw1 advise : read error on input file : " + InputFile);
    };

    std::uint64_t coded = 0;
    const std::uint64_t offsets[2] = {size / 3 / Piece * Piece, size * 2 / 3 / Piece * Piece};
    for (const std::uint64_t at : offsets) {
        std::size_t got = 0;
        if (UseStream) {
            InputStream->seekg(start + static_cast<std::streamoff>(at));
            InputStream->read(reinterpret_cast<char*>(s.In()), Piece);
            got = static_cast<std::size_t>(InputStream->gcount());
        } else if (std::fseek(f, static_cast<long>(at), SEEK_SET) == 0) {
            got = std::fread(s.In(), 1, Piece, f);
        }
        idle();
        if (got != Piece) readError();
        coded += lzr_.Compression(s.In(), Piece, s.Out());
    }
    if (f)
        std::fclose(f);
    else
        InputStream->seekg(start);

    const std::uint64_t sampled = 2 * Piece;
    const bool fast = coded * 100 < static_cast<std::uint64_t>(std::max(Threshold, 0)) * sampled;
    caption(std::string(fast ? "Lzrw1 recommends FAST compression : "
                             : "Lzrw1 recommends GOOD compression : ") +
            std::to_string(percent(coded, sampled)) + "%.");
    return fast ? TCompressMode::Fast : TCompressMode::Good;
}
