// The generator against the host's judge: every move it offers is accepted
// with exactly its points, and for small racks it misses none.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/bruteforce.h"
#include "engine/table.h"
#include "fixture.h"

using namespace zindle;
using namespace zindle::engine;
using enginetest::words;

namespace {

// Seeded boards from random play: empty ones for the first word, and boards
// of 5 to 65 letters.
struct Board {
    Grid colours{};
    Grid letters{};
    bool firstword = false;
    bool doubletiles = false;
};

Board makeBoard(uint32_t seed, bool doubletiles) {
    Table t({4, doubletiles, false, static_cast<int>(seed % 6) * 4, 0}, seed, words().lookup);
    Random r(seed * 7919u);
    const bool first = seed % 10 == 0;
    if (!first) playRandomly(t, words().lex, 5 + static_cast<int>(seed * 13 % 61), r);
    return {t.state().colours, t.state().letters, t.state().firstword, doubletiles};
}

// Tiles as a bag would give them: common letters more often.
Rack randomRack(Random& r, int size) {
    Rack rack = emptyRack();
    for (int s = 1; s <= size; ++s) {
        int pick = r.random(kBagSize);
        int code = 0;
        while (pick >= kTileCounts[code]) pick -= kTileCounts[code++];
        rack[s] = code;
    }
    return rack;
}

}  // namespace

TEST(MoveGenProperty, EveryMoveIsAcceptedWithItsPoints) {
    constexpr int kBoards = 100, kRacksPerBoard = 100;  // 10,000 positions
    constexpr int kChecksPerPosition = 60;
    long checked = 0, mismatches = 0, positions = 0, withMoves = 0;
    for (int b = 0; b < kBoards; ++b) {
        const Board board = makeBoard(1000 + b, b % 2 == 1);
        Random r(static_cast<uint32_t>(b) + 77);
        for (int k = 0; k < kRacksPerBoard; ++k) {
            const int seat = r.random(4) + 1;
            const Rack rack = randomRack(r, 1 + r.random(10));
            const Position pos{board.colours, board.letters, seat, board.firstword,
                               board.doubletiles};
            std::vector<Move> moves = generateMoves(words().lex, pos, rack);
            ++positions;
            if (!moves.empty()) ++withMoves;
            // All of a short list; else the best few and a seeded sample.
            if (static_cast<int>(moves.size()) > kChecksPerPosition) {
                std::partial_sort(moves.begin(), moves.begin() + 10, moves.end(),
                                  [](const Move& x, const Move& y) { return x.score > y.score; });
                for (int i = 10; i < kChecksPerPosition; ++i)
                    std::swap(moves[i], moves[i + r.random(static_cast<int>(moves.size()) - i)]);
                moves.resize(kChecksPerPosition);
            }
            for (const Move& m : moves) {
                ++checked;
                const auto placed = fillplaced(rack, m.groups(), board.letters);
                const Verdict v =
                    placed ? checkword({board.colours, board.letters, seat, board.firstword},
                                       *placed, words().lookup)
                           : Verdict{};
                if (!v.valid || v.wordscore != m.score || v.firstWord != m.first) {
                    if (++mismatches < 5)
                        ADD_FAILURE() << "board " << b << " rack " << k << ": valid " << v.valid
                                      << ", judge " << v.wordscore << ", generator " << m.score;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(positions, 10000);
    EXPECT_GT(withMoves, positions * 3 / 4);  // the boards leave room to play
    EXPECT_GT(checked, 200000);
}

// A brute force lays every choice of rack letters on every run of free cells
// and asks the judge; with up to five tiles the generator must find the same
// moves with the same points, and nothing else.
TEST(MoveGenProperty, NoMoveIsMissedForSmallRacks) {
    int compared = 0;
    for (int p = 0; p < 24; ++p) {
        const bool dbl = p % 2 == 1;
        const Board board = makeBoard(2000 + p, dbl);
        Random r(static_cast<uint32_t>(p) + 5);
        const int seat = r.random(4) + 1;
        const Rack rack = randomRack(r, dbl && p % 8 != 1 ? 4 : 5);
        const Position pos{board.colours, board.letters, seat, board.firstword, dbl};
        const auto brute = bruteForceMoves(pos, rack, words().lookup, kRackSize);

        std::map<MoveKey, int> generated;
        for (const Move& m : generateMoves(words().lex, pos, rack)) {
            const Verdict v = checkword({board.colours, board.letters, seat, board.firstword},
                                        m.placed(), words().lookup);
            auto [it, fresh] = generated.emplace(keyOf(v.placed), m.score);
            EXPECT_TRUE(fresh) << "a move offered twice on board " << p;
            if (!fresh) it->second = std::max(it->second, m.score);
        }
        SCOPED_TRACE(p);
        EXPECT_EQ(generated.size(), brute.size());
        for (const auto& [key, score] : brute) {
            const auto it = generated.find(key);
            if (it == generated.end()) {
                ADD_FAILURE() << "missed a move of " << key.size() << " tiles";
                continue;
            }
            EXPECT_EQ(it->second, score);
        }
        compared += static_cast<int>(brute.size());
    }
    EXPECT_GT(compared, 1000);
}
