#include "engine/arena.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace zindle::engine {

std::optional<Strategy> strategyFromName(std::string_view name) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (n == "greedy") return Strategy::Greedy;
    if (n == "hard0") return Strategy::HardStatic;
    if (auto level = levelFromName(n)) {
        switch (*level) {
            case Level::Easy:
                return Strategy::Easy;
            case Level::Normal:
                return Strategy::Normal;
            case Level::Hard:
                return Strategy::Hard;
        }
    }
    return std::nullopt;
}

Situation situationOf(const Table& table) {
    const RefereeState& g = table.state();
    Situation s;
    s.seat = g.curplayer;
    s.partner = g.teamgame ? g.players[g.curplayer].partner : 0;
    for (int seat = 1; seat <= table.rules().players; ++seat) {
        s.playing[seat] = true;
        s.scores[seat] = g.players[seat].score;
        s.passed[seat] = g.players[seat].passed;
    }
    s.tilesLeft = g.bag.tilesLeft();
    s.mayExchange = !g.players[g.curplayer].boughttiles;
    s.playto = table.rules().playto;
    return s;
}

void takeTurn(Table& table, const Lexicon& lex, Strategy strategy, Random& random,
              GameResult& result, const Budget& budget) {
    const int seat = table.curplayer();
    if (strategy == Strategy::Greedy) {
        const std::vector<Move> moves = generateMoves(lex, table.position(), table.rack(seat));
        const auto best =
            std::max_element(moves.begin(), moves.end(),
                             [](const Move& a, const Move& b) { return a.score < b.score; });
        if (best == moves.end()) {
            ++result.passes;
            table.pass();
        } else if (!table.play(*best)) {
            ++result.refused;
            table.pass();
        }
        return;
    }
    const Level level = strategy == Strategy::Easy     ? Level::Easy
                        : strategy == Strategy::Normal ? Level::Normal
                                                       : Level::Hard;
    Budget thinking = budget;
    if (strategy == Strategy::HardStatic) thinking.samples = 0;
    // New Tiles keeps the turn: decide again with the new rack.
    for (int round = 0; round < 2; ++round) {
        const Decision d = decide(lex, table.position(), table.rack(seat), situationOf(table),
                                  level, random, thinking);
        if (d.kind == Decision::Play) {
            if (!table.play(d.move)) {
                ++result.refused;
                table.pass();
            }
            return;
        }
        if (d.kind == Decision::Exchange && table.exchange()) {
            ++result.exchanges;
            continue;
        }
        if (d.kind == Decision::Exchange) ++result.refused;
        break;
    }
    ++result.passes;
    table.pass();
}

GameResult playGame(const Lexicon& lex, const WordLookup& lookup, const TableRules& rules,
                    uint32_t seed, const PerPlayerSeat<Strategy>& seats, const Budget& budget) {
    Table table(rules, seed, lookup);
    Random random(seed ^ 0x5bd1e995u);
    GameResult result;
    // Every turn lays a tile, passes, or ends the game; this bound is never reached.
    for (int guard = 0; guard < 2000 && !table.over(); ++guard)
        takeTurn(table, lex, seats[static_cast<std::size_t>(table.curplayer())], random, result,
                 budget);
    for (int s = 1; s <= kPlayerSeats; ++s) result.score[s] = table.score(s);
    result.winners = table.state().winners;
    result.ending = table.state().ending;
    result.turns = table.turns();
    return result;
}

}  // namespace zindle::engine
