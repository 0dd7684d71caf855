// What one seat knows of a game, in plain C++: the board copy, the rack, the
// scoreboard, the clocks and the settings. Its session (clientstate/session.h)
// feeds it the host's messages, for the game window and the computer
// players alike.
//
// Each message method takes the field text (after "CMD_name+") and returns
// what changed, or nothing when the message was malformed or out of range: a
// seat outside the seats, a cell off the board, a tile code outside a..z, a
// slot outside 1..10 or a number that does not parse. Nothing is ever read or
// written outside an array, whatever a host sends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/bag.h"
#include "rules/board.h"
#include "rules/seats.h"
#include "rules/zindle.h"

namespace zindle {

inline constexpr std::string_view kWaiting = "<Waiting>";
inline constexpr Cell kNoCell{kNoTile, kNoTile};

inline constexpr bool isSlot(int slot) {
    return slot >= 1 && slot <= kRackSize;
}

// One rack slot as the window shows it.
struct RackTile {
    int32_t code = kNoTile;  // front code last dealt into the slot
    bool back = false;       // flipped: the second side is up
    bool visible = false;    // on the rack (not dealt yet, or laid on the board: hidden)
    int32_t shown() const { return back ? flippedletter(code) : code; }
    // "n" before the first deal, else "n+4" / "y+21": side, "+", shown code.
    std::string hint() const;
};

// One rack position, left to right.
struct RackPos {
    int32_t code = kNoTile;  // front code dealt into the slot
    int slot = 0;
};

struct Placement {
    int x = 0;
    int y = 0;
    int32_t code = 0;
};

struct LoginAnswer {
    int seat = 0;
    std::string reply;  // "CMD_logininfo" message, terminator included
};

struct PlayerNews {
    int seat = 0;
    std::string name;
    bool own = false;
    std::string previous;  // the seat's label before (disconnects)
};

struct ScoreNews {
    int seat = 0;
    int effect = 0;
    int32_t points = 0;
    int32_t score = 0;
    int seat2 = 0;
    int32_t score2 = 0;
    std::string word;
};

struct StartNews {
    std::string starter;
    bool ownStart = false;
};

struct TileNews {
    int seat = 0;
    int32_t score = 0;
    int partner = 0;
    int32_t partnerScore = 0;
    bool own = false;
};

struct ClockTick {
    int gameSeconds = 0;  // since the game began
    int turnSeconds = 0;  // left of the turn, 0 when none
    bool tick = false;    // the tick sound is due
};

enum class RackClick { None, Picked, Swapped, Cancelled, Flipped };

class GameState {
public:
    GameState();

    // ---- the seat
    int mySeat() const { return mySeat_; }
    bool loggedIn() const { return loggedIn_; }
    bool isHost() const { return isHost_; }
    int turnSeat() const { return turnSeat_; }
    const std::string& playerName() const { return playerName_; }  // wire bytes, at most 20
    const std::string& loginName() const { return loginName_; }    // sent with the login
    void setPlayerName(std::string name) { playerName_ = std::move(name); }
    void setLoginName(std::string name) { loginName_ = std::move(name); }
    void setHost(bool host) { isHost_ = host; }

    // ---- scoreboard, [1..4]
    const PerPlayerSeat<std::string>& names() const { return names_; }  // kWaiting when empty
    const PerPlayerSeat<int32_t>& scores() const { return scores_; }
    const PerPlayerSeat<std::string>& bonus() const { return bonus_; }  // "+15", "-10" or empty
    const PerPlayerSeat<bool>& watching() const { return watching_; }   // the eyes marks

    // ---- settings and clocks
    int turnLength() const { return turnLength_; }
    int zindleCount() const { return zindleCount_; }
    int gameLength() const { return gameLength_; }    // minutes, 0 no limit
    int playToScore() const { return playToScore_; }  // 0 until out of tiles
    bool doubleTiles() const { return doubleTiles_; }
    bool partners() const { return partners_; }
    int gameSeconds() const { return gameSeconds_; }
    int turnSecondsLeft() const { return turnSecondsLeft_; }
    bool clockRunning() const { return clockRunning_; }
    bool boughtTiles() const { return boughtTiles_; }  // own exchange used this game
    const std::string& reason() const { return reason_; }
    void setReason(std::string why) { reason_ = std::move(why); }
    bool gameOver() const { return gameOver_; }

    // ---- board, indexed [x][y]
    const Grid& colours() const { return colours_; }
    const Grid& letters() const { return letters_; }
    const Grid& newest() const { return newest_; }
    const Grid& cellslot() const { return cellslot_; }
    const std::array<Cell, kRackSize + 1>& laid() const { return laid_; }  // [1..10]

