#include "server/tablestatus.h"

#include "server/server.h"

namespace zindle {

TableStatus tableStatus(const TServer& s) {
    TableStatus t;
    t.port = s.listener.LocalPort();
    for (int seat = 1; seat <= kSeats; ++seat) {
        const TSeat& st = s.seats[static_cast<std::size_t>(seat)];
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
    // Every change of the table happens in one of these: a queued message
    // handled, a clock tick, a connection accepted or closed. Our slots run
    // after the host's own, so they see the result.
    connect(&server.socktimer, &QTimer::timeout, this, &TableWatch::check);
    connect(&server.clockTimer, &QTimer::timeout, this, &TableWatch::check);
    QPointer<TableWatch> self(this);
    auto accept = server.listener.OnAccept;
    server.listener.OnAccept = [accept, self](TSock& s) {
        if (accept) accept(s);
        if (self) self->check();
    };
    auto info = server.tempsock.OnInfo;
    server.tempsock.OnInfo = [info, self](TSock& s, TSocketInfo kind, const std::string& msg) {
        if (info) info(s, kind, msg);
        if (self) self->check();
    };
}

void TableWatch::check() {
    const TableStatus now = tableStatus(server_);
    if (now == last_) return;
    last_ = now;
    if (changed) changed(now);
}

}  // namespace zindle
