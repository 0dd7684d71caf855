// The event loop of a window with three Hard computer players seated and
// thinking: the longest gap between the loop's 1 ms ticks over whole games
// (host and bots in one process, no thinking delay, so one bot or another is
// nearly always thinking). Against it, in the same run, the longest single
// Hard decision: the stall a bot thinking on the loop's thread would cause.
// Then the window's loop while the coach works hints out on its hint thread,
// against the longest hint worked out on the loop's own thread.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "coach/hintthread.h"
#include "engine/arena.h"
#include "engine/bot.h"
#include "rules/mydict.h"
#include "server/server.h"

using namespace zindle;
using namespace zindle::engine;

namespace {

struct GameGaps {
    double longestMs = 0, p99Ms = 0;
    int moves = 0;
    bool ended = false;
};

GameGaps playWatched(uint32_t seed) {
    Random random(seed);
    ServerOptions o;
    o.port = "0";
    o.random = &random;
    o.seed = seed;
    TServer server(o);
    server.listen();
    std::vector<std::unique_ptr<Bot>> bots;
    GameGaps g;
    QEventLoop loop;
    for (int i = 0; i < 4; ++i) {
        BotOptions b;
        b.port = server.port();
        b.name = "Computer " + std::to_string(i + 1);
        b.level = i == 0 ? Level::Normal : Level::Hard;  // seat 1 stands in for the player
        b.delayMs = 0;
        b.seed = seed * 10 + static_cast<uint32_t>(i);
        bots.push_back(std::make_unique<Bot>(b));
        QObject::connect(bots.back().get(), &Bot::moved, [&g] { ++g.moves; });
        bots.back()->start();
        QElapsedTimer seated;
        seated.start();
        while (bots.back()->seat().state().mySeat() != i + 1 && seated.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    server.handle("CMD_startgame+Computer 1+90+12+0+0+y+n+", 1);

    std::vector<double> gaps;
    QElapsedTimer tick;
    tick.start();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        gaps.push_back(static_cast<double>(tick.nsecsElapsed()) / 1e6);
        tick.restart();
        bool over = true;
        for (const auto& b : bots) over = over && b->seat().state().gameOver();
        if (over) {
            g.ended = true;
            loop.quit();
        }
    });
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    ticker.start();
    loop.exec();
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.empty()) {
        g.longestMs = gaps.back();
        g.p99Ms = gaps[gaps.size() * 99 / 100];
    }
    return g;
}

double longestDecisionMs(int positions) {
    TDictn dict;
    const WordLookup lookup = [&dict](std::string_view w) { return dict.lookup(w); };
    const Lexicon& lex = sharedLexicon();
    double longest = 0;
    for (uint32_t seed = 1, n = 0; n < static_cast<uint32_t>(positions); ++seed) {
        Table t({4, true, false, 12, 0}, seed, lookup);
        Random r(seed);
        playRandomly(t, lex, 40, r);
        if (t.over()) continue;
        ++n;
        QElapsedTimer clock;
        clock.start();
        decide(lex, t.position(), t.rack(t.curplayer()), situationOf(t), Level::Hard, r);
        longest = std::max(longest, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return longest;
}

struct HintGaps {
    double longestGapMs = 0;   // the loop's, while hints are worked out on the hint thread
    double longestHintMs = 0;  // one hint on the loop's own thread: the old stall
    int hints = 0;
};

// Seeded double-tile positions in mid game, where the move generator is slowest.
HintGaps hintGaps(int positions) {
    TDictn dict;
    const WordLookup lookup = [&dict](std::string_view w) { return dict.lookup(w); };
    const Lexicon& lex = sharedLexicon();
    coach::HintThread hints;
    HintGaps g;
    for (uint32_t seed = 1; g.hints < positions; ++seed) {
        Table t({4, true, false, 12, 0}, seed, lookup);
        Random r(seed);
        playRandomly(t, lex, 40, r);
        if (t.over()) continue;
        const Position p = t.position();
        const coach::HintQuestion q{p.colours, p.letters, t.rack(t.curplayer()), t.curplayer(),
                                    true};
        QElapsedTimer clock;
        clock.start();
        const coach::Suggestion onLoop = coach::Coach::hint(q);
        g.longestHintMs =
            std::max(g.longestHintMs, static_cast<double>(clock.nsecsElapsed()) / 1e6);

        QEventLoop loop;
        bool same = false;
        hints.answered = [&](std::uint64_t, const coach::Suggestion& s) {
            same = s.found == onLoop.found && s.points == onLoop.points && s.word == onLoop.word;
            loop.quit();
        };
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QElapsedTimer tick;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            g.longestGapMs =
                std::max(g.longestGapMs, static_cast<double>(tick.nsecsElapsed()) / 1e6);
            tick.restart();
        });
        tick.start();
        ticker.start();
        hints.ask(q, static_cast<std::uint64_t>(seed));
        loop.exec();
        g.longestGapMs = std::max(g.longestGapMs, static_cast<double>(tick.nsecsElapsed()) / 1e6);
        if (!same) std::fprintf(stderr, "seed %u: the hint thread's hint differs\n", seed);
        ++g.hints;
    }
    return g;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int games = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    double longest = 0, p99 = 0;
    int moves = 0, ended = 0;
    for (int i = 0; i < games; ++i) {
        const GameGaps g = playWatched(static_cast<uint32_t>(100 + i));
        longest = std::max(longest, g.longestMs);
        p99 = std::max(p99, g.p99Ms);
        moves += g.moves;
        ended += g.ended;
    }
    const double baseline = longestDecisionMs(20);
    std::printf("three Hard bots thinking on worker threads, %d games (%d ended), %d moves:\n",
                games, ended, moves);
    std::printf("  longest event-loop gap %.1f ms, p99 %.1f ms (aim: no gap over 16 ms)\n", longest,
                p99);
    std::printf(
        "  longest Hard decision (the stall on the loop's own thread) %.1f ms: %.0fx the gap\n",
        baseline, baseline / std::max(0.1, longest));
    const HintGaps h = hintGaps(20);
    std::printf("a hint on the hint thread, %d double-tile positions:\n", h.hints);
    std::printf("  longest event-loop gap %.1f ms (aim: no gap over 16 ms)\n", h.longestGapMs);
    std::printf("  longest hint on the loop's own thread (the old stall) %.1f ms: %.0fx the gap\n",
                h.longestHintMs, h.longestHintMs / std::max(0.1, h.longestGapMs));
    return ended == games ? 0 : 1;
}
