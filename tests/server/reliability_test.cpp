// Load, dead connections, and the host driven without sockets.
#include <dirent.h>

#include <algorithm>
#include <map>

#include "harness.h"
#include "server/tablestatus.h"

namespace servertest {
namespace {

using ServerReliability = Host;

int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

TEST_F(ServerReliability, RefusalsAndConnectCyclesLeaveSeatsAndDescriptorsAsTheyWere) {
    startHost();
    for (int i = 1; i <= 9; ++i) {
        const char name[] = {'P', static_cast<char>('0' + i), '\0'};
        join(name);
    }
    settle();
    const int fdsAtStart = openDescriptors();
    for (int i = 0; i < 200; ++i) {
        ScriptedClient extra(port, "X");
        extra.open();
        ASSERT_TRUE(pump([&] { return extra.closed(); })) << i;
        ASSERT_EQ(extra.received(), (Msgs{"CMD_full+"})) << i;
    }
    clients[8]->close();
    ASSERT_TRUE(pump([&] { return !server->seat(9).connected; }));
    for (int i = 0; i < 500; ++i) {
        ScriptedClient c(port, "Cycle");
        c.open();
        ASSERT_TRUE(pump([&] { return server->seat(9).name == "Cycle"; })) << i;
        c.close();
        ASSERT_TRUE(pump([&] { return !server->seat(9).connected; })) << i;
    }
    clients.pop_back();
    settle();
    // The ninth window went for good: its socket and the host's end of it.
    EXPECT_EQ(openDescriptors(), fdsAtStart - 2);
    EXPECT_EQ(server->seatCount(), 9);
    for (int s = 1; s <= 8; ++s) {
        EXPECT_TRUE(server->seat(s).connected) << s;
        EXPECT_EQ(server->seat(s).name, std::string("P") + static_cast<char>('0' + s));
        EXPECT_EQ(server->seatOf(server->seat(s).conn), s);
    }
    EXPECT_FALSE(server->seat(9).connected);
    EXPECT_EQ(server->seat(9).sock, nullptr);
    EXPECT_EQ(server->socketsAlive(), 8u);
    EXPECT_EQ(clients[0]->count("CMD_playerdisconnected+9+Cycle"), 500u);
}

TEST_F(ServerReliability, AResetOnTurnFreesTheSeatAndPassesTheTurnOn) {
    startHost(1234);
    auto& ann = join("Ann");
    auto& bob = join("Bob");
    say(ann, "CMD_startgame+Ann+90+0+0+0+n+n+");
    ASSERT_EQ(game().curplayer, 2);
    forgetAll();
    bob.reset();
    ASSERT_TRUE(pump([&] { return !server->seat(2).connected; }));
    settle();
    EXPECT_EQ(ann.take(),
              (Msgs{"CMD_playerdisconnected+2+Bob", "CMD_tilecount+20", "CMD_nextplayer+1"}));
    EXPECT_EQ(game().curplayer, 1);
    EXPECT_EQ(game().players[2].score, 0);
    EXPECT_TRUE(zindle::isLetterCode(game().players[2].tiles[1]));  // the rack stays with the seat
}

// The host without a network: what the fuzz target drives.
class ServerSockless : public Host {
protected:
    void SetUp() override {
        Host::SetUp();
        startHost(5);
        server->setSinks(
            [this](proto::ConnId c, const std::string& m) {
                sent[c].push_back(m.substr(0, m.size() - 1));
            },
            [this](proto::ConnId c) { closed.push_back(c); });
    }
    proto::ConnId login(const std::string& name) {
        const proto::ConnId c = server->attach();
        const int seat = server->seatOf(c);
        server->inject(c, "CMD_logininfo+" + std::to_string(seat) + "+2.1.0+" + name + "\xFF");
        tick();
        return c;
    }
    std::map<proto::ConnId, Msgs> sent;
    std::vector<proto::ConnId> closed;
};

TEST_F(ServerSockless, SeatsAndRefusalWorkWithoutSockets) {
    std::vector<proto::ConnId> ids;
    for (int i = 0; i < 9; ++i) ids.push_back(login("N"));
    EXPECT_EQ(server->attach(), 0u);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(sent[closed[0]], (Msgs{"CMD_full+"}));
    server->inject(ids[0], "CMD_kickhim+1+4+\xFF");
    tick();
    EXPECT_FALSE(server->seat(4).connected);
    EXPECT_EQ(closed.back(), ids[3]);
    server->inject(ids[3], "CMD_chat+4+ghost|clRed\xFF");  // its connection is gone
    tick();
    EXPECT_EQ(sent[ids[0]].back(), "CMD_playerdisconnected+4+N (4)");  // one name a seat
    EXPECT_EQ(login("New"), ids.back() + 2);
    EXPECT_EQ(server->seatOf(ids.back() + 2), 4);
}

// The status a lobby shows follows every change of the table, however the
// host learnt of it, and reports each change once.
TEST_F(ServerSockless, TheTableWatchReportsEveryChangeOnce) {
    zindle::TableWatch watch(*server);
    std::vector<zindle::TableStatus> seen;
    watch.changed = [&](const zindle::TableStatus& t) { seen.push_back(t); };
    const auto a = login("A");
    ASSERT_EQ(seen.size(), 2u);  // seated, then logged in
    EXPECT_EQ(seen[0].seated, 1);
    EXPECT_EQ(seen[0].loggedIn, 0);
    EXPECT_EQ(seen[1].loggedIn, 1);
    server->inject(a, "CMD_chat+1+hello|clRed\xFF");
    tick();
    EXPECT_EQ(seen.size(), 2u);  // chat changes nothing a lobby shows
    const auto b = login("B");
    for (int i = 0; i < 5; ++i) login("W" + std::to_string(i));
    EXPECT_EQ(watch.status().spectators, 3);
    server->inject(a, "CMD_startgame+A+90+0+3+0+y+n+\xFF");
    tick();
    EXPECT_TRUE(watch.status().playing);
    EXPECT_TRUE(watch.status().doubleTiles);
    // The game clock's last minute ends the game with no message from anyone.
    for (int i = 0; i < 3 * 60 && watch.status().playing; ++i) server->clockTick();
    EXPECT_FALSE(watch.status().playing);
    server->detach(b);
    EXPECT_EQ(watch.status().seated, 3);
    EXPECT_EQ(seen.back(), watch.status());
    EXPECT_EQ(seen.back(), zindle::tableStatus(*server));
}

TEST_F(ServerSockless, AnEmptyRackBesideAWatcherWithTilesEndsTheGame) {
    const auto a = login("A");
    const auto b = login("B");
    server->inject(a, "CMD_startgame+A+90+0+0+0+n+n+\xFF");
    tick();
    server->inject(a, "CMD_justwatch+2+1\xFF");
    tick();
    arrange().players[1].tiles = zindle::emptyRack();
    arrange().bag.bagpos = 98;
    sent.clear();
    arrange().curplayer = 2;
    server->referee().findplayer();
    EXPECT_FALSE(game().gameon);
    EXPECT_EQ(game().curplayer, 0);
    EXPECT_EQ(sent[a].back(), "CMD_nomoretiles+");
    EXPECT_EQ(sent[b].back(), "CMD_nomoretiles+");
    EXPECT_EQ(sent[a][sent[a].size() - 2], "CMD_winner+1+2");
}

TEST_F(ServerSockless, PlayToScoreCountsOnlyScoresAboveTheTargetAndWinnersMustBeConnected) {
    const auto a = login("A");
    const auto b = login("B");
    const auto c = login("C");
    server->inject(a, "CMD_startgame+A+90+0+0+200+n+n+\xFF");
    tick();
    arrange().players[1].score = 200;
    EXPECT_FALSE(server->referee().checkforwin());
    arrange().players[2].score = 150;
    arrange().players[3].score = 201;
    server->detach(c);  // gone, but its score still ends the game
    sent.clear();
    EXPECT_TRUE(server->referee().checkforwin());
    EXPECT_EQ(sent[a], (Msgs{"CMD_playergotscore+", "CMD_winner+1"}));
    EXPECT_FALSE(game().gameon);
    EXPECT_FALSE(server->clockRunning());
    // Ties win together; a table of negative scores has no winner at all.
    arrange().players[2].score = 200;
    server->referee().findwinner();
    EXPECT_EQ(sent[b].back(), "CMD_winner+1+2");
    arrange().players[1].score = -5;
    arrange().players[2].score = -20;
    server->referee().findwinner();
    EXPECT_EQ(sent[b].back(), "CMD_winner");
}

TEST_F(ServerSockless, AZindleSquareChangesTheMovesPoints) {
    const auto a = login("A");
    login("B");
    server->inject(a, "CMD_startgame+A+90+4+0+0+n+n+\xFF");
    tick();
    ASSERT_EQ(game().colours[6][6], zindle::kZindleColour);
    arrange().firstword = false;
    arrange().letters[6][5] = 0;
    const int seat = game().curplayer;
    const auto mover = server->seat(seat).conn;
    sent.clear();
    std::vector<int> effects;
    for (int round = 0; round < 12; ++round) {
        arrange().letters[6][6] = zindle::kNoTile;
        arrange().players[seat].score = 0;
        arrange().curplayer = seat;
        server->inject(mover, "CMD_done+" + std::to_string(seat) + "+1+n+6+6\xFF");
        tick();
        const Msgs& got = sent[mover];
        const auto post = std::find_if(got.rbegin(), got.rend(), [](const std::string& m) {
            return m.rfind("CMD_postscore+", 0) == 0;
        });
        ASSERT_NE(post, got.rend());
        const int base = zindle::letterPoints(game().colours, 6, 5, seat) + 5;
        proto::FieldReader r(std::string_view(*post).substr(14));
        r.field();
        r.field();
        const int effect = r.number().value_or(-1);
        const int points = r.number().value_or(-999);
        const int expected[] = {base, base + 20, base - 20, 2 * base};
        ASSERT_TRUE(effect >= 1 && effect <= 3) << *post;
        EXPECT_EQ(points, expected[effect]) << *post;
        EXPECT_EQ(game().players[seat].score, points);
        effects.push_back(effect);
        sent.clear();
    }
    EXPECT_NE(std::count(effects.begin(), effects.end(), 2), 0);  // a move can lose points
}

}  // namespace
}  // namespace servertest
