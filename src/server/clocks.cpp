// The game clock, the end checks and the winner list.
#include "server/server.h"

namespace zindle {

using proto::Builder;
using proto::message;
namespace cmd = proto::cmd;

void TServer::clockTick() {
    // A disabled timer does not tick, whoever calls.
    if (!timer2On_) return;
    ++gameseconds;
    if (turnclock != kIdleClock) --turnclock;
    if (turnclock != kIdleClock && turnclock < 0) {
        turnclock = kIdleClock;
        sendtoall(message(cmd::timeup, {curplayer}));
        if (checkforwin())
            curplayer = 0;
        else
            findplayer();
    }
    if (gametime != 0 && gameseconds / 60 >= gametime) {
        setClock(false);
        sendtoall(message(cmd::gametimeup, {""}));
        findwinner();
    }
}

bool TServer::checkforwin() {
    bool someoneHolds = false;
    bool allPassed = true;
    bool overTarget = false;
    for (int s = 1; s <= kPlayerSeats; ++s) {
        const TSeat& st = seats[s];
        if (st.connected && !st.passed && hasTile(s)) someoneHolds = true;
        if (!(st.passed || !st.connected || st.watching)) allPassed = false;
        if (st.score > playtoscore) overTarget = true;
    }
    if (!someoneHolds) {
        findwinner();
        sendtoall(message(cmd::nomoretiles, {""}));
        return true;
    }
    if (allPassed) {
        findwinner();
        sendtoall(message(cmd::everyonepassed, {""}));
        return true;
    }
    if (playtoscore != 0 && overTarget) {
        sendtoall(message(cmd::playergotscore, {""}));
        findwinner();
        return true;
    }
    return false;
}

void TServer::findwinner() {
    setClock(false);
    gameon = false;
    int32_t best = 0;
    for (int s = 1; s <= kPlayerSeats; ++s)
        if (seats[s].connected && seats[s].score > best) best = seats[s].score;
    Builder b(cmd::winner);
    for (int s = 1; s <= kPlayerSeats; ++s)
        if (seats[s].connected && seats[s].score == best) b << s;
    sendtoplayers(b.str());
}

}  // namespace zindle
