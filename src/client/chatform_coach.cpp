// Tchat: the coach. A hint is laid on the board as a preview the player can
// play or clear; it is offered only when every other seat is one of this
// window's own computer players, so nobody is coached against people. Every
// game keeps the player's turns for the review, from what this window saw.
#include "client/chatform.h"

#include <QApplication>

#include "coach/review.h"
#include "engine/bot.h"

namespace zindle {

bool Tchat::coachAvailable() const {
    if (!state.isHost || !isPlayerSeat(state.mySeat) || bots.empty()) return false;
    for (int s = 1; s <= 4; ++s) {
        if (s == state.mySeat || state.names[s] == kWaiting) continue;
        const bool mine = std::any_of(bots.begin(), bots.end(), [s](const auto& b) {
            return !b->closed() && b->seat().state().mySeat == s;
        });
        if (!mine) return false;
    }
    return true;
}

void Tchat::onHintClicked() {
    if (!coachAvailable() || !state.ownTurn() || !state.canLay()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const coach::Suggestion s = coach::Coach::hint(state);
    QApplication::restoreOverrideCursor();
    button_clearClick();
    if (!s.found) {
        systemLine("No word fits this rack. New Tiles may help.");
        return;
    }
    for (int i = 0; i < s.move.count; ++i) {
        const engine::TileLay& t = s.move.tiles[static_cast<std::size_t>(i)];
        if (state.rack[t.slot].back != t.flipped) state.flippit(t.slot);
        state.rackClick(t.slot, false);
        if (state.boardClick(t.x, t.y, true) == GameState::BoardClick::Laid) layOrder_.push_back(t.slot);
    }
    cancelPick();
    ++hintsTaken_;
    refreshBoard(0);
    systemLine(QString("Hint: %1 for %2 points. Done plays it, Clear takes it back.")
                   .arg(QString::fromStdString(s.word))
                   .arg(s.points));
}

void Tchat::openGameReview() {
    if (record_.size() == 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    coach::GameReview::show(record_, this);
    QApplication::restoreOverrideCursor();
}

}  // namespace zindle
