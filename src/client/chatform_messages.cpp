// Tchat: what the host's messages changed. The seat session has already applied each one
// to the model; these have the panels show it.
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

void Tchat::chatLine(std::string_view f) {
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

void Tchat::playerJoined(const PlayerNews& news) {
    const QString name = shownName(news.name);
    if (news.own) {
        systemLine("You are Connected.");
        // The host renames a blank name, or one another seat already has.
        if (news.name != proto::printable(state_.loginName()))
            systemLine("The host shows you as " + name + ".");
        boardPanel_->showBar(state_.mySeat());
        loadinifile();
    } else {
        systemLine(name + " is Connected.");
    }
    if (!isPlayer(news.seat)) {
        systemLine(news.own ? QString("You are spying.") : name + " is spying.");
        if (windows_.spylist)
            windows_.spylist->addEntry(QString("%1: %2").arg(news.seat).arg(name));
    } else {
        scoreboard_->showSeats();
    }
    loadchecklist();
    playsounds("entered");
    computers_.seatsChanged(state_);
}

void Tchat::playerLeft(const PlayerNews& news) {
    if (news.own) closeWindow("You were removed from the game by the host.");
    if (isPlayer(news.seat)) {
        if (news.previous != kWaiting) systemLine(shownName(news.previous) + " disconnected.");
        scoreboard_->showSeats();
    }
    const QString name = shownName(news.name);
    if (windows_.spylist &&
        windows_.spylist->removeEntry(QString("%1: %2").arg(news.seat).arg(name)))
        systemLine(name + " has left.");
    loadchecklist();
}

void Tchat::otherVersion(std::string_view name) {
    systemLine(shownName(name) + " has a different version of the game then you.");
}

void Tchat::ownVersionDiffers() {
    systemLine("You have a differnt version of the game then the host.");
}

void Tchat::tableFull() {
    setup_.dialogs->message(this, "Zindle", "Game is full");
    closeWindow();
}

void Tchat::settingsChanged() {
    scoreboard_->showSettings();
    countedThisGame_ = false;  // a latecomer plays the rest of this game
    boardPanel_->showBoard();
}

void Tchat::tilesCounted(int left) {
    scoreboard_->showTilesLeft(QString("Tiles Left: %1").arg(left));
}

void Tchat::outOfTiles(int seat) {
    systemLine(seat == state_.mySeat() ? QString("You are out of tiles")
                                       : shownName(state_.seatLabel(seat)) + " is out of tiles");
    playsounds("notiles");
}

void Tchat::boardArranged() {
    boardPanel_->showBoard();
}

void Tchat::cellShown(const Placement&) {
    boardPanel_->showBoard();
}

void Tchat::tileDealt(int) {
    boardPanel_->showRack();
}

void Tchat::tilesRepositioned(const std::vector<Placement>&) {
    boardPanel_->forgetLaid();
    boardPanel_->refresh(0);
}

void Tchat::wordLaid(const std::vector<Placement>&) {
    playsounds("word");
    showMoveButtons(false);
    boardPanel_->cancelPick();
    boardPanel_->refresh(0);
}

void Tchat::tilesExchanged(const TileNews& news) {
    if (news.own) ++turnSerial_;  // a new rack
    boardPanel_->cancelPick();
    scoreboard_->showSeats();
    if (news.own) {
        // The new rack is already dealt: the same turn goes on with it.
        record_.onMyNewTiles();
        record_.onMyTurnStarts(state_);
        boardPanel_->refresh();
        afterMove(false);
        systemLine("You Bought New Tiles");
    } else {
        systemLine(shownName(state_.seatLabel(news.seat)) + " Bought New Tiles");
    }
}

void Tchat::modelCleared() {
    boardPanel_->refresh();
    boardPanel_->showBoard();
    scoreboard_->showSeats();
}

void Tchat::gameStarted(const StartNews& news) {
    ++turnSerial_;
    gameOver_->hide();
    boardPanel_->forgetLaid();
    boardPanel_->showRack();
    boardPanel_->showBoard();
    scoreboard_->startGame();
    showMoveButtons(false);
    scoreboard_->showSettings();
    systemLine(news.ownStart ? QString("You have started a game.")
                             : shownName(news.starter) + " has started a game.");
    scoreboard_->showStartButton(false);
    countedThisGame_ = false;
    record_.clear();
    hintsTaken_ = 0;
    clockTimer_.start();
    loadchecklist();
}

void Tchat::turnBegan(int) {
    ++turnSerial_;
    boardPanel_->refresh();
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

void Tchat::scored(const ScoreNews& news) {
    scoreboard_->showSeats();
    if (news.seat == state_.mySeat()) record_.onMyMovePlayed(sentMove_, news.points, news.effect);
    systemLine("*" + shownName(state_.names()[news.seat]) + ": " +
               shown(news.word, kMaxShownWord).toUpper() + " " +
               QString::fromStdString(state_.bonus()[news.seat]) + " points.*");
    if (news.effect < 1 || news.effect > 3) return;
    boardPanel_->playEffect(news.effect);
    playsounds(news.effect == 3 ? "znbad" : "zngood");
}

// A pass or a time-up: the seat's laid tiles went back and its turn is over.
void Tchat::turnEnded(int seat, bool timeUp) {
    ++turnSerial_;
    boardPanel_->cancelPick();
    boardPanel_->refresh();
    if (seat == state_.mySeat()) record_.onMyPass();
    if (seat != state_.mySeat()) {
        systemLine(shownName(state_.names()[seat]) + (timeUp ? "'s Time is up" : " Passed"));
    } else if (!timeUp) {
        systemLine("You Passed");
    } else {
        systemLine("Your Time is up");
        playsounds("time");
    }
    showMoveButtons(false);
}

void Tchat::moveRefused(const std::vector<int>&) {
    boardPanel_->clearLaid();
    afterMove(false);
    systemLine("Invalid Word!");
}

void Tchat::exchangeRefused(bool alreadyBought) {
    systemLine(alreadyBought ? QString("You already bought new tiles.")
                             : QString("Not enough tiles left to Buy New Ones."));
}

void Tchat::gameEnded(const std::string& reason) {
    ++turnSerial_;
    gameOver_->setReason(QString::fromStdString(reason));
}

void Tchat::winnersNamed(const std::vector<int>& seats) {
    ++turnSerial_;
    clockTimer_.stop();
    boardPanel_->cancelPick();
    playsounds("gameover");
    QStringList names;
    for (int s : seats) names << shownName(state_.names()[s]);
    showMoveButtons(false);
    gameOver_->showWinners(names, hintsTaken_, hintsTaken_ > 0 || coachAvailable(),
                           record_.size() > 0);
    playsounds("winner");
    if (state_.isHost()) {
        menus_->setStartEnabled(true);
        scoreboard_->showStartButton(true);
    }
    // The tally counts one game per start, and only a seated player's games:
    // a time-out and the game time can end a game twice on one tick.
    if (seats.size() != 1 || countedThisGame_ || !isPlayer(state_.mySeat())) return;
    const QStringList others = otherPlayers();
    if (others.isEmpty() || !windows_.addgame) return;
    countedThisGame_ = true;
    windows_.addgame(seats[0] == state_.mySeat() ? QString("addtomine") : names[0]);
}

void Tchat::watchingChanged(int seat, bool on) {
    if (seat == state_.mySeat()) menus_->setJustWatching(on);
    systemLine(shownName(state_.names()[seat]) + (on ? " is just watching" : " now playing again"));
    scoreboard_->showSeats();
}

void Tchat::addlinetochat(const QString& text, ColorRef color) {
    chatPanel_->addLine(text, color);
}

void Tchat::clockTick() {
    const ClockTick t = state_.clockTick();
    scoreboard_->showClocks(QString::fromStdString("Game Time: " + clockText(t.gameSeconds)),
                            QString::fromStdString("Turn Time: " + clockText(t.turnSeconds)));
    if (t.tick) playsounds("tick");
}

QStringList Tchat::otherPlayers() const {
    QStringList names;
    for (int s = 1; s <= kPlayerSeats; ++s)
        if (s != state_.mySeat() && state_.names()[s] != kWaiting)
            names << shownName(state_.names()[s]);
    return names;
}

void Tchat::loadchecklist() {
    if (windows_.fillChecklist) windows_.fillChecklist(otherPlayers());
}

}  // namespace zindle
