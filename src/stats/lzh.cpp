#include "lzh.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

namespace {

constexpr int LiteralSymbols = 256;
constexpr int LengthSymbols = static_cast<int>(TLZH::MaxMatch - TLZH::MinMatch + 1);
constexpr int CharSymbols = LiteralSymbols + LengthSymbols;  // 314
constexpr int PositionSymbols = 64;
constexpr int PositionLowBits = 6;

constexpr int HashBits = 13;
constexpr int MaxChain = 128;
constexpr std::size_t InputCapacity = 65536;
constexpr std::size_t IoSize = 32768;
// Lookahead kept in the input buffer: a longest match plus the two bytes hashed after it.
constexpr std::size_t Lookahead = TLZH::MaxMatch + 2;

// Counts are halved past this total, which also bounds code lengths well below 32 bits
// (a code of length d needs a total of at least the (d + 1)th Fibonacci number).
constexpr std::uint32_t MaxTotal = 1u << 15;
constexpr unsigned FirstRebuild = 16;
constexpr unsigned RebuildEvery = 512;
constexpr int MaxCodeLength = 32;

// One adaptive Huffman model: counts, and canonical codes rebuilt from them now and then.
class Model {
public:
    explicit Model(int symbols)
        : n_(symbols),
          freq_(symbols),
          len_(symbols),
          code_(symbols),
          sorted_(symbols),
          order_(symbols),
          weight_(2 * symbols),
          parent_(2 * symbols),
          depth_(2 * symbols) {}

    void Reset() {
        std::fill(freq_.begin(), freq_.end(), 1u);
        total_ = static_cast<std::uint32_t>(n_);
        since_ = 0;
        interval_ = FirstRebuild;
        Rebuild();
    }

    void Update(int s) {
        ++freq_[s];
        ++total_;
        if (++since_ < interval_) return;
        since_ = 0;
        interval_ = std::min(interval_ * 2, RebuildEvery);
        if (total_ > MaxTotal) {
            total_ = 0;
            for (auto& f : freq_) {
                f = (f + 1) / 2;
                total_ += f;
            }
        }
        Rebuild();
    }

    std::uint32_t Code(int s) const { return code_[s]; }
    int Length(int s) const { return len_[s]; }

    template <class BitSource>
    int Decode(BitSource& in) const {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int l = 1; l <= maxLen_; ++l) {
            code |= in.Bit();
            const int count = count_[l];
            if (code - first < count) return sorted_[index + code - first];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return 0;  // unreachable: the code is complete
    }

private:
    void Rebuild() {
        // Huffman lengths by the two-queue method over leaves sorted by count, ties by symbol,
        // so that coder and decoder always build the same tree.
        std::iota(order_.begin(), order_.end(), 0);
        std::stable_sort(order_.begin(), order_.end(),
                         [&](int a, int b) { return freq_[a] < freq_[b]; });
        for (int i = 0; i < n_; ++i) weight_[i] = freq_[order_[i]];
        int leaf = 0;
        int inner = n_;
        const int root = 2 * n_ - 2;
        for (int k = n_; k <= root; ++k) {
            int pick[2];
            for (int& p : pick) {
                if (leaf < n_ && (inner >= k || weight_[leaf] <= weight_[inner]))
                    p = leaf++;
                else
                    p = inner++;
            }
            weight_[k] = weight_[pick[0]] + weight_[pick[1]];
            parent_[pick[0]] = parent_[pick[1]] = k;
        }
        depth_[root] = 0;
        for (int k = root - 1; k >= 0; --k) depth_[k] = depth_[parent_[k]] + 1;

        std::fill(std::begin(count_), std::end(count_), 0);
        maxLen_ = 0;
        for (int i = 0; i < n_; ++i) {
            const int l = depth_[i];
            len_[order_[i]] = l;
            ++count_[l];
            maxLen_ = std::max(maxLen_, l);
        }

        // Canonical codes: by length, then by symbol.
        int offset[MaxCodeLength + 2] = {};
        for (int l = 1; l <= maxLen_; ++l) offset[l + 1] = offset[l] + count_[l];
        std::uint32_t next[MaxCodeLength + 2] = {};
        std::uint32_t c = 0;
        for (int l = 1; l <= maxLen_; ++l) {
            c = (c + static_cast<std::uint32_t>(count_[l - 1])) << 1;
            next[l] = c;
        }
        for (int s = 0; s < n_; ++s) {
            const int l = len_[s];
            sorted_[offset[l]++] = s;
            code_[s] = next[l]++;
        }
    }

