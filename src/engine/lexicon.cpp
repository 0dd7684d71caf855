#include "engine/lexicon.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace zindle::engine {

namespace {

int codeOf(char ch) {
    if (ch >= 'a' && ch <= 'z') return ch - 'a';
    if (ch >= 'A' && ch <= 'Z') return ch - 'A';
    return -1;
}

unsigned char upper(unsigned char ch) {
    return (ch >= 'a' && ch <= 'z') ? static_cast<unsigned char>(ch - 'a' + 'A') : ch;
}

// A record's 14 word bytes upper-cased, as the host's search compares them.
std::array<unsigned char, kMaxWordLength> recordText(const unsigned char* rec) {
    std::array<unsigned char, kMaxWordLength> t{};
    for (std::size_t i = 0; i < kMaxWordLength; ++i) t[i] = upper(rec[i + 1]);
    return t;
}

}  // namespace

// Incremental construction of a minimal automaton from sorted words: each time
// the next word leaves the previous one's path, the nodes left behind can no
// longer change and are merged with an equal registered node or registered.
class LexiconBuilder {
public:
    LexiconBuilder() {
        pool_.reserve(1 << 16);
        table_.assign(1 << 17, kEmpty);
        root_ = make();
    }

    void add(const std::string& word) {  // upper-case A-Z, strictly after the last one
        std::size_t p = 0;
        while (p < word.size() && p < prev_.size() && word[p] == prev_[p]) ++p;
        minimise(p);
        path_.resize(word.size() + 1);
        path_[0] = root_;
        for (std::size_t d = p; d < word.size(); ++d) {
            const uint32_t n = make();
            const int c = word[d] - 'A';
            pool_[path_[d]].kid[c] = n;
            pool_[path_[d]].mask |= 1u << c;
            path_[d + 1] = n;
        }
        pool_[path_[word.size()]].mask |= Lexicon::kTerminalBit;
        prev_ = word;
        ++words_;
    }

    Lexicon finish() {
        minimise(0);
        Lexicon lex;
        lex.words_ = words_;
        // Breadth-first renumbering with the root as node 0.
        std::vector<uint32_t> id(pool_.size(), Lexicon::kNone);
        std::vector<uint32_t> order{root_};
        id[root_] = 0;
        for (std::size_t i = 0; i < order.size(); ++i) {
            const Tmp& t = pool_[order[i]];
            for (uint32_t m = t.mask & Lexicon::kLetterBits; m; m &= m - 1) {
                const uint32_t k = t.kid[std::countr_zero(m)];
                if (id[k] == Lexicon::kNone) {
                    id[k] = static_cast<uint32_t>(order.size());
                    order.push_back(k);
                }
            }
        }
        lex.mask_.reserve(order.size());
        lex.first_.reserve(order.size());
        for (uint32_t old : order) {
            const Tmp& t = pool_[old];
            lex.mask_.push_back(t.mask);
            lex.first_.push_back(static_cast<uint32_t>(lex.target_.size()));
            for (uint32_t m = t.mask & Lexicon::kLetterBits; m; m &= m - 1)
                lex.target_.push_back(id[t.kid[std::countr_zero(m)]]);
        }
        lex.target_.shrink_to_fit();
        return lex;
    }

private:
    struct Tmp {
        uint32_t mask = 0;
        std::array<uint32_t, 26> kid;
    };
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

    uint32_t make() {
        if (!free_.empty()) {
            const uint32_t n = free_.back();
            free_.pop_back();
            pool_[n].mask = 0;
            return n;
        }
        pool_.emplace_back();
        return static_cast<uint32_t>(pool_.size() - 1);
    }

