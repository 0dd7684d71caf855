// Choosing what to do on a turn: a move, New Tiles, or Pass, at three levels.
// The chooser sees only what the seat's window shows: the board, its own
// rack, the scores, the tiles left and who passed.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/lexicon.h"
#include "engine/movegen.h"
#include "rules/random.h"
#include "rules/seats.h"

namespace zindle::engine {

enum class Level { Easy, Normal, Hard };

// "easy", "normal", "hard" in any case.
std::optional<Level> levelFromName(std::string_view name);
const char* levelName(Level level);  // "Easy", "Normal", "Hard"

struct Situation {
    int seat = 1;
    int partner = 0;  // the partner's seat in a partners game, else 0
    PerPlayerSeat<int32_t> scores{};
    PerPlayerSeat<bool> playing{};  // in the game
    PerPlayerSeat<bool> passed{};   // passed on their last turn
    int tilesLeft = 98;             // in the bag
    bool mayExchange = true;        // New Tiles not yet used this game
    int playto = 0;
};

// How much a Hard player may think. The samples and candidates fix the
// choice for a given seed; the time is a ceiling on top, so a slow machine
// plays a little weaker rather than late. samples = 0 judges the board alone.
struct Budget {
    int candidates = 6;                       // best moves by the static judgement to look past
    int samples = 8;                          // opponents' racks drawn for each of them
    bool followUp = true;                     // and our own next turn from the leave
    std::chrono::milliseconds time{1000};     // 0: no ceiling
    const std::atomic<bool>* stop = nullptr;  // set: give up, the turn is gone
};

struct Decision {
    enum Kind { Play, Exchange, Pass } kind = Pass;
    Move move{};
};

// The move's points with each Zindle square at its expectation: +20, -20 or
// double with equal chance is worth a third more than the points themselves.
double expectedPoints(const Move& move);

// How good the tiles are that the move leaves on the rack.
double leaveValue(const Rack& rack, const Move& move, bool doubletiles);

// The tiles this seat has not seen: the full set less the board and its own
// rack, counted by letter (with double tiles, by the tile's lower letter).
std::array<int, 26> unseenTiles(const Grid& letters, const Rack& rack, bool doubletiles);

Decision decide(const Lexicon& lex, const Position& pos, const Rack& rack, const Situation& s,
                Level level, Random& random, const Budget& budget = {});

}  // namespace zindle::engine
