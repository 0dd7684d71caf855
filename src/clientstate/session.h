// One seat's session with a host: the seat's model (GameState) and the one
// reading of the host's messages. receive() applies a message to the model
// and then tells the listener what changed; the game window and the
// computer players are both such listeners, so they cannot read the wire
// differently. Plain C++.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clientstate/gamestate.h"

namespace zindle {

// What a message changed, told after the model has taken it. Every call has
// an empty default, so a listener names only what it shows or acts on. A
// malformed message is not told, except where it cleared something first.
class SessionListener {
public:
    virtual ~SessionListener() = default;

    virtual void loginAsked(const LoginAnswer&) {}
    virtual void chatLine(std::string_view /*text*/) {}  // chat and action lines alike
    virtual void playerJoined(const PlayerNews&) {}      // also one already seated
    virtual void playerLeft(const PlayerNews&) {}
    virtual void otherVersion(std::string_view /*name*/) {}  // a player's program differs
    virtual void ownVersionDiffers() {}
    virtual void tableFull() {}
    virtual void settingsChanged() {}
    virtual void boardArranged() {}
    virtual void gameStarted(const StartNews&) {}
    // A start or turn message that failed after it had cleared the board, the rack's laid
    // tiles or the scores: what is shown must follow the model all the same.
    virtual void modelCleared() {}
    virtual void turnBegan(int /*seat*/) {}
    virtual void turnEnded(int /*seat*/, bool /*timeUp*/) {}
    virtual void tileDealt(int /*slot*/) {}
    virtual void cellShown(const Placement&) {}
    virtual void tilesRepositioned(const std::vector<Placement>&) {}
    virtual void wordLaid(const std::vector<Placement>&) {}
    virtual void scored(const ScoreNews&) {}
    virtual void tilesExchanged(const TileNews&) {}
    // The host refused our move; the laid tiles are back on the rack.
    virtual void moveRefused(const std::vector<int>& /*slots*/) {}
    // Our exchange was refused: already used this game, or the bag is short.
    virtual void exchangeRefused(bool /*alreadyBought*/) {}
    virtual void tilesCounted(int /*left*/) {}
    virtual void outOfTiles(int /*seat*/) {}
    virtual void watchingChanged(int /*seat*/, bool /*watching*/) {}
    virtual void gameEnded(const std::string& /*reason*/) {}
    virtual void winnersNamed(const std::vector<int>& /*seats*/) {}
};

class SeatSession {
public:
    SeatSession() = default;

    // One listener at a time; null for none.
    void setListener(SessionListener* listener) { listener_ = listener; }

    // Takes one host message (terminator removed). Returns the answer to
    // send at once (the login), terminator included.
    std::optional<std::string> receive(std::string_view entry);

    const GameState& state() const { return state_; }
    GameState& state() { return state_; }

private:
    GameState state_;
    SessionListener* listener_ = nullptr;
    SessionListener none_;
};

// ---- wire text about seats

// How the host's notice that a seat's player is gone begins; a removed seat
// is told it just before its connection closes.
std::string goneNoticePrefix(int seat);
// Asks the host to set a seat (our own, or any for seat 1) to watch, or back to play.
std::string watchMessage(int seat, bool watch);

}  // namespace zindle
