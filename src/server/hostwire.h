// The referee's events as the host's messages, each with its audience. The
// host sends them; a test in memory records them the same way.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "rules/referee.h"

namespace zindle {

class HostWire final : public GameEvents {
public:
    enum class To { All, Players, Seat };
    using Post = std::function<void(To to, int seat, const std::string& msg)>;

    explicit HostWire(Post post) : post_(std::move(post)) {}

    // The first seven fields of the "CMD_startgame" being obeyed, as the
    // starter sent them: everyone gets them back unchanged.
    std::array<std::string, 7> startRequest;
    // Whoever owns the game timer follows the referee's clock with it.
    std::function<void(bool on)> clock;

    void started(bool teamgame) override;
    void boardArranged(const Arrangement& a) override;
    void tileDrawn(int seat, int slot, int32_t code) override;
    void tilesDrawn(int drawn) override;
    void turnBegins(int seat) override;
    void noTiles(int seat) override;
    void moveRefused(int seat) override;
    void firstWordMoved(int seat, std::span<const LaidTile> tiles) override;
    void moveScored(const MoveScore& m) override;
    void exchangeRefused(int seat, ExchangeRefusal why) override;
    void exchanged(int seat, int32_t score, int partner, int32_t partnerScore) override;
    void passed(int seat) override;
    void timedOut(int seat) override;
    void gameEnded(GameEnd why) override;
    void winners(std::span<const int> seats) override;
    void clockSwitched(bool on) override {
        if (clock) clock(on);
    }

private:
    Post post_;
};

}  // namespace zindle
