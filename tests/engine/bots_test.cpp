// Four bots against a real host over loopback, to every kind of game end:
// the host never refuses one of their moves.
#include <gtest/gtest.h>

#include <QProcess>
#include <memory>
#include <string>
#include <vector>

#include "engine/bot.h"
#include "server/server.h"
#include "support/scriptedclient.h"

using namespace zindle;
using namespace zindle::engine;
using testsupport::ScriptedClient;

namespace {

struct Ending {
    const char* name;
    const char* settings;  // "CMD_startgame" fields after the starter's name
    const char* reason;
    std::vector<uint32_t> seeds;
    bool clockRunsOut = false;
};

class Bots : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureApp(); }

    void seat(uint32_t seed, int count) {
        ServerOptions o;
        o.port = "0";
        o.random = &random;
        o.seed = seed;
        o.runTimers = false;
        server = std::make_unique<TServer>(o);
        server->listen();
        const Level levels[] = {Level::Hard, Level::Normal, Level::Easy, Level::Hard};
        for (int i = 0; i < count; ++i) {
            BotOptions b;
            b.port = server->port();
            b.name = "Computer " + std::to_string(i + 1);
            b.level = levels[i];
            b.delayMs = 0;
            b.seed = seed * 10 + static_cast<uint32_t>(i);
            bots.push_back(std::make_unique<Bot>(b));
            bots.back()->start();
            ASSERT_TRUE(pump([&] { return bots.back()->seat().state().mySeat() == i + 1; }));
        }
        watcher = std::make_unique<ScriptedClient>(server->port(), "Watcher");
        watcher->open();
        ASSERT_TRUE(pump([&] { return watcher->seat() == count + 1; }));
    }

    bool pump(const std::function<bool()>& done, int ms = 20000) {
        return testsupport::pumpUntil(
            done,
            [this] {
                while (server->queued()) server->socktimerTimer();
            },
            ms);
    }

    Random random{1};
    std::unique_ptr<TServer> server;
    std::vector<std::unique_ptr<Bot>> bots;
    std::unique_ptr<ScriptedClient> watcher;
};

const Ending kEndings[] = {
    {"out of tiles", "90+12+0+0+y+y+", "CMD_nomoretiles+", {11, 12}},
    {"score target", "90+8+0+300+n+n+", "CMD_playergotscore+", {11, 12}},
    {"game time", "90+0+1+0+y+n+", "CMD_gametimeup+", {11}, true},
    // Seat 4 watches with its tiles, so the others must all pass: see below.
    {"everyone passed", "90+4+0+0+n+n+", "CMD_everyonepassed+", {}},
};

}  // namespace

TEST_F(Bots, FourBotsPlayWholeGamesToEveryEnd) {
    for (const Ending& e : kEndings) {
        for (uint32_t seed : e.seeds) {
            SCOPED_TRACE(std::string(e.name) + " seed " + std::to_string(seed));
            bots.clear();
            watcher.reset();
            seat(seed, 4);
            server->handle(std::string("CMD_startgame+Computer 1+") + e.settings, 1);
            if (e.clockRunsOut) {
                ASSERT_TRUE(pump([&] { return watcher->count("CMD_postscore+") >= 6; }));
                for (int s = 0; s < 60; ++s) server->clockTick();
            }
            ASSERT_TRUE(pump([&] { return watcher->has(e.reason); })) << watcher->received().back();
            // The players hear who won (a spectator is not told).
            ASSERT_TRUE(pump([&] {
                for (const auto& b : bots)
                    if (!b->seat().state().gameOver()) return false;
                return true;
            }));
            EXPECT_FALSE(server->referee().state().gameon);
            EXPECT_GT(watcher->count("CMD_postscore+"), 5u);
            for (const auto& b : bots) {
                EXPECT_EQ(b->seat().refused(), 0) << b->options().name;
                EXPECT_FALSE(b->closed());
                // Each window's scoreboard agrees with the host.
                for (int s = 1; s <= 4; ++s)
                    EXPECT_EQ(b->seat().state().scores()[s], server->referee().player(s).score);
            }
        }
    }
}

// Seat 4 watches and keeps its tiles, so the game ends only when the other
// three all pass. In most games a seat runs out of tiles first and, never
// passing, leaves the rest to pass round for ever (the host's rule); such a
// game is dropped and the next seed tried.
TEST_F(Bots, EveryonePassedWithASeatWatching) {
    const Ending& e = kEndings[3];
    bool reached = false;
    for (uint32_t seed = 1; seed <= 40 && !reached; ++seed) {
        SCOPED_TRACE(seed);
        bots.clear();
        watcher.reset();
        seat(seed, 4);
        server->handle(std::string("CMD_startgame+Computer 1+") + e.settings, 1);
        server->handle("CMD_justwatch+4+1", 1);
        ASSERT_TRUE(pump([&] {
            return watcher->has(e.reason) || watcher->has("CMD_nomoretiles+") ||
                   watcher->count("CMD_pass+") > 60;
        }));
        reached = watcher->has(e.reason);
        for (const auto& b : bots) EXPECT_EQ(b->seat().refused(), 0);
        EXPECT_EQ(watcher->count("CMD_nextplayer+4"), 0u);
    }
    EXPECT_TRUE(reached);
}

