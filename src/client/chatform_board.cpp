// Tchat: the board and the rack. The seat model decides; this file shows the
// outcome, plays the sounds and sends what the move buttons send.
#include "client/chatform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "client/boardview.h"
#include "widgets/codepage.h"
#include "rules/judge.h"
#include "rules/mydict.h"
#include "server/server.h"
#include "widgets/artwork.h"

namespace zindle {

namespace {

QString letterName(int code) { return isLetterCode(code) ? QString(QChar('A' + code)) : QString("empty"); }

}  // namespace


namespace {
int laidCount(const GameState& s) {
    int n = 0;
    for (int slot = 1; slot <= kRackSize; ++slot) n += s.laid[slot] != kNoCell;
    return n;
}
}  // namespace

// After any change of the model: the rack, the board, the tiles that went
// back ("remove" for each) and the score preview.
void Tchat::refreshBoard(int laidBefore) {
    for (int n = laidCount(state); n < laidBefore; ++n) playsounds("remove");
    while (!layOrder_.empty() && state.laid[layOrder_.back()] == kNoCell) layOrder_.pop_back();
    showRack();
    board->update();
    updatePreview();
}

void Tchat::showRack() {
    const Artwork& art = Artwork::forRatio(devicePixelRatioF());
    for (int pos = 0; pos < kRackSize; ++pos) {
        const int slot = state.rackorder[pos].slot;
        if (!isSlot(slot)) continue;
        PictureControl* t = tiles[slot];
        const RackTile& tile = state.rack[slot];
        t->move(33 + 48 * pos, t->y());
        t->setProperty("hint", QString::fromStdString(tile.hint()));
        if (isLetterCode(tile.shown())) t->setPixmap(art.big(tile.shown()));
        t->setVisible(tile.visible);
        // A screen reader hears the letter, in rack order.
        t->setAccessibleName(QString("Rack tile %1: %2").arg(pos + 1).arg(letterName(tile.shown())));
    }
    if (state.pickedSlot == 0) cancelPick();
}

void Tchat::cancelPick() {
    state.cancelPick();
    image_dragging->clear();
    image_dragging->hide();
    image_dragging->setProperty("hint", QString());
    image_dragging->setProperty("tag", 0);
}

void Tchat::arrangeboard(std::string_view f) {
    if (state.arrangeboard(f)) board->update();
}

void Tchat::showboard(std::string_view f) {
    if (state.showboard(f)) board->update();
}

void Tchat::atile(std::string_view f) {
    if (state.atile(f)) showRack();
}

void Tchat::reposition(std::string_view f) {
    if (state.reposition(f)) {
        layOrder_.clear();
        refreshBoard(0);
    }
}

void Tchat::newword(std::string_view f) {
    if (!state.newword(f)) return;
    playsounds("word");
    showMoveButtons(false);
    cancelPick();
    refreshBoard(0);
}

void Tchat::newtiles(std::string_view f) {
    const int before = static_cast<int>(layOrder_.size());
    const auto news = state.newtiles(f);
    cancelPick();
    if (!news) return;
    showScoreboard();
    if (news->own) {
        // The new rack is already dealt: the same turn goes on with it.
        record_.onMyNewTiles();
        record_.onMyTurnStarts(state);
        refreshBoard(before);
        afterMoveButton();
        systemLine("You Bought New Tiles");
    } else {
        systemLine(shownName(state.seatLabel(news->seat)) + " Bought New Tiles");
    }
}

void Tchat::boardMouseDown(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (p.x() < 0 || p.y() < 0) return;
    layAt((p.x() + 4) / kCellPx, (p.y() + 4) / kCellPx, e->button() == Qt::LeftButton);
}

void Tchat::layAt(int x, int y, bool leftButton) {
    const int slot = state.pickedSlot;
    const int before = laidCount(state);
    switch (state.boardClick(x, y, leftButton)) {
    case GameState::BoardClick::Laid:
        layOrder_.push_back(slot);
        playsounds("place");
        break;
    case GameState::BoardClick::TakenBack:
        break;
    case GameState::BoardClick::Cancelled:
    case GameState::BoardClick::None:
        if (state.pickedSlot == 0) cancelPick();
        return;
    }
    cancelPick();
    refreshBoard(before);
}

void Tchat::boardMouseMove(QMouseEvent* e) {
    followPointer(board, e->position().toPoint());
}

void Tchat::followPointer(QWidget* from, const QPoint& pos) {
    if (state.pickedSlot == 0 || !from) return;
    image_dragging->move(from->mapTo(panel_board, pos) + QPoint(3, 3));
}

void Tchat::tile_1MouseDown(int slot, QMouseEvent* e) {
    const QPoint at = tiles[slot]->mapTo(panel_board, e->position().toPoint());
    switch (state.rackClick(slot, e->button() == Qt::RightButton)) {
    case RackClick::Picked: {
        const RackTile& t = state.rack[slot];
        image_dragging->setProperty("tag", slot);
        image_dragging->setProperty("hint", QString::fromStdString(t.hint()));
        image_dragging->setPixmap(Artwork::forRatio(devicePixelRatioF()).little(t.shown()));
        image_dragging->move(at + QPoint(3, 3));
        image_dragging->show();
        image_dragging->raise();
        return;
    }
    case RackClick::Swapped:
    case RackClick::Flipped:
    case RackClick::Cancelled:
        cancelPick();
        refreshBoard(laidCount(state));
        return;
    case RackClick::None:
        return;
    }
}

void Tchat::Image6Click() {
    state.sortthem();
    showRack();
}

void Tchat::afterMoveButton() {
    if (isActiveWindow() && !keyboardMove_) mychat->setFocus();
}

void Tchat::button_doneClick() {
    if (const auto msg = state.doneMessage()) {
        sentMove_.clear();
        for (int slot = 1; slot <= kRackSize; ++slot)
            if (const Cell c = state.laid[slot]; c != kNoCell)
                sentMove_.push_back({c.x, c.y, state.rack[slot].shown()});
        sendToHost(*msg);
    }
    afterMoveButton();
}

void Tchat::button_clearClick() {
    const int before = laidCount(state);
    state.clearLaid();
    layOrder_.clear();
    refreshBoard(before);
    afterMoveButton();
}

void Tchat::button_newtilesClick() {
    button_clearClick();
    if (state.ownTurn() && state.loggedIn) sendToHost(proto::message(proto::cmd::newtiles, {state.mySeat}));
    afterMoveButton();
}

void Tchat::button_passClick() {
    button_clearClick();
    if (state.ownTurn() && state.loggedIn) sendToHost(proto::message(proto::cmd::pass, {state.mySeat}));
    afterMoveButton();
}

// Keyboard play: letters pick, arrows move the cursor, Space lays, Backspace
// takes back the last tile, Enter is Done and Escape is Clear.
void Tchat::boardKey(QKeyEvent* e) {
    keyboardMove_ = true;
    QPoint& c = board->cursor;
    const QString text = e->text().toLower();
    e->accept();
    if (e->key() == Qt::Key_Left) {
        c.setX(std::max(0, c.x() - 1));
    } else if (e->key() == Qt::Key_Right) {
        c.setX(std::min(kBoardSize - 1, c.x() + 1));
    } else if (e->key() == Qt::Key_Up) {
        c.setY(std::max(0, c.y() - 1));
    } else if (e->key() == Qt::Key_Down) {
        c.setY(std::min(kBoardSize - 1, c.y() + 1));
    } else if (e->key() == Qt::Key_Space) {
        if (state.pickedSlot != 0) layAt(c.x(), c.y(), true);
    } else if (e->key() == Qt::Key_Backspace) {
        if (!layOrder_.empty()) {
            const Cell at = state.laid[layOrder_.back()];
            layAt(at.x, at.y, false);
        }
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        button_doneClick();
    } else if (e->key() == Qt::Key_Escape) {
        button_clearClick();
    } else if (e->text() == "H" && coachAvailable()) {
        onHintClicked();  // a capital H: a small h still picks an H tile
    } else if (text.size() == 1 && text[0] >= 'a' && text[0] <= 'z') {
        const int code = text[0].unicode() - 'a';
        for (const RackPos& p : state.rackorder) {
            const RackTile& t = state.rack[p.slot];
            if (t.visible && t.shown() == code) {
                cancelPick();
                state.pickedSlot = p.slot;
                image_dragging->setProperty("tag", p.slot);
                image_dragging->setProperty("hint", QString::fromStdString(t.hint()));
                image_dragging->setPixmap(Artwork::forRatio(devicePixelRatioF()).little(code));
                image_dragging->move(board->mapTo(panel_board, c * kCellPx) + QPoint(14, 14));
                image_dragging->show();
                image_dragging->raise();
                break;
            }
        }
    } else {
        e->ignore();
    }
    keyboardMove_ = false;
    announceCursor();
    board->update();
}

// What a screen reader says of the keyboard cursor's cell.
void Tchat::announceCursor() {
    const QPoint c = board->cursor;
    if (!onBoard(c.x(), c.y())) return;
    board->setAccessibleDescription(QString("Cell %1, %2: %3")
                                        .arg(c.x() + 1)
                                        .arg(c.y() + 1)
                                        .arg(letterName(state.letters[c.x()][c.y()])));
}

// What Done would score, judged on our own copy of the board with the
// built-in list. The host still judges; Zindle effects are chance and not shown.
void Tchat::updatePreview() {
    if (!label_preview) return;
    if (!state.ownTurn() || laidCount(state) == 0 || !windows_.server) {
        label_preview->clear();
        return;
    }
    Grid fixed = state.letters;
    PlacedSet placed{};
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Cell c = state.laid[slot];
        if (c == kNoCell) continue;
        fixed[c.x][c.y] = kNoTile;
        placed[slot] = {c.x, c.y, state.rack[slot].shown(), true};
    }
    bool first = true;
    for (const auto& column : fixed)
        for (int32_t code : column) first = first && code == kNoTile;
    const Verdict v = checkword({state.colours, fixed, state.mySeat, first}, placed,
                                windows_.server->dictionary());
    label_preview->setText(v.valid ? QString("%1 points").arg(v.wordscore) : QString("not a word yet"));
}

}  // namespace zindle
