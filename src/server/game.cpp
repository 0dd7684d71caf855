// The game over the network: requests are read and checked here, and the
// referee plays them; a newcomer during a game is brought up to date.
#include "server/server.h"

namespace zindle {

using proto::FieldReader;
using proto::ListReader;
using proto::message;
namespace cmd = proto::cmd;

// A connection that has not logged in takes no part in the game: it is not dealt and
// never given the turn, so a stranger cannot stall the table until its deadline. It is
// brought up to date when it logs in, as any newcomer is.
bool TServer::SeatView::open(int seat) const {
    return isSeat(seat) && host_.seats[seat].connected && host_.seats[seat].loggedin;
}

bool TServer::SeatView::watching(int seat) const {
    return isSeat(seat) && host_.seats[seat].watching;
}

void TServer::startgame(std::string_view fields, int fromSeat) {
    if (fromSeat != 1) return;
    // Every field is read before anything changes, so a malformed start
    // leaves the running game as it was.
    FieldReader r(fields);
    std::array<std::string, 7> request;
    for (std::string& field : request) field = r.field();
    const auto turn = proto::parseNumber(request[1]);
    const auto squares = proto::parseNumber(request[2]);
    const auto minutes = proto::parseNumber(request[3]);
    const auto target = proto::parseNumber(request[4]);
    if (!turn || !squares || !minutes || !target) return;
    const GameSettings settings{*turn,   *squares,          *minutes,
                                *target, request[5] == "y", request[6] == "y"};
    if (!settings.acceptable()) return;
    wire_.startRequest = std::move(request);
    referee_.start(settings);
}

void TServer::done(std::string_view fields, int fromSeat) {
    FieldReader r(fields);
    const auto seat = r.number();
    // After an end (by the game clock the turn keeps its seat) nothing moves
    // until the next start: a second end would count the game twice.
    if (!seat || *seat != fromSeat || !referee_.mayMove(*seat)) return;

    std::vector<LayGroup> groups;
    ListReader list(r.rest());
    while (list.more()) {
        LayGroup g;
        const auto slot = list.number();
        if (!slot) return;
        g.flipped = list.flag();
        const auto x = list.number();
        if (!x) return;
        const auto y = list.number();
        if (!y) return;
        g.slot = *slot;
        g.x = *x;
        g.y = *y;
        groups.push_back(g);
    }
    referee_.done(*seat, groups);
}

void TServer::newtiles(std::string_view fields, int fromSeat) {
    const auto seat = proto::parseNumber(fields);
    if (seat && *seat == fromSeat) referee_.newtiles(*seat);
}

void TServer::pass(std::string_view fields, int fromSeat) {
    const auto seat = proto::parseNumber(fields);
    if (seat && *seat == fromSeat) referee_.pass(*seat);
}

void TServer::bringUpToDate(int seat) {
    const RefereeState& g = referee_.state();
    if (!g.gameon) return;
    const Arrangement& a = kArrangements[static_cast<std::size_t>(g.rotation & 3)];
    sendto(seat, message(cmd::arrangeboard, {a.a, a.b, a.c, a.d}));
    for (int x = 0; x < kBoardSize; ++x)
        for (int y = 0; y < kBoardSize; ++y)
            if (g.letters[x][y] != kNoTile)
                sendto(seat, message(cmd::showboard, {x, y, g.letters[x][y]}));
    if (isPlayer(seat)) {
        // The seat may have been dealt while nobody sat in it: the newcomer
        // must see the tiles it inherits, not only the ones drawn for it.
        const Rack& rack = referee_.player(seat).tiles;
        for (int slot = 1; slot <= kRackSize; ++slot)
            if (rack[slot] != kNoTile) sendto(seat, message(cmd::atile, {slot, rack[slot]}));
        referee_.fillRack(seat);
    }
    const GameSettings& s = g.settings;
    sendto(seat, message(cmd::gamesettings,
                         {s.turntime, s.squarecount, s.gametime, g.gameseconds, s.playtoscore,
                          s.doubletiles ? "y" : "n", g.teamgame ? "y" : "n"}));
    sendto(seat, message(cmd::nextplayer, {g.curplayer}));
    if (isPlayer(seat) && seats[seat].watching)
        sendto(seat, message(cmd::justwatching, {seat, "1"}));
}

}  // namespace zindle