    int n_;
    std::vector<std::uint32_t> freq_;
    std::vector<int> len_;
    std::vector<std::uint32_t> code_;
    std::vector<int> sorted_;
    std::vector<int> order_;
    std::vector<std::uint64_t> weight_;
    std::vector<int> parent_;
    std::vector<int> depth_;
    int count_[MaxCodeLength + 1] = {};
    int maxLen_ = 0;
    std::uint32_t total_ = 0;
    unsigned since_ = 0;
    unsigned interval_ = FirstRebuild;
};

class BitWriter {
public:
    BitWriter(std::uint8_t* buf, const TLZH::Writer& write) : buf_(buf), write_(write) {}

    void Put(std::uint32_t value, int bits) {
        acc_ = (acc_ << bits) | value;
        nbits_ += bits;
        while (nbits_ >= 8) {
            nbits_ -= 8;
            buf_[pos_++] = static_cast<std::uint8_t>(acc_ >> nbits_);
            if (pos_ == IoSize) Flush();
        }
    }

    void Finish() {
        if (nbits_ > 0) Put(0, 8 - nbits_);
        Flush();
    }

    std::uint64_t Total() const { return total_ + pos_; }

private:
    void Flush() {
        if (pos_ == 0) return;
        write_(buf_, pos_);
        total_ += pos_;
        pos_ = 0;
    }

    std::uint8_t* buf_;
    const TLZH::Writer& write_;
    std::size_t pos_ = 0;
    std::uint64_t acc_ = 0;
    int nbits_ = 0;
    std::uint64_t total_ = 0;
};

class BitReader {
public:
    BitReader(std::uint8_t* buf, const TLZH::Reader& read) : buf_(buf), read_(read) {}

    int Bit() {
        if (nbits_ == 0) {
            acc_ = NextByte();
            nbits_ = 8;
        }
        --nbits_;
        return (acc_ >> nbits_) & 1;
    }

    unsigned Bits(int n) {
        unsigned v = 0;
        while (n-- > 0) v = (v << 1) | static_cast<unsigned>(Bit());
        return v;
    }

    // Set once a bit past the end of the input was asked for.
    bool Overrun() const { return overrun_; }

private:
    unsigned NextByte() {
        if (pos_ == fill_) {
            pos_ = 0;
            fill_ = overrun_ ? 0 : read_(buf_, IoSize);
            if (fill_ == 0) {
                overrun_ = true;
                return 0;
            }
        }
        return buf_[pos_++];
    }

    std::uint8_t* buf_;
    const TLZH::Reader& read_;
    std::size_t pos_ = 0;
    std::size_t fill_ = 0;
    unsigned acc_ = 0;
    int nbits_ = 0;
    bool overrun_ = false;
};

inline unsigned hash3(const std::uint8_t* p) {
    const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    return (v * 2654435761u) >> (32 - HashBits);
}

}  // namespace

struct TLZH::Tables {
    Model chars{CharSymbols};
    Model positions{PositionSymbols};
    std::vector<std::int64_t> head = std::vector<std::int64_t>(std::size_t{1} << HashBits);
    std::vector<std::int64_t> prev = std::vector<std::int64_t>(WindowSize);
    std::vector<std::uint8_t> input = std::vector<std::uint8_t>(InputCapacity);
    std::vector<std::uint8_t> window = std::vector<std::uint8_t>(WindowSize);
    std::vector<std::uint8_t> stage = std::vector<std::uint8_t>(IoSize);
    std::vector<std::uint8_t> io = std::vector<std::uint8_t>(IoSize);
};

TLZH::TLZH() {
    try {
        t_ = std::make_unique<Tables>();
    } catch (const std::bad_alloc&) {
        throw ElzhException("LZH : Cannot get memory for dictionary tables");
    }
}

TLZH::~TLZH() = default;

