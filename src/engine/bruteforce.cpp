#include "engine/bruteforce.h"

#include <algorithm>
#include <array>

namespace zindle::engine {

MoveKey keyOf(const PlacedSet& placed) {
    MoveKey key;
    for (int s = 1; s <= kRackSize; ++s)
        if (placed[s].code != kNoTile) key.emplace_back(placed[s].x, placed[s].y, placed[s].code);
    std::sort(key.begin(), key.end());
    return key;
}

namespace {

struct Search {
    const Position& pos;
    const Rack& rack;
    const WordLookup& lookup;
    std::map<MoveKey, int>& found;
    std::vector<std::pair<int, int>> cells;
    std::array<bool, kRackSize + 1> used{};
    PlacedSet placed{};

    void lay(std::size_t depth) {
        if (depth == cells.size()) {
            const JudgeState st{pos.colours, pos.letters, pos.seat, pos.firstword};
            const Verdict v = checkword(st, placed, lookup);
            if (!v.valid) return;
            auto [it, fresh] = found.emplace(keyOf(v.placed), v.wordscore);
            if (!fresh) it->second = std::max(it->second, static_cast<int>(v.wordscore));
            return;
        }
        std::array<bool, kLetterCount> tried{};
        for (int s = 1; s <= kRackSize; ++s) {
            if (used[s] || !isLetterCode(rack[s])) continue;
            for (int side = 0; side < (pos.doubletiles ? 2 : 1); ++side) {
                const int letter = side ? flippedletter(rack[s]) : rack[s];
                // Two tiles that show the same letter leave the same choices behind.
                if (tried[letter]) continue;
                tried[letter] = true;
                used[s] = true;
                placed[s] = Placed{cells[depth].first, cells[depth].second, letter, false};
                lay(depth + 1);
                placed[s] = Placed{};
                used[s] = false;
            }
        }
    }
};

}  // namespace

std::map<MoveKey, int> bruteForceMoves(const Position& pos, const Rack& rack,
                                       const WordLookup& lookup, int maxTiles) {
    std::map<MoveKey, int> found;
    Search search{pos, rack, lookup, found, {}};
    for (bool across : {true, false})
        for (int line = 0; line < kBoardSize; ++line)
            for (int start = 0; start < kBoardSize; ++start) {
                const auto at = [&](int i) {
                    return across ? std::pair{i, line} : std::pair{line, i};
                };
                if (pos.letters[at(start).first][at(start).second] != kNoTile) continue;
                // Tiles with a free cell between them can never be one word, so
                // k tiles from here take the next k free cells of the line.
                for (int k = 1; k <= maxTiles; ++k) {
                    search.cells.clear();
                    for (int i = start; i < kBoardSize && static_cast<int>(search.cells.size()) < k;
                         ++i) {
                        const auto [x, y] = at(i);
                        if (pos.letters[x][y] == kNoTile) search.cells.emplace_back(x, y);
                    }
                    if (static_cast<int>(search.cells.size()) < k) break;
                    search.lay(0);
                }
            }
    return found;
}

}  // namespace zindle::engine
