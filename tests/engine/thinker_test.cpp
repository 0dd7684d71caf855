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
        turn.colours = t.state().colours;
        turn.letters = t.state().letters;
        turn.rack = t.rack(t.curplayer());
        turn.seat = t.curplayer();
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
            QMetaObject::invokeMethod(
                thinker, [&, b] { thinker->think(turn, *b); }, Qt::QueuedConnection);
            QTimer::singleShot(30000, &loop, &QEventLoop::quit);
            loop.exec();
            QObject::disconnect(c);
            ASSERT_TRUE(there.has_value());
            if (b == &budget) {
                EXPECT_TRUE(sameDecision(*there, here)) << "seed " << turn.serial;
            } else {
                EXPECT_TRUE(sameDecision(*there, turn.decide(words().lex, noLook)))
                    << "seed " << turn.serial;
            }
        }
        differsFromStatic += !sameDecision(here, turn.decide(words().lex, noLook));
    }
    // The look ahead changes some choices, or this would prove nothing.
    EXPECT_GT(differsFromStatic, 0);
    worker.quit();
    worker.wait();
}

// A decision made elsewhere is played only while its turn lasts: the clock
// running out or the game ending in the meantime makes it stale.
TEST(Thinker, ADecisionOutlivingItsTurnIsDropped) {
    BotSeat seat(words().lex, "Ann", Level::Hard, 3);
    seat.receive("CMD_sendlogininfo+1");
    seat.receive("CMD_startgame+Ann+90+0+0+0+n+n+n");
    const std::string tiles = "seatsroned";
    for (int slot = 1; slot <= kRackSize; ++slot)
        seat.receive("CMD_atile+" + std::to_string(slot) + "+" +
                     std::to_string(codeOfLetter(tiles[slot - 1])));
    Budget budget;
    budget.time = std::chrono::milliseconds(0);
    for (const char* ending : {"CMD_timeup+1", "CMD_winner+1+120", "CMD_nextplayer+2"}) {
        SCOPED_TRACE(ending);
        seat.receive("CMD_nextplayer+1");
        const std::optional<Turn> turn = seat.beginTurn();
        ASSERT_TRUE(turn.has_value());
        const Decision d = turn->decide(words().lex, budget);
        ASSERT_EQ(d.kind, Decision::Play);
        seat.receive(ending);
        EXPECT_NE(seat.turnSerial(), turn->serial);
        EXPECT_FALSE(seat.finishTurn(*turn, d).has_value());
        EXPECT_FALSE(seat.beginTurn().has_value());  // nothing pending after it either
    }
    seat.receive("CMD_nextplayer+1");
    const std::optional<Turn> turn = seat.beginTurn();
    ASSERT_TRUE(turn.has_value());
    const std::optional<std::string> done =
        seat.finishTurn(*turn, turn->decide(words().lex, budget));
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(done->rfind("CMD_done+", 0), 0u) << *done;
}
