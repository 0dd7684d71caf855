#include "rules/judge.h"

#include <set>
#include <utility>

#include "rules/mydict.h"

namespace zindle {

namespace {

bool isUnused(const Placed& p) {
    return p.x == kNoTile && p.y == kNoTile && p.code == kNoTile;
}

// One judgement of one move: the state of the checks between the readings.
class Judgement {
public:
    Judgement(const JudgeState& state, const PlacedSet& placed, const WordLookup& lookup)
        : s_(state), lookup_(lookup), placed_(placed), firstword_(state.firstword) {}

    bool checkfordown() { return checkforline(false); }
    bool checkforacross() {
        for (Placed& p : placed_) p.used = false;
        touch_ = false;
        return checkforline(true);
    }

    Verdict verdict(bool valid, bool across) {
        Verdict v;
        v.valid = valid;
        v.wordscore = wordscore_;
        v.lastword = lastword_;
        v.word = valid ? mainword_ : std::string();
        v.across = across;
        v.firstWord = valid && firstApplied_;
        v.touch = touch_;
        v.placed = placed_;
        return v;
    }

private:
    // Coordinate along the line and the fixed one, for either reading.
    static int32_t along(const Placed& p, bool across) { return across ? p.x : p.y; }
    static int32_t fixed(const Placed& p, bool across) { return across ? p.y : p.x; }
    int32_t letterAt(bool across, int line, int pos) const {
        return across ? s_.letters[pos][line] : s_.letters[line][pos];
    }
    void count(bool across, int line, int pos) {
        wordscore_ += across ? letterPoints(s_.colours, pos, line, s_.curplayer)
                             : letterPoints(s_.colours, line, pos, s_.curplayer);
    }

    bool checkforline(bool across) {
        wordscore_ = 0;
        int line = kNoTile;
        for (int slot = 1; slot <= kRackSize; ++slot) {
            const int32_t f = fixed(placed_[slot], across);
            if (f == kNoTile) continue;
            if (line == kNoTile)
                line = f;
            else if (f != line)
                return false;
        }
        if (line == kNoTile) return false;
        return checkmainword(across, line);
    }

    // checkmainwordacross / checkmainworddown.
    bool checkmainword(bool across, int line) {
        int32_t pos0 = kNoTile;
        for (int slot = 1; slot <= kRackSize; ++slot) {
            const int32_t a = along(placed_[slot], across);
            if (fixed(placed_[slot], across) != kNoTile && (pos0 == kNoTile || a < pos0)) pos0 = a;
        }
        if (pos0 == kNoTile) return false;

        std::string word;
        int start = pos0;
        while (start - 1 >= 0 && letterAt(across, line, start - 1) != kNoTile) --start;
        for (int pos = start; pos < pos0; ++pos) {
            word += converttoletter(letterAt(across, line, pos));
            touch_ = true;
            count(across, line, pos);
        }
        for (int pos = pos0;; ++pos) {
            Placed* laid = nullptr;
            for (int slot = 1; slot <= kRackSize && !laid; ++slot) {
                Placed& p = placed_[slot];
                if (fixed(p, across) != kNoTile && along(p, across) == pos) laid = &p;
            }
            if (laid) {
                word += converttoletter(laid->code);
                laid->used = true;
                count(across, line, pos);
            } else if (pos < kBoardSize && letterAt(across, line, pos) != kNoTile) {
                word += converttoletter(letterAt(across, line, pos));
                touch_ = true;
                count(across, line, pos);
            } else {
                break;
            }
        }

        for (int slot = 1; slot <= kRackSize; ++slot)
            if (placed_[slot].code != kNoTile && !placed_[slot].used) return false;

        if (!lookup_(word)) return false;
        lastword_ = word;
        mainword_ = word;

        bool ok = true;
        for (int slot = 1; slot <= kRackSize; ++slot) {
            if (fixed(placed_[slot], across) == kNoTile) continue;
            if (!checkother(!across, slot)) ok = false;  // all are run
        }
        if (ok && !firstword_ && !touch_) return false;
        if (ok && firstword_) ok = firstwordrule(across, pos0);
        return ok;
    }