    uint64_t hash(uint32_t n) const {
        const Tmp& t = pool_[n];
        uint64_t h = t.mask * 0x9E3779B97F4A7C15ull;
        for (uint32_t m = t.mask & Lexicon::kLetterBits; m; m &= m - 1)
            h = (h ^ t.kid[std::countr_zero(m)]) * 0x100000001B3ull + 0x7F4A7C15;
        return h ^ (h >> 29);
    }
    bool same(uint32_t a, uint32_t b) const {
        const Tmp& x = pool_[a];
        const Tmp& y = pool_[b];
        if (x.mask != y.mask) return false;
        for (uint32_t m = x.mask & Lexicon::kLetterBits; m; m &= m - 1) {
            const int c = std::countr_zero(m);
            if (x.kid[c] != y.kid[c]) return false;
        }
        return true;
    }
    // The registered node equal to n, or n itself after registering it.
    uint32_t intern(uint32_t n) {
        if (registered_ * 2 >= table_.size()) grow();
        const std::size_t mask = table_.size() - 1;
        for (std::size_t i = hash(n) & mask;; i = (i + 1) & mask) {
            if (table_[i] == kEmpty) {
                table_[i] = n;
                ++registered_;
                return n;
            }
            if (same(table_[i], n)) return table_[i];
        }
    }
    void grow() {
        std::vector<uint32_t> old;
        old.swap(table_);
        table_.assign(old.size() * 2, kEmpty);
        const std::size_t mask = table_.size() - 1;
        for (uint32_t n : old) {
            if (n == kEmpty) continue;
            std::size_t i = hash(n) & mask;
            while (table_[i] != kEmpty) i = (i + 1) & mask;
            table_[i] = n;
        }
    }
    void minimise(std::size_t down) {
        for (std::size_t d = prev_.size(); d > down; --d) {
            const uint32_t n = path_[d];
            const uint32_t r = intern(n);
            if (r != n) {
                pool_[path_[d - 1]].kid[prev_[d - 1] - 'A'] = r;
                free_.push_back(n);
            }
        }
    }

    std::vector<Tmp> pool_;
    std::vector<uint32_t> free_;
    std::vector<uint32_t> table_;
    std::size_t registered_ = 0;
    std::vector<uint32_t> path_{0};
    std::string prev_;
    uint32_t root_ = 0;
    std::size_t words_ = 0;
};

Lexicon Lexicon::fromRecords(WordListBytes records) {
    const std::size_t count = records.size() / kRecordSize;
    std::vector<std::string> words;
    words.reserve(count);
    bool ordered = true;
    std::array<unsigned char, kMaxWordLength> last{};
    for (std::size_t r = 0; r < count; ++r) {
        const unsigned char* rec = records.data() + r * kRecordSize;
        const auto text = recordText(rec);
        if (r > 0 && std::memcmp(last.data(), text.data(), kMaxWordLength) > 0) ordered = false;
        last = text;
        std::size_t len = kMaxWordLength;
        while (len > 0 && text[len - 1] == ' ') --len;
        // A one-letter word only ever stands as a whole first move; leaving
        // it out keeps every move's reading unambiguous.
        if (len < 2) continue;
        std::string w(reinterpret_cast<const char*>(text.data()), len);
        if (std::all_of(w.begin(), w.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
            words.push_back(std::move(w));
    }
    if (!ordered) {
        std::erase_if(words, [&](const std::string& w) { return !searchRecords(records, w); });
        std::sort(words.begin(), words.end());
    }
    words.erase(std::unique(words.begin(), words.end()), words.end());
    LexiconBuilder b;
    for (const std::string& w : words) b.add(w);
    return b.finish();
}

Lexicon Lexicon::fromWords(const std::vector<std::string>& words) {
    std::vector<std::string> up;
    for (const std::string& w : words) {
        if (w.size() < 2 || w.size() > kMaxWordLength) continue;
        std::string u;
        for (char c : w) {
            const int code = codeOf(c);
            if (code < 0) break;
            u += static_cast<char>('A' + code);
        }
        if (u.size() == w.size()) up.push_back(std::move(u));
    }
    std::sort(up.begin(), up.end());
    up.erase(std::unique(up.begin(), up.end()), up.end());
    LexiconBuilder b;
    for (const std::string& w : up) b.add(w);
    return b.finish();
}

Lexicon::Node Lexicon::walk(Node n, std::string_view letters) const {
    for (char ch : letters) {
        const int c = codeOf(ch);
        if (c < 0 || n == kNone) return kNone;
        n = child(n, c);
    }
    return n;
}

bool Lexicon::contains(std::string_view word) const {
    const Node n = walk(root(), word);
    return n != kNone && terminal(n);
}

}  // namespace zindle::engine
