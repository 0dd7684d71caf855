#include "coach/coach.h"

#include <algorithm>

#include "engine/seat.h"

namespace zindle::coach {

HintQuestion HintQuestion::of(const GameState& state) {
    HintQuestion q{state.colours(), state.letters(), engine::visibleRack(state), state.mySeat(),
                   state.doubleTiles()};
    for (int x = 0; x < kBoardSize; ++x)
        for (int y = 0; y < kBoardSize; ++y) {
            const int slot = state.cellslot()[x][y];
            if (!isSlot(slot)) continue;
            q.letters[x][y] = kNoTile;
            if (isLetterCode(state.rack()[slot].code)) q.rack[slot] = state.rack()[slot].code;
        }
    return q;
}

Suggestion Coach::hint(const GameState& state) {
    return hint(HintQuestion::of(state));
}

Suggestion Coach::hint(const HintQuestion& q) {
    return hint(q.colours, q.letters, q.rack, q.seat, q.doubletiles);
}

Suggestion Coach::hint(const Grid& colours, const Grid& letters, const Rack& rack, int seat,
                       bool doubletiles) {
    Suggestion s;
    if (!isPlayer(seat)) return s;
    bool empty = true;
    for (const auto& column : letters)
        for (int32_t code : column) empty = empty && !isLetterCode(code);
    const engine::Position pos{colours, letters, seat, empty, doubletiles};
    const std::vector<engine::Move> moves =
        engine::generateMoves(engine::sharedLexicon(), pos, rack);
    // Points first; then more tiles, then the Zindle squares left alone.
    const auto better = [](const engine::Move& a, const engine::Move& b) {
        if (a.score != b.score) return a.score > b.score;
        if (a.count != b.count) return a.count > b.count;
        return a.zindles < b.zindles;
    };
    const auto best = std::min_element(moves.begin(), moves.end(), better);
    if (best == moves.end()) return s;
    s.found = true;
    s.move = *best;
    s.points = best->score;
    std::vector<Placement> laid;
    for (int i = 0; i < best->count; ++i)
        laid.push_back({best->tiles[i].x, best->tiles[i].y, best->tiles[i].letter});
    s.word = mainWord(letters, laid);
    return s;
}

std::string mainWord(const Grid& letters, const std::vector<Placement>& laid) {
    if (laid.empty()) return {};
    Grid after = letters;
    for (const Placement& p : laid)
        if (onBoard(p.x, p.y)) after[p.x][p.y] = p.code;
    const auto run = [&](int dx, int dy) {
        int x = laid[0].x, y = laid[0].y;
        while (onBoard(x - dx, y - dy) && isLetterCode(after[x - dx][y - dy])) x -= dx, y -= dy;
        std::string word;
        for (; onBoard(x, y) && isLetterCode(after[x][y]); x += dx, y += dy)
            word += static_cast<char>('A' + after[x][y]);
        return word;
    };
    if (!onBoard(laid[0].x, laid[0].y)) return {};
    const bool across =
        laid.size() > 1 ? laid[0].y == laid[1].y : run(1, 0).size() >= run(0, 1).size();
    return across ? run(1, 0) : run(0, 1);
}

void GameRecord::onMyTurnStarts(const GameState& state) {
    onMyTurnStarts(state.colours(), state.letters(), engine::visibleRack(state), state.mySeat(),
                   state.doubleTiles());
}

void GameRecord::onMyTurnStarts(const Grid& colours, const Grid& letters, const Rack& rack,
                                int seat, bool doubletiles) {
    if (turns_.size() >= kMaxTurns) {
        open_ = false;
        return;
    }
    current_ = TurnRecord{};
    current_.number = static_cast<int>(turns_.size()) + 1;
    current_.seat = seat;
    current_.colours = colours;
    current_.letters = letters;
    current_.rack = rack;
    current_.doubletiles = doubletiles;
    open_ = true;
}

void GameRecord::onMyMovePlayed(const std::vector<Placement>& laid, int32_t points, int effect) {
    if (!open_) return;
    current_.laid = laid;
    // The best move is judged before any luck, so the move played is too.
    switch (effect) {
        case kPlusTwenty:
            current_.points = points - 20;
            break;
        case kMinusTwenty:
            current_.points = points + 20;
            break;
        case kDouble:
            current_.points = points / 2;
            break;
        default:
            current_.points = points;
            effect = kNoEffect;
    }
    current_.effect = effect;
    current_.word = mainWord(current_.letters, laid);
    close(TurnRecord::Move);
}

void GameRecord::onMyNewTiles() {
    if (open_) close(TurnRecord::NewTiles);
}

void GameRecord::onMyPass() {
    if (open_) close(TurnRecord::Pass);
}

void GameRecord::close(TurnRecord::Kind kind) {
    current_.kind = kind;
    turns_.push_back(std::move(current_));
    current_ = TurnRecord{};
    open_ = false;
}

const std::vector<TurnRecord>& GameRecord::turns() {
    for (TurnRecord& t : turns_) {
        if (t.analysed) continue;
        t.best = Coach::hint(t.colours, t.letters, t.rack, t.seat, t.doubletiles);
        t.analysed = true;
    }
    return turns_;
}

int32_t GameRecord::pointsLeft() {
    int32_t sum = 0;
    for (const TurnRecord& t : turns()) sum += t.left();
    return sum;
}

}  // namespace zindle::coach
