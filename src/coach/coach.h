// The coach of a solo game: the best move for the player's rack as a hint,
// and a record of the player's turns to review after the game. It reads
// only what the player's own window knows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "clientstate/gamestate.h"
#include "engine/movegen.h"

namespace zindle::coach {

// A move the window can lay as a preview: for each tile the rack slot, the
// side that lies up and the cell.
struct Suggestion {
    bool found = false;
    engine::Move move;
    int32_t points = 0;  // before any Zindle square's effect
    std::string word;    // the main word, upper case
};

// What a hint is worked out from, copied out of the seat's model so that the
// model may go on changing meanwhile. Tiles laid but not yet played count as
// on the rack, not on the board.
struct HintQuestion {
    Grid colours{}, letters{};
    Rack rack{};
    int seat = 0;
    bool doubletiles = false;

    static HintQuestion of(const GameState& state);
};

class Coach {
public:
    // The highest-scoring move for the seat's visible rack on its board.
    static Suggestion hint(const GameState& state);
    static Suggestion hint(const HintQuestion& q);
    static Suggestion hint(const Grid& colours, const Grid& letters, const Rack& rack, int seat,
                           bool doubletiles);
};

// The main word a set of new tiles makes on the board, upper case.
std::string mainWord(const Grid& letters, const std::vector<Placement>& laid);

struct TurnRecord {
    enum Kind { Move, NewTiles, Pass } kind = Pass;
    int number = 0;  // the player's turns, from 1
    int seat = 1;
    Grid colours{}, letters{};  // the board when the turn began
    Rack rack{};
    bool doubletiles = false;
    std::vector<Placement> laid;  // the tiles played
    int32_t points = 0;           // what the host gave for them, before a Zindle square's luck
    int effect = kNoEffect;       // that luck
    std::string word;
    Suggestion best;  // worked out on first reading
    bool analysed = false;

    int32_t left() const { return best.points > points ? best.points - points : 0; }
};

// The window feeds it as the game goes; nothing comes from the host for it.
// It keeps at most kMaxTurns turns, more than one player has in a real game,
// so that a host that never starts a new game cannot grow it without end.
class GameRecord {
public:
    static constexpr std::size_t kMaxTurns = 400;

    // At the start of each of the player's turns.
    void onMyTurnStarts(const GameState& state);
    void onMyTurnStarts(const Grid& colours, const Grid& letters, const Rack& rack, int seat,
                        bool doubletiles);
    // When the host scores the player's move (its tiles, its points and the
    // Zindle effect drawn, as "CMD_postscore" tells them), or the player
    // takes new tiles or passes. New tiles keep the turn: call
    // onMyTurnStarts again once the new rack is dealt.
    void onMyMovePlayed(const std::vector<Placement>& laid, int32_t points, int effect = kNoEffect);
    void onMyNewTiles();
    void onMyPass();
    void clear() {
        turns_.clear();
        open_ = false;
    }

    // Every finished turn with its best move, worked out here on first call.
    const std::vector<TurnRecord>& turns();
    int32_t pointsLeft();
    size_t size() const { return turns_.size(); }

private:
    void close(TurnRecord::Kind kind);

    std::vector<TurnRecord> turns_;
    TurnRecord current_;
    bool open_ = false;
};

}  // namespace zindle::coach
