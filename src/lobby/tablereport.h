// The host's table status as the lobby announces it. Header-only, so that
// the lobby library needs no game host: the programs that have one (the
// game, zindle-host) include this.
#pragma once

#include "lobby/statuslink.h"
#include "net/protocol.h"
#include "server/tablestatus.h"

namespace zindle::lobby {

inline TableReport tableReport(const TableStatus& s) {
    TableReport r;
    r.port = s.port;
    r.table.seats = s.seated;
    r.table.spectators = s.spectators;
    r.table.playing = s.playing;
    r.table.version =
        QString::fromLatin1(proto::kVersion.data(), qsizetype(proto::kVersion.size()));
    r.table.turntime = s.turntime;
    r.table.zindles = s.zindles;
    r.table.doubleTiles = s.doubleTiles;
    r.table.teams = s.teams;
    return r;
}

}  // namespace zindle::lobby
