#include "lzrw1.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class RecordingView : public TLzrw1View {
public:
    bool visible = true;
    std::vector<std::string> captions;
    int idles = 0;
    bool Visible() const override { return visible; }
    void SetCaption(const std::string& c) override { captions.push_back(c); }
    void ProcessMessages() override { ++idles; }
};

Bytes mixedData(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < n) {
        switch (rng() % 3) {
            case 0: {
                const std::string line = "Ann\r\n" + std::to_string(rng() % 50) + "\r\n0\r\n";
                out.insert(out.end(), line.begin(), line.end());
                break;
            }
            case 1:
                out.insert(out.end(), 10 + rng() % 40, static_cast<std::uint8_t>(rng()));
                break;
            default:
                for (int i = 0; i < 30; ++i) out.push_back(static_cast<std::uint8_t>(rng()));
        }
    }
    out.resize(n);
    return out;
}

Bytes noiseData(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

class StatsContainer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "zindle-stats-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        in = (dir / "in.bin").string();
        packed = (dir / "packed.tld").string();
        out = (dir / "out.bin").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    static void writeFile(const std::string& name, const Bytes& data) {
        std::ofstream f(name, std::ios::binary);
        f.write(reinterpret_cast<const char*>(data.data()),
                static_cast<std::streamsize>(data.size()));
    }
    static Bytes readFile(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }

    std::int64_t compress(const Bytes& data, TCompressMode mode) {
        writeFile(in, data);
        Tlzrw1 c;
        c.CompressMode = mode;
        c.InputFile = in;
        c.OutputFile = packed;
        return c.Compress();
    }

    // Decompresses `packed` into `out`; returns the message of a failure, or "" on success.
    std::string decompress() {
        Tlzrw1 c;
        c.InputFile = packed;
        c.OutputFile = out;
        try {
            const std::int64_t written = c.Decompress();
            EXPECT_EQ(written, static_cast<std::int64_t>(fs::file_size(out)));
        } catch (const ELzrw1Exception& e) {
            return e.what();
        }
        return "";
    }

    void expectRejected(const Bytes& container, const std::string& message) {
        writeFile(packed, container);
        EXPECT_EQ(decompress(), message);
        EXPECT_FALSE(fs::exists(out)) << "a failed decompression left its output behind";
    }

    fs::path dir;
    std::string in, packed, out;
};

const std::string MismatchFast =
    "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
const std::string MismatchGood =
    "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !";

TEST_F(StatsContainer, EmptyInputIsElevenBytes) {
    EXPECT_EQ(compress({}, TCompressMode::Fast), 11);
    EXPECT_EQ(readFile(packed), (Bytes{'W', 'R', 'Z', 'L', 0, 0, 0, 0, 1, 0, 0x80}));
    EXPECT_EQ(decompress(), "");
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(fs::file_size(out), 0u);

    // Nothing in has no ratio: the caption says 0% rather than dividing by zero.
    RecordingView view;
    Tlzrw1 c(&view);
    c.CompressMode = TCompressMode::Fast;
    c.InputFile = in;
    c.OutputFile = packed;
    c.Compress();
    EXPECT_EQ(view.captions.back(), in + " : Lzrw1 : successfully compressed at 0%");
}

TEST_F(StatsContainer, BlockLayoutFollowsThePieces) {
    // Exactly one piece: a full block, then the empty stored block.
    Bytes data(32768, 'z');
    compress(data, TCompressMode::Fast);
    Bytes file = readFile(packed);
    ASSERT_GE(file.size(), 13u);
    EXPECT_EQ((Bytes(file.begin(), file.begin() + 8)),
              (Bytes{'W', 'R', 'Z', 'L', 0x00, 0x80, 0, 0}));
    const std::size_t first = file[8] | (file[9] << 8);
    ASSERT_EQ(file.size(), 8 + 2 + first + 3);
    EXPECT_EQ((Bytes(file.end() - 3, file.end())), (Bytes{1, 0, 0x80}));

    // Noise is stored: L = piece size + 1, the last piece 70000 - 65536 = 4464.
    data = noiseData(70000, 1);
    compress(data, TCompressMode::Fast);
    file = readFile(packed);
    ASSERT_EQ(file.size(), 8 + 3 * 2 + 70000 + 3u);
    EXPECT_EQ((Bytes{file[8], file[9], file[10]}), (Bytes{0x01, 0x80, 0x80}));
    const std::size_t third = 8 + 2 * (2 + 32769);
    EXPECT_EQ((Bytes{file[third], file[third + 1], file[third + 2]}), (Bytes{0x71, 0x11, 0x80}));
    EXPECT_EQ(decompress(), "");
    EXPECT_EQ(readFile(out), data);
}

