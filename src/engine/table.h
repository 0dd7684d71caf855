// A whole game without sockets: the referee of the rules library with every
// seat 1..players taken and nobody watching. The arena and the tests play
// computer players here; with a GameEvents it also says what a host would
// have told the players.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/movegen.h"
#include "rules/referee.h"

namespace zindle::engine {

struct TableRules {
    int players = 2;  // seats 1..players
    bool doubletiles = false;
    bool partners = false;  // only with four players: 1 with 3, 2 with 4
    int zindles = 0;
    int playto = 0;  // 0: no score target
};

class Table {
public:
    Table(TableRules rules, uint32_t seed, WordLookup lookup, GameEvents* events = nullptr);
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const TableRules& rules() const { return rules_; }
    const RefereeState& state() const { return referee_.state(); }
    int curplayer() const { return state().curplayer; }
    const Rack& rack(int seat) const { return referee_.player(seat).tiles; }
    int32_t score(int seat) const { return referee_.player(seat).score; }
    bool over() const { return !state().gameon; }
    int turns() const { return turns_; }
    Position position() const {
        const RefereeState& g = state();
        return {g.colours, g.letters, g.curplayer, g.firstword, rules_.doubletiles};
    }

    // Actions of the seat on turn. A refused move or exchange leaves
    // everything as it was and the turn goes on, as with the host.
    bool play(const Move& move);
    bool exchange();
    void pass();

private:
    class AllSeated final : public Seating {
    public:
        explicit AllSeated(int players) : players_(players) {}
        bool open(int seat) const override { return seat >= 1 && seat <= players_; }
        bool watching(int) const override { return false; }
        int highestSeat() const override { return players_; }

    private:
        int players_;
    };

    TableRules rules_;
    Random random_;
    AllSeated seating_;
    GameEvents quiet_;
    Referee referee_;
    int turns_ = 0;  // moves and passes
};

// Plays random legal moves (or passes) until about `letters` letters lie on
// the board or the game ends: seeded mid-game positions for tests and
// benchmarks.
void playRandomly(Table& table, const Lexicon& lex, int letters, Random& random);

int lettersOnBoard(const Grid& letters);

}  // namespace zindle::engine
