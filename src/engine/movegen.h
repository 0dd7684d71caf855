// Every legal move for a rack: anchors and cross-sets over the lexicon, in
// both directions, with both sides of each tile when tiles are double-sided.
// Scores are the host's exactly: 10 a letter on the mover's colour, 5
// elsewhere, the cross words, and 5 x k + 20 for a first word of more than
// four tiles.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/lexicon.h"
#include "rules/bag.h"
#include "rules/board.h"
#include "rules/judge.h"

namespace zindle::engine {

// What a seat's window knows when its turn comes.
struct Position {
    const Grid& colours;
    const Grid& letters;
    int seat = 1;            // the mover, 1..4: cells of this colour score 10
    bool firstword = false;  // no word accepted yet this game: no touch needed
    bool doubletiles = false;
};

struct TileLay {
    int8_t x = 0, y = 0;
    int8_t letter = 0;  // the side that lies up
    int8_t slot = 0;    // rack slot 1..10
    bool flipped = false;
};

struct Move {
    std::array<TileLay, kRackSize> tiles{};
    int8_t count = 0;
    bool across = false;
    bool first = false;  // the first word: the host moves it to the middle
    int8_t zindles = 0;  // Zindle squares covered
    int32_t score = 0;   // the host's points for it, before any Zindle effect

    // The groups of "CMD_done" / the laid tiles the host's judge reads.
    std::vector<LayGroup> groups() const;
    PlacedSet placed() const;
};

// A tile's letters: its front, and with double tiles its back as well.
inline int tileKind(int letter, bool doubletiles) {
    return doubletiles ? std::min(letter, 25 - letter) : letter;
}

std::vector<Move> generateMoves(const Lexicon& lex, const Position& pos, const Rack& rack);

}  // namespace zindle::engine
