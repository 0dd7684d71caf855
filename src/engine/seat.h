// A computer player's seat: it follows the host through the same session as
// a game window (SeatSession), and on its turn lays its tiles through
// the model's own steps and answers with the window's messages. No sockets
// and no clock here: the caller delivers messages and says when the thinking
// delay is over.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "clientstate/gamestate.h"
#include "clientstate/session.h"
#include "engine/choose.h"
#include "engine/lexicon.h"
#include "rules/random.h"

namespace zindle::engine {

// The built-in word list as an automaton, built on first use and shared by
// every bot of the process.
const Lexicon& sharedLexicon();

// The tiles the seat's rack shows, laid ones left out.
Rack visibleRack(const GameState& state);

// Everything a decision needs, copied out of the seat so that it can be
// made on another thread while the seat goes on reading the host.
struct Turn {
    uint64_t serial = 0;    // the seat's turn it belongs to
    bool passOnly = false;  // the host refused our move: pass, no thinking
    Grid colours{}, letters{};
    Rack rack{};
    int seat = 1;
    bool firstword = false, doubletiles = false;
    Situation situation;
    Level level = Level::Normal;
    uint32_t seed = 1;

    Decision decide(const Lexicon& lex, const Budget& budget) const;
};

class BotSeat : private SessionListener {
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
    std::optional<std::string> play(const Budget& budget = {});

    // The same in two steps, for thinking elsewhere: what to think about
    // (nothing when no turn is pending), then the message for the decision,
    // nothing when that turn is already over.
    std::optional<Turn> beginTurn();
    std::optional<std::string> finishTurn(const Turn& turn, const Decision& d);
    // Changes whenever a turn of this seat begins or ends.
    uint64_t turnSerial() const { return serial_; }

    const GameState& state() const { return session_.state(); }
    GameState& state() { return session_.state(); }
    Level level() const { return level_; }
    void setLevel(Level level) { level_ = level; }
    int refused() const { return refused_; }  // "CMD_invalid" answers: never expected
    Situation situation() const;

private:
    // What the session tells; each marks whether a turn of ours began or ended.
    void turnBegan(int seat) override;
    void turnEnded(int seat, bool timeUp) override;
    void gameStarted(const StartNews&) override;
    void gameEnded(const std::string&) override;
    void winnersNamed(const std::vector<int>&) override;
    void tilesExchanged(const TileNews& news) override;
    void exchangeRefused(bool) override;
    void moveRefused(const std::vector<int>&) override;

    const Lexicon& lex_;
    SeatSession session_;
    GameState& state_ = session_.state();
    bool turnChanged_ = false;
    Level level_;
    Random random_;
    bool pending_ = false;
    uint64_t serial_ = 0;
    bool exchangeRefused_ = false;
    bool passNext_ = false;
    int refused_ = 0;
    PerPlayerSeat<bool> passed_{};  // passed on their last turn
};

}  // namespace zindle::engine
