#include "clientstate/gamestate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clientstate/session.h"

namespace zindle {
namespace {

// A seat-2 window on turn with the rack dealt as codes[0..9] into slots 1..10.
SeatSession onTurn(const std::vector<int>& codes, int turnLength = 90) {
    SeatSession s;
    s.state().setLoginName("Ann");
    s.receive("CMD_sendlogininfo+2");
    s.receive("CMD_startgame+Bob+" + std::to_string(turnLength) + "+0+0+0+y+n+n");
    for (int slot = 1; slot <= 10; ++slot)
        s.receive("CMD_atile+" + std::to_string(slot) + "+" + std::to_string(codes[slot - 1]));
    s.receive("CMD_nextplayer+2");
    return s;
}

std::vector<int> orderCodes(const GameState& g) {
    std::vector<int> out;
    for (const auto& p : g.rackorder()) out.push_back(p.code);
    return out;
}

std::vector<int> orderSlots(const GameState& g) {
    std::vector<int> out;
    for (const auto& p : g.rackorder()) out.push_back(p.slot);
    return out;
}

TEST(GameStateRack, SortsStablyAndKeepsTheArrangementAcrossDeals) {
    SeatSession s = onTurn({4, 0, 19, 0, 7, 7, 25, 1, 12, 3});
    GameState& g = s.state();
    g.sortthem();
    EXPECT_EQ(orderCodes(g), (std::vector<int>{0, 0, 1, 3, 4, 7, 7, 12, 19, 25}));
    EXPECT_EQ(orderSlots(g), (std::vector<int>{2, 4, 8, 10, 1, 5, 6, 9, 3, 7}));

    // Swapping by two clicks exchanges positions; a new deal into slot 2 keeps them.
    EXPECT_EQ(g.rackClick(2, false), RackClick::Picked);
    EXPECT_EQ(g.rackClick(7, false), RackClick::Swapped);
    EXPECT_EQ(g.positionOf(2), 9);
    EXPECT_EQ(g.positionOf(7), 0);
    s.receive("CMD_atile+2+11");
    EXPECT_EQ(g.positionOf(2), 9);
    EXPECT_EQ(g.rackorder()[9].code, 11);
    EXPECT_EQ(g.rack()[2].hint(), "n+11");
    // Picking a tile and clicking it again only cancels.
    EXPECT_EQ(g.rackClick(3, false), RackClick::Picked);
    EXPECT_EQ(g.rackClick(3, false), RackClick::Cancelled);
    EXPECT_EQ(g.pickedSlot(), 0);
}

TEST(GameStateRack, FlipsOnlyWithDoubleTilesAndNeverAnUndealtSlot) {
    SeatSession s = onTurn({4, 25, 0, 1, 2, 3, 5, 6, 7, 8});
    GameState& g = s.state();
    EXPECT_EQ(g.rackClick(1, true), RackClick::Flipped);
    EXPECT_EQ(g.rack()[1].hint(), "y+21");
    EXPECT_EQ(g.rackClick(1, true), RackClick::Flipped);
    EXPECT_EQ(g.rack()[1].hint(), "n+4");
    g.rackClick(2, true);
    EXPECT_EQ(g.rack()[2].hint(), "y+0");
    g.rackClick(2, true);
    EXPECT_EQ(g.rack()[2].hint(), "n+25");
    EXPECT_EQ(g.rackorder()[1].code, 25);  // the order keeps the front code

    SeatSession session;
    session.receive("CMD_atile+1+4");
    GameState& single = session.state();
    EXPECT_EQ(single.rackClick(1, true), RackClick::Cancelled);
    EXPECT_EQ(single.rack()[1].hint(), "n+4");
    EXPECT_EQ(single.rackClick(2, false), RackClick::None);  // nothing dealt there yet
    EXPECT_EQ(single.rack()[2].hint(), "n");
}

TEST(GameStateBoard, LaysTakesBackAndSendsDoneInSlotOrder) {
    SeatSession s = onTurn({2, 0, 19, 0, 7, 7, 11, 1, 12, 3});
    GameState& g = s.state();
    s.receive("CMD_showboard+5+5+4");
    auto lay = [&](int slot, int x, int y) {
        g.rackClick(slot, false);
        return g.boardClick(x, y, true);
    };
    EXPECT_EQ(lay(7, 6, 5), GameState::BoardClick::Laid);
    g.rackClick(2, true);  // flip slot 2 (a -> z) before laying it
    EXPECT_EQ(lay(2, 7, 5), GameState::BoardClick::Laid);
    EXPECT_EQ(lay(5, 8, 5), GameState::BoardClick::Laid);
    EXPECT_EQ(g.letters()[7][5], 25);
    EXPECT_FALSE(g.rack()[7].visible);

    // Occupied cells and a cell off the board lay nothing; the tile stays on the rack.
    EXPECT_EQ(lay(1, 5, 5), GameState::BoardClick::Cancelled);
    EXPECT_EQ(lay(1, 6, 5), GameState::BoardClick::None);  // a laid tile: left click does nothing
    EXPECT_EQ(lay(1, 19, 3), GameState::BoardClick::None);
    EXPECT_TRUE(g.rack()[1].visible);
    EXPECT_EQ(g.pickedSlot(), 0);

    EXPECT_EQ(*g.doneMessage(), "CMD_done+2+2+y+7+5+5+n+8+5+7+n+6+5\xFF");

    // Right click takes one back; Clear returns the rest.
    EXPECT_EQ(g.boardClick(8, 5, false), GameState::BoardClick::TakenBack);
    EXPECT_TRUE(g.rack()[5].visible);
    EXPECT_EQ(g.letters()[8][5], kNoTile);
    EXPECT_EQ(g.clearLaid(), (std::vector<int>{2, 7}));
    EXPECT_FALSE(g.doneMessage());
    EXPECT_EQ(g.letters()[5][5], 4);

    // Not this window's turn, or one second left: nothing is laid.
    s.receive("CMD_nextplayer+3");
    EXPECT_EQ(lay(1, 1, 1), GameState::BoardClick::None);
    s.receive("CMD_nextplayer+2");
    while (g.turnSecondsLeft() > 1) g.clockTick();
    EXPECT_EQ(lay(1, 1, 1), GameState::BoardClick::None);
}

TEST(GameStateBoard, FirstWordIsMovedToTheMiddleThenFramed) {
    SeatSession s = onTurn({2, 0, 19, 0, 7, 7, 11, 1, 12, 3});
    GameState& g = s.state();
    for (int slot : {1, 2, 3}) {
        g.rackClick(slot, false);
        g.boardClick(2 + slot, 3, true);
    }
    s.receive("CMD_reposition+8+9+2+9+9+0+10+9+19");
    s.receive("CMD_newword+8+9+2+9+9+0+10+9+19");
    for (int x = 3; x <= 5; ++x) EXPECT_EQ(g.letters()[x][3], kNoTile);
    EXPECT_EQ(g.letters()[9][9], 0);
    EXPECT_EQ(g.newest()[10][9], 1);
    EXPECT_EQ(g.newest()[5][3], 0);
    for (int slot = 1; slot <= 10; ++slot) EXPECT_EQ(g.laid()[slot], kNoCell);
    EXPECT_FALSE(g.rack()[1].visible);  // hidden until the host deals into the slot
}

TEST(GameStateClock, TurnAndGameClocks) {
    SeatSession s = onTurn({0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    GameState& g = s.state();
    std::vector<int> ticks;
    ClockTick t = g.clockTick();
    EXPECT_EQ(clockText(t.turnSeconds), "1:28");
    for (int i = 0; i < 100; ++i) {
        t = g.clockTick();
        if (t.tick) ticks.push_back(g.turnSecondsLeft());
    }
    EXPECT_EQ(ticks, (std::vector<int>{20, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(clockText(t.turnSeconds), "0:00");
    EXPECT_EQ(clockText(t.gameSeconds), "1:41");
    EXPECT_EQ(clockText(187), "3:07");
}

TEST(GameStateHostile, MalformedOrOutOfRangeMessagesChangeNothing) {
    SeatSession s = onTurn({4, 0, 19, 0, 7, 7, 25, 1, 12, 3});
    GameState& g = s.state();
    const GameState before = g;
    const std::vector<std::string> bad = {
        "CMD_atile+11+3",
        "CMD_atile+0+3",
        "CMD_atile+3+26",
        "CMD_atile+3+-1",
        "CMD_atile+x+1",
        "CMD_showboard+19+0+3",
        "CMD_showboard+-1+0+3",
        "CMD_showboard+0+0+100",
        "CMD_placeletter+3+3",
        "CMD_arrangeboard+1+2+3+99",
        "CMD_arrangeboard+0+2+3+4",
        "CMD_newword+1+2",
        "CMD_newword+1+2+3+40+2+3",
        "CMD_reposition+1+2+30",
        "CMD_postscore+1+7+0+5+5+1+5+w+",
        "CMD_postscore+1+2+0+5+x+",
        "CMD_newtiles+5+10+1+0",
        "CMD_justwatching+0+1",
        "CMD_justwatching+12+1",
        "CMD_tilecount+lots",
        "CMD_sendlogininfo+0",
        "CMD_sendlogininfo+99999999999",
        "CMD_newplayerinfo+10+Eve",
        "CMD_playerdisconnected+-3+Eve",
        "CMD_winner+9+0",
        "CMD_sendlogininfo",
        std::string(70000, '+'),
        "CMD_atile+" + std::string(5000, '9') + "+1",
    };
    for (const auto& m : bad) s.receive(m);
    EXPECT_EQ(g.letters(), before.letters());
    EXPECT_EQ(g.colours(), before.colours());
    EXPECT_EQ(g.scores(), before.scores());
    EXPECT_EQ(g.names(), before.names());
    EXPECT_EQ(g.mySeat(), 2);
    EXPECT_EQ(orderCodes(g), orderCodes(before));
    for (int slot = 1; slot <= 10; ++slot)
        EXPECT_EQ(g.rack()[slot].hint(), before.rack()[slot].hint());

    // Numbers at the ends of the range keep the clocks defined.
    s.receive("CMD_gamesettings+-2147483648+12+0+2147483647+0+n+n");
    s.receive("CMD_nextplayer+2");
    EXPECT_EQ(clockText(g.clockTick().gameSeconds), "35791394:07");
    EXPECT_EQ(g.turnSecondsLeft(), -2147483647 - 1);
}

}  // namespace
}  // namespace zindle
