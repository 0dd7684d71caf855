// Points of hand-worked moves: the generator must offer the move, with the
// points worked out here by hand, and the host's judge must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/bruteforce.h"
#include "engine/choose.h"
#include "engine/movegen.h"
#include "fixture.h"
#include "rules/zindle.h"

using namespace zindle;
using namespace zindle::engine;
using enginetest::rackOf;
using enginetest::words;

namespace {

struct Word {
    int x, y;
    bool across;
    const char* text;
};
struct Tile {
    int x, y;
    char letter;
    bool flipped = false;
};
struct Case {
    const char* name;
    std::vector<Word> board;
    int seat;
    bool doubletiles;
    int zindles;
    const char* rack;
    std::vector<Tile> move;
    int score;
    int covered = 0;
};

// Arrangement 1, 2, 3, 4: seat 1 holds x 0-9 of rows 0-8, seat 3 x 10-18 of rows 0-9.
const Case kCases[] = {
    {"own quarter", {{3, 5, true, "cat"}}, 1, false, 0, "sqz", {{6, 5, 's'}}, 40},
    {"across the border", {{7, 5, true, "cat"}}, 1, false, 0, "sqz", {{10, 5, 's'}}, 35},
    {"the other side of it", {{7, 5, true, "cat"}}, 3, false, 0, "sqz", {{10, 5, 's'}}, 25},
    {"partner's colour counts 5", {{3, 5, true, "cat"}}, 3, false, 0, "sqz", {{6, 5, 's'}}, 20},
    // "he" under "at": he 20, ah 10 + 10 for h again, te 10 + 10 for e again.
    {"parallel cross words",
     {{4, 5, true, "at"}},
     1,
     false,
     0,
     "he",
     {{4, 6, 'h'}, {5, 6, 'e'}},
     60},
    {"cross words off colour",
     {{4, 5, true, "at"}},
     2,
     false,
     0,
     "he",
     {{4, 6, 'h'}, {5, 6, 'e'}},
     30},
    // A lone tile extending a column and forming a row word: both count.
    {"lone tile, two words",
     {{5, 3, false, "ha"}, {6, 5, true, "at"}},
     1,
     false,
     0,
     "t",
     {{5, 5, 't'}},
     60},
    {"back of a tile", {{3, 5, true, "hat"}}, 1, true, 0, "hqq", {{6, 5, 's', true}}, 40},
    {"back of a tile, down", {{3, 2, false, "ha"}}, 1, true, 0, "gqq", {{3, 4, 't', true}}, 30},
    {"zindle square", {{4, 6, true, "ha"}}, 1, false, 4, "tqq", {{6, 6, 't'}}, 25, 1},
};

Grid boardOf(const std::vector<Word>& ws) {
    Grid letters = makeGrid(kNoTile);
    for (const Word& w : ws)
        for (int i = 0; w.text[i]; ++i)
            letters[w.across ? w.x + i : w.x][w.across ? w.y : w.y + i] = codeOfLetter(w.text[i]);
    return letters;
}

MoveKey keyOfTiles(const std::vector<Tile>& tiles) {
    MoveKey k;
    for (const Tile& t : tiles) k.emplace_back(t.x, t.y, codeOfLetter(t.letter));
    std::sort(k.begin(), k.end());
    return k;
}

}  // namespace

TEST(Scoring, HandWorkedMoves) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Grid colours{};
        getboard(colours, 1, 2, 3, 4);
        getzindle(colours, c.zindles);
        const Grid letters = boardOf(c.board);
        const Rack rack = rackOf(c.rack);
        const Position pos{colours, letters, c.seat, false, c.doubletiles};
        const std::vector<Move> moves = generateMoves(words().lex, pos, rack);
        const auto it = std::find_if(moves.begin(), moves.end(), [&](const Move& m) {
            return keyOf(m.placed()) == keyOfTiles(c.move);
        });
        ASSERT_NE(it, moves.end());
        EXPECT_EQ(it->score, c.score);
        EXPECT_EQ(it->zindles, c.covered);
        for (int i = 0; i < it->count; ++i) {
            const TileLay& t = it->tiles[i];
            const auto want = std::find_if(c.move.begin(), c.move.end(),
                                           [&](const Tile& w) { return w.x == t.x && w.y == t.y; });
            EXPECT_EQ(t.flipped, want->flipped);
            EXPECT_EQ(t.flipped ? flippedletter(rack[t.slot]) : rack[t.slot], t.letter);
        }
        const Verdict v =
            checkword({colours, letters, c.seat, false}, it->placed(), words().lookup);
        EXPECT_TRUE(v.valid);
        EXPECT_EQ(v.wordscore, c.score);
        // The same move counts once, however the generator reaches it.
        EXPECT_EQ(
            std::count_if(moves.begin(), moves.end(),
                          [&](const Move& m) { return keyOf(m.placed()) == keyOf(it->placed()); }),
            1);
    }
}

TEST(Scoring, BackSideOnlyWithDoubleTiles) {
    Grid colours{};
    getboard(colours, 1, 2, 3, 4);
    const Grid letters = boardOf({{3, 5, true, "hat"}});
    const Position single{colours, letters, 1, false, false};
    for (const Move& m : generateMoves(words().lex, single, rackOf("hqq")))
        for (int i = 0; i < m.count; ++i) EXPECT_FALSE(m.tiles[i].flipped);
}

// The first word lies anywhere: up to four tiles score where they lie, so the
// best cells are the mover's own; five and more score 5 x k + 20.
TEST(Scoring, FirstWord) {
    ASSERT_TRUE(words().lex.contains("hates"));
    Grid colours{};
    getboard(colours, 2, 3, 4, 1);
    getzindle(colours, 20);
    const Grid letters = makeGrid(kNoTile);
    const Rack rack = rackOf("hatesqqqqq");
    const Position pos{colours, letters, 2, true, false};
    const std::vector<Move> moves = generateMoves(words().lex, pos, rack);
    const auto find = [&](std::string_view word, bool across) {
        return std::find_if(moves.begin(), moves.end(), [&](const Move& m) {
            if (m.across != across || m.count != static_cast<int>(word.size())) return false;
            for (int i = 0; i < m.count; ++i)
                if (m.tiles[i].letter != codeOfLetter(word[i])) return false;
            return true;
        });
    };
    struct Want {
        const char* word;
        int score;
    };
    for (const Want w : {Want{"hates", 45}, Want{"hats", 40}, Want{"hat", 30}, Want{"at", 20}}) {
        for (bool across : {true, false}) {
            SCOPED_TRACE(std::string(w.word) + (across ? " across" : " down"));
            const auto it = find(w.word, across);
            ASSERT_NE(it, moves.end());
            EXPECT_TRUE(it->first);
            EXPECT_EQ(it->score, w.score);
            EXPECT_EQ(expectedPoints(*it), w.score);  // moved to the middle, clear of every square
            const Verdict v = checkword({colours, letters, 2, true}, it->placed(), words().lookup);
            ASSERT_TRUE(v.valid);
            EXPECT_TRUE(v.firstWord);
            EXPECT_EQ(v.wordscore, w.score);
        }
    }
}
