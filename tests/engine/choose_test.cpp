// What the players choose, and whole seeded games on the referee table.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/arena.h"
#include "fixture.h"

using namespace zindle;
using namespace zindle::engine;
using enginetest::rackOf;
using enginetest::words;

namespace {

struct Spot {
    Grid colours{};
    Grid letters = makeGrid(kNoTile);
    Spot() {
        getboard(colours, 1, 2, 3, 4);
        // "cat" across the middle: every rack below can play on it or not at all.
        letters[8][9] = codeOfLetter('c');
        letters[9][9] = codeOfLetter('a');
        letters[10][9] = codeOfLetter('t');
    }
    Position pos(int seat) const { return {colours, letters, seat, false, false}; }
};

Situation twoPlayers(int32_t mine, int32_t theirs) {
    Situation s;
    s.seat = 1;
    s.playing = {false, true, true, false, false};
    s.scores = {0, mine, theirs, 0, 0};
    return s;
}

}  // namespace

TEST(Choose, NoMoveMeansNewTilesWhileAllowedElsePass) {
    Spot spot;
    Random r(1);
    const Rack hopeless = rackOf("qqqqqqqqqq");
    ASSERT_TRUE(generateMoves(words().lex, spot.pos(1), hopeless).empty());
    Situation s = twoPlayers(0, 0);
    EXPECT_EQ(decide(words().lex, spot.pos(1), hopeless, s, Level::Hard, r).kind,
              Decision::Exchange);
    EXPECT_EQ(decide(words().lex, spot.pos(1), hopeless, s, Level::Normal, r).kind,
              Decision::Exchange);
    EXPECT_EQ(decide(words().lex, spot.pos(1), hopeless, s, Level::Easy, r).kind, Decision::Pass);
    s.tilesLeft = 11;  // the host refuses New Tiles below 12
    EXPECT_EQ(decide(words().lex, spot.pos(1), hopeless, s, Level::Hard, r).kind, Decision::Pass);
    s.tilesLeft = 12;
    s.mayExchange = false;  // once a game
    EXPECT_EQ(decide(words().lex, spot.pos(1), hopeless, s, Level::Hard, r).kind, Decision::Pass);
}

TEST(Choose, LevelsPickByPoints) {
    Spot spot;
    Random r(3);
    const Rack rack = rackOf("seatsroned");
    const std::vector<Move> moves = generateMoves(words().lex, spot.pos(1), rack);
    ASSERT_GT(moves.size(), 100u);
    double best = 0;
    for (const Move& m : moves) best = std::max(best, expectedPoints(m));
    const Situation s = twoPlayers(0, 0);
    const Decision normal = decide(words().lex, spot.pos(1), rack, s, Level::Normal, r);
    ASSERT_EQ(normal.kind, Decision::Play);
    EXPECT_EQ(expectedPoints(normal.move), best);
    const Decision hard = decide(words().lex, spot.pos(1), rack, s, Level::Hard, r);
    ASSERT_EQ(hard.kind, Decision::Play);
    EXPECT_GT(expectedPoints(hard.move), best * 0.7);  // the leave trims, never throws away points
    // Easy: a fair share of the best, and seldom the best itself.
    int belowBest = 0;
    for (int i = 0; i < 20; ++i) {
        const Decision easy = decide(words().lex, spot.pos(1), rack, s, Level::Easy, r);
        ASSERT_EQ(easy.kind, Decision::Play);
        EXPECT_GE(expectedPoints(easy.move), best * 0.7 - 1e-9);
        belowBest += expectedPoints(easy.move) < best;
    }
    EXPECT_GE(belowBest, 15);
}

// When everyone else passed last, a pass ends the game: Hard takes the win
// when its side is ahead, and a partner's score is its own.
TEST(Choose, HardPassesToEndAGameItLeads) {
    Spot spot;
    Random r(5);
    const Rack rack = rackOf("seatsroned");
    Situation s = twoPlayers(120, 100);
    s.passed[2] = true;
    EXPECT_EQ(decide(words().lex, spot.pos(1), rack, s, Level::Hard, r).kind, Decision::Pass);
    EXPECT_EQ(decide(words().lex, spot.pos(1), rack, s, Level::Normal, r).kind, Decision::Play);
    s.scores[1] = 90;
    EXPECT_EQ(decide(words().lex, spot.pos(1), rack, s, Level::Hard, r).kind, Decision::Play);

    Situation team;
    team.seat = 1;
    team.partner = 3;
    team.playing = {false, true, true, true, true};
    team.scores = {0, 150, 140, 150, 140};
    team.passed = {false, false, true, true, true};
    EXPECT_EQ(decide(words().lex, spot.pos(1), rack, team, Level::Hard, r).kind, Decision::Pass);
    team.partner = 0;  // without partners seat 3 is a rival level with seat 1
    EXPECT_EQ(decide(words().lex, spot.pos(1), rack, team, Level::Hard, r).kind, Decision::Play);
}

// Whole games with every level and rule: the referee never refuses a move,
// and the games end by running out of tiles or by the score target.
TEST(Arena, SeededWholeGames) {
    struct Setup {
        TableRules rules;
        PerPlayerSeat<Strategy> seats;
    };
    const Strategy E = Strategy::Easy, N = Strategy::Normal, H = Strategy::Hard,
                   G = Strategy::Greedy;
    const Setup setups[] = {
        {{2, false, false, 0, 0}, {E, H, E, E, E}},   {{2, true, false, 12, 0}, {E, N, H, E, E}},
        {{4, true, true, 20, 0}, {E, H, N, E, G}},    {{4, false, true, 8, 0}, {E, E, N, H, N}},
        {{3, false, false, 4, 400}, {E, H, N, G, E}}, {{1, true, false, 0, 0}, {E, H, E, E, E}},
    };
    std::set<GameEnd> endings;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        for (const Setup& setup : setups) {
            const GameResult r =
                playGame(words().lex, words().lookup, setup.rules, seed, setup.seats);
            EXPECT_EQ(r.refused, 0);
            EXPECT_NE(r.ending, GameEnd::None);
            endings.insert(r.ending);
            if (setup.rules.partners) {
                EXPECT_EQ(r.score[1], r.score[3]);
                EXPECT_EQ(r.score[2], r.score[4]);
            }
            if (setup.rules.playto) {
                EXPECT_EQ(r.ending, GameEnd::PlayerGotScore);
            }
            EXPECT_FALSE(r.winners.empty());
        }
    }
    EXPECT_TRUE(endings.count(GameEnd::NoMoreTiles));
    EXPECT_TRUE(endings.count(GameEnd::PlayerGotScore));
}

TEST(Arena, HardOutscoresEasy) {
    int hardWins = 0;
    long margin = 0;
    for (uint32_t seed = 1; seed <= 5; ++seed)
        for (int swap = 0; swap < 2; ++swap) {
            PerPlayerSeat<Strategy> seats{};
            seats[1] = swap ? Strategy::Easy : Strategy::Hard;
            seats[2] = swap ? Strategy::Hard : Strategy::Easy;
            const GameResult r =
                playGame(words().lex, words().lookup, {2, false, false, 0, 0}, seed, seats);
            hardWins += r.score[swap ? 2 : 1] > r.score[swap ? 1 : 2];
            margin += r.score[swap ? 2 : 1] - r.score[swap ? 1 : 2];
        }
    // Easy plays fair moves now and takes a game now and then.
    EXPECT_GE(hardWins, 6);
    EXPECT_GT(margin, 0);
}
