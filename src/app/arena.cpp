// zindle-arena: computer players against each other on a referee table.
// Each seed is played twice with the seats swapped, so the deal and the
// first turn favour neither side.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/arena.h"
#include "rules/mydict.h"

using namespace zindle;
using namespace zindle::engine;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: zindle-arena [--games N] [--seed S] [--a LEVEL] [--b LEVEL] [--double]\n"
                 "                    [--zindles N] [--playto N] [--quiet] [--samples N] [--candidates N]\n"
                 "                    [--no-follow]\n"
                 "  LEVEL is easy, normal, hard, hard0 (no look ahead) or greedy;\n"
                 "  defaults: 200 seeds, hard against greedy, Hard's look ahead 6 moves x 8 racks\n");
    return 2;
}

bool number(const char* text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int games = 200, seed = 1, zindles = 0, playto = 0;
    bool doubletiles = false, quiet = false;
    Budget budget;
    budget.time = std::chrono::milliseconds(0);  // the same games on any machine
    Strategy a = Strategy::Hard, b = Strategy::Greedy;
    std::string aName = "hard", bName = "greedy";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--double") {
            doubletiles = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--games" && hasValue) {
            if (!number(argv[++i], games) || games == 0) return usage();
        } else if (arg == "--seed" && hasValue) {
            if (!number(argv[++i], seed)) return usage();
        } else if (arg == "--zindles" && hasValue) {
            if (!number(argv[++i], zindles)) return usage();
        } else if (arg == "--no-follow") {
            budget.followUp = false;
        } else if (arg == "--samples" && hasValue) {
            if (!number(argv[++i], budget.samples)) return usage();
        } else if (arg == "--candidates" && hasValue) {
            if (!number(argv[++i], budget.candidates)) return usage();
        } else if (arg == "--playto" && hasValue) {
            if (!number(argv[++i], playto)) return usage();
        } else if ((arg == "--a" || arg == "--b") && hasValue) {
            const auto s = strategyFromName(argv[++i]);
            if (!s) return usage();
            (arg == "--a" ? a : b) = *s;
            (arg == "--a" ? aName : bName) = argv[i];
        } else {
            return usage();
        }
    }

    const auto t0 = std::chrono::steady_clock::now();
    const Lexicon lex = Lexicon::fromRecords(builtinWordList());
    TDictn dict;
    const WordLookup lookup = [&dict](std::string_view w) { return dict.lookup(w); };
    const TableRules rules{2, doubletiles, false, zindles, playto};

    int wins = 0, losses = 0, ties = 0, refused = 0;
    long pointsA = 0, pointsB = 0;
    for (int g = 0; g < games; ++g) {
        const uint32_t s = static_cast<uint32_t>(seed + g);
        for (int swap = 0; swap < 2; ++swap) {
            const int seatA = swap ? 2 : 1, seatB = swap ? 1 : 2;
            std::array<Strategy, 5> seats{};
            seats[seatA] = a;
            seats[seatB] = b;
            const GameResult r = playGame(lex, lookup, rules, s, seats, budget);
            refused += r.refused;
            pointsA += r.score[seatA];
            pointsB += r.score[seatB];
            if (r.score[seatA] > r.score[seatB])
                ++wins;
            else if (r.score[seatA] < r.score[seatB])
                ++losses;
            else
                ++ties;
            if (!quiet)
                std::printf("seed %u seat %d: %s %d, %s %d, %d turns\n", s, seatA, aName.c_str(),
                            r.score[seatA], bName.c_str(), r.score[seatB], r.turns);
        }
    }
    const double n = 2.0 * games;
    const double p = (wins + 0.5 * ties) / n;
    const double half = 1.96 * std::sqrt(p * (1 - p) / n);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%s against %s: %d won, %d lost, %d tied of %.0f games\n", aName.c_str(), bName.c_str(),
                wins, losses, ties, n);
    std::printf("win rate %.1f %% (95 %% interval %.1f to %.1f %%), mean score %.1f to %.1f\n", 100 * p,
                100 * std::max(0.0, p - half), 100 * std::min(1.0, p + half), pointsA / n, pointsB / n);
    std::printf("moves refused by the referee: %d; %.1f s\n", refused, secs);
    return refused == 0 ? 0 : 1;
}
