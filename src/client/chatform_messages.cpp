// Tchat: the receive queue and the dispatch of the host's messages. Reads are
// cut into messages and queued; Timer1 hands one message per tick to its handler.
#include "client/chatform.h"

#include <QLabel>

#include <cstdio>

#include "widgets/codepage.h"
#include "client/boardview.h"
#include "client/spylistform.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"

namespace zindle {

namespace cmd = proto::cmd;

namespace {
// A host that floods us is cut off here rather than let it take all memory:
// many small messages, or fewer long ones.
constexpr std::size_t kMaxQueued = 200000;
constexpr std::size_t kMaxQueuedBytes = 32u << 20;
}  // namespace

void Tchat::buildDispatch() {
    auto on = [this](std::string_view name, void (Tchat::*handler)(std::string_view)) {
        table_.on(name, [this, handler](std::string_view f) { (this->*handler)(f); });
    };
    auto line = [this](std::string_view name, QString text) {
        table_.on(name, [this, text](std::string_view) { systemLine(text); });
    };
    auto reason = [this](std::string_view name) {
        table_.on(name, [this, name](std::string_view) {
            label_reason->setText(QString::fromStdString(*reasonFor(name)));
        });
    };
    on(cmd::sendlogininfo, &Tchat::sendloginfo);
    on(cmd::chat, &Tchat::chatrecieved);
    on(cmd::action, &Tchat::chatrecieved);
    on(cmd::newplayerinfo, &Tchat::newplayerinfo);
    table_.on(cmd::havewrongversion, [this](std::string_view f) {
        systemLine(shownName(f) + " has a different version of the game then you.");
    });
    line(cmd::wrongversion, "You have a differnt version of the game then the host.");
    on(cmd::existingplayers, &Tchat::newplayerinfo);
    on(cmd::playerdisconnected, &Tchat::playerdisconnected);
    on(cmd::startgame, &Tchat::startthegame);
    on(cmd::nextplayer, &Tchat::getnextplayer);
    on(cmd::winner, &Tchat::winner);
    table_.on(cmd::full, [this](std::string_view) { gameFull(); });
    on(cmd::arrangeboard, &Tchat::arrangeboard);
    on(cmd::atile, &Tchat::atile);
    on(cmd::placeletter, &Tchat::showboard);
    on(cmd::reposition, &Tchat::reposition);
    on(cmd::postscore, &Tchat::postscore);
    on(cmd::newword, &Tchat::newword);
    on(cmd::showboard, &Tchat::showboard);
    on(cmd::newtiles, &Tchat::newtiles);
    on(cmd::pass, &Tchat::passed);
    on(cmd::timeup, &Tchat::timeup);
    table_.on(cmd::invalid, [this](std::string_view) {
        button_clearClick();
        systemLine("Invalid Word!");
    });
    reason(cmd::playergotscore);
    reason(cmd::gametimeup);
    reason(cmd::nomoretiles);
    reason(cmd::everyonepassed);
    on(cmd::gamesettings, &Tchat::gamesettings);
    on(cmd::justwatching, &Tchat::justwatching);
    on(cmd::tilecount, &Tchat::tilecount);
    line(cmd::already, "You already bought new tiles.");
    line(cmd::notenough, "Not enough tiles left to Buy New Ones.");
    on(cmd::notiles, &Tchat::notiles);
}

void Tchat::sockRead(TSock& s, int) { receive(s.Text(), &s == &Sock11); }

void Tchat::receive(std::string_view bytes, bool lobby) {
    std::vector<std::string> entries;
    (lobby ? lobbyFramer_ : gameFramer_).feed(bytes, entries);
    for (auto& e : entries) {
        if (e.empty()) continue;  // two terminators in a row: nothing to do
        if (receivedlist.size() >= kMaxQueued || queuedBytes_ + e.size() > kMaxQueuedBytes) {
            std::fprintf(stderr, "zindle: the host sends faster than a window can follow\n");
            closeWindow(kConnectionLost);  // before the close reports itself
            sock.Close();
            return;
        }
        queuedBytes_ += e.size();
        receivedlist.push_back(std::move(e));
    }
    if (!receivedlist.empty() && !Timer1.isActive()) Timer1.start();
}

// One message per tick, and the phrase limiter's count. The timer stops when
// there is nothing to do, so an idle window costs nothing.
void Tchat::Timer1Timer() {
    processsocktimer();
    if (!phraseReady && ++phraseTicks > 100) {
        phraseReady = true;
        phraseTicks = 0;
    }
    if (receivedlist.empty() && phraseReady) Timer1.stop();
}

void Tchat::processsocktimer() {
    if (receivedlist.empty()) return;
    const std::string entry = std::move(receivedlist.front());
    receivedlist.pop_front();
    queuedBytes_ -= entry.size();
    table_.dispatch(entry);
}

void Tchat::sendToHost(const std::string& message) {
    try {
        sock.Send(message);
    } catch (const ESockException& e) {
        systemLine(QString::fromStdString(e.what()));
    }
}

void Tchat::sendloginfo(std::string_view f) {
    if (auto login = state.sendlogininfo(f)) sendToHost(login->reply);
}

void Tchat::newplayerinfo(std::string_view f) {
    const auto news = state.newplayerinfo(f);
    if (!news) return;
    const QString name = shownName(news->name);
    if (news->own) {
        systemLine("You are Connected.");
        if (isPlayerSeat(state.mySeat))
            bar->setPixmap(Artwork::forRatio(devicePixelRatioF()).bar(state.mySeat));
        loadinifile();
    } else {
        systemLine(name + " is Connected.");
    }
    if (news->seat > 4) {
        systemLine(news->own ? QString("You are spying.") : name + " is spying.");
        if (windows_.spylist) windows_.spylist->addEntry(QString("%1: %2").arg(news->seat).arg(name));
    } else {
        showScoreboard();
    }
    loadchecklist();
    playsounds("entered");
    sendStartWhenSeated();
}

void Tchat::playerdisconnected(std::string_view f) {
    const auto news = state.playerdisconnected(f);
    if (!news) return;
    if (news->own) closeWindow(kRemoved);
    if (isPlayerSeat(news->seat)) {
        if (news->previous != kWaiting) systemLine(shownName(news->previous) + " disconnected.");
        showScoreboard();
    }
    const QString name = shownName(news->name);
    if (windows_.spylist &&
        windows_.spylist->removeEntry(QString("%1: %2").arg(news->seat).arg(name)))
        systemLine(name + " has left.");
    loadchecklist();
}

void Tchat::gamesettings(std::string_view f) {
    if (!state.gamesettings(f)) return;
    showSettings();
    countedThisGame = false;  // a latecomer plays the rest of this game
    board->update();
}

void Tchat::tilecount(std::string_view f) {
    if (state.tilecount(f)) label_tilesleft->setText(QString::fromStdString(state.tilesLeftText()));
}

void Tchat::notiles(std::string_view f) {
    const auto seat = state.notiles(f);
    if (!seat) return;
    systemLine(*seat == state.mySeat ? QString("You are out of tiles")
                                     : shownName(state.seatLabel(*seat)) + " is out of tiles");
    playsounds("notiles");
}

void Tchat::gameFull() {
    setup_.dialogs->message(this, "Zindle", "Game is full");
    closeWindow();
}

}  // namespace zindle
