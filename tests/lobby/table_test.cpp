// Whole scenarios: players' lobbies and a dedicated table (zindle-host
// --lobby, its own program) in one room on a real Prosody, with game
// windows played by scripted clients on the table's game port.
#include <QTest>
#include <algorithm>

#include "lobby/lobbytest.h"
#include "scriptedclient.h"

using namespace zindle::lobby;
using namespace testsupport;

TEST(LobbyTable, SeenJoinedPlayedEndedAndGone) {
    NEED_PROSODY(prosody);
    for (const char* name : {"table1", "alice", "bob"}) ASSERT_TRUE(prosody->registerAccount(name));
    Player alice(*prosody, "alice"), bob(*prosody, "bob");
    ASSERT_TRUE(alice.waitOnline());
    ASSERT_TRUE(bob.waitOnline());

    DedicatedHost host(*prosody, "table1");
    // The table shows in both lobbies, empty and waiting, with no address in sight.
    ASSERT_TRUE(waitFor([&] { return alice.table("table1") && bob.table("table1"); }))
        << host.output().toStdString();
    EXPECT_EQ(alice.table("table1")->seats, 0);
    EXPECT_FALSE(alice.table("table1")->playing);
    EXPECT_EQ(alice.table("table1")->version, "2.1.0");

    // Each asks the table for the way in and takes a seat.
    JoinOffer offer;
    ASSERT_EQ(alice.join("table1", false, &offer), Refusal::None);
    EXPECT_EQ(offer.host, "127.0.0.1");
    EXPECT_EQ(offer.port, host.port());
    ScriptedClient a(offer.port, "Alice");
    a.open();
    ASSERT_TRUE(bob.waitForTable("table1", 1));
    ASSERT_EQ(bob.join("table1", false, &offer), Refusal::None);
    ScriptedClient b(offer.port, "Bob");
    b.open();
    ASSERT_TRUE(alice.waitForTable("table1", 2));

    // Seat 1 starts; both lobbies see the table playing, with its options.
    a.send("CMD_startgame+Alice+75+12+0+0+y+n+");
    ASSERT_TRUE(waitFor([&] { return bob.table("table1")->playing; }));
    EXPECT_EQ(bob.table("table1")->turntime, 75);
    EXPECT_EQ(bob.table("table1")->zindles, 12);
    EXPECT_TRUE(bob.table("table1")->doubleTiles);
    EXPECT_FALSE(bob.table("table1")->teams);

    // Everyone passes: the game ends and the table waits again.
    ASSERT_TRUE(waitFor([&] {
        if (!alice.table("table1")->playing) return true;
        const int turn = onTurn(a);
        if (turn == a.seat() && !a.has("CMD_pass+" + std::to_string(turn)))
            a.send("CMD_pass+" + std::to_string(turn));
        if (turn == b.seat() && !b.has("CMD_pass+" + std::to_string(turn)))
            b.send("CMD_pass+" + std::to_string(turn));
        return false;
    }));
    EXPECT_EQ(alice.table("table1")->seats, 2);

    // A player who leaves frees the seat in the list.
    b.close();
    ASSERT_TRUE(alice.waitForTable("table1", 1));

    // The table closes: the occupant and its announcement go from every list.
    host.stop();
    ASSERT_TRUE(waitFor([&] { return !alice.client.occupants().contains("table1"); }));
    EXPECT_FALSE(bob.table("table1"));
    EXPECT_TRUE(alice.online());
}

TEST(LobbyTable, AFullTableTurnsPlayersAwayAndLetsThemWatch) {
    NEED_PROSODY(prosody);
    for (const char* name : {"table2", "carol"}) ASSERT_TRUE(prosody->registerAccount(name));
    DedicatedHost host(*prosody, "table2");
    Player carol(*prosody, "carol");
    ASSERT_TRUE(carol.waitOnline());
    ASSERT_TRUE(carol.waitForTable("table2")) << host.output().toStdString();

    std::vector<std::unique_ptr<ScriptedClient>> seated;
    for (int i = 1; i <= 4; ++i) {
        seated.push_back(std::make_unique<ScriptedClient>(
            host.port(), std::string("P").append(std::to_string(i))));
        seated.back()->open();
    }
    ASSERT_TRUE(waitFor([&] { return carol.table("table2")->full(); }));
    EXPECT_EQ(carol.join("table2", false, nullptr), Refusal::Full);
    EXPECT_EQ(describe(Refusal::Full), "The table is full.");

    JoinOffer offer;
    ASSERT_EQ(carol.join("table2", true, &offer), Refusal::None);
    ScriptedClient watcher(offer.port, "Carol");
    watcher.open();
    ASSERT_TRUE(waitFor([&] { return watcher.seat() != 0; }));
    EXPECT_GE(watcher.seat(), 5);  // a spectator's seat
    ASSERT_TRUE(waitFor([&] { return carol.table("table2")->spectators == 1; }));
}

TEST(LobbyTable, ComputerPlayersSitDownWithTheFirstPersonAndLeaveAfterTheLast) {
    NEED_PROSODY(prosody);
    for (const char* name : {"table3", "dave"}) ASSERT_TRUE(prosody->registerAccount(name));
    DedicatedHost host(*prosody, "table3", {"--computers", "2", "--level", "easy"});
    Player dave(*prosody, "dave");
    ASSERT_TRUE(dave.waitOnline());
    ASSERT_TRUE(dave.waitForTable("table3")) << host.output().toStdString();
    EXPECT_EQ(dave.table("table3")->seats, 0);

    JoinOffer offer;
    ASSERT_EQ(dave.join("table3", false, &offer), Refusal::None);
    auto d = std::make_unique<ScriptedClient>(offer.port, "Dave");
    d->open();
    ASSERT_TRUE(dave.waitForTable("table3", 3));
    EXPECT_EQ(d->seat(), 1);  // the person holds the host's powers
    d->close();
    ASSERT_TRUE(dave.waitForTable("table3", 0));
}