TEST_F(StatsContainer, FilesRoundTripInBothCodings) {
    for (const TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        for (const std::size_t n : {1u, 32767u, 32768u, 32769u, 65536u, 100001u}) {
            const Bytes data = n % 2 ? noiseData(n, 4) : mixedData(n, 2);
            const std::int64_t written = compress(data, mode);
            EXPECT_EQ(written, static_cast<std::int64_t>(fs::file_size(packed)));
            EXPECT_EQ(readFile(packed)[0], mode == TCompressMode::Fast ? 'W' : '!');
            ASSERT_EQ(decompress(), "") << n;
            EXPECT_EQ(readFile(out), data) << n;
        }
    }
}

TEST_F(StatsContainer, StreamsRoundTripFromTheirPosition) {
    const Bytes data = mixedData(90000, 6);
    for (const TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        std::stringstream src("prefix" + std::string(data.begin(), data.end()));
        src.seekg(6);
        std::stringstream packedStream;
        Tlzrw1 c;
        c.UseStream = true;
        c.CompressMode = mode;
        c.InputStream = &src;
        c.OutputStream = &packedStream;
        const std::int64_t written = c.Compress();
        EXPECT_EQ(written, static_cast<std::int64_t>(packedStream.str().size()));

        std::stringstream back;
        c.InputStream = &packedStream;
        c.OutputStream = &back;
        EXPECT_EQ(c.Decompress(), 90000);
        EXPECT_EQ(back.str(), std::string(data.begin(), data.end()));
    }

    Tlzrw1 c;
    c.UseStream = true;
    try {
        c.Decompress();
        ADD_FAILURE();
    } catch (const ELzrw1Exception& e) {
        EXPECT_STREQ(e.what(), "Lzrw1 (de)compression : Failed to initialize input stream !");
    }
    std::istringstream junk("nothing");
    std::ostringstream sink;
    c.InputStream = &junk;
    c.OutputStream = &sink;
    try {
        c.Decompress();
        ADD_FAILURE();
    } catch (const ELzrw1Exception& e) {
        EXPECT_STREQ(e.what(), "Lzrw1 decompression : input stream contains no valid header !");
    }
}

// Accepts `limit` bytes, then refuses; it reports its position so it passes the checks.
class FullSink : public std::streambuf {
public:
    explicit FullSink(std::size_t limit) : limit_(limit) {}

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        const auto k = std::min<std::streamsize>(n, static_cast<std::streamsize>(limit_ - used_));
        used_ += static_cast<std::size_t>(k);
        return k;
    }
    int_type overflow(int_type c) override {
        return xsputn(nullptr, 1) == 1 ? c : traits_type::eof();
    }
    pos_type seekoff(off_type, std::ios::seekdir, std::ios::openmode) override {
        return pos_type(static_cast<off_type>(used_));
    }

private:
    std::size_t limit_;
    std::size_t used_ = 0;
};

// Reads fine but cannot tell where it is.
class Unseekable : public std::stringbuf {
public:
    using std::stringbuf::stringbuf;

protected:
    pos_type seekoff(off_type, std::ios::seekdir, std::ios::openmode) override { return -1; }
};

