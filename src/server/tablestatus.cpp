#include "server/tablestatus.h"

#include "server/server.h"

namespace zindle {

TableStatus tableStatus(const TServer& s) {
    TableStatus t;
    t.port = s.port();
    for (int seat = 1; seat <= kSeats; ++seat) {
        const TSeat& st = s.seat(seat);
        if (!st.connected) continue;
        if (isPlayer(seat)) {
            ++t.seated;
            if (st.loggedin) ++t.loggedIn;
        } else {
            ++t.spectators;
        }
    }
    const RefereeState& game = s.referee().state();
    t.playing = game.gameon;
    t.turntime = game.settings.turntime;
    t.zindles = game.settings.squarecount;
    t.doubleTiles = game.settings.doubletiles;
    t.teams = game.teamgame;
    return t;
}

TableWatch::TableWatch(TServer& server, QObject* parent)
    : QObject(parent), server_(server), last_(tableStatus(server)) {
    connect(&server, &TServer::changed, this, &TableWatch::check);
}

void TableWatch::check() {
    const TableStatus now = tableStatus(server_);
    if (now == last_) return;
    last_ = now;
    if (changed) changed(now);
}

}  // namespace zindle
