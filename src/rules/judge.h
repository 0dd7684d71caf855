// Judging a move: the vertical reading first, then the horizontal one; the
// main word, contiguity, cross words, the touch rule, colour points and the
// first-word rule. Nothing is sent from here: the host acts on the verdict.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "rules/bag.h"
#include "rules/board.h"

namespace zindle {

class TDictn;

// One laid tile; entry i of a PlacedSet is the tile from rack slot i.
struct Placed {
    int32_t x = kNoTile;
    int32_t y = kNoTile;
    int32_t code = kNoTile;
    bool used = false;
    bool operator==(const Placed&) const = default;
};

using PlacedSet = std::array<Placed, kRackSize + 1>;  // [1..10]; [0] unused

// One group of "CMD_done": rack slot, side up, cell.
struct LayGroup {
    int slot = 0;
    bool flipped = false;
    int x = 0;
    int y = 0;
};

// Builds the laid tiles from the seat's own rack. A slot named twice keeps its
// last group. Refused (nullopt) when a slot is not 1..10, a cell is off the
// board or already holds a letter, a slot holds no tile, or two tiles end up on
// one cell.
std::optional<PlacedSet> fillplaced(const Rack& tiles, std::span<const LayGroup> groups,
                                    const Grid& letters);

int laidCount(const PlacedSet& placed);

using WordLookup = std::function<bool(std::string_view)>;

// The game state a judgement reads.
struct JudgeState {
    const Grid& colours;
    const Grid& letters;
    int curplayer;   // seat on turn, 1..4; cell colours are compared with it
    bool firstword;  // no move accepted yet this game
};

struct Verdict {
    bool valid = false;
    int32_t wordscore = 0;  // points of the accepted reading (left over on failure)
    // Main word of the last reading whose main word passed the list test; the
    // host stores it as the seat's lastword even when the move then fails.
    std::optional<std::string> lastword;
    std::string word;        // main word of the accepted reading
    bool across = false;     // the accepted reading was horizontal
    bool firstWord = false;  // first-word rule applied: clear firstword, send "CMD_reposition"
    bool touch = false;
    PlacedSet placed{};  // laid tiles, moved to the middle for a first word
};

Verdict checkword(const JudgeState& state, const PlacedSet& placed, const WordLookup& lookup);
Verdict checkword(const JudgeState& state, const PlacedSet& placed, const TDictn& dict);

// Points of one letter on (x, y): 10 on the mover's colour, 5 elsewhere.
int32_t letterPoints(const Grid& colours, int x, int y, int curplayer);

}  // namespace zindle
