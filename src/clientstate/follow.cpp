#include "clientstate/gamestate.h"
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

std::optional<std::string> GameState::follow(std::string_view entry) {
    const auto s = proto::split(entry);
    if (!s) return std::nullopt;
    const std::string_view c = s->command;
    const std::string_view f = s->fields;
    if (c == cmd::sendlogininfo) {
        if (auto login = sendlogininfo(f)) return login->reply;
    } else if (c == cmd::newplayerinfo || c == cmd::existingplayers) {
        newplayerinfo(f);
    } else if (c == cmd::playerdisconnected) {
        playerdisconnected(f);
    } else if (c == cmd::startgame) {
        startthegame(f);
    } else if (c == cmd::nextplayer) {
        getnextplayer(f);
    } else if (c == cmd::winner) {
        winner(f);
    } else if (c == cmd::arrangeboard) {
        arrangeboard(f);
    } else if (c == cmd::atile) {
        atile(f);
    } else if (c == cmd::showboard || c == cmd::placeletter) {
        showboard(f);
    } else if (c == cmd::reposition) {
        reposition(f);
    } else if (c == cmd::postscore) {
        postscore(f);
    } else if (c == cmd::newword) {
        newword(f);
    } else if (c == cmd::newtiles) {
        newtiles(f);
    } else if (c == cmd::pass || c == cmd::timeup) {
        passed(f);
    } else if (c == cmd::invalid) {
        clearLaid();
    } else if (c == cmd::gamesettings) {
        gamesettings(f);
    } else if (c == cmd::justwatching) {
        justwatching(f);
    } else if (c == cmd::tilecount) {
        tilecount(f);
    } else if (auto why = reasonFor(c)) {
        reason = *why;
    }
    return std::nullopt;
}

}  // namespace zindle
