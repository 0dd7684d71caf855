#include "rules/zindle.h"

#include <array>

namespace zindle {

namespace {
// Each row adds four squares to the layout of the row before it.
constexpr std::array<std::array<Cell, 4>, 5> kLayers{{
    {{{6, 6}, {12, 6}, {6, 12}, {12, 12}}},
    {{{4, 4}, {14, 4}, {4, 14}, {14, 14}}},
    {{{2, 2}, {16, 2}, {2, 16}, {16, 16}}},
    {{{0, 0}, {18, 0}, {0, 18}, {18, 18}}},
    {{{9, 3}, {3, 9}, {15, 9}, {9, 15}}},
}};
}  // namespace

std::vector<Cell> zindleCells(int count) {
    std::vector<Cell> cells;
    if (count <= 0 || count > 20 || count % 4 != 0) return cells;
    for (int layer = 0; layer < count / 4; ++layer)
        cells.insert(cells.end(), kLayers[layer].begin(), kLayers[layer].end());
    return cells;
}

void getzindle(Grid& colours, int count) {
    for (const Cell& cell : zindleCells(count)) colours[cell.x][cell.y] = kZindleColour;
}

int coveredZindles(const PlacedSet& placed, const Grid& colours) {
    int covered = 0;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Placed& p = placed[slot];
        if (p.code == kNoTile || !onBoard(p.x, p.y)) continue;
        if (colours[p.x][p.y] == kZindleColour) ++covered;
    }
    return covered;
}

int32_t applyEffect(int squareeffect, int32_t wordscore) {
    switch (squareeffect) {
        case kPlusTwenty:
            return wordscore + 20;
        case kMinusTwenty:
            return wordscore - 20;
        case kDouble:
            return wordscore * 2;
        default:
            return wordscore;
    }
}

ZindleOutcome drawZindleEffect(const PlacedSet& placed, const Grid& colours, int32_t wordscore,
                               Random& random) {
    ZindleOutcome out;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Placed& p = placed[slot];
        if (p.code == kNoTile || !onBoard(p.x, p.y)) continue;
        if (colours[p.x][p.y] == kZindleColour) {
            out.squareeffect = random.random(3) + 1;
            ++out.covered;
        }
    }
    out.wordscore = applyEffect(out.squareeffect, wordscore);
    return out;
}

}  // namespace zindle
