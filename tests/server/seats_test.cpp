// Seats, logins, closing, removal, watching and the chat relay.
#include "harness.h"

namespace servertest {
namespace {

using ServerSeats = Host;

TEST_F(ServerSeats, LoginAnnouncesEveryoneAndTheLowestFreeSeatIsReused) {
    startHost();
    auto& ann = join("Ann");
    auto& bob = join("Bob");
    auto& cy = join("Cy+Plus");
    EXPECT_EQ(ann.take(), (Msgs{"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+Ann",
                                "CMD_newplayerinfo+2+Bob", "CMD_newplayerinfo+3+Cy+Plus"}));
    EXPECT_EQ(cy.take(), (Msgs{"CMD_sendlogininfo+3", "CMD_newplayerinfo+3+Cy+Plus",
                               "CMD_existingplayers+1+Ann", "CMD_existingplayers+2+Bob"}));

    bob.close();
    settle();
    EXPECT_EQ(ann.take(), (Msgs{"CMD_playerdisconnected+2+Bob"}));
    EXPECT_EQ(cy.take(), (Msgs{"CMD_playerdisconnected+2+Bob"}));
    EXPECT_FALSE(server->seat(2).connected);
    EXPECT_EQ(server->seat(2).name, "");

    // Newcomer takes the freed seat 2; a long name is cut to 20 characters.
    auto& dee = join("DeeDeeDeeDeeDeeDeeDeeDee");
    EXPECT_EQ(dee.seat(), 2);
    EXPECT_EQ(ann.take(), (Msgs{"CMD_newplayerinfo+2+DeeDeeDeeDeeDeeDeeDe"}));
    EXPECT_EQ(server->seatCount(), 3);
}

TEST_F(ServerSeats, OtherVersionStillJoinsAndSeatOneIsTold) {
    startHost();
    auto& ann = join("Ann");
    auto& old = join("Old", "2.0.9");
    EXPECT_EQ(old.take(), (Msgs{"CMD_sendlogininfo+2", "CMD_newplayerinfo+2+Old",
                                "CMD_existingplayers+1+Ann", "CMD_wrongversion+"}));
    EXPECT_EQ(ann.take(), (Msgs{"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+Ann",
                                "CMD_newplayerinfo+2+Old", "CMD_havewrongversion+Old"}));
    EXPECT_TRUE(server->seat(2).connected);
}

TEST_F(ServerSeats, TenthConnectionIsRefusedAndTheNineStay) {
    startHost();
    for (int i = 1; i <= 9; ++i) {
        const char name[] = {'P', static_cast<char>('0' + i), '\0'};
        EXPECT_EQ(join(name).seat(), i);
    }
    forgetAll();
    clients.push_back(std::make_unique<ScriptedClient>(port, "Ten"));
    auto& ten = *clients.back();
    ten.open();
    ASSERT_TRUE(pump([&] { return ten.closed(); }));
    EXPECT_EQ(ten.take(), (Msgs{"CMD_full+"}));
    settle();
    EXPECT_EQ(server->seatCount(), 9);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_TRUE(server->seat(i).connected) << i;
        EXPECT_TRUE(clients[static_cast<std::size_t>(i - 1)]->take().empty()) << i;
    }
}

TEST_F(ServerSeats, OnlySeatOneRemovesPlayers) {
    startHost();
    auto& ann = join("Ann");
    auto& bob = join("Bob");
    auto& cy = join("Cy");
    forgetAll();
    say(bob, "CMD_kickhim+2+3+");
    say(bob, "CMD_kickhim+1+3+");  // speaking for seat 1 from seat 2
    say(ann, "CMD_kickhim+1+3");   // no closing empty field: target reads empty
    say(ann, "CMD_kickhim+1+12+");
    EXPECT_FALSE(cy.closed());
    EXPECT_TRUE(ann.take().empty());
    say(ann, "CMD_kickhim+1+3+");
    ASSERT_TRUE(pump([&] { return cy.closed(); }));
    // The removed seat hears it first, as its own disconnection.
    EXPECT_EQ(cy.take(), (Msgs{"CMD_playerdisconnected+3+Cy"}));
    EXPECT_EQ(ann.take(), (Msgs{"CMD_playerdisconnected+3+Cy"}));
    EXPECT_EQ(bob.take(), (Msgs{"CMD_playerdisconnected+3+Cy"}));
    EXPECT_FALSE(server->seat(3).connected);
}

TEST_F(ServerSeats, ChatAndActionAreRelayedOnlyForTheSendersOwnSeat) {
    startHost();
    auto& ann = join("Ann");
    auto& bob = join("Bob");
    auto& spy = join("Spy");
    forgetAll();
    say(bob, "CMD_chat+2+hi + there|$00FF00FF");
    say(bob, "CMD_chat+1+I am Ann|clRed");
    say(bob, "CMD_action+2+says: hello|clLime");
    say(bob, "CMD_chat+x+oops|clRed");
    say(bob,
        "\xFF\xFF"
        "CMD_unknown+2+zz");
    const Msgs expected{"CMD_chat+Bob chats: hi + there|$00FF00FF",
                        "CMD_action+Bob says: hello|clLime"};
    EXPECT_EQ(ann.take(), expected);
    EXPECT_EQ(bob.take(), expected);
    EXPECT_EQ(spy.take(), expected);
}

TEST_F(ServerSeats, AMessageSplitAcrossReadsIsKept) {
    startHost();
    auto& ann = join("Ann");
    forgetAll();
    ann.sock().Send("CMD_chat+1+hal");
    settle();
    ann.sock().Send("ves|clRed\xFF");
    settle();
    EXPECT_EQ(ann.take(), (Msgs{"CMD_chat+Ann chats: halves|clRed"}));
}

TEST_F(ServerSeats, JustWatchNeedsAnotherActivePlayerAndSeatOneMaySetOthers) {
    startHost();
    auto& ann = join("Ann");
    auto& bob = join("Bob");
    auto& spy1 = join("S3");
    forgetAll();
    spy1.close();
    settle();
    forgetAll();
    say(bob, "CMD_justwatch+1+1");  // for someone else: only seat 1 may
    say(bob, "CMD_justwatch+2+3");  // no such mode
    EXPECT_TRUE(ann.take().empty());
    say(bob, "CMD_justwatch+2+1");
    EXPECT_EQ(ann.take(), (Msgs{"CMD_justwatching+2+1"}));
    say(ann, "CMD_justwatch+1+1");  // the last active player cannot watch
    EXPECT_TRUE(ann.take().empty());
    EXPECT_FALSE(server->seat(1).watching);
    say(ann, "CMD_justwatch+2+2");
    EXPECT_EQ(bob.take(), (Msgs{"CMD_justwatching+2+1", "CMD_justwatching+2+2"}));
    say(ann, "CMD_justwatch+2+1");
    EXPECT_TRUE(server->seat(2).watching);
    say(ann, "CMD_justwatch+4+1");  // seat 4 was never handed out
    EXPECT_FALSE(server->seat(4).watching);
}

}  // namespace
}  // namespace servertest
