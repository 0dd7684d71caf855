// Computer players against each other on a referee table, no sockets.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/choose.h"
#include "engine/table.h"

namespace zindle::engine {

// The three levels, a yardstick that always takes the highest-scoring move,
// and Hard as it was before it looked ahead ("hard0"), to measure against.
enum class Strategy { Easy, Normal, Hard, Greedy, HardStatic };
std::optional<Strategy> strategyFromName(std::string_view name);

struct GameResult {
    PerPlayerSeat<int32_t> score{};
    std::vector<int> winners;
    GameEnd ending = GameEnd::None;
    int turns = 0;
    int refused = 0;  // moves or exchanges the referee turned down: always 0
    int exchanges = 0;
    int passes = 0;
};

// What a seat's window would tell its player at the start of a turn.
Situation situationOf(const Table& table);

// One decision for the seat on turn, carried out on the table.
void takeTurn(Table& table, const Lexicon& lex, Strategy strategy, Random& random,
              GameResult& result, const Budget& budget = {});

// seats[s] plays seat s (1..rules.players).
GameResult playGame(const Lexicon& lex, const WordLookup& lookup, const TableRules& rules,
                    uint32_t seed, const PerPlayerSeat<Strategy>& seats, const Budget& budget = {});

}  // namespace zindle::engine
