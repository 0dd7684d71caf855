#include "engine/movegen.h"

#include <bit>

namespace zindle::engine {

namespace {

constexpr uint32_t kAllLetters = (1u << 26) - 1;
constexpr int N = kBoardSize;

// One direction at a time: the board is read as rows, the word runs along a
// row and cross words run across rows. The down direction is the transposed
// board.
class Generator {
public:
    Generator(const Lexicon& lex, const Position& pos, const Rack& rack, std::vector<Move>& out)
        : lex_(lex), pos_(pos), rack_(rack), out_(out) {
        for (int s = 1; s <= kRackSize; ++s) {
            if (!isLetterCode(rack[s])) continue;
            ++counts_[tileKind(rack[s], pos.doubletiles)];
            ++tiles_;
        }
    }

    void run() {
        if (tiles_ == 0) return;
        if (pos_.firstword) {
            firstMoves();
            return;
        }
        for (bool across : {true, false}) {
            load(across);
            for (int r = 0; r < N; ++r) {
                row_ = r;
                for (int c = 0; c < N; ++c)
                    if (anchor_[r][c]) fromAnchor(c);
            }
        }
    }

private:
    int kind(int letter) const { return tileKind(letter, pos_.doubletiles); }

    void load(bool across) {
        across_ = across;
        for (int r = 0; r < N; ++r)
            for (int c = 0; c < N; ++c) {
                const int x = across ? c : r, y = across ? r : c;
                const int32_t l = pos_.letters[x][y];
                L_[r][c] = isLetterCode(l) ? static_cast<int8_t>(l) : -1;
                P_[r][c] = static_cast<int8_t>(letterPoints(pos_.colours, x, y, pos_.seat));
            }
        for (int r = 0; r < N; ++r) {
            pre_[r][0] = 0;
            for (int c = 0; c < N; ++c) pre_[r][c + 1] = pre_[r][c] + P_[r][c];
            for (int c = 0; c < N; ++c) crossSet(r, c);
        }
    }

    bool filled(int r, int c) const { return r >= 0 && r < N && c >= 0 && c < N && L_[r][c] >= 0; }

    void crossSet(int r, int c) {
        anchor_[r][c] = false;
        if (L_[r][c] >= 0) return;
        anchor_[r][c] =
            filled(r - 1, c) || filled(r + 1, c) || filled(r, c - 1) || filled(r, c + 1);
        int top = r, bottom = r;
        while (filled(top - 1, c)) --top;
        while (filled(bottom + 1, c)) ++bottom;
        if (top == r && bottom == r) {
            cross_[r][c] = kAllLetters;
            crossPts_[r][c] = -1;
            return;
        }
        int pts = 0;
        Lexicon::Node n = lex_.root();
        for (int q = top; q < r && n != Lexicon::kNone; ++q) {
            n = lex_.child(n, L_[q][c]);
            pts += P_[q][c];
        }
        for (int q = r + 1; q <= bottom; ++q) pts += P_[q][c];
        uint32_t ok = 0;
        if (n != Lexicon::kNone) {
            for (uint32_t m = lex_.letters(n); m; m &= m - 1) {
                const int l = std::countr_zero(m);
                Lexicon::Node k = lex_.child(n, l);
                for (int q = r + 1; q <= bottom && k != Lexicon::kNone; ++q)
                    k = lex_.child(k, L_[q][c]);
                if (k != Lexicon::kNone && lex_.terminal(k)) ok |= 1u << l;
            }
        }
        cross_[r][c] = ok;
        crossPts_[r][c] = static_cast<int16_t>(pts);
    }

    void fromAnchor(int c) {
        anchorCol_ = c;
        leftLen_ = 0;
        if (filled(row_, c - 1)) {
            // The word starts with the board letters already left of the anchor.
            int start = c - 1;
            while (filled(row_, start - 1)) --start;
            Lexicon::Node n = lex_.root();
            for (int q = start; q < c && n != Lexicon::kNone; ++q) n = lex_.child(n, L_[row_][q]);
            if (n != Lexicon::kNone) extendRight(n, c, pre_[row_][c] - pre_[row_][start]);
            return;
        }
        // Free cells to the left that are not anchors themselves: no letter
        // touches them, so any letter fits there.
        int limit = 0;
        for (int q = c - 1; q >= 0 && !anchor_[row_][q] && L_[row_][q] < 0; --q) ++limit;
        leftPart(lex_.root(), std::min(limit, tiles_ - 1));
    }

    void leftPart(Lexicon::Node n, int limit) {
        extendRight(n, anchorCol_, pre_[row_][anchorCol_] - pre_[row_][anchorCol_ - leftLen_]);
        if (limit == 0) return;
        for (uint32_t m = lex_.letters(n); m; m &= m - 1) {
            const int l = std::countr_zero(m);
            int& have = counts_[kind(l)];
            if (have == 0) continue;
            --have;
            left_[leftLen_++] = static_cast<int8_t>(l);
            leftPart(lex_.child(n, l), limit - 1);
            --leftLen_;
            ++have;
        }
    }

    void extendRight(Lexicon::Node n, int c, int mainPts) {
        if (c < N && L_[row_][c] >= 0) {
            const Lexicon::Node k = lex_.child(n, L_[row_][c]);
            if (k != Lexicon::kNone) extendRight(k, c + 1, mainPts + P_[row_][c]);
            return;
        }
        if (c > anchorCol_ && lex_.terminal(n)) emit(mainPts);
        if (c >= N) return;
        for (uint32_t m = lex_.letters(n) & cross_[row_][c]; m; m &= m - 1) {
            const int l = std::countr_zero(m);
            int& have = counts_[kind(l)];
            if (have == 0) continue;
            --have;
            right_[rightLen_] = {static_cast<int8_t>(c), static_cast<int8_t>(l)};
            ++rightLen_;
            const int cp = crossPts_[row_][c];
            const int crossAdd = cp >= 0 ? cp + P_[row_][c] : 0;
            crossTotal_ += crossAdd;
            extendRight(lex_.child(n, l), c + 1, mainPts + P_[row_][c]);
            crossTotal_ -= crossAdd;
            --rightLen_;
            ++have;
        }
    }

