#include "engine/table.h"

#include <algorithm>
#include <utility>

namespace zindle::engine {

namespace {

TableRules clamped(TableRules rules) {
    rules.players = std::clamp(rules.players, 1, kPlayerSeats);
    return rules;
}

}  // namespace

Table::Table(TableRules rules, uint32_t seed, WordLookup lookup, GameEvents* events)
    : rules_(clamped(rules)),
      random_(seed),
      seating_(rules_.players),
      referee_(random_, std::move(lookup), seating_, events ? *events : quiet_) {
    GameSettings settings;
    settings.squarecount = rules_.zindles;
    settings.playtoscore = rules_.playto;
    settings.doubletiles = rules_.doubletiles;
    settings.partners = rules_.partners;
    referee_.start(settings);
}

bool Table::play(const Move& move) {
    const std::vector<LayGroup> groups = move.groups();
    if (!referee_.done(curplayer(), groups)) return false;
    ++turns_;
    return true;
}

bool Table::exchange() {
    return referee_.newtiles(curplayer());
}

void Table::pass() {
    if (over()) return;
    ++turns_;
    referee_.pass(curplayer());
}

int lettersOnBoard(const Grid& letters) {
    int n = 0;
    for (const auto& col : letters)
        for (int32_t l : col) n += l != kNoTile;
    return n;
}

void playRandomly(Table& table, const Lexicon& lex, int letters, Random& random) {
    while (!table.over() && lettersOnBoard(table.state().letters) < letters) {
        const std::vector<Move> moves =
            generateMoves(lex, table.position(), table.rack(table.curplayer()));
        if (moves.empty()) {
            table.pass();
            continue;
        }
        // Short moves mostly, so boards grow slowly and stay varied.
        const Move* pick = &moves[random.random(static_cast<int32_t>(moves.size()))];
        for (int tries = 0; tries < 4 && pick->count > 4; ++tries)
            pick = &moves[random.random(static_cast<int32_t>(moves.size()))];
        table.play(*pick);
    }
}

}  // namespace zindle::engine