TEST_F(StatsContainer, StreamFailuresAreReported) {
    auto message = [](Tlzrw1& c, std::int64_t (Tlzrw1::*op)()) {
        try {
            (c.*op)();
        } catch (const ELzrw1Exception& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    const Bytes data = mixedData(50000, 4);
    std::istringstream src(std::string(data.begin(), data.end()));
    FullSink full(1000);
    std::ostream out(&full);
    Tlzrw1 c;
    c.UseStream = true;
    c.CompressMode = TCompressMode::Fast;
    c.InputStream = &src;
    c.OutputStream = &out;
    EXPECT_EQ(message(c, &Tlzrw1::Compress), "Lzrw1 : Error writing to output stream !");

    Unseekable blind(std::string(100, 'x'));
    std::istream blindIn(&blind);
    std::ostringstream sink;
    c.InputStream = &blindIn;
    c.OutputStream = &sink;
    EXPECT_EQ(message(c, &Tlzrw1::Compress),
              "Lzrw1 compression : Failed to obtain the size of the input stream !");
    EXPECT_EQ(message(c, &Tlzrw1::Decompress),
              "Lzrw1 (de)compression : Failed to initialize input stream !");
    try {
        c.Advise();
        ADD_FAILURE();
    } catch (const ELzrw1Exception& e) {
        EXPECT_STREQ(e.what(), "Lzrw1 edvise : can not initialize the input stream!");
    }
}

TEST_F(StatsContainer, DamagedContainersAreRejectedWithoutOutput) {
    const Bytes header{'W', 'R', 'Z', 'L', 5, 0, 0, 0};
    auto with = [&](Bytes tail) {
        Bytes c = header;
        c.insert(c.end(), tail.begin(), tail.end());
        return c;
    };
    expectRejected({'W', 'R', 'Z', 'X', 0, 0, 0, 0, 1, 0, 0x80},
                   packed + " : Lzrw1 decompression : this file has no valid header !");
    expectRejected({'W', 'R'}, packed + " : Lzrw1 decompression : this file has no valid header !");
    // Cut short anywhere: the read message, naming the coding inside a block.
    const std::string cutShort = "Lzrw1 : Error reading from input file : " + packed;
    expectRejected({'W', 'R', 'Z', 'L', 0}, cutShort);
    // Blocks that decode to fewer or more bytes than announced.
    expectRejected(with({4, 0, 0x80, 'a', 'b', 'c'}), MismatchFast);
    expectRejected(with({7, 0, 0x80, 'a', 'b', 'c', 'd', 'e', 'f'}), MismatchFast);
    // Truncated: no length, half a length, a body cut short.
    expectRejected(header, cutShort + " (LZRW1/KH)");
    expectRejected(with({6}), cutShort + " (LZRW1/KH)");
    expectRejected(with({6, 0, 0x80, 'a'}), cutShort + " (LZRW1/KH)");
    // A length field over 32769, a copy before the block, a body too large for a block.
    expectRejected(with({0x02, 0x80, 0x80}), MismatchFast);
    expectRejected(with({5, 0, 0x40, 0x80, 0x00, 0x00, 0x53}), MismatchFast);
    expectRejected(with({19,   0, 0x40, 0xFF, 0xFF, 0, 0x0F, 0xEF, 1,    0, 0x0F,
                         0xEF, 1, 0,    0x0F, 0xEF, 1, 0,    0x0F, 0xEF, 1}),
                   MismatchFast);

    // A full block must be followed by another; the file ending there is truncated.
    compress(mixedData(32768, 3), TCompressMode::Fast);
    Bytes file = readFile(packed);
    file.resize(file.size() - 3);
    expectRejected(file, cutShort + " (LZRW1/KH)");

    // LZH: cut short, or a size larger than was coded: either way the input
    // runs out before the data does.
    compress(mixedData(40000, 3), TCompressMode::Good);
    file = readFile(packed);
    Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    expectRejected(cut, cutShort + " (LZH)");
    file[6] = 1;
    expectRejected(file, cutShort + " (LZH)");
}

TEST_F(StatsContainer, FileFailuresNameTheFile) {
    Tlzrw1 c;
    c.CompressMode = TCompressMode::Fast;
    c.InputFile = (dir / "missing").string();
    c.OutputFile = out;
    try {
        c.Compress();
        ADD_FAILURE();
    } catch (const ELzrw1Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Lzrw1 compression : Failed to obtain the size of : " + c.InputFile);
    }
    try {
        c.Decompress();
        ADD_FAILURE();
    } catch (const ELzrw1Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Lzrw1 (de)compression : Failed to open input file : " + c.InputFile);
    }
    writeFile(in, {1, 2, 3});
    c.InputFile = in;
    c.OutputFile = (dir / "no" / "such" / "dir").string();
    try {
        c.Compress();
        ADD_FAILURE();
    } catch (const ELzrw1Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Lzrw1 (de)compression : Failed to open output file : " + c.OutputFile);
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(StatsContainer, TheSameFileInAndOutIsRefusedAndLeftAlone) {
    const Bytes data = mixedData(70000, 5);
    writeFile(in, data);
    compress(data, TCompressMode::Fast);
    const Bytes container = readFile(packed);
    fs::create_symlink(in, dir / "link");
    fs::create_hard_link(packed, dir / "hard");
    // The same file by another name: itself, through a symlink, a hard link, a detour.
    const struct {
        std::string input, output;
        bool decompress;
        Bytes kept;
    } cases[] = {
        {in, in, false, data},
        {in, (dir / "link").string(), false, data},
        {(dir / "link").string(), (dir / "." / fs::path(in).filename()).string(), false, data},
        {packed, packed, true, container},
        {packed, (dir / "hard").string(), true, container},
    };
    for (const auto& c : cases) {
        for (const TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
            Tlzrw1 z;
            z.CompressMode = mode;
            z.InputFile = c.input;
            z.OutputFile = c.output;
            try {
                if (c.decompress)
                    z.Decompress();
                else
                    z.Compress();
                ADD_FAILURE() << c.input << " -> " << c.output;
            } catch (const ELzrw1Exception& e) {
                EXPECT_EQ(std::string(e.what()),
                          "Lzrw1 (de)compression : Failed to open output file : " + c.output);
            }
            EXPECT_EQ(readFile(c.input), c.kept) << c.input << " -> " << c.output;
            EXPECT_TRUE(fs::exists(c.output));
        }
    }
}

TEST_F(StatsContainer, AdviseSamplesLargeInputs) {
    RecordingView view;
    Tlzrw1 c(&view);
    c.InputFile = in;

    writeFile(in, Bytes(98303, 'a'));
    EXPECT_EQ(c.Advise(), TCompressMode::Good);
    EXPECT_EQ(view.captions.back(), "Lzrw1 recommends GOOD compression :  small file !!");

    writeFile(in, Bytes(98304, 'a'));
    EXPECT_EQ(c.Advise(), TCompressMode::Fast);
    // Each sample codes to 38 bytes: 8 runs of 4095, a literal and a copy.
    EXPECT_EQ(view.captions.back(), "Lzrw1 recommends FAST compression : 0%.");

    writeFile(in, noiseData(200000, 2));
    EXPECT_EQ(c.Advise(), TCompressMode::Good);
    EXPECT_EQ(view.captions.back(), "Lzrw1 recommends GOOD compression : 100%.");

    // Auto follows the advice: a large repetitive file gets the fast tag.
    c.CompressMode = TCompressMode::Auto;
    c.OutputFile = packed;
    writeFile(in, mixedData(300000, 1));
    c.Threshold = 101;
    c.Compress();
    EXPECT_EQ(readFile(packed)[0], 'W');
    c.Threshold = 0;
    c.Compress();
    EXPECT_EQ(readFile(packed)[0], '!');

    // On a stream the read position comes back where it was.
    const Bytes big = mixedData(200000, 9);
    std::istringstream s(std::string(big.begin(), big.end()));
    s.seekg(1234);
    c.UseStream = true;
    c.InputStream = &s;
    c.Threshold = 40;
    c.Advise();
    EXPECT_EQ(s.tellg(), 1234);
}

TEST_F(StatsContainer, CaptionsOnlyWhileVisible) {
    RecordingView view;
    Tlzrw1 c(&view);
    c.CompressMode = TCompressMode::Fast;
    c.InputFile = in;
    c.OutputFile = packed;
    writeFile(in, Bytes(40000, 'q'));
    // 32768 = 8 runs of 4095, a literal and a copy of 7: 1 + 2 + 32 + 1 + 2 = 38 bytes and
    // its length; 7232 = runs of 4095 and 3137: 1 + 2 + 8 = 11 and its length.
    c.Compress();
    ASSERT_EQ(view.captions.size(), 3u);
    EXPECT_EQ(view.captions[0], "(LZRW1/KH) Bytes in : 32768 Bytes out : 48");
    EXPECT_EQ(view.captions[1], "(LZRW1/KH) Bytes in : 40000 Bytes out : 61");
    EXPECT_EQ(view.captions[2], in + " : Lzrw1 : successfully compressed at 0%");
    EXPECT_GT(view.idles, 0);

    c.InputFile = packed;
    c.OutputFile = out;
    view.captions.clear();
    c.Decompress();
    EXPECT_EQ(view.captions.back(), packed + " : Lzrw1 : successfully decompressed at 65573%");

    view.visible = false;
    view.captions.clear();
    view.idles = 0;
    c.Decompress();
    EXPECT_TRUE(view.captions.empty());
    EXPECT_GT(view.idles, 0);
}

}  // namespace
