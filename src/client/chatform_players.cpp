// Tchat: what the player does (chat, phrases, the move buttons, watching), the host's seat
// actions, the start with computer players, and the coach.
#include <QApplication>

#include "client/boardpanel.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/gamemenus.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/scoreboard.h"
#include "coach/review.h"
#include "engine/choose.h"
#include "server/server.h"
#include "widgets/codepage.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"

namespace zindle {

void Tchat::sendit(const QString& text) {
    if (!state_.loggedIn()) return;
    if (!text.isEmpty()) {
        if (!text.startsWith('/')) {
            sendToHost(proto::message(
                proto::cmd::chat, {state_.mySeat(), toWire(text) + "|" + colorText(textColor_)}));
        } else if (text.startsWith("/me")) {
            sendToHost(proto::message(
                proto::cmd::action,
                {state_.mySeat(), toWire(text.mid(4)) + "|" + colorText(actionColor_)}));
        }
    }
    chatPanel_->clearEntry();
}

void Tchat::onPhraseClicked(int n) {
    if (!link_.phraseReady()) return;
    const QString p = chatPanel_->phrase(n);
    const QString text = p.startsWith("/me ") ? p.mid(4) : "says: " + p;
    sendToHost(proto::message(proto::cmd::action,
                              {state_.mySeat(), toWire(text) + "|" + colorText(actionColor_)}));
    link_.phraseSent();
}

void Tchat::openPhraseList() {
    if (!windows_.phrases) return;
    for (int n = 1; n <= 10; ++n) windows_.phrases->phrase[n]->setText(chatPanel_->phrase(n));
    showOver(windows_.phrases);
}

// An open dialog stays where the player moved it; a closed one opens over the game window,
// inside the screen.
void Tchat::showOver(QWidget* dialog) {
    if (!dialog->isVisible()) {
        // Placed at the size it opens with: one never sized yet takes its layout's.
        if (!dialog->testAttribute(Qt::WA_Resized)) dialog->adjustSize();
        placeWindow(dialog, this);
    }
    keepAbove(dialog, this);
    dialog->show();
    dialog->raise();
}

// After a move button the chat line has the keys again, unless the move came from the board's.
void Tchat::afterMove(bool fromKeyboard) {
    if (isActiveWindow() && !fromKeyboard) chatPanel_->focusEntry();
}

void Tchat::onDoneClicked() {
    const auto msg = state_.doneMessage();
    if (!msg) return;
    sentMove_.clear();
    for (int slot = 1; slot <= kRackSize; ++slot)
        if (const Cell c = state_.laid()[slot]; c != kNoCell)
            sentMove_.push_back({c.x, c.y, state_.rack()[slot].shown()});
    ++turnSerial_;  // the turn is ours to end: a hint still coming is for a turn over
    sendToHost(*msg);
}

void Tchat::onClearClicked() {
    boardPanel_->clearLaid();
}

void Tchat::onNewTilesClicked() {
    onClearClicked();
    if (!state_.ownTurn() || !state_.loggedIn()) return;
    ++turnSerial_;
    sendToHost(proto::message(proto::cmd::newtiles, {state_.mySeat()}));
}

void Tchat::onPassClicked() {
    onClearClicked();
    if (!state_.ownTurn() || !state_.loggedIn()) return;
    ++turnSerial_;
    sendToHost(proto::message(proto::cmd::pass, {state_.mySeat()}));
}

void Tchat::showMoveButtons(bool on) {
    const bool hint = on && coachAvailable();
    scoreboard_->showMoveButtons(on, hint);
    boardPanel_->setHintOffered(hint);
}

void Tchat::openGameOptions() {
    if (!state_.loggedIn()) {
        setup_.dialogs->message(this, "Zindle", "You are not connected");
        return;
    }
    if (windows_.options) {
        if (!windows_.options->isVisible()) windows_.options->adjustSize();
        showOver(windows_.options);
    }
    scoreboard_->showStartButton(false);
}

void Tchat::onJustWatchToggled() {
    if (!state_.loggedIn() || !isPlayer(state_.mySeat())) return;
    sendToHost(watchMessage(state_.mySeat(), !menus_->justWatching()));
}

void Tchat::kicking(int seat) {
    if (!state_.isHost() || !state_.loggedIn()) return;
    sendToHost(proto::message(proto::cmd::kickhim, {state_.mySeat(), seat, ""}));
}

void Tchat::setJustWatch(int seat, bool on) {
    if (!state_.loggedIn() || !isPlayer(seat)) return;
    sendToHost(watchMessage(seat, on));
}

// Computer players are seated first; the start goes out once they are.
void Tchat::startWithComputers() {
    Tgameoptions* options = windows_.options;
    if (!options) return;
    if (!windows_.server) {
        sendToHost(options->startMessage(state_.playerName()));
        return;
    }
    const auto level = engine::levelFromName(options->combo_level->currentText().toStdString());
    computers_.seat(options->spin_computers->value(), level.value_or(engine::Level::Normal),
                    windows_.server->port(), state_);
}

// A hint is offered only when every other seat is one of this window's own computer
// players, so nobody is coached against people.
bool Tchat::coachAvailable() const {
    return state_.isHost() && isPlayer(state_.mySeat()) && computers_.holdAllOtherSeats(state_);
}

// The hint is laid on the board as a preview the player can play or clear.
// It is worked out on the computer players' thread while the window runs on.
void Tchat::onHintClicked() {
    if (!coachAvailable() || !state_.ownTurn() || !state_.canLay()) return;
    if (computers_.hints().busy()) return;  // one at a time
    QApplication::setOverrideCursor(Qt::WaitCursor);
    computers_.hints().ask(coach::HintQuestion::of(state_), turnSerial_);
}

void Tchat::hintAnswered(std::uint64_t serial, const coach::Suggestion& s) {
    QApplication::restoreOverrideCursor();
    if (serial != turnSerial_ || !coachAvailable() || !state_.ownTurn() || !state_.canLay())
        return;  // the turn it was for is over
    onClearClicked();
    if (!s.found) {
        systemLine("No word fits this rack. New Tiles may help.");
        return;
    }
    std::vector<BoardPanel::Lay> tiles;
    for (int i = 0; i < s.move.count; ++i) {
        const engine::TileLay& t = s.move.tiles[std::size_t(i)];
        tiles.push_back({t.slot, t.x, t.y, t.flipped});
    }
    boardPanel_->layMove(tiles);
    ++hintsTaken_;
    systemLine(QString("Hint: %1 for %2 points. Done plays it, Clear takes it back.")
                   .arg(QString::fromStdString(s.word))
                   .arg(s.points));
}

// Every game keeps the player's turns for the review, from what this window saw.
void Tchat::openGameReview() {
    if (record_.size() == 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    coach::GameReview::show(record_, this);
    QApplication::restoreOverrideCursor();
}

}  // namespace zindle
