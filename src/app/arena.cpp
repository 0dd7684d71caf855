// zindle-arena: computer players against each other on a referee table.
// Each seed is played twice with the seats swapped, so the deal and the
// first turn favour neither side.
#include "engine/arena.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/commandline.h"
#include "rules/mydict.h"

using namespace zindle;
using namespace zindle::engine;

namespace {

bool number(const QString& text, int& out) {
    bool ok = false;
    const long v = text.toLong(&ok);
    if (!ok || v < 0 || v > 1000000) return false;
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
    const zindle::cli::Program program{
        "zindle-arena", "Computer players against each other; prints the win rate.", "",
        "LEVEL is easy, normal, hard, hard0 (no look ahead) or greedy; defaults: 200 seeds,\n"
        "hard against greedy, Hard's look ahead 6 moves x 8 racks."};
    zindle::cli::Parser parser;
    const QCommandLineOption gamesOption("games", "Play N seeds, each twice (200).", "N");
    const QCommandLineOption seedOption("seed", "The first seed (1).", "S");
    const QCommandLineOption aOption("a", "The first player's level (hard).", "LEVEL");
    const QCommandLineOption bOption("b", "The second player's level (greedy).", "LEVEL");
    const QCommandLineOption doubleOption("double", "Double-sided tiles.");
    const QCommandLineOption zindlesOption("zindles", "N Zindle squares (0).", "N");
    const QCommandLineOption playtoOption("playto", "Play to N points (0: until the bag is empty).",
                                          "N");
    const QCommandLineOption quietOption("quiet", "Print only the result.");
    const QCommandLineOption samplesOption(
        "samples", "Hard's look ahead: racks drawn per candidate (8).", "N");
    const QCommandLineOption candidatesOption("candidates",
                                              "Hard's look ahead: candidate moves (6).", "N");
    const QCommandLineOption noFollowOption("no-follow",
                                            "Hard's look ahead skips its own next turn.");
    parser.addOptions({gamesOption, seedOption, aOption, bOption, doubleOption, zindlesOption,
                       playtoOption, quietOption, samplesOption, candidatesOption, noFollowOption});
    if (auto done = cli::parse(parser, program, cli::arguments(argc, argv))) return *done;
    auto bad = [&](const QString& cause) { return cli::badUsage(parser, program, cause); };
    if (!parser.positionalArguments().isEmpty())
        return bad("unexpected argument " + parser.positionalArguments()[0]);
    doubletiles = parser.isSet(doubleOption);
    quiet = parser.isSet(quietOption);
    budget.followUp = !parser.isSet(noFollowOption);
    const std::pair<const QCommandLineOption*, int*> numbers[] = {
        {&gamesOption, &games},
        {&seedOption, &seed},
        {&zindlesOption, &zindles},
        {&playtoOption, &playto},
        {&samplesOption, &budget.samples},
        {&candidatesOption, &budget.candidates}};
    for (const auto& [option, value] : numbers)
        if (parser.isSet(*option) && !number(parser.value(*option), *value))
            return bad("--" + option->names()[0] + " takes a number up to 1000000");
    if (games == 0) return bad("--games must be at least 1");
    for (const auto* option : {&aOption, &bOption}) {
        if (!parser.isSet(*option)) continue;
        const std::string name = parser.value(*option).toStdString();
        const auto s = strategyFromName(name);
        if (!s)
            return bad("--" + option->names()[0] + " takes easy, normal, hard, hard0 or greedy");
        (option == &aOption ? a : b) = *s;
        (option == &aOption ? aName : bName) = name;
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
            PerPlayerSeat<Strategy> seats{};
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
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%s against %s: %d won, %d lost, %d tied of %.0f games\n", aName.c_str(),
                bName.c_str(), wins, losses, ties, n);
    std::printf("win rate %.1f %% (95 %% interval %.1f to %.1f %%), mean score %.1f to %.1f\n",
                100 * p, 100 * std::max(0.0, p - half), 100 * std::min(1.0, p + half), pointsA / n,
                pointsB / n);
    std::printf("moves refused by the referee: %d; %.1f s\n", refused, secs);
    return refused == 0 ? 0 : 1;
}
