// Word-list lookups on the built-in list against an in-memory hash set of the
// same words, and the judgement of a seven-tile move with four cross words.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "rules/judge.h"
#include "rules/mydict.h"

using namespace zindle;

namespace {

std::vector<std::string> allWords() {
    const WordListBytes list = builtinWordList();
    std::vector<std::string> words;
    for (std::size_t i = 0; i + kRecordSize <= list.size(); i += kRecordSize) {
        std::string w(reinterpret_cast<const char*>(list.data()) + i + 1, kMaxWordLength);
        w.resize(w.find_last_not_of(' ') + 1);
        for (char& ch : w) ch = static_cast<char>(ch - 'A' + 'a');
        words.push_back(std::move(w));
    }
    return words;
}

// Half hits spread over the whole list, half near misses of the same words.
const std::vector<std::string>& queries() {
    static const std::vector<std::string> q = [] {
        const auto words = allWords();
        std::vector<std::string> out;
        for (std::size_t i = 0; i < words.size(); i += 997) {
            out.push_back(words[i]);
            std::string miss = words[i];
            miss.back() = miss.back() == 'q' ? 'x' : 'q';
            out.push_back(miss + "q");
        }
        return out;
    }();
    return q;
}

void BM_LookupWordList(benchmark::State& state) {
    TDictn dict;
    const auto& q = queries();
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        found += dict.lookup(q[i]);
        if (++i == q.size()) i = 0;
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_LookupWordList);

void BM_LookupHashSetBaseline(benchmark::State& state) {
    const auto words = allWords();
    const std::unordered_set<std::string> set(words.begin(), words.end());
    const auto& q = queries();
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        found += set.count(q[i]);
        if (++i == q.size()) i = 0;
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_LookupHashSetBaseline);

// The same binary search over the embedded bytes, no file: shows how much of
// the lookup is the one system call per probe.
void BM_BinarySearchEmbeddedBytes(benchmark::State& state) {
    const WordListBytes list = builtinWordList();
    const int64_t last = static_cast<int64_t>(list.size() / kRecordSize) - 1;
    const auto& q = queries();
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        std::string key = q[i];
        for (char& ch : key) ch = static_cast<char>(ch - 'a' + 'A');
        key.resize(kRecordSize, ' ');
        int64_t low = 0, high = last;
        while (high >= low) {
            const int64_t middle = (low + high) / 2;
            const unsigned char* rec = list.data() + middle * kRecordSize + 1;
            int c = std::memcmp(rec, key.data(), kMaxWordLength);
            if (c == 0) c = ' ' - static_cast<unsigned char>(key[kMaxWordLength]);
            if (c == 0) {
                ++found;
                break;
            }
            if (c < 0)
                low = middle + 1;
            else
                high = middle - 1;
        }
        if (++i == q.size()) i = 0;
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_BinarySearchEmbeddedBytes);

// "strange" across row 5, with a, i, a, b above four of its tiles: one main
// word and four cross words (as, it, an, be) to look up.
struct SevenTiles {
    Grid colours{};
    Grid letters = makeGrid(kNoTile);
    PlacedSet placed{};
    SevenTiles() {
        getboard(colours, 1, 2, 3, 4);
        letters[2][4] = codeOfLetter('a');
        letters[3][4] = codeOfLetter('i');
        letters[6][4] = codeOfLetter('a');
        letters[8][4] = codeOfLetter('b');
        const std::string word = "strange";
        for (int slot = 1; slot <= 7; ++slot)
            placed[slot] = {1 + slot, 5, codeOfLetter(word[slot - 1]), false};
    }
};

void BM_JudgeSevenTilesFourCrossWords(benchmark::State& state) {
    TDictn dict;
    const SevenTiles m;
    for (auto _ : state) {
        Verdict v = checkword({m.colours, m.letters, 1, false}, m.placed, dict);
        if (!v.valid || v.wordscore != 150)
            state.SkipWithError("the move was not judged valid for 150");
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_JudgeSevenTilesFourCrossWords);

}  // namespace

BENCHMARK_MAIN();