// A bot leaves when the host goes, and never starts a game from seat 1.
TEST_F(Bots, SeatOneWaitsAndTheHostClosingEndsTheBot) {
    seat(5, 2);
    pump([] { return false; }, 300);
    EXPECT_FALSE(server->referee().state().gameon);
    EXPECT_EQ(watcher->count("CMD_startgame+"), 0u);
    bool closed = false, failed = true;
    bots[0]->onClosed = [&](bool f) {
        closed = true;
        failed = f;
    };
    server.reset();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return closed && bots[1]->closed(); }));
    EXPECT_FALSE(failed);
}

TEST_F(Bots, NoHostIsAFailure) {
    BotOptions b;
    b.port = 1;  // nothing listens there
    Bot bot(b);
    bool failed = false;
    bot.onClosed = [&](bool f) { failed = f; };
    bot.start();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return bot.closed(); }));
    EXPECT_TRUE(failed);
}

// The programs themselves: two zindle-bot processes on a zindle-host, with a
// scripted window in seat 1 that watches and starts the game.
TEST(BotProgram, TwoBotsPlayAWholeGameOnADedicatedHost) {
    testsupport::ensureApp();
    QProcess host;
    host.start(ZINDLE_HOST_PATH, {"--port", "0", "--seed", "9"});
    ASSERT_TRUE(host.waitForReadyRead(10000));
    const QString line = QString::fromUtf8(host.readLine()).trimmed();
    ASSERT_TRUE(line.startsWith("listening on port ")) << line.toStdString();
    const QString port = line.section(' ', 3);

    ScriptedClient starter(port.toInt(), "Starter");
    starter.open();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return starter.seat() == 1; }));
    QProcess bots[2];
    for (int i = 0; i < 2; ++i) {
        bots[i].start(ZINDLE_BOT_PATH, {"--port", port, "--name", QString("Computer %1").arg(i + 1),
                                        "--level", i ? "easy" : "hard", "--delay", "0"});
        ASSERT_TRUE(
            testsupport::pumpUntil([&] { return starter.count("CMD_newplayerinfo+") == 2u + i; }));
    }
    starter.send("CMD_justwatch+1+1");
    starter.send("CMD_startgame+Starter+90+12+0+0+y+n+");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return starter.count("CMD_winner") > 0; }, {}, 60000));
    EXPECT_GT(starter.count("CMD_postscore+"), 10u);
    EXPECT_EQ(starter.count("CMD_startgame+"), 1u);  // the bot in no way starts one

    host.terminate();
    ASSERT_TRUE(host.waitForFinished(10000));
    for (QProcess& b : bots) {
        ASSERT_TRUE(b.waitForFinished(10000));
        EXPECT_EQ(b.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(b.exitCode(), 0);
        EXPECT_EQ(b.readAllStandardError().toStdString(), "");  // no refused move reported
    }
}

TEST(BotProgram, BadArgumentsAndNoHost) {
    testsupport::ensureApp();
    struct Run {
        QStringList args;
        int code;
    };
    for (const Run& r :
         {Run{{"--level", "expert"}, 2}, Run{{"--port", "70000"}, 2}, Run{{"--delay"}, 2},
          Run{{"--colour", "red"}, 2}, Run{{"--port", "1", "--delay", "0"}, 1}}) {
        QProcess bot;
        bot.start(ZINDLE_BOT_PATH, r.args);
        ASSERT_TRUE(bot.waitForFinished(10000));
        EXPECT_EQ(bot.exitCode(), r.code) << r.args.join(' ').toStdString();
    }
}

// A Hard bot thinks on its own thread; when its seat leaves mid-thought the
// thinking stops at once, and the bot can be dropped without waiting.
TEST_F(Bots, ASeatThatLeavesStopsItsThinking) {
    seat(7, 2);
    ASSERT_EQ(bots[0]->options().level, Level::Hard);
    server->handle("CMD_startgame+Computer 1+90+12+0+0+y+n+", 1);
    server->handle("CMD_justwatch+3+1", 1);  // the watcher's seat sits the game out
    ASSERT_TRUE(pump([&] { return bots[0]->thinking(); }));
    bots[0]->leave();
    EXPECT_FALSE(bots[0]->thinking());
    EXPECT_TRUE(bots[0]->closed());
    bots.erase(bots.begin());  // joins its worker thread
    pump([] { return false; }, 200);
    EXPECT_FALSE(bots[0]->closed());
    EXPECT_EQ(bots[0]->seat().refused(), 0);
}
