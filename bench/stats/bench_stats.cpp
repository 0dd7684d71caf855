// The tally container's fast coding against zlib level 1 on the same 8 MiB corpus.
//
// The corpus is generated: runs of English-like text lines alternate with binary stretches
// (little-endian records with slowly changing fields, byte runs, and some noise), so neither
// coder sees only its best case.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "lzrw1.h"

namespace {

constexpr std::size_t CorpusSize = 8u << 20;

std::string makeCorpus() {
    static const char* words[] = {"the",      "tally",   "of",        "games",  "won",    "by",
                                  "Ann",      "and",     "Bob",       "zindle", "square", "double",
                                  "points",   "tile",    "rack",      "board",  "turn",   "pass",
                                  "exchange", "letters", "word",      "score",  "red",    "green",
                                  "blue",     "yellow",  "spectator", "host",   "seat",   "clock"};
    std::mt19937 rng(20240601);
    std::string out;
    out.reserve(CorpusSize + 4096);
    while (out.size() < CorpusSize) {
        if (rng() % 2 == 0) {
            // A stretch of text lines.
            for (int line = 0, lines = 20 + static_cast<int>(rng() % 60); line < lines; ++line) {
                for (int w = 0, n = 4 + static_cast<int>(rng() % 9); w < n; ++w) {
                    out += words[rng() % 30];
                    out += (rng() % 11 == 0) ? ", " : " ";
                }
                out += std::to_string(rng() % 1000);
                out += ".\r\n";
            }
        } else {
            // A stretch of binary: records, runs and noise.
            std::uint32_t id = rng(), stamp = rng();
            for (int r = 0, n = 50 + static_cast<int>(rng() % 200); r < n; ++r) {
                id += 1;
                stamp += rng() % 16;
                const std::uint32_t fields[4] = {id, stamp, static_cast<std::uint32_t>(rng() % 4),
                                                 0};
                out.append(reinterpret_cast<const char*>(fields), sizeof fields);
            }
            out.append(16 + rng() % 200, static_cast<char>(rng() % 3 == 0 ? 0xFF : 0));
            for (int i = 0, n = static_cast<int>(rng() % 300); i < n; ++i)
                out += static_cast<char>(rng());
        }
    }
    out.resize(CorpusSize);
    return out;
}

const std::string& corpus() {
    static const std::string c = makeCorpus();
    return c;
}

// An output stream into a reused buffer, so that allocation is not what gets measured.
class BufferSink : public std::streambuf {
public:
    explicit BufferSink(std::size_t capacity) { data_.reserve(capacity); }
    void Clear() { data_.clear(); }
    const std::string& Data() const { return data_; }

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        data_.append(s, static_cast<std::size_t>(n));
        return n;
    }
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) data_ += static_cast<char>(c);
        return c;
    }
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
        if (off == 0 && dir == std::ios::cur) return pos_type(static_cast<off_type>(data_.size()));
        return pos_type(off_type(-1));
    }

private:
    std::string data_;
};

std::string fastCompress(const std::string& data, BufferSink& sink) {
    std::istringstream in(data);
    std::ostream out(&sink);
    sink.Clear();
    Tlzrw1 c;
    c.UseStream = true;
    c.CompressMode = TCompressMode::Fast;
    c.InputStream = &in;
    c.OutputStream = &out;
    c.Compress();
    return sink.Data();
}

void setRatio(benchmark::State& state, std::size_t packed) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus().size()));
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(corpus().size());
}

void BM_Lzrw1FastCompress(benchmark::State& state) {
    const std::string& data = corpus();
    std::istringstream in(data);
    BufferSink sink(data.size() + data.size() / 64 + 64);
    std::ostream out(&sink);
    Tlzrw1 c;
    c.UseStream = true;
    c.CompressMode = TCompressMode::Fast;
    c.InputStream = &in;
    c.OutputStream = &out;
    for (auto _ : state) {
        in.clear();
        in.seekg(0);
        sink.Clear();
        benchmark::DoNotOptimize(c.Compress());
    }
    setRatio(state, sink.Data().size());
}

void BM_Lzrw1FastDecompress(benchmark::State& state) {
    BufferSink packedSink(corpus().size() * 2);
    const std::string packed = fastCompress(corpus(), packedSink);
    std::istringstream in(packed);
    BufferSink sink(corpus().size() + 64);
    std::ostream out(&sink);
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &in;
    c.OutputStream = &out;
    for (auto _ : state) {
        in.clear();
        in.seekg(0);
        sink.Clear();
        benchmark::DoNotOptimize(c.Decompress());
    }
    if (sink.Data() != corpus()) state.SkipWithError("round trip differs");
    setRatio(state, packed.size());
}

void BM_ZlibLevel1Compress(benchmark::State& state) {
    const std::string& data = corpus();
    std::vector<Bytef> out(compressBound(static_cast<uLong>(data.size())));
    uLongf len = 0;
    for (auto _ : state) {
        len = static_cast<uLongf>(out.size());
        compress2(out.data(), &len, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), 1);
        benchmark::DoNotOptimize(out.data());
    }
    setRatio(state, len);
}

void BM_ZlibLevel1Decompress(benchmark::State& state) {
    const std::string& data = corpus();
    std::vector<Bytef> packed(compressBound(static_cast<uLong>(data.size())));
    uLongf packedLen = static_cast<uLongf>(packed.size());
    compress2(packed.data(), &packedLen, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 1);
    std::vector<Bytef> out(data.size());
    for (auto _ : state) {
        uLongf len = static_cast<uLongf>(out.size());
        uncompress(out.data(), &len, packed.data(), packedLen);
        benchmark::DoNotOptimize(out.data());
    }
    if (std::memcmp(out.data(), data.data(), data.size()) != 0)
        state.SkipWithError("round trip differs");
    setRatio(state, packedLen);
}

}  // namespace

BENCHMARK(BM_Lzrw1FastCompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibLevel1Compress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lzrw1FastDecompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibLevel1Decompress)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
