// Whole games with fixed seeds: start, moves, exchanges, passes and every end.
#include "harness.h"

namespace servertest {
namespace {

using ServerGame = Host;

const Msgs kAnnDeal{"CMD_atile+1+0", "CMD_atile+2+4",  "CMD_atile+3+11", "CMD_atile+4+4",
                    "CMD_atile+5+7", "CMD_atile+6+4",  "CMD_atile+7+13", "CMD_atile+8+4",
                    "CMD_atile+9+3", "CMD_atile+10+13"};
const Msgs kBobDeal{"CMD_atile+1+20", "CMD_atile+2+0",  "CMD_atile+3+3", "CMD_atile+4+22",
                    "CMD_atile+5+4",  "CMD_atile+6+21", "CMD_atile+7+4", "CMD_atile+8+8",
                    "CMD_atile+9+8",  "CMD_atile+10+13"};

Msgs concat(std::initializer_list<Msgs> parts) {
    Msgs out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

using ServerTwoPlayerGame = ServerTwoPlayers;

TEST_F(ServerTwoPlayerGame, PlaysToTheTargetScore) {
    start("90+0+0+25+n+n+");
    say(*ann, "CMD_done+1+1+n+5+5");              // not Ann's turn: ignored
    say(*bob, "CMD_done+2+1+n+0+0");              // a single letter is no word
    say(*bob, "CMD_done+2+11+n+3+3");             // no rack slot 11
    say(*bob, "CMD_done+2+1+n+12+12+2+n+13+12");  // "ua" on Bob's own colour
    say(*ann, "CMD_done+1+3+n+10+9");             // "ual" through the centre
    say(*bob, "CMD_done+1+3+n+10+10");            // speaks for seat 1: dropped
    say(*bob, "CMD_done+2+3+n+10+10");            // "ld" down from Ann's l
    const Msgs start{"CMD_startgame+Ann+90+0+0+25+n+n+n", "CMD_arrangeboard+3+4+1+2", "CMD_zn"};
    const Msgs firstTurn{"CMD_tilecount+20", "CMD_tilecount+20", "CMD_nextplayer+2"};
    const Msgs moveOne{"CMD_postscore+20+2+0+20+20+4+0+ua+", "CMD_newword+8+9+20+9+9+0"};
    const Msgs moveTwo{"CMD_postscore+22+1+0+20+20+3+0+ual+", "CMD_newword+10+9+11"};
    const Msgs moveThree{"CMD_postscore+23+2+0+15+35+4+0+ld+", "CMD_newword+10+10+3"};
    const Msgs end{"CMD_playergotscore+", "CMD_winner+2"};
    EXPECT_EQ(bob->take(), concat({start,
                                   kBobDeal,
                                   firstTurn,
                                   {"CMD_invalid+", "CMD_invalid+", "CMD_reposition+8+9+20+9+9+0"},
                                   moveOne,
                                   {"CMD_atile+1+" + std::to_string(game().bag.bag[21]),
                                    "CMD_atile+2+" + std::to_string(game().bag.bag[22])},
                                   {"CMD_tilecount+22", "CMD_nextplayer+1"},
                                   moveTwo,
                                   {"CMD_tilecount+23", "CMD_nextplayer+2"},
                                   moveThree,
                                   end}));
    EXPECT_EQ(ann->take(), concat({start,
                                   kAnnDeal,
                                   firstTurn,
                                   moveOne,
                                   {"CMD_tilecount+22", "CMD_nextplayer+1"},
                                   moveTwo,
                                   {"CMD_atile+3+" + std::to_string(game().bag.bag[23])},
                                   {"CMD_tilecount+23", "CMD_nextplayer+2"},
                                   moveThree,
                                   end}));
    EXPECT_FALSE(game().gameon);
    EXPECT_EQ(game().curplayer, 0);
    EXPECT_FALSE(server->clockRunning());
    EXPECT_EQ(game().letters[9][9], 0);
    EXPECT_EQ(game().letters[10][10], 3);
}

TEST_F(ServerTwoPlayerGame, TurnTimesOutAndTheGameClockEndsTheGame) {
    start("3+0+1+0+n+n+");
    forgetAll();
    tickClock(3);
    EXPECT_TRUE(bob->take().empty());
    tickClock(1);  // the clock went from 0 to -1
    EXPECT_EQ(bob->take(), (Msgs{"CMD_timeup+2", "CMD_tilecount+20", "CMD_nextplayer+1"}));
    EXPECT_FALSE(game().players[2].passed);
    tickClock(55);
    EXPECT_TRUE(game().gameon);
    forgetAll();
    tickClock(1);  // the 60th second: a time-out and the end on one tick
    EXPECT_EQ(ann->take(), (Msgs{"CMD_timeup+2", "CMD_tilecount+20", "CMD_nextplayer+1",
                                 "CMD_gametimeup+", "CMD_winner+1+2"}));
    EXPECT_EQ(game().curplayer, 1);
    EXPECT_FALSE(game().gameon);
    tickClock(5);
    EXPECT_TRUE(ann->take().empty());
    EXPECT_EQ(bob->count("CMD_timeup+"), 15u);
}

TEST_F(ServerTwoPlayerGame, TwoPassesEndWithNoMoreTiles) {
    start("90+0+0+0+n+n+");
    forgetAll();
    say(*ann, "CMD_pass+2");  // Ann speaking for Bob
    say(*bob, "CMD_pass+1");  // Bob speaking for Ann
    EXPECT_TRUE(ann->take().empty());
    say(*bob, "CMD_pass+02");  // everyone is told the seat as the host read it
    say(*ann, "CMD_pass+1");
    const Msgs expected{"CMD_pass+2", "CMD_tilecount+20", "CMD_nextplayer+1",
                        "CMD_pass+1", "CMD_winner+1+2",   "CMD_nomoretiles+"};
    EXPECT_EQ(ann->take(), expected);
    EXPECT_EQ(bob->take(), expected);
    say(*bob, "CMD_pass+2");  // nobody on turn any more
    EXPECT_TRUE(bob->take().empty());
}

TEST_F(ServerTwoPlayerGame, ExchangeOncePerGameAndOnlyWithTwelveTilesLeft) {
    start("90+0+0+0+n+n+");
    say(*bob, "CMD_startgame+Bob+90+0+0+0+n+n+");  // only seat 1 starts games
    forgetAll();
    arrange().bag.bagpos = 87;
    say(*bob, "CMD_newtiles+2");
    EXPECT_EQ(bob->take(), (Msgs{"CMD_notenough+"}));
    arrange().bag.bagpos = 86;
    const auto undrawn = game().bag.bag;
    say(*bob, "CMD_newtiles+2");
    Msgs got = bob->take();
    ASSERT_EQ(got.size(), 11u);
    EXPECT_EQ(got.back(), "CMD_newtiles+2+-10+4+0");
    EXPECT_EQ(ann->take(), (Msgs{"CMD_newtiles+2+-10+4+0"}));
    // The new rack came from the undrawn part, and the old one went back there.
    std::array<int, 26> before{}, after{};
    for (int p = 87; p <= 98; ++p) ++before[static_cast<std::size_t>(undrawn[p])];
    for (const char* code : {"20", "0", "3", "22", "4", "21", "4", "8", "8", "13"})
        ++before[static_cast<std::size_t>(std::stoi(code))];
    for (int p = 87; p <= 98; ++p) ++after[static_cast<std::size_t>(game().bag.bag[p])];
    for (int slot = 1; slot <= 10; ++slot) {
        const int code = game().players[2].tiles[slot];
        ASSERT_TRUE(zindle::isLetterCode(code));
        EXPECT_EQ(got[static_cast<std::size_t>(slot - 1)],
                  "CMD_atile+" + std::to_string(slot) + "+" + std::to_string(code));
        ++after[static_cast<std::size_t>(code)];
    }
    EXPECT_EQ(before, after);
    EXPECT_EQ(game().bag.bagpos, 86);
    EXPECT_EQ(game().curplayer, 2);
    say(*bob, "CMD_pass+2");
    say(*ann, "CMD_done+1+1+n+0+0+2+n+1+0");
    ASSERT_EQ(game().curplayer, 2);
    bob->take();
    say(*bob, "CMD_newtiles+2");  // a later turn, still the same game
    EXPECT_EQ(bob->take(), (Msgs{"CMD_already+"}));
}

TEST_F(ServerTwoPlayerGame, BadGroupsAreInvalidAndMalformedMovesDropped) {
    start("90+0+0+0+n+n+");
    say(*bob, "CMD_done+2+1+n+12+12+2+n+13+12");
    forgetAll();
    say(*ann, "CMD_done+1+0+n+10+9");           // slot 0
    say(*ann, "CMD_done+1+1+n+19+9");           // off the board
    say(*ann, "CMD_done+1+1+n+9+9");            // occupied
    say(*ann, "CMD_done+1+1+n+10+9+2+n+10+9");  // two tiles on one cell
    say(*ann, "CMD_done+1+1+n+-1+9");
    EXPECT_EQ(ann->take(), Msgs(5, "CMD_invalid+"));
    arrange().players[1].tiles[4] = zindle::kNoTile;
    say(*ann, "CMD_done+1+4+n+10+9");   // an empty slot
    say(*ann, "CMD_done+1+1+n+ten+9");  // not a number: dropped
    say(*ann, "CMD_done+1+1+n+10");     // incomplete group: dropped
    say(*ann, "CMD_done+1");
    EXPECT_EQ(ann->take(), (Msgs{"CMD_invalid+"}));
    EXPECT_TRUE(bob->take().empty());
    // A flipped tile is judged by its back: slot 1 holds a (0), its back is z.
    say(*ann, "CMD_done+1+1+y+10+9");
    EXPECT_EQ(ann->take().at(0), "CMD_postscore+22+1+0+20+20+3+0+uaz+");
}

TEST_F(ServerTwoPlayerGame, ANewcomerInheritsTheSeatWithItsRackAndScore) {
    start("90+0+0+0+n+n+");
    say(*bob, "CMD_done+2+1+n+12+12+2+n+13+12");
    bob->close();
    settle();
    EXPECT_EQ(game().curplayer, 1);
    arrange().players[2].tiles[4] = zindle::kNoTile;
    // The tiles it inherits come first, in slot order, then the ones drawn.
    Msgs rack;
    for (int slot = 1; slot <= 10; ++slot)
        if (slot != 4)
            rack.push_back("CMD_atile+" + std::to_string(slot) + "+" +
                           std::to_string(game().players[2].tiles[slot]));
    auto& dee = join("Dee");
    EXPECT_EQ(dee.seat(), 2);
    EXPECT_EQ(dee.take(), concat({{"CMD_sendlogininfo+2", "CMD_newplayerinfo+2+Dee",
                                   "CMD_existingplayers+1+Ann", "CMD_arrangeboard+3+4+1+2",
                                   "CMD_showboard+8+9+20", "CMD_showboard+9+9+0"},
                                  rack,
                                  {"CMD_atile+4+" + std::to_string(game().bag.bag[23]),
                                   "CMD_gamesettings+90+0+0+0+0+n+n", "CMD_nextplayer+1"}}));
    EXPECT_EQ(game().players[2].score, 20);
    say(*ann, "CMD_pass+1");
    EXPECT_EQ(dee.take(), (Msgs{"CMD_pass+1", "CMD_tilecount+23", "CMD_nextplayer+2"}));
}

TEST_F(ServerGame, PartnersShareScoresAndSpectatorsGetNoTilesOrTurns) {
    startHost(99);
    for (const char* n : {"A", "B", "C", "D", "Spy"}) join(n);
    auto& spy = *clients[4];
    forgetAll();
    say(*clients[0], "CMD_startgame+A+90+0+0+0+y+y+");
    EXPECT_EQ(spy.take().at(0), "CMD_startgame+A+90+0+0+0+y+y+y");
    const int first = game().curplayer;
    const int partner = first <= 2 ? first + 2 : first - 2;
    auto& mover = *clients[static_cast<std::size_t>(first - 1)];
    forgetAll();
    say(mover, "CMD_done+" + std::to_string(first) + "+1+n+0+0+2+n+1+0");
    const Msgs got = mover.take();
    ASSERT_GE(got.size(), 2u);
    const int pts = game().players[first].wordscore;
    EXPECT_GT(pts, 0);
    const std::string post = "CMD_postscore+40+" + std::to_string(first) + "+0+" +
                             std::to_string(pts) + "+" + std::to_string(pts) + "+" +
                             std::to_string(partner) + "+" + std::to_string(pts) + "+";
    EXPECT_EQ(got[1].rfind(post, 0), 0u) << got[1];
    EXPECT_EQ(game().players[partner].score, pts);
    // Everyone passes: seats 1-4 get the winners, the spectator only the reasons.
    for (int i = 0; i < 4; ++i) {
        const int cur = game().curplayer;
        say(*clients[static_cast<std::size_t>(cur - 1)], "CMD_pass+" + std::to_string(cur));
    }
    EXPECT_FALSE(game().gameon);
    const Msgs seen = spy.take();
    for (const auto& m : seen)
        for (const char* p : {"CMD_atile+", "CMD_nextplayer+", "CMD_notiles+", "CMD_winner"})
            EXPECT_NE(m.rfind(p, 0), 0u) << m;
    EXPECT_EQ(seen.back(), "CMD_nomoretiles+");
    const std::string winners = "CMD_winner+" + std::to_string(std::min(first, partner)) + "+" +
                                std::to_string(std::max(first, partner));
    EXPECT_TRUE(clients[0]->has(winners));
    EXPECT_EQ(clients[3]->received().back(), "CMD_nomoretiles+");
}

TEST_F(ServerGame, PartnersNeedAllFourSeatsAndWatchingOnTurnPassesItOn) {
    startHost(7);
    for (const char* n : {"A", "B", "C"}) join(n);
    forgetAll();
    say(*clients[0], "CMD_startgame+A+90+0+0+0+n+y+");
    EXPECT_EQ(clients[1]->take().at(0), "CMD_startgame+A+90+0+0+0+n+y+n");
    EXPECT_FALSE(game().teamgame);
    const int cur = game().curplayer;
    const int next = cur % 3 + 1;
    say(*clients[static_cast<std::size_t>(cur - 1)], "CMD_justwatch+" + std::to_string(cur) + "+1");
    EXPECT_EQ(game().curplayer, next);
    const Msgs tail = clients[2]->take();
    ASSERT_GE(tail.size(), 2u);
    EXPECT_EQ(tail.back(), "CMD_nextplayer+" + std::to_string(next));
    // The watcher keeps its tiles; the others pass: everyone passed.
    const int other = next % 3 + 1 == cur ? cur % 3 + 1 : next % 3 + 1;
    say(*clients[static_cast<std::size_t>(next - 1)], "CMD_pass+" + std::to_string(next));
    ASSERT_EQ(game().curplayer, other);
    say(*clients[static_cast<std::size_t>(other - 1)], "CMD_pass+" + std::to_string(other));
    const Msgs end = clients[0]->take();
    ASSERT_GE(end.size(), 2u);
    EXPECT_EQ(end[end.size() - 2], "CMD_winner+1+2+3");
    EXPECT_EQ(end.back(), "CMD_everyonepassed+");
}

}  // namespace
}  // namespace servertest

namespace servertest {
namespace {

TEST_F(ServerGame, AnEmptyRackCannotKeepEveryonePassedFromEndingTheGame) {
    startHost(7);
    for (const char* n : {"A", "B", "C"}) join(n);
    say(*clients[0], "CMD_startgame+A+90+0+0+0+n+n+");
    // C watches with tiles in hand; A's rack is empty and the bag is spent.
    say(*clients[2], "CMD_justwatch+3+1");
    ASSERT_TRUE(server->seat(3).watching);
    arrange().players[1].tiles = zindle::emptyRack();
    arrange().bag.bagpos = zindle::kMaxDrawn;
    forgetAll();
    for (int i = 0; i < 3 && game().gameon; ++i) {
        const int cur = game().curplayer;
        if (cur >= 1 && cur <= 3)
            say(*clients[static_cast<std::size_t>(cur - 1)], "CMD_pass+" + std::to_string(cur));
    }
    EXPECT_FALSE(game().gameon);
    EXPECT_TRUE(clients[1]->has("CMD_everyonepassed+"));
}

}  // namespace
}  // namespace servertest
