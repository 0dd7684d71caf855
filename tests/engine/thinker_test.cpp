// Thinking on a worker thread decides exactly what the seat would decide on
// its own thread, and a stopped look ahead falls back on the board alone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "engine/arena.h"
#include "engine/bot.h"
#include "fixture.h"

using namespace zindle;
using namespace zindle::engine;
using enginetest::words;

namespace {

// Seeded mid-game turns for the seat on turn, both tile settings.
std::vector<Turn> turns() {
    std::vector<Turn> out;
    for (uint32_t seed = 1; out.size() < 12; ++seed) {
        const bool doubletiles = seed % 2 == 0;
        Table t({2, doubletiles, false, 12, 0}, seed, words().lookup);
        Random r(seed);
        playRandomly(t, words().lex, 30, r);
        if (t.over()) continue;
        Turn turn;
        turn.serial = seed;
        turn.colours = t.colours;
        turn.letters = t.letters;
        turn.rack = t.racks[t.curplayer];
        turn.seat = t.curplayer;
        turn.doubletiles = doubletiles;
        turn.situation = situationOf(t);
        turn.level = Level::Hard;
        turn.seed = seed * 7919u;
        out.push_back(turn);
    }
    return out;
}

bool sameDecision(const Decision& a, const Decision& b) {
    if (a.kind != b.kind || a.move.count != b.move.count) return false;
    for (int i = 0; i < a.move.count; ++i) {
        const TileLay &x = a.move.tiles[i], &y = b.move.tiles[i];
        if (x.x != y.x || x.y != y.y || x.slot != y.slot || x.flipped != y.flipped) return false;
    }
    return true;
}

}  // namespace

TEST(Thinker, WorkerThreadDecidesAsTheSeatsOwnThread) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QThread worker;
    auto* thinker = new Thinker(words().lex);
    thinker->moveToThread(&worker);
    QObject::connect(&worker, &QThread::finished, thinker, &QObject::deleteLater);
    worker.start();

    Budget budget;
    budget.candidates = 4;
    budget.samples = 3;
    budget.time = std::chrono::milliseconds(0);  // the sample count alone bounds it
    std::atomic<bool> stopped{true};
    Budget stoppedBudget = budget;
    stoppedBudget.stop = &stopped;
    Budget noLook = budget;
    noLook.samples = 0;

    int differsFromStatic = 0;
    for (const Turn& turn : turns()) {
        const Decision here = turn.decide(words().lex, budget);
        for (const Budget* b : {&budget, &stoppedBudget}) {
            std::optional<Decision> there;
            QEventLoop loop;
            const auto c = QObject::connect(thinker, &Thinker::decided, &loop,
                                            [&](const Turn& t, const Decision& d) {
                                                EXPECT_EQ(t.serial, turn.serial);
                                                EXPECT_NE(QThread::currentThread(), &worker);
                                                there = d;
                                                loop.quit();
                                            });
            QMetaObject::invokeMethod(thinker, [&, b] { thinker->think(turn, *b); }, Qt::QueuedConnection);
            QTimer::singleShot(30000, &loop, &QEventLoop::quit);
            loop.exec();
            QObject::disconnect(c);
            ASSERT_TRUE(there.has_value());
            if (b == &budget) {
                EXPECT_TRUE(sameDecision(*there, here)) << "seed " << turn.serial;
            } else {
                EXPECT_TRUE(sameDecision(*there, turn.decide(words().lex, noLook))) << "seed " << turn.serial;
            }
        }
        differsFromStatic += !sameDecision(here, turn.decide(words().lex, noLook));
    }
    // The look ahead changes some choices, or this would prove nothing.
    EXPECT_GT(differsFromStatic, 0);
    worker.quit();
    worker.wait();
}
