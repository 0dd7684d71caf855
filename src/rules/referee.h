// The game flow from the deal to the winners: whose turn it is, moves,
// exchanges, passes, the refill, the turn and game clocks, the four ends of
// a game and their reasons, the winners and the partners' shared score.
// The host drives it over the network, the arena and the tests in memory.
//
// The referee learns who sits where through Seating and says what happened
// through GameEvents, in the order the players must hear it. It never sends
// anything itself.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rules/bag.h"
#include "rules/board.h"
#include "rules/judge.h"
#include "rules/random.h"
#include "rules/seats.h"
#include "rules/zindle.h"

namespace zindle {

inline constexpr int kIdleClock = -1000;  // no turn is being timed

struct GameSettings {
    int turntime = 90;    // seconds a turn
    int squarecount = 0;  // Zindle squares: 0, 4, ... 20
    int gametime = 0;     // minutes a game; 0: no limit
    int playtoscore = 0;  // a score above it ends the game; 0: none
    bool doubletiles = false;
    bool partners = false;  // asked for; in effect only when all four seats are taken

    // Within the bounds a start may carry (see referee.cpp).
    bool acceptable() const;
};

enum class GameEnd { None, NoMoreTiles, EveryonePassed, PlayerGotScore, GameTimeUp };

enum class ExchangeRefusal { Already, NotEnough };

// One player seat's part of the game. The last move's points, word and
// Zindle effect stay from one game to the next, as a seat's record does.
struct PlayerState {
    Rack tiles = emptyRack();
    int partner = 0;  // 3, 4, 1, 2 for seats 1 to 4 once a game has started
    int32_t score = 0;
    int32_t wordscore = 0;
    int squareeffect = kNoEffect;
    bool boughttiles = false;  // exchanged this game
    bool passed = false;
    std::string lastword;

    bool hasTile() const;
};

struct RefereeState {
    GameSettings settings;
    bool gameon = false;
    bool teamgame = false;
    int curplayer = 0;  // 0: nobody on turn
    Grid colours = makeGrid(0);
    Grid letters = makeGrid(kNoTile);
    Bag bag;
    bool firstword = false;
    int rotation = 0;
    int gameseconds = 0;
    int turnclock = kIdleClock;
    bool clockOn = false;
    GameEnd ending = GameEnd::None;  // the reason of the last end announced
    std::vector<int> winners;        // of the last game that ended
    PerPlayerSeat<PlayerState> players{};
};

// Who sits where: the host knows, the referee asks.
class Seating {
public:
    virtual ~Seating() = default;
    virtual bool open(int seat) const = 0;      // a connection holds it
    virtual bool watching(int seat) const = 0;  // its player sits the game out
    virtual int highestSeat() const = 0;        // the highest seat taken so far
};

// A laid tile as the players are told it.
struct LaidTile {
    int x = 0, y = 0;
    int32_t code = kNoTile;
};

// What the players hear of an accepted move.
struct MoveScore {
    int drawn = 0;  // tiles drawn from the bag so far
    int seat = 0;
    int squareeffect = kNoEffect;
    int32_t wordscore = 0;
    int32_t score = 0;
    int partner = 0;
    int32_t partnerScore = 0;
    std::string_view lastword;
    std::span<const LaidTile> laid;
};

// What the players are told, one call an announcement (the host sends one
// message for each, two for a new board and for a scored move). To everyone
// unless it says otherwise; "players" are seats 1 to 4.
class GameEvents {
public:
    virtual ~GameEvents() = default;
    virtual void started(bool /*teamgame*/) {}
    virtual void boardArranged(const Arrangement&) {}
    virtual void tileDrawn(int /*seat*/, int /*slot*/, int32_t /*code*/) {}  // to the seat
    virtual void tilesDrawn(int /*drawn*/) {}
    virtual void turnBegins(int /*seat*/) {}                                 // to the players
    virtual void noTiles(int /*seat*/) {}                                    // to the players
    virtual void moveRefused(int /*seat*/) {}                                // to the seat
    virtual void firstWordMoved(int /*seat*/, std::span<const LaidTile>) {}  // to the seat
    virtual void moveScored(const MoveScore&) {}
    virtual void exchangeRefused(int /*seat*/, ExchangeRefusal) {}  // to the seat
    virtual void exchanged(int /*seat*/, int32_t /*score*/, int /*partner*/,
                           int32_t /*partnerScore*/) {}
    virtual void passed(int /*seat*/) {}
    virtual void timedOut(int /*seat*/) {}
    virtual void gameEnded(GameEnd) {}
    virtual void winners(std::span<const int> /*seats*/) {}  // to the players
    // The game clock runs only during a game; the owner of the timer follows.
    virtual void clockSwitched(bool /*on*/) {}
};

class Referee {
public:
    Referee(Random& random, WordLookup lookup, const Seating& seating, GameEvents& events);

    // ---- steps
    // A new game replaces a running one. False, with nothing changed, when
    // the settings are out of bounds.
    bool start(const GameSettings& settings);
    // Only the seat on turn of a running game moves, exchanges or passes.
    bool mayMove(int seat) const { return state_.gameon && seat == state_.curplayer; }
    // True when the move was laid; a refused move keeps the turn.
    bool done(int seat, std::span<const LayGroup> groups);
    // True when the rack was exchanged; either way the turn goes on.
    bool newtiles(int seat);
    void pass(int seat);
    // The clocks' second.
    void tick();
    // The seat left the game or sits it out: if it was on turn, the turn
    // passes on.
    void turnLeft(int seat);
    // Draws into the seat's empty slots (a newcomer inherits a seat's rack).
    void fillRack(int seat);

    // The host's published steps of the turn order and the end.
    void findplayer();
    bool checkforwin();  // true when it has just ended the game
    void findwinner();

    // ---- queries
    const RefereeState& state() const { return state_; }
    const PlayerState& player(int seat) const;
    // For tests and tools that set up a position by hand; the flow goes on
    // from whatever it finds.
    RefereeState& arrange() { return state_; }

private:
    bool eligible(int seat) const;
    bool everyoneElseIsDone() const;
    void gettile(int seat, int slot);
    void endturn(const PlacedSet& placed);
    void findplayerFrom(int fruitless);
    void setScore(int seat, int32_t score);
    int partnerSeat(const PlayerState& p) const;  // 0 when it has none yet
    void setClock(bool on);
    void end(GameEnd why);

    Random& random_;
    WordLookup lookup_;
    const Seating& seating_;
    GameEvents& events_;
    RefereeState state_;
};

}  // namespace zindle
