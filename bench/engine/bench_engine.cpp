// The computer players' costs: all moves for a full rack on mid-game boards
// (median and p99 a position, since a bot thinks on the window's thread), the
// brute force on small racks for the speed-up, the word automaton's build
// time and memory, and Hard's strength against a greedy player.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <vector>

#include "engine/arena.h"
#include "engine/bruteforce.h"
#include "rules/mydict.h"

using namespace zindle;
using namespace zindle::engine;

namespace {

using Clock = std::chrono::steady_clock;

struct Words {
    TDictn dict;
    Lexicon lex = Lexicon::fromRecords(builtinWordList());
    WordLookup lookup = [this](std::string_view w) { return dict.lookup(w); };
};
Words& words() {
    static Words* w = new Words;
    return *w;
}

struct Spot {
    Grid colours, letters;
    int seat;
    Rack rack;
    Position pos() const { return {colours, letters, seat, false, true}; }
};

// Seeded two-player games with double tiles, stopped at about 40 letters.
const std::vector<Spot>& spots() {
    static const std::vector<Spot> s = [] {
        std::vector<Spot> out;
        for (uint32_t seed = 1; out.size() < 200; ++seed) {
            Table t({2, true, false, 12, 0}, seed, words().lookup);
            Random r(seed);
            playRandomly(t, words().lex, 40, r);
            const Rack& rack = t.rack(t.curplayer());
            if (t.over() || std::count_if(rack.begin() + 1, rack.end(), isLetterCode) != kRackSize)
                continue;
            out.push_back({t.state().colours, t.state().letters, t.curplayer(), rack});
        }
        return out;
    }();
    return s;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

void BM_MoveGeneration(benchmark::State& state) {
    const auto& s = spots();
    std::vector<double> ms;
    std::size_t i = 0, moves = 0;
    for (auto _ : state) {
        const Spot& spot = s[i++ % s.size()];
        const auto t0 = Clock::now();
        const auto m = generateMoves(words().lex, spot.pos(), spot.rack);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        moves += m.size();
        benchmark::DoNotOptimize(m.data());
    }
    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p99_ms"] = percentile(ms, 0.99);
    state.counters["moves"] = static_cast<double>(moves) / static_cast<double>(ms.size());
}
BENCHMARK(BM_MoveGeneration)->Iterations(600)->Unit(benchmark::kMillisecond);

// The same boards with the first five tiles of each rack.
void BM_BruteForceRatio(benchmark::State& state) {
    const auto& s = spots();
    double gen = 0, brute = 0;
    for (auto _ : state) {
        gen = brute = 0;
        for (std::size_t k = 0; k < 6; ++k) {
            const Spot& spot = s[k * 7];
            Rack five = spot.rack;
            for (int slot = 6; slot <= kRackSize; ++slot) five[slot] = kNoTile;
            const auto t0 = Clock::now();
            for (int rep = 0; rep < 20; ++rep)
                benchmark::DoNotOptimize(generateMoves(words().lex, spot.pos(), five));
            const auto t1 = Clock::now();
            benchmark::DoNotOptimize(bruteForceMoves(spot.pos(), five, words().lookup, 5));
            const auto t2 = Clock::now();
            gen += std::chrono::duration<double>(t1 - t0).count() / 20;
            brute += std::chrono::duration<double>(t2 - t1).count();
        }
    }
    state.counters["generator_ms"] = gen * 1000 / 6;
    state.counters["brute_ms"] = brute * 1000 / 6;
    state.counters["speedup"] = brute / gen;
}
BENCHMARK(BM_BruteForceRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void BM_LexiconBuild(benchmark::State& state) {
    const WordListBytes records = builtinWordList();
    std::size_t bytes = 0, nodes = 0;
    long grown = 0;
    for (auto _ : state) {
        const long before = residentBytes();
        const Lexicon lex = Lexicon::fromRecords(records);
        grown = std::max(grown, residentBytes() - before);
        bytes = lex.memoryBytes();
        nodes = lex.nodeCount();
        benchmark::DoNotOptimize(lex.root());
    }
    state.counters["lexicon_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["rss_growth_MB"] = static_cast<double>(grown) / 1e6;
    state.counters["rss_MB"] = static_cast<double>(residentBytes()) / 1e6;
    state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_LexiconBuild)->Iterations(5)->Unit(benchmark::kMillisecond);

// A short version of the arena's figure, at the arena's small budget for
// double tiles; zindle-arena plays the full one.
void BM_StrengthHardVsGreedy(benchmark::State& state) {
    const int seeds = static_cast<int>(state.range(0));
    Budget budget;
    budget.candidates = 4;
    budget.samples = 4;
    budget.time = std::chrono::milliseconds(0);
    double p = 0;
    for (auto _ : state) {
        double score = 0;
        for (int seed = 1; seed <= seeds; ++seed)
            for (int swap = 0; swap < 2; ++swap) {
                PerPlayerSeat<Strategy> seats{};
                seats[1 + swap] = Strategy::Hard;
                seats[2 - swap] = Strategy::Greedy;
                const GameResult r = playGame(words().lex, words().lookup, {2, true, false, 12, 0},
                                              static_cast<uint32_t>(seed), seats, budget);
                const int32_t a = r.score[1 + swap], b = r.score[2 - swap];
                score += a > b ? 1 : a == b ? 0.5 : 0;
            }
        p = score / (2.0 * seeds);
    }
    const double half = 1.96 * std::sqrt(p * (1 - p) / (2.0 * seeds));
    state.counters["win_rate"] = p;
    state.counters["ci95_low"] = p - half;
    state.counters["ci95_high"] = p + half;
}
BENCHMARK(BM_StrengthHardVsGreedy)->Arg(25)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
