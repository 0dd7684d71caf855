// A computer player's seat: it reads the host's messages through the same
// model as a game window (GameState), and on its turn lays its tiles through
// the model's own steps and answers with the window's messages. No sockets
// and no clock here: the caller delivers messages and says when the thinking
// delay is over.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "clientstate/gamestate.h"
#include "engine/choose.h"
#include "engine/lexicon.h"
#include "rules/random.h"

namespace zindle::engine {

// The built-in word list as an automaton, built on first use and shared by
// every bot of the process.
const Lexicon& sharedLexicon();

class BotSeat {
public:
    BotSeat(const Lexicon& lex, std::string name, Level level, uint32_t seed);

    // One host message, terminator removed. Returns what to send at once
    // (the login answer), terminator included.
    std::optional<std::string> receive(std::string_view entry);

    // The seat is on turn and waits for its move.
    bool turnPending() const { return pending_; }

    // Decides and lays the tiles: "CMD_done", "CMD_newtiles" or "CMD_pass",
    // terminator included. Nothing when no turn is pending or the turn clock
    // has run out.
    std::optional<std::string> play();

    const GameState& state() const { return state_; }
    GameState& state() { return state_; }
    Level level() const { return level_; }
    void setLevel(Level level) { level_ = level; }
    int refused() const { return refused_; }  // "CMD_invalid" answers: never expected
    Situation situation() const;

private:
    const Lexicon& lex_;
    GameState state_;
    Level level_;
    Random random_;
    bool pending_ = false;
    bool exchangeRefused_ = false;
    bool passNext_ = false;
    int refused_ = 0;
    std::array<bool, 5> passed_{};  // passed on their last turn
};

}  // namespace zindle::engine
