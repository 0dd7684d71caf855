// The tile bag of a game and the draw into a rack slot.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "rules/board.h"
#include "rules/random.h"

namespace zindle {

inline constexpr int kBagSize = 99;   // positions 1..99
inline constexpr int kMaxDrawn = 98;  // position 99 is filled but never drawn
inline constexpr int kRackSize = 10;  // slots 1..10

// Tiles of each letter a..z in a full bag (99 in all).
inline constexpr std::array<int, kLetterCount> kTileCounts{10, 2, 2, 4, 13, 3, 3, 2, 6, 1, 1, 4, 2,
                                                           6,  9, 2, 1, 6,  4, 6, 4, 2, 2, 1, 2, 1};

// A seat's rack: slots 1..10, each a tile code or kNoTile; [0] is unused.
using Rack = std::array<int32_t, kRackSize + 1>;
Rack emptyRack();

struct Bag {
    std::array<int32_t, kBagSize + 1> bag{};  // [0] unused
    int bagpos = 0;                           // tiles drawn so far, 0..98

    // Empties the bag, then puts the tiles in alphabetical order each on a
    // random empty position (random(99) + 1 until one is free). bagpos is left
    // as it is; a game start sets it to 0 itself.
    void createtileorder(Random& random);

    // The next tile, or nothing once 98 have been drawn (bagpos stays 98).
    // A position holding no letter code yields 0 and is set to 0.
    std::optional<int32_t> gettile();

    // Draws into rack[slot] when a tile is left; the slot keeps its code otherwise.
    std::optional<int32_t> gettile(Rack& rack, int slot);

    int tilesLeft() const { return kMaxDrawn - bagpos; }
};

}  // namespace zindle
