#include "server/hostwire.h"

#include <utility>

#include "net/protocol.h"

namespace zindle {

using proto::Builder;
using proto::message;
namespace cmd = proto::cmd;

namespace {

Builder tilesMessage(std::string_view command, std::span<const LaidTile> tiles) {
    Builder b(command);
    for (const LaidTile& t : tiles) b << t.x << t.y << t.code;
    return b;
}

}  // namespace

void HostWire::started(bool teamgame) {
    const auto& r = startRequest;
    post_(
        To::All, 0,
        message(cmd::startgame, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], teamgame ? "y" : "n"}));
}

void HostWire::boardArranged(const Arrangement& a) {
    post_(To::All, 0, message(cmd::arrangeboard, {a.a, a.b, a.c, a.d}));
    // A new board: the windows forget where the Zindle squares were.
    post_(To::All, 0, message(cmd::zn));
}

void HostWire::tileDrawn(int seat, int slot, int32_t code) {
    post_(To::Seat, seat, message(cmd::atile, {slot, code}));
}

void HostWire::tilesDrawn(int drawn) {
    post_(To::All, 0, message(cmd::tilecount, {drawn}));
}

void HostWire::turnBegins(int seat) {
    post_(To::Players, 0, message(cmd::nextplayer, {seat}));
}

void HostWire::noTiles(int seat) {
    post_(To::Players, 0, message(cmd::notiles, {seat, ""}));
}

void HostWire::moveRefused(int seat) {
    post_(To::Seat, seat, message(cmd::invalid, {""}));
}

void HostWire::firstWordMoved(int seat, std::span<const LaidTile> tiles) {
    post_(To::Seat, seat, tilesMessage(cmd::reposition, tiles).str());
}

void HostWire::moveScored(const MoveScore& m) {
    post_(To::All, 0,
          message(cmd::postscore, {m.drawn, m.seat, m.squareeffect, m.wordscore, m.score, m.partner,
                                   m.partnerScore, m.lastword, ""}));
    post_(To::All, 0, tilesMessage(cmd::newword, m.laid).str());
}

void HostWire::exchangeRefused(int seat, ExchangeRefusal why) {
    post_(To::Seat, seat,
          message(why == ExchangeRefusal::Already ? cmd::already : cmd::notenough, {""}));
}

void HostWire::exchanged(int seat, int32_t score, int partner, int32_t partnerScore) {
    post_(To::All, 0, message(cmd::newtiles, {seat, score, partner, partnerScore}));
}

void HostWire::passed(int seat) {
    post_(To::All, 0, message(cmd::pass, {seat}));
}

void HostWire::timedOut(int seat) {
    post_(To::All, 0, message(cmd::timeup, {seat}));
}

void HostWire::gameEnded(GameEnd why) {
    static constexpr std::pair<GameEnd, std::string_view> kReasons[] = {
        {GameEnd::NoMoreTiles, cmd::nomoretiles},
        {GameEnd::EveryonePassed, cmd::everyonepassed},
        {GameEnd::PlayerGotScore, cmd::playergotscore},
        {GameEnd::GameTimeUp, cmd::gametimeup}};
    for (const auto& [end, reason] : kReasons)
        if (end == why) post_(To::All, 0, message(reason, {""}));
}

void HostWire::winners(std::span<const int> seats) {
    // With no winner the message is the bare name, which windows ignore.
    Builder b(cmd::winner);
    for (int s : seats) b << s;
    post_(To::Players, 0, b.str());
}

}  // namespace zindle
