// A whole game without sockets: the host's rules of the deal, the judgement,
// the Zindle draw, the refill, the turn order and the ends, played through
// the rules library. The arena and the tests referee computer players here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/movegen.h"
#include "rules/bag.h"
#include "rules/judge.h"
#include "rules/random.h"

namespace zindle::engine {

struct TableRules {
    int players = 2;  // seats 1..players
    bool doubletiles = false;
    bool partners = false;  // only with four players: 1 with 3, 2 with 4
    int zindles = 0;
    int playto = 0;  // 0: no score target
};

enum class Ending { None, NoMoreTiles, EveryonePassed, PlayerGotScore, Stalled };

class Table {
public:
    Table(TableRules rules, uint32_t seed, WordLookup lookup);

    Grid colours{};
    Grid letters{};
    Bag bag;
    std::array<Rack, 5> racks{};
    std::array<int32_t, 5> score{};
    std::array<bool, 5> passed{};
    std::array<bool, 5> bought{};
    bool firstword = true;
    int curplayer = 0;
    Ending ending = Ending::None;
    int turns = 0;
    int32_t lastPoints = 0;  // the last accepted move's points, Zindle effect included

    const TableRules& rules() const { return rules_; }
    bool over() const { return ending != Ending::None; }
    bool teamgame() const { return teamgame_; }
    int partner(int seat) const { return seat <= 2 ? seat + 2 : seat - 2; }
    Position position() const {
        return {colours, letters, curplayer, firstword, rules_.doubletiles};
    }
    int tilesLeft() const { return bag.tilesLeft(); }

    // Actions of the seat on turn. A refused move or exchange leaves
    // everything as it was and the turn goes on, as with the host.
    bool play(const Move& move);
    bool exchange();
    void pass();

    std::vector<int> winners() const;

private:
    void setScore(int seat, int32_t s);
    bool hasTile(int seat) const;
    void findplayer();
    bool checkforwin();

    TableRules rules_;
    Random random_;
    WordLookup lookup_;
    bool teamgame_ = false;
};

// Plays random legal moves (or passes) until about `letters` letters lie on
// the board or the game ends: seeded mid-game positions for tests and
// benchmarks.
void playRandomly(Table& table, const Lexicon& lex, int letters, Random& random);

int lettersOnBoard(const Grid& letters);

}  // namespace zindle::engine