std::uint64_t TLZH::Encode(const Reader& read, const Writer& write, std::uint64_t size,
                           const Progress& progress) {
    Tables& t = *t_;
    t.chars.Reset();
    t.positions.Reset();
    std::fill(t.head.begin(), t.head.end(), -1);
    BitWriter out(t.io.data(), write);
    std::uint8_t* buf = t.input.data();

    std::uint64_t base = 0;  // stream position of buf[0]
    std::size_t fill = 0;
    std::uint64_t pos = 0;

    auto refill = [&] {
        // Keep one window of history behind the current position.
        if (pos > base + WindowSize) {
            const std::size_t shift = static_cast<std::size_t>(pos - WindowSize - base);
            std::memmove(buf, buf + shift, fill - shift);
            base += shift;
            fill -= shift;
        }
        std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(InputCapacity - fill, size - (base + fill)));
        while (want > 0) {
            const std::size_t got = read(buf + fill, want);
            if (got == 0 || got > want) throw ElzhException("LZH : input ended early");
            fill += got;
            want -= got;
        }
        if (progress) progress(base + fill, out.Total() + 8);
    };

    auto insert = [&](std::uint64_t p) {
        const unsigned h = hash3(buf + (p - base));
        t.prev[p & (WindowSize - 1)] = t.head[h];
        t.head[h] = static_cast<std::int64_t>(p);
    };

    while (pos < size) {
        if (pos - base + Lookahead > fill && base + fill < size) refill();
        const std::size_t avail =
            static_cast<std::size_t>(std::min<std::uint64_t>(MaxMatch, size - pos));
        const std::uint8_t* cur = buf + (pos - base);

        std::size_t best = 0;
        std::uint64_t bestDist = 0;
        if (avail >= MinMatch) {
            std::int64_t cand = t.head[hash3(cur)];
            for (int depth = MaxChain; cand >= 0 && depth > 0; --depth) {
                const std::uint64_t dist = pos - static_cast<std::uint64_t>(cand);
                if (dist > WindowSize) break;
                const std::uint8_t* c = buf + (static_cast<std::uint64_t>(cand) - base);
                if (c[best] == cur[best]) {
                    std::size_t l = 0;
                    while (l < avail && c[l] == cur[l]) ++l;
                    if (l > best) {
                        best = l;
                        bestDist = dist;
                        if (l == avail) break;
                    }
                }
                cand = t.prev[static_cast<std::uint64_t>(cand) & (WindowSize - 1)];
            }
        }

        std::size_t advance = 1;
        if (best >= MinMatch) {
            const int s = LiteralSymbols + static_cast<int>(best - MinMatch);
            out.Put(t.chars.Code(s), t.chars.Length(s));
            t.chars.Update(s);
            const unsigned v = static_cast<unsigned>(bestDist - 1);
            const int hi = static_cast<int>(v >> PositionLowBits);
            out.Put(t.positions.Code(hi), t.positions.Length(hi));
            t.positions.Update(hi);
            out.Put(v & ((1u << PositionLowBits) - 1), PositionLowBits);
            advance = best;
        } else {
            out.Put(t.chars.Code(*cur), t.chars.Length(*cur));
            t.chars.Update(*cur);
        }
        for (std::size_t k = 0; k < advance; ++k) {
            if (pos + k + 2 < size) insert(pos + k);
        }
        pos += advance;
    }
    out.Finish();
    return out.Total();
}

bool TLZH::Decode(const Reader& read, const Writer& write, std::uint64_t size) {
    Tables& t = *t_;
    t.chars.Reset();
    t.positions.Reset();
    BitReader in(t.io.data(), read);
    endedEarly_ = false;
    std::uint8_t* win = t.window.data();
    std::uint8_t* stage = t.stage.data();
    std::size_t staged = 0;
    std::uint64_t produced = 0;

    auto flush = [&] {
        if (staged != 0) write(stage, staged);
        staged = 0;
    };
    auto put = [&](std::uint8_t b) {
        win[produced & (WindowSize - 1)] = b;
        ++produced;
        stage[staged++] = b;
        if (staged == IoSize) flush();
    };

    while (produced < size) {
        const int s = t.chars.Decode(in);
        if (in.Overrun()) break;
        t.chars.Update(s);
        if (s < LiteralSymbols) {
            put(static_cast<std::uint8_t>(s));
            continue;
        }
        const std::uint64_t len = static_cast<std::uint64_t>(s - LiteralSymbols) + MinMatch;
        const int hi = t.positions.Decode(in);
        t.positions.Update(hi);
        const unsigned lo = in.Bits(PositionLowBits);
        if (in.Overrun()) break;
        const std::uint64_t dist = ((static_cast<std::uint64_t>(hi) << PositionLowBits) | lo) + 1;
        if (dist > produced || len > size - produced) break;
        for (std::uint64_t k = 0; k < len; ++k) put(win[(produced - dist) & (WindowSize - 1)]);
    }
    flush();
    endedEarly_ = in.Overrun();
    return produced == size;
}