    void emit(int mainPts) {
        const int count = leftLen_ + rightLen_;
        // A lone tile with letters above or below is the vertical reading's
        // move: the host tries that reading first, so it is made there.
        if (count == 1 && across_ && crossPts_[row_][right_[0].col] >= 0) return;
        Move mv;
        mv.across = across_;
        mv.score = mainPts + crossTotal_;
        for (int i = 0; i < leftLen_; ++i) add(mv, row_, anchorCol_ - leftLen_ + i, left_[i]);
        for (int i = 0; i < rightLen_; ++i) add(mv, row_, right_[i].col, right_[i].letter);
        finish(mv);
    }

    void add(Move& mv, int r, int c, int letter) const {
        TileLay& t = mv.tiles[mv.count++];
        t.x = static_cast<int8_t>(across_ ? c : r);
        t.y = static_cast<int8_t>(across_ ? r : c);
        t.letter = static_cast<int8_t>(letter);
    }

    // Rack slots for the letters, front side up where the front fits.
    void finish(Move& mv) {
        std::array<bool, kRackSize + 1> used{};
        for (int i = 0; i < mv.count; ++i) {
            TileLay& t = mv.tiles[i];
            int found = 0;
            for (int s = 1; s <= kRackSize && !found; ++s)
                if (!used[s] && rack_[s] == t.letter) found = s;
            t.flipped = found == 0;
            for (int s = 1; s <= kRackSize && !found; ++s)
                if (!used[s] && isLetterCode(rack_[s]) && flippedletter(rack_[s]) == t.letter)
                    found = s;
            used[found] = true;
            t.slot = static_cast<int8_t>(found);
            if (!mv.first && pos_.colours[t.x][t.y] == kZindleColour) ++mv.zindles;
        }
        out_.push_back(mv);
    }

    // The first word may lie anywhere and is then moved to the middle; only
    // its points depend on where it was laid, so each word is offered in
    // each direction once, on the cells that pay most.
    void firstMoves() {
        for (bool across : {true, false}) {
            for (int k = 1; k <= kRackSize; ++k) {
                Window best{kCentre, kCentre, -1};
                if (k > 4) {
                    best = {kCentre - k / 2, kCentre, 5 * k + 20};
                } else {
                    for (int line = 0; line < N; ++line)
                        for (int s = 0; s + k <= N; ++s) {
                            int pts = 0;
                            for (int i = 0; i < k; ++i)
                                pts += across ? letterPoints(pos_.colours, s + i, line, pos_.seat)
                                              : letterPoints(pos_.colours, line, s + i, pos_.seat);
                            if (pts > best.score) best = {s, line, pts};
                        }
                }
                window_[across][k] = best;
            }
        }
        firstWords(lex_.root(), 0);
    }

    void firstWords(Lexicon::Node n, int depth) {
        if (depth >= 2 && lex_.terminal(n)) {
            for (bool across : {true, false}) {
                const Window& w = window_[across][depth];
                Move mv;
                mv.first = true;
                mv.across = across;
                mv.score = w.score;
                across_ = true;  // the window's cells are already board cells
                for (int i = 0; i < depth; ++i)
                    add(mv, across ? w.line : w.start + i, across ? w.start + i : w.line, word_[i]);
                finish(mv);
            }
        }
        if (depth == tiles_) return;
        for (uint32_t m = lex_.letters(n); m; m &= m - 1) {
            const int l = std::countr_zero(m);
            int& have = counts_[kind(l)];
            if (have == 0) continue;
            --have;
            word_[depth] = static_cast<int8_t>(l);
            firstWords(lex_.child(n, l), depth + 1);
            ++have;
        }
    }

    struct Laid {
        int8_t col, letter;
    };
    struct Window {
        int start, line, score;
    };

    const Lexicon& lex_;
    const Position& pos_;
    const Rack& rack_;
    std::vector<Move>& out_;
    std::array<int, 26> counts_{};
    int tiles_ = 0;

    bool across_ = true;
    int8_t L_[N][N];
    int8_t P_[N][N];
    int pre_[N][N + 1];
    uint32_t cross_[N][N];
    int16_t crossPts_[N][N];
    bool anchor_[N][N];

    int row_ = 0, anchorCol_ = 0;
    int8_t left_[kRackSize];
    int leftLen_ = 0;
    Laid right_[kRackSize];
    int rightLen_ = 0;
    int crossTotal_ = 0;

    Window window_[2][kRackSize + 1];
    int8_t word_[kRackSize];
};

}  // namespace

std::vector<LayGroup> Move::groups() const {
    std::vector<LayGroup> g;
    for (int i = 0; i < count; ++i)
        g.push_back({tiles[i].slot, tiles[i].flipped, tiles[i].x, tiles[i].y});
    return g;
}

PlacedSet Move::placed() const {
    PlacedSet p{};
    for (int i = 0; i < count; ++i)
        p[tiles[i].slot] = Placed{tiles[i].x, tiles[i].y, tiles[i].letter, false};
    return p;
}

std::vector<Move> generateMoves(const Lexicon& lex, const Position& pos, const Rack& rack) {
    std::vector<Move> out;
    Generator(lex, pos, rack, out).run();
    return out;
}

}  // namespace zindle::engine
