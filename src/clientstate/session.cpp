#include "clientstate/session.h"

#include "net/protocol.h"

namespace zindle {

namespace cmd = proto::cmd;

std::optional<std::string> reasonFor(std::string_view command) {
    if (command == cmd::playergotscore) return "Play to Score Reached, Game Over!";
    if (command == cmd::gametimeup) return "Game Time is Up, Game Over!";
    if (command == cmd::nomoretiles) return "No More tiles, Game Over!";
    if (command == cmd::everyonepassed) return "Everyone has passed, Game Over!";
    return std::nullopt;
}

std::optional<std::string> SeatSession::receive(std::string_view entry) {
    const auto s = proto::split(entry);
    if (!s) return std::nullopt;
    const std::string_view c = s->command;
    const std::string_view f = s->fields;
    GameState& g = state_;
    SessionListener& tell = listener_ ? *listener_ : none_;
    if (c == cmd::sendlogininfo) {
        if (auto login = g.sendlogininfo(f)) {
            tell.loginAsked(*login);
            return login->reply;
        }
    } else if (c == cmd::chat || c == cmd::action) {
        tell.chatLine(f);
    } else if (c == cmd::newplayerinfo || c == cmd::existingplayers) {
        if (auto news = g.newplayerinfo(f)) tell.playerJoined(*news);
    } else if (c == cmd::playerdisconnected) {
        if (auto news = g.playerdisconnected(f)) tell.playerLeft(*news);
    } else if (c == cmd::havewrongversion) {
        tell.otherVersion(f);
    } else if (c == cmd::wrongversion) {
        tell.ownVersionDiffers();
    } else if (c == cmd::full) {
        tell.tableFull();
    } else if (c == cmd::startgame) {
        if (auto news = g.startthegame(f))
            tell.gameStarted(*news);
        else
            tell.modelCleared();
    } else if (c == cmd::nextplayer) {
        if (auto seat = g.getnextplayer(f))
            tell.turnBegan(*seat);
        else
            tell.modelCleared();
    } else if (c == cmd::winner) {
        tell.winnersNamed(g.winner(f));
    } else if (c == cmd::arrangeboard) {
        if (g.arrangeboard(f)) tell.boardArranged();
    } else if (c == cmd::atile) {
        if (auto slot = g.atile(f)) tell.tileDealt(*slot);
    } else if (c == cmd::showboard || c == cmd::placeletter) {
        if (auto cell = g.showboard(f)) tell.cellShown(*cell);
    } else if (c == cmd::reposition) {
        if (auto cells = g.reposition(f)) tell.tilesRepositioned(*cells);
    } else if (c == cmd::postscore) {
        if (auto news = g.postscore(f)) tell.scored(*news);
    } else if (c == cmd::newword) {
        if (auto cells = g.newword(f)) tell.wordLaid(*cells);
    } else if (c == cmd::newtiles) {
        if (auto news = g.newtiles(f)) tell.tilesExchanged(*news);
    } else if (c == cmd::pass || c == cmd::timeup) {
        if (auto seat = g.passed(f)) tell.turnEnded(*seat, c == cmd::timeup);
    } else if (c == cmd::invalid) {
        tell.moveRefused(g.clearLaid());
    } else if (c == cmd::already || c == cmd::notenough) {
        tell.exchangeRefused(c == cmd::already);
    } else if (c == cmd::gamesettings) {
        if (g.gamesettings(f)) tell.settingsChanged();
    } else if (c == cmd::justwatching) {
        if (auto w = g.justwatching(f)) tell.watchingChanged(w->first, w->second);
    } else if (c == cmd::tilecount) {
        if (auto left = g.tilecount(f)) tell.tilesCounted(*left);
    } else if (c == cmd::notiles) {
        if (auto seat = g.notiles(f)) tell.outOfTiles(*seat);
    } else if (auto why = reasonFor(c)) {
        g.setReason(*why);
        tell.gameEnded(g.reason());
    }
    return std::nullopt;
}

std::string goneNoticePrefix(int seat) {
    return std::string(cmd::playerdisconnected) + "+" + std::to_string(seat) + "+";
}

std::string watchMessage(int seat, bool watch) {
    return proto::message(cmd::justwatch, {seat, watch ? "1" : "2"});
}

}  // namespace zindle
