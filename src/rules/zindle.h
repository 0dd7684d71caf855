// Zindle squares: the nested layouts and the chance effect of covering one.
#pragma once

#include <cstdint>
#include <vector>

#include "rules/board.h"
#include "rules/judge.h"
#include "rules/random.h"

namespace zindle {

struct Cell {
    int x, y;
    bool operator==(const Cell&) const = default;
};

enum SquareEffect : int { kNoEffect = 0, kPlusTwenty = 1, kMinusTwenty = 2, kDouble = 3 };

// The cells of the layout for 4, 8, 12, 16 or 20 squares; empty for any other count.
std::vector<Cell> zindleCells(int count);

// Marks the layout's cells with colour 5 over the arrangement.
void getzindle(Grid& colours, int count);

// Laid tiles (code != 100) standing on a Zindle square.
int coveredZindles(const PlacedSet& placed, const Grid& colours);

// +20, -20 or double; kNoEffect (or anything else) leaves the points.
int32_t applyEffect(int squareeffect, int32_t wordscore);

struct ZindleOutcome {
    int squareeffect = kNoEffect;
    int32_t wordscore = 0;  // after the effect
    int covered = 0;
};

// For each laid tile in slot order on a Zindle square, draws random(3) + 1
// (the last draw stands), then applies the effect.
ZindleOutcome drawZindleEffect(const PlacedSet& placed, const Grid& colours, int32_t wordscore,
                               Random& random);

}  // namespace zindle
