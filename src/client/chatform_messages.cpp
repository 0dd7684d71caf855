// Tchat: the host's messages. Each handler reads its fields into the seat model and has the
// panels show what changed.
#include <QApplication>

#include "client/boardpanel.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/gamemenus.h"
#include "client/overlays.h"
#include "client/scoreboard.h"
#include "client/shown.h"
#include "client/spylistform.h"
#include "widgets/dialogs.h"

namespace zindle {

namespace cmd = proto::cmd;

void Tchat::buildDispatch() {
    auto on = [this](std::string_view name, void (Tchat::*handler)(std::string_view)) {
        table_.on(name, [this, handler](std::string_view f) { (this->*handler)(f); });
    };
    auto line = [this](std::string_view name, QString text) {
        table_.on(name, [this, text](std::string_view) { systemLine(text); });
    };
    auto reason = [this](std::string_view name) {
        table_.on(name, [this, name](std::string_view) {
            gameOver_->setReason(QString::fromStdString(*reasonFor(name)));
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
    table_.on(cmd::full, [this](std::string_view) {
        setup_.dialogs->message(this, "Zindle", "Game is full");
        closeWindow();
    });
    on(cmd::arrangeboard, &Tchat::arrangeboard);
    on(cmd::atile, &Tchat::atile);
    on(cmd::placeletter, &Tchat::showboard);
    on(cmd::reposition, &Tchat::reposition);
    on(cmd::postscore, &Tchat::postscore);
    on(cmd::newword, &Tchat::newword);
    on(cmd::showboard, &Tchat::showboard);
    on(cmd::newtiles, &Tchat::newtiles);
    table_.on(cmd::pass, [this](std::string_view f) { turnEnded(f, false); });
    table_.on(cmd::timeup, [this](std::string_view f) { turnEnded(f, true); });
    table_.on(cmd::invalid, [this](std::string_view) {
        onClearClicked();
        afterMove(false);
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

void Tchat::sendloginfo(std::string_view f) {
    if (auto login = state_.sendlogininfo(f)) sendToHost(login->reply);
}

void Tchat::newplayerinfo(std::string_view f) {
    const auto news = state_.newplayerinfo(f);
    if (!news) return;
    const QString name = shownName(news->name);
    if (news->own) {
        systemLine("You are Connected.");
        // The host renames a blank name, or one another seat already has.
        if (news->name != proto::printable(state_.loginName))
            systemLine("The host shows you as " + name + ".");
        boardPanel_->showBar(state_.mySeat);
        loadinifile();
    } else {
        systemLine(name + " is Connected.");
    }
    if (news->seat > 4) {
        systemLine(news->own ? QString("You are spying.") : name + " is spying.");
        if (windows_.spylist)
            windows_.spylist->addEntry(QString("%1: %2").arg(news->seat).arg(name));
    } else {
        scoreboard_->showSeats();
    }
    loadchecklist();
    playsounds("entered");
    computers_.seatsChanged(state_);
}

void Tchat::playerdisconnected(std::string_view f) {
    const auto news = state_.playerdisconnected(f);
    if (!news) return;
    if (news->own) closeWindow("You were removed from the game by the host.");
    if (isPlayerSeat(news->seat)) {
        if (news->previous != kWaiting) systemLine(shownName(news->previous) + " disconnected.");
        scoreboard_->showSeats();
    }
    const QString name = shownName(news->name);
    if (windows_.spylist &&
        windows_.spylist->removeEntry(QString("%1: %2").arg(news->seat).arg(name)))
        systemLine(name + " has left.");
    loadchecklist();
}

void Tchat::gamesettings(std::string_view f) {
    if (!state_.gamesettings(f)) return;
    scoreboard_->showSettings();
    countedThisGame_ = false;  // a latecomer plays the rest of this game
    boardPanel_->showBoard();
}

void Tchat::tilecount(std::string_view f) {
    if (state_.tilecount(f))
        scoreboard_->showTilesLeft(QString::fromStdString(state_.tilesLeftText()));
}

void Tchat::notiles(std::string_view f) {
    const auto seat = state_.notiles(f);
    if (!seat) return;
    systemLine(*seat == state_.mySeat ? QString("You are out of tiles")
                                      : shownName(state_.seatLabel(*seat)) + " is out of tiles");
    playsounds("notiles");
}

void Tchat::arrangeboard(std::string_view f) {
    if (state_.arrangeboard(f)) boardPanel_->showBoard();
}

void Tchat::showboard(std::string_view f) {
    if (state_.showboard(f)) boardPanel_->showBoard();
}

void Tchat::atile(std::string_view f) {
    if (state_.atile(f)) boardPanel_->showRack();
}

void Tchat::reposition(std::string_view f) {
    if (!state_.reposition(f)) return;
    boardPanel_->forgetLaid();
    boardPanel_->refresh(0);
}

void Tchat::newword(std::string_view f) {
    if (!state_.newword(f)) return;
    playsounds("word");
    showMoveButtons(false);
    boardPanel_->cancelPick();
    boardPanel_->refresh(0);
}

void Tchat::newtiles(std::string_view f) {
    const int before = boardPanel_->laidCount();
    const auto news = state_.newtiles(f);
    boardPanel_->cancelPick();
    if (!news) return;
    scoreboard_->showSeats();
    if (news->own) {
        // The new rack is already dealt: the same turn goes on with it.
        record_.onMyNewTiles();
        record_.onMyTurnStarts(state_);
        boardPanel_->refresh(before);
        afterMove(false);
        systemLine("You Bought New Tiles");
    } else {
        systemLine(shownName(state_.seatLabel(news->seat)) + " Bought New Tiles");
    }
}

void Tchat::startthegame(std::string_view f) {
    gameOver_->hide();
    const auto news = state_.startthegame(f);
    boardPanel_->forgetLaid();
    boardPanel_->showRack();
    boardPanel_->showBoard();
    scoreboard_->startGame();
    showMoveButtons(false);
    if (!news) return;
    scoreboard_->showSettings();
    systemLine(news->ownStart ? QString("You have started a game.")
                              : shownName(news->starter) + " has started a game.");
    scoreboard_->showStartButton(false);
    countedThisGame_ = false;
    record_.clear();
    hintsTaken_ = 0;
    clockTimer_.start();
    loadchecklist();
}

void Tchat::getnextplayer(std::string_view f) {
    const int before = boardPanel_->laidCount();
    const auto seat = state_.getnextplayer(f);
    boardPanel_->refresh(before);
    if (!seat) return;
    scoreboard_->showTurn();
    if (!state_.ownTurn()) {
        showMoveButtons(false);
    } else {
        record_.onMyTurnStarts(state_);
        playsounds("turn");
        showMoveButtons(true);
        if (!isActiveWindow()) QApplication::alert(this);
    }
    if (!clockTimer_.isActive()) clockTimer_.start();
}

void Tchat::postscore(std::string_view f) {
    const auto news = state_.postscore(f);
    scoreboard_->showSeats();
    if (!news) return;
    if (news->seat == state_.mySeat) record_.onMyMovePlayed(sentMove_, news->points, news->effect);
    systemLine("*" + shownName(state_.names[news->seat]) + ": " +
               shown(news->word, kMaxShownWord).toUpper() + " " +
               QString::fromStdString(state_.bonus[news->seat]) + " points.*");
    if (news->effect < 1 || news->effect > 3) return;
    boardPanel_->playEffect(news->effect);
    playsounds(news->effect == 3 ? "znbad" : "zngood");
}

// A pass or a time-up: the seat's laid tiles go back and its turn is over.
void Tchat::turnEnded(std::string_view f, bool timeUp) {
    const int before = boardPanel_->laidCount();
    const auto seat = state_.passed(f);
    boardPanel_->cancelPick();
    boardPanel_->refresh(before);
    if (!seat) return;
    if (*seat == state_.mySeat) record_.onMyPass();
    if (*seat != state_.mySeat) {
        systemLine(shownName(state_.names[*seat]) + (timeUp ? "'s Time is up" : " Passed"));
    } else if (!timeUp) {
        systemLine("You Passed");
    } else {
        systemLine("Your Time is up");
        playsounds("time");
    }
    showMoveButtons(false);
}

void Tchat::winner(std::string_view f) {
    const std::vector<int> seats = state_.winner(f);
    clockTimer_.stop();
    boardPanel_->cancelPick();
    playsounds("gameover");
    QStringList names;
    for (int s : seats) names << shownName(state_.names[s]);
    showMoveButtons(false);
    gameOver_->showWinners(names, hintsTaken_, hintsTaken_ > 0 || coachAvailable(),
                           record_.size() > 0);
    playsounds("winner");
    if (state_.isHost) {
        menus_->setStartEnabled(true);
        scoreboard_->showStartButton(true);
    }
    // The tally counts one game per start, and only a seated player's games:
    // a time-out and the game time can end a game twice on one tick.
    if (seats.size() != 1 || countedThisGame_ || !isPlayerSeat(state_.mySeat)) return;
    const QStringList others = otherPlayers();
    if (others.isEmpty() || !windows_.addgame) return;
    countedThisGame_ = true;
    windows_.addgame(seats[0] == state_.mySeat ? QString("addtomine") : names[0]);
}

void Tchat::justwatching(std::string_view f) {
    const auto news = state_.justwatching(f);
    if (!news) return;
    const auto [seat, on] = *news;
    if (seat == state_.mySeat) menus_->setJustWatching(on);
    systemLine(shownName(state_.names[seat]) + (on ? " is just watching" : " now playing again"));
    scoreboard_->showSeats();
}

void Tchat::chatrecieved(std::string_view f) {
    const std::size_t bar = f.find('|');
    const QString text = shown(f.substr(0, bar), kMaxShownChat);
    if (bar == std::string_view::npos) {
        addlinetochat(text, kWhite);
        return;
    }
    // No colour name is this long; a longer tail is not one.
    const std::string_view colour = f.substr(bar + 1);
    addlinetochat(text, colour.size() > 64 ? kWhite : parseColorText(colour).value_or(kWhite));
}

void Tchat::addlinetochat(const QString& text, ColorRef color) {
    chatPanel_->addLine(text, color);
}

void Tchat::clockTick() {
    const ClockTick t = state_.clockTick();
    scoreboard_->showClocks(QString::fromStdString(t.gameText), QString::fromStdString(t.turnText));
    if (t.tick) playsounds("tick");
}

QStringList Tchat::otherPlayers() const {
    QStringList names;
    for (int s = 1; s <= 4; ++s)
        if (s != state_.mySeat && state_.names[s] != kWaiting) names << shownName(state_.names[s]);
    return names;
}

void Tchat::loadchecklist() {
    if (windows_.fillChecklist) windows_.fillChecklist(otherPlayers());
}

}  // namespace zindle
