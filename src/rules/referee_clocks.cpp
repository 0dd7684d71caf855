// The clocks, the end checks and the winners.
#include "rules/referee.h"

namespace zindle {

void Referee::setClock(bool on) {
    state_.clockOn = on;
    events_.clockSwitched(on);
}

void Referee::end(GameEnd why) {
    state_.ending = why;
    events_.gameEnded(why);
}

void Referee::tick() {
    // A clock that is off does not tick, whoever calls.
    RefereeState& g = state_;
    if (!g.clockOn) return;
    ++g.gameseconds;
    if (g.turnclock != kIdleClock) --g.turnclock;
    // A turn of t seconds times out on the tick that takes its clock below 0.
    if (g.turnclock != kIdleClock && g.turnclock < 0) {
        g.turnclock = kIdleClock;
        events_.timedOut(g.curplayer);
        if (checkforwin())
            g.curplayer = 0;
        else
            findplayer();
    }
    // Checked even when a time-out has just ended the game, so both ends are
    // told; the seat on turn keeps it.
    if (g.settings.gametime != 0 && g.gameseconds / 60 >= g.settings.gametime) {
        setClock(false);
        end(GameEnd::GameTimeUp);
        findwinner();
    }
}

// For the first two ends the winners go out before the reason; for the
// score target the reason goes first.
bool Referee::checkforwin() {
    bool someoneHolds = false;
    bool allPassed = true;
    bool overTarget = false;
    for (int s = 1; s <= kPlayerSeats; ++s) {
        const PlayerState& p = state_.players[s];
        const bool open = seating_.open(s);
        if (open && !p.passed && p.hasTile()) someoneHolds = true;
        if (!(p.passed || !open || seating_.watching(s))) allPassed = false;
        if (p.score > state_.settings.playtoscore) overTarget = true;
    }
    if (!someoneHolds) {
        findwinner();
        end(GameEnd::NoMoreTiles);
        return true;
    }
    if (allPassed) {
        findwinner();
        end(GameEnd::EveryonePassed);
        return true;
    }
    if (state_.settings.playtoscore != 0 && overTarget) {
        end(GameEnd::PlayerGotScore);
        findwinner();
        return true;
    }
    return false;
}

// The open seats 1 to 4 with the best score win together, partners and
// watchers included; nobody wins with a score below 0.
void Referee::findwinner() {
    setClock(false);
    state_.gameon = false;
    int32_t best = 0;
    for (int s = 1; s <= kPlayerSeats; ++s)
        if (seating_.open(s) && state_.players[s].score > best) best = state_.players[s].score;
    state_.winners.clear();
    for (int s = 1; s <= kPlayerSeats; ++s)
        if (seating_.open(s) && state_.players[s].score == best) state_.winners.push_back(s);
    events_.winners(state_.winners);
}

}  // namespace zindle
