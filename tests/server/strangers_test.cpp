// Strangers at a real host: connections that never log in, second logins,
// forged lines and names, and a storm of reconnecting connections.
#include <algorithm>

#include "harness.h"

namespace servertest {
namespace {

class ServerStrangers : public Host {
protected:
    // A connection that takes a seat and never logs in.
    ScriptedClient& stranger(const std::string& source = {}) {
        clients.push_back(std::make_unique<ScriptedClient>(port, "", false));
        ScriptedClient& c = *clients.back();
        if (!source.empty()) c.setSource(source);
        c.open();
        EXPECT_TRUE(pump([&] { return c.seat() > 0 || c.closed(); }));
        settle();
        return c;
    }
};

TEST_F(ServerStrangers, NoVoiceAndNoPowersBeforeTheLoginAndOneLoginAConnection) {
    startHost();
    auto& ann = join("Ann");
    auto& bob = join("Bob");
    auto& cy = join("Cy");
    ann.close();
    ASSERT_TRUE(pump([&] { return bob.has("CMD_playerdisconnected+1+Ann"); }));
    settle();
    forgetAll();
    // The next connection lands on seat 1, another on seat 4; neither logs in,
    // and neither is announced.
    auto& mal = stranger();
    auto& eve = stranger();
    ASSERT_EQ(mal.seat(), 1);
    ASSERT_EQ(eve.seat(), 4);
    say(mal, "CMD_kickhim+1+2+");
    say(mal, "CMD_justwatch+3+1");
    say(mal, "CMD_startgame+Mal+90+0+0+0+n+n+");
    say(mal, "CMD_chat+1+I resign|clRed");
    say(eve, "CMD_action+4+says: I resign|clRed");
    say(eve, "CMD_justwatch+4+1");
    say(eve, "CMD_done+4+1+n+9+9");
    EXPECT_EQ(bob.take(), Msgs{});
    EXPECT_EQ(cy.take(), Msgs{});
    EXPECT_FALSE(bob.closed());
    EXPECT_FALSE(server->referee().state().gameon);
    EXPECT_FALSE(server->seat(3).watching);
    EXPECT_FALSE(server->seat(4).watching);

    // Logged in, seat 1 holds its powers; a second login changes nobody's name.
    say(mal, "CMD_logininfo+1+2.1.0+Mal");
    EXPECT_EQ(bob.take(), Msgs{"CMD_newplayerinfo+1+Mal"});
    forgetAll();
    say(bob, "CMD_logininfo+2+2.1.0+Mal");
    say(mal, "CMD_logininfo+1+2.1.0+Cy");
    say(bob, "CMD_chat+2+still Bob");
    EXPECT_EQ(cy.take(), Msgs{"CMD_chat+Bob chats: still Bob"});
    EXPECT_EQ(server->seat(2).name, "Bob");
    say(mal, "CMD_kickhim+1+2+");
    EXPECT_TRUE(pump([&] { return bob.closed(); }));
}

// A stranger in a player seat when the game starts is neither dealt nor given the turn, so
// it cannot hold the table up until its deadline; once it logs in it is brought in.
TEST_F(ServerStrangers, AStrangerInAPlayerSeatTakesNoPartUntilItLogsIn) {
    startHost();
    auto& ann = join("Ann");
    auto& eve = stranger();
    auto& bob = join("Bob");
    ASSERT_EQ(eve.seat(), 2);
    ASSERT_EQ(bob.seat(), 3);
    say(ann, "CMD_startgame+Ann+90+0+0+0+n+n+");
    ASSERT_TRUE(server->referee().state().gameon);
    EXPECT_FALSE(server->referee().player(2).hasTile());
    EXPECT_TRUE(server->referee().player(3).hasTile());
    // The turn goes from seat to seat past seat 2.
    for (int i = 0; i < 2; ++i) {
        const int turn = server->referee().state().curplayer;
        ASSERT_TRUE(turn == 1 || turn == 3) << turn;
        if (i == 0) say(turn == 1 ? ann : bob, "CMD_pass+" + std::to_string(turn));
    }
    ASSERT_TRUE(server->referee().state().gameon);
    eve.take();
    say(eve, "CMD_logininfo+2+2.1.0+Eve");
    EXPECT_TRUE(server->referee().player(2).hasTile());
    const Msgs got = eve.take();
    EXPECT_TRUE(std::any_of(got.begin(), got.end(),
                            [](const std::string& m) { return m.rfind("CMD_atile+", 0) == 0; }));
}

TEST_F(ServerStrangers, NoLineCanBeForgedAndNoNameBorrowed) {
    startHost();
    auto& ann = join("Ann");
    const char* names[] = {
        "Eve\r\nAnn chats: hi",  // 2: control bytes become blanks
        "   ",                   // 3: blank
        "\t\r\n",                // 4: nothing but control bytes
        "ann",                   // 5: a seated name in other letters
        " Ann ",                 // 6: again, with blanks around it
        "Zo\xEB",                // 7: a Windows-1252 letter stays
        "Twenty letters named",  // 8
        "twenty letters named",  // 9: cut to make room for its number
    };
    for (const char* n : names) join(n);
    const Msgs announced{
        "CMD_newplayerinfo+2+Eve  Ann chats: hi",
        "CMD_newplayerinfo+3+Player 3",
        "CMD_newplayerinfo+4+Player 4",
        "CMD_newplayerinfo+5+ann (2)",
        "CMD_newplayerinfo+6+Ann (3)",
        "CMD_newplayerinfo+7+Zo\xEB",
        "CMD_newplayerinfo+8+Twenty letters named",
        "CMD_newplayerinfo+9+twenty letters n (2)",
    };
    Msgs got = ann.take();
    got.erase(got.begin(), got.begin() + 2);  // the login and Ann's own announcement
    EXPECT_EQ(got, announced);

    auto& eve = *clients[1];
    say(eve, "CMD_chat+2+hi\r\nAnn chats: I resign\x01|clRed\n");
    say(eve, "CMD_action+2+says: caf\xE9\x7F\x1B[2J|$00FF00FF");
    EXPECT_EQ(ann.take(),
              (Msgs{"CMD_chat+Eve  Ann chats: hi chats: hi  Ann chats: I resign |clRed ",
                    "CMD_action+Eve  Ann chats: hi says: caf\xE9  [2J|$00FF00FF"}));
    // A name given out is as taken as a chosen one; one left behind is free again.
    clients[3]->close();
    ASSERT_TRUE(pump([&] { return !server->seat(4).connected; }));
    EXPECT_EQ(join("Player 3").take().at(1), "CMD_newplayerinfo+4+Player 3 (2)");
    clients[1]->close();
    ASSERT_TRUE(pump([&] { return !server->seat(2).connected; }));
    EXPECT_EQ(join("Eve  Ann chats: hi").take().at(1), "CMD_newplayerinfo+2+Eve  Ann chats: hi");
}

TEST(ServerStrangerGate, CountsByAddressAndNeverTheMachinesOwn) {
    using zindle::StrangerGate;
    EXPECT_EQ(StrangerGate::keyOf("127.0.0.1"), "");
    EXPECT_EQ(StrangerGate::keyOf("::1"), "");
    EXPECT_EQ(StrangerGate::keyOf("::ffff:127.0.0.1"), "");
    EXPECT_EQ(StrangerGate::keyOf(""), "");
    EXPECT_EQ(StrangerGate::keyOf("127.0.0.2"), "127.0.0.2");  // a relayed peer of its own
    EXPECT_EQ(StrangerGate::keyOf("::ffff:203.0.113.9"), "203.0.113.9");
    EXPECT_EQ(StrangerGate::keyOf("2001:db8:1:2:3:4:5:6"), "2001:db8:1:2::/64");
    EXPECT_EQ(StrangerGate::keyOf("2001:db8:1:2:ffff::1"), "2001:db8:1:2::/64");
    EXPECT_NE(StrangerGate::keyOf("2001:db8:1:3::1"), "2001:db8:1:2::/64");

    // Three waiting at once; each miss doubles the wait, up to the ceiling.
    StrangerGate gate({3, 1000, 8000, 60000});
    const std::string a = "198.51.100.7";
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(gate.admit(a, 0));
    EXPECT_FALSE(gate.admit(a, 0));
    EXPECT_TRUE(gate.admit("198.51.100.8", 0));
    gate.loggedIn(a);
    EXPECT_TRUE(gate.admit(a, 0));
    std::vector<int64_t> waits;
    for (int64_t now : {100, 200, 300, 400, 500}) {
        gate.missed(a, now);
        gate.left(a);
        waits.push_back(gate.barredFor(a, now));
    }
    EXPECT_EQ(waits, (std::vector<int64_t>{1000, 2000, 4000, 8000, 8000}));
    EXPECT_FALSE(gate.admit(a, 8499));
    EXPECT_TRUE(gate.admit(a, 8500));
    gate.left(a);
    // Long after the last miss, a miss counts as the first again.
    gate.missed(a, 70000);
    EXPECT_EQ(gate.barredFor(a, 70000), 1000);
}

// Nine connections from one address that never log in and reconnect the
// moment they are closed must not keep honest players out, wherever those
// come from, and the storm's address waits longer after each round.
TEST_F(ServerStrangers, AReconnectingStormLeavesSeatsForHonestPlayers) {
    loginDeadlineMs = 300;
    strangers.backoffMs = 200;
    startHost(1234, true);
    testsupport::LoginStorm storm(port, "127.0.0.2", 9);
    int most = 0;
    const auto storming = [&](int ms) {
        testsupport::pumpUntil(
            [&] {
                storm.step();
                most = std::max(most, storm.seated());
                return false;
            },
            {}, ms);
    };
    storming(700);  // past the first deadline
    std::vector<ScriptedClient*> honest;
    for (const char* source : {"127.0.0.3", "127.0.0.4", "127.0.0.3"}) {
        clients.push_back(std::make_unique<ScriptedClient>(port, source, true));
        honest.push_back(clients.back().get());
        honest.back()->setSource(source);
        honest.back()->open();
        EXPECT_TRUE(testsupport::pumpUntil(
            [&] {
                storm.step();
                most = std::max(most, storm.seated());
                return honest.back()->count("CMD_newplayerinfo+") > 0 || honest.back()->closed();
            },
            {}, 2000))
            << source;
        EXPECT_FALSE(honest.back()->closed()) << source;
    }
    storming(2000);
    EXPECT_LE(most, 3);
    for (ScriptedClient* h : honest) EXPECT_FALSE(h->closed());
    // Without the growing wait it would have had a round every deadline.
    EXPECT_LE(storm.seatings(), 12u);
    EXPECT_GT(storm.refusals(), 0u);
    EXPECT_GT(server->strangers().barredFor("127.0.0.2", server->nowMs()), 0);
    EXPECT_EQ(server->strangers().waiting("127.0.0.3"), 0);
    // Logged-in players are never capped by address: a household fills the table.
    for (int i = 0; i < 9; ++i) {
        int free = 0;
        for (int s = 1; s <= zindle::kSeats; ++s) free += server->seat(s).connected ? 0 : 1;
        if (free == 0) break;
        EXPECT_FALSE(join("Home" + std::to_string(i), "2.1.0", "127.0.0.5").closed()) << i;
    }
}

}  // namespace
}  // namespace servertest