    // ---- rack
    const std::array<RackTile, kRackSize + 1>& rack() const { return rack_; }  // [1..10]
    const std::array<RackPos, kRackSize>& rackorder() const { return rackorder_; }
    int pickedSlot() const { return pickedSlot_; }  // 0: nothing picked
    void pick(int slot) { pickedSlot_ = isSlot(slot) ? slot : 0; }

    // ---- derived
    bool ownTurn() const { return mySeat_ != 0 && turnSeat_ == mySeat_; }
    int tilesLeft() const { return tilesDrawn_ == -2 ? 100 : kMaxDrawn - tilesDrawn_; }
    bool boardEmpty() const;
    int positionOf(int slot) const;         // 0..9, -1 when no entry holds the slot
    std::string seatLabel(int seat) const;  // name label text; "" outside 1..4

    // ---- host messages
    std::optional<LoginAnswer> sendlogininfo(std::string_view fields);
    std::optional<PlayerNews> newplayerinfo(std::string_view fields);
    std::optional<PlayerNews> playerdisconnected(std::string_view fields);
    bool gamesettings(std::string_view fields);
    std::optional<int> tilecount(std::string_view fields);
    std::optional<int> notiles(std::string_view fields);
    std::optional<StartNews> startthegame(std::string_view fields);
    std::optional<int> getnextplayer(std::string_view fields);
    std::optional<ScoreNews> postscore(std::string_view fields);
    std::optional<int> passed(std::string_view fields);  // also timeup
    std::vector<int> winner(std::string_view fields);    // the winning seats 1..4
    bool arrangeboard(std::string_view fields);
    std::optional<int> atile(std::string_view fields);            // the slot
    std::optional<Placement> showboard(std::string_view fields);  // also placeletter
    std::optional<std::vector<Placement>> reposition(std::string_view fields);
    std::optional<std::vector<Placement>> newword(std::string_view fields);
    std::optional<TileNews> newtiles(std::string_view fields);
    std::optional<std::pair<int, bool>> justwatching(std::string_view fields);

    // ---- board and rack steps
    void clearall();                      // scores, bonus, eyes, board and laid tiles
    std::vector<int> clearLaid();         // Clear: the slots that went back to the rack
    void getboard(const Arrangement& a);  // colours, then the Zindle squares
    bool canLay() const { return ownTurn() && turnSecondsLeft_ > 1; }
    // boardMouseDown on cell (x, y): lays the picked tile, or (right) takes a laid one back.
    enum class BoardClick { None, Laid, TakenBack, Cancelled };
    BoardClick boardClick(int x, int y, bool leftButton);
    RackClick rackClick(int slot, bool rightButton);
    void cancelPick() { pickedSlot_ = 0; }
    void swapSlots(int a, int b);
    bool flippit(int slot);
    void sortthem();
    // "CMD_done" with the laid tiles in slot order; nothing when none is laid
    // or the window is not logged in.
    std::optional<std::string> doneMessage() const;
    // clockTimer: one second of the clocks.
    ClockTick clockTick();

private:
    void takeBack(int slot);

    int mySeat_ = 0;
    bool loggedIn_ = false;
    bool isHost_ = false;
    int turnSeat_ = 0;
    std::string playerName_;
    std::string loginName_;

    PerPlayerSeat<std::string> names_;
    PerPlayerSeat<int32_t> scores_{};
    PerPlayerSeat<std::string> bonus_;
    PerPlayerSeat<bool> watching_{};

    int turnLength_ = 0;
    int zindleCount_ = 0;
    int gameLength_ = 0;
    int playToScore_ = 0;
    bool doubleTiles_ = false;
    bool partners_ = false;
    int gameSeconds_ = 0;
    int turnSecondsLeft_ = 0;
    bool clockRunning_ = false;
    int tilesDrawn_ = -2;  // before any count: 100 tiles left
    bool boughtTiles_ = false;
    std::string reason_ = "Game Over!";
    bool gameOver_ = false;

    Grid colours_;
    Grid letters_;
    Grid newest_;
    Grid cellslot_;
    std::array<Cell, kRackSize + 1> laid_{};

    std::array<RackTile, kRackSize + 1> rack_{};
    std::array<RackPos, kRackSize> rackorder_{};
    int pickedSlot_ = 0;
};

// The game-over reason a reason message sets ("CMD_gametimeup" ...); nothing for others.
std::optional<std::string> reasonFor(std::string_view command);

// "m:ss" for a count of seconds (negative counts read 0:00).
std::string clockText(int seconds);

}  // namespace zindle