    // checkotheracross / checkotherdown: the cross word through one laid tile.
    bool checkother(bool across, int slot) {
        const Placed& p = placed_[slot];
        const int line = fixed(p, across);
        const int pos = along(p, across);
        int start = pos;
        while (start - 1 >= 0 && letterAt(across, line, start - 1) != kNoTile) --start;
        std::string word;
        for (int q = start; q < pos; ++q) {
            word += converttoletter(letterAt(across, line, q));
            touch_ = true;
            count(across, line, q);
        }
        word += converttoletter(p.code);
        for (int q = pos + 1; q < kBoardSize && letterAt(across, line, q) != kNoTile; ++q) {
            word += converttoletter(letterAt(across, line, q));
            touch_ = true;
            count(across, line, q);
        }
        if (word.size() == 1) return true;
        if (!lookup_(word)) return false;
        count(across, line, pos);
        return true;
    }

    bool firstwordrule(bool across, int pos0) {
        const int k = laidCount(placed_);
        if (k > 4) wordscore_ = 5 * k + 20;
        const int shift = kCentre - k / 2 - pos0;
        PlacedSet moved = placed_;
        for (int slot = 1; slot <= kRackSize; ++slot) {
            Placed& p = moved[slot];
            if (p.code == kNoTile) continue;
            if (across) {
                p.x += shift;
                p.y = kCentre;
            } else {
                p.x = kCentre;
                p.y += shift;
            }
            // Only a board that already holds letters can push a tile off the
            // board or onto a letter; such a move cannot be committed.
            if (!onBoard(p.x, p.y) || s_.letters[p.x][p.y] != kNoTile) return false;
        }
        placed_ = moved;
        firstword_ = false;
        firstApplied_ = true;
        return true;
    }

    const JudgeState& s_;
    const WordLookup& lookup_;
    PlacedSet placed_;
    bool firstword_;
    bool touch_ = false;
    bool firstApplied_ = false;
    int32_t wordscore_ = 0;
    std::optional<std::string> lastword_;
    std::string mainword_;
};

// Every entry is either unused or a letter on an empty cell of the board, one
// tile a cell: the checks may then index the grids freely.
bool wellFormed(const PlacedSet& placed, const Grid& letters) {
    std::set<std::pair<int, int>> cells;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Placed& p = placed[slot];
        if (isUnused(p)) continue;
        if (!isLetterCode(p.code) || !onBoard(p.x, p.y)) return false;
        if (letters[p.x][p.y] != kNoTile) return false;
        if (!cells.emplace(p.x, p.y).second) return false;
    }
    return isUnused(placed[0]);
}

}  // namespace

int32_t letterPoints(const Grid& colours, int x, int y, int curplayer) {
    return colours[x][y] == curplayer ? 10 : 5;
}

int laidCount(const PlacedSet& placed) {
    int k = 0;
    for (int slot = 1; slot <= kRackSize; ++slot)
        if (placed[slot].code != kNoTile) ++k;
    return k;
}

std::optional<PlacedSet> fillplaced(const Rack& tiles, std::span<const LayGroup> groups,
                                    const Grid& letters) {
    PlacedSet placed{};
    for (const LayGroup& g : groups) {
        if (g.slot < 1 || g.slot > kRackSize) return std::nullopt;
        if (!onBoard(g.x, g.y) || letters[g.x][g.y] != kNoTile) return std::nullopt;
        const int32_t code = tiles[g.slot];
        if (!isLetterCode(code)) return std::nullopt;
        placed[g.slot] = Placed{g.x, g.y, g.flipped ? flippedletter(code) : code, false};
    }
    if (!wellFormed(placed, letters)) return std::nullopt;
    return placed;
}

Verdict checkword(const JudgeState& state, const PlacedSet& placed, const WordLookup& lookup) {
    Judgement j(state, placed, lookup);
    if (!wellFormed(placed, state.letters)) return j.verdict(false, false);
    if (j.checkfordown()) return j.verdict(true, false);
    if (j.checkforacross()) return j.verdict(true, true);
    return j.verdict(false, true);
}

Verdict checkword(const JudgeState& state, const PlacedSet& placed, const TDictn& dict) {
    return checkword(state, placed, [&dict](std::string_view w) { return dict.lookup(w); });
}

}  // namespace zindle
