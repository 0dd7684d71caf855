// Tchat: computer players seated in the host's own game through the loopback
// address, as ordinary clients. They stay for the next game; a lower count
// lets the last ones leave.
#include "client/chatform.h"

#include "widgets/codepage.h"
#include "client/gameoptionsform.h"
#include "engine/bot.h"
#include "engine/choose.h"
#include "server/server.h"

namespace zindle {

namespace {
constexpr int kSeatWaitMs = 3000;  // a bot that cannot log in by then is not waited for
}

void Tchat::startWithComputers() {
    Tgameoptions* options = windows_.options;
    if (!options || !windows_.server) {
        if (options) sendToHost(options->startMessage(state.playerName));
        return;
    }
    std::erase_if(bots, [](const auto& b) { return b->closed(); });
    const int want = options->spin_computers->value();
    while (static_cast<int>(bots.size()) > want) {
        bots.back()->leave();
        bots.pop_back();
    }
    int free = 0;
    for (int s = 1; s <= 4; ++s) free += state.names[s] == kWaiting;
    const auto level = engine::levelFromName(options->combo_level->currentText().toStdString());
    for (const auto& b : bots) b->setLevel(level.value_or(engine::Level::Normal));  // those who stay
    for (int n = 1; static_cast<int>(bots.size()) < want && free > 0; ++n) {
        const std::string name = "Computer " + std::to_string(n);
        if (std::any_of(bots.begin(), bots.end(),
                        [&](const auto& b) { return b->options().name == name; }))
            continue;
        engine::BotOptions o;
        o.port = windows_.server->Sock1.LocalPort();
        o.name = name;
        o.level = level.value_or(engine::Level::Normal);
        o.delayMs = setup_.botDelayMs;
        bots.push_back(std::make_unique<engine::Bot>(o));
        bots.back()->start();
        --free;
    }
    startPending = true;
    startTimeout.start(kSeatWaitMs);
    sendStartWhenSeated();
}

// Called again as players are announced: the start waits for every bot's
// seat, or until startTimeout gives up on the missing ones.
void Tchat::sendStartWhenSeated(bool waitedEnough) {
    if (!startPending || !windows_.options) return;
    for (const auto& b : bots) {
        if (waitedEnough) break;
        const std::string& name = b->options().name;
        if (b->closed()) continue;
        if (std::none_of(state.names.begin() + 1, state.names.end(),
                         [&](const std::string& n) { return n == name; }))
            return;
    }
    startPending = false;
    startTimeout.stop();
    sendToHost(windows_.options->startMessage(state.playerName));
}

}  // namespace zindle
