#include "client/computerplayers.h"

#include <algorithm>

#include "clientstate/gamestate.h"
#include "engine/bot.h"

namespace zindle {

namespace {
constexpr int kSeatWaitMs = 3000;  // a computer that cannot log in by then is not waited for
}

ComputerPlayers::ComputerPlayers(int thinkMs, QObject* parent)
    : QObject(parent), thinkMs_(thinkMs) {
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] { readyWhenSeated(nullptr); });
}

ComputerPlayers::~ComputerPlayers() = default;

void ComputerPlayers::seat(int wanted, engine::Level level, int port, const GameState& state) {
    std::erase_if(bots_, [](const auto& b) { return b->closed(); });
    while (static_cast<int>(bots_.size()) > wanted) {
        bots_.back()->leave();
        bots_.pop_back();
    }
    int free = 0;
    for (int s = 1; s <= kPlayerSeats; ++s) free += state.names()[s] == kWaiting;
    for (const auto& b : bots_) b->setLevel(level);  // those who stay
    for (int n = 1; static_cast<int>(bots_.size()) < wanted && free > 0; ++n) {
        const std::string name = "Computer " + std::to_string(n);
        if (std::any_of(bots_.begin(), bots_.end(),
                        [&](const auto& b) { return b->options().name == name; }))
            continue;
        engine::BotOptions o;
        o.port = port;
        o.name = name;
        o.level = level;
        o.delayMs = thinkMs_;
        bots_.push_back(std::make_unique<engine::Bot>(o));
        bots_.back()->start();
        --free;
    }
    pending_ = true;
    timeout_.start(kSeatWaitMs);
    readyWhenSeated(&state);
}

void ComputerPlayers::seatsChanged(const GameState& state) {
    readyWhenSeated(&state);
}

// Without a state, the wait is over.
void ComputerPlayers::readyWhenSeated(const GameState* state) {
    if (!pending_) return;
    for (const auto& b : bots_) {
        if (!state) break;
        if (b->closed()) continue;
        const std::string& name = b->options().name;
        if (std::none_of(state->names().begin() + 1, state->names().end(),
                         [&](const std::string& n) { return n == name; }))
            return;
    }
    pending_ = false;
    timeout_.stop();
    emit ready();
}

bool ComputerPlayers::holdAllOtherSeats(const GameState& state) const {
    if (bots_.empty()) return false;
    for (int s = 1; s <= kPlayerSeats; ++s) {
        if (s == state.mySeat() || state.names()[s] == kWaiting) continue;
        const bool ours = std::any_of(bots_.begin(), bots_.end(), [s](const auto& b) {
            return !b->closed() && b->seat().state().mySeat() == s;
        });
        if (!ours) return false;
    }
    return true;
}

}  // namespace zindle
