// Seeded games of computer players, turn by turn, against a record kept in
// golden/arena_games.txt: the deal, every move, exchange and pass, the
// scores, the bag and the end must come out exactly as recorded.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/arena.h"
#include "fixture.h"
#include "support/golden.h"

using namespace zindle;
using namespace zindle::engine;
using enginetest::words;

namespace {

const char* endingName(GameEnd e) {
    static const char* const kNames[] = {"none", "no more tiles", "everyone passed",
                                         "score reached", "game time up"};
    return kNames[static_cast<int>(e)];
}

// One line a turn: the seat, what it did, the scores, the bag and who is next.
std::string playLogged(const TableRules& rules, uint32_t seed, const PerPlayerSeat<Strategy>& seats,
                       const Budget& budget) {
    Table table(rules, seed, words().lookup);
    Random random(seed ^ 0x5bd1e995u);
    GameResult result;
    std::ostringstream out;
    out << "game seed " << seed << " players " << rules.players << " double " << rules.doubletiles
        << " partners " << rules.partners << " zindles " << rules.zindles << " playto "
        << rules.playto << "\n";
    out << "first " << table.curplayer() << " bag " << table.state().bag.bagpos << "\n";
    for (int guard = 0; guard < 2000 && !table.over(); ++guard) {
        const int seat = table.curplayer();
        const Grid before = table.state().letters;
        const bool bought = table.state().players[seat].boughttiles;
        takeTurn(table, words().lex, seats[static_cast<std::size_t>(seat)], random, result, budget);
        out << "seat " << seat
            << (table.state().players[seat].boughttiles != bought ? " exchanged" : "");
        int laid = 0;
        for (int x = 0; x < kBoardSize; ++x)
            for (int y = 0; y < kBoardSize; ++y)
                if (table.state().letters[x][y] != before[x][y]) {
                    out << " " << x << "," << y << ","
                        << converttoletter(table.state().letters[x][y]);
                    ++laid;
                }
        if (laid == 0) out << " passed";
        out << " | scores";
        for (int s = 1; s <= rules.players; ++s) out << " " << table.score(s);
        out << " | bag " << table.state().bag.bagpos;
        // Nobody is on turn once the game is over.
        if (table.over())
            out << " | over\n";
        else
            out << " | next " << table.curplayer() << "\n";
    }
    out << "end " << endingName(table.state().ending) << " winners";
    for (int w : table.state().winners) out << " " << w;
    out << " refused " << result.refused << "\n";
    return out.str();
}

std::string allGames() {
    const Strategy E = Strategy::Easy, N = Strategy::Normal, H = Strategy::Hard,
                   S = Strategy::HardStatic, G = Strategy::Greedy;
    struct Setup {
        TableRules rules;
        PerPlayerSeat<Strategy> seats;
    };
    const Setup setups[] = {
        {{2, false, false, 0, 0}, {E, G, N, E, E}},   {{2, true, false, 12, 0}, {E, H, S, E, E}},
        {{3, false, false, 8, 300}, {E, E, N, G, E}}, {{4, true, true, 20, 0}, {E, S, E, N, G}},
        {{4, false, false, 4, 0}, {E, G, G, E, N}},   {{1, true, false, 0, 0}, {E, N, E, E, E}},
    };
    Budget budget;
    budget.time = std::chrono::milliseconds(0);  // the same choices on any machine
    budget.candidates = 3;
    budget.samples = 2;
    std::string all;
    for (uint32_t seed : {1u, 2u, 7u})
        for (const Setup& s : setups) all += playLogged(s.rules, seed, s.seats, budget);
    return all;
}

}  // namespace

TEST(ArenaRecord, SeededGamesPlayExactlyAsRecorded) {
    testsupport::expectRecord(std::string(ZINDLE_GOLDEN_DIR) + "/arena_games.txt", allGames());
}
