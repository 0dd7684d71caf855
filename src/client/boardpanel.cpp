#include "client/boardpanel.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <cmath>

#include "client/boardview.h"
#include "rules/judge.h"
#include "rules/mydict.h"
#include "widgets/animatedpicture.h"
#include "widgets/artwork.h"

namespace zindle {

namespace {

QString letterName(int code) {
    return isLetterCode(code) ? QString(QChar('A' + code)) : QString("empty");
}

QRect rackPlace(int pos) {
    return {33 + 48 * pos, 552, kRackTilePx, kRackTilePx};
}

constexpr QRect kBoard{12, 12, 19 * kCellPx, 19 * kCellPx};
constexpr int kEffectFrames = 15;  // half a second each
constexpr int kRingOutset = 5;     // inside the frame's 8 pixels round the cells

}  // namespace

BoardPanel::BoardPanel(GameState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("boardPanel");
    frame_ = new PictureControl(this);
    frame_->setObjectName("boardFrame");
    frame_->setScaledContents(true);
    layout_.place(frame_, {4, 4, 548, 548});
    frame_->onMouseMove = [this](QMouseEvent* e) {
        followPointer(frame_, e->position().toPoint());
    };

    // A ring in the frame round the board while the board has the keys.
    focusRing_ = new QFrame(this);
    focusRing_->setObjectName("boardFocusRing");
    focusRing_->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout_.place(focusRing_,
                  kBoard.adjusted(-kRingOutset, -kRingOutset, kRingOutset, kRingOutset));
    focusRing_->hide();

    board_ = new BoardView(state_, this);
    board_->setObjectName("board");
    layout_.place(board_, kBoard);
    board_->onMouseDown = [this](QMouseEvent* e) { onBoardPressed(e); };
    board_->onMouseMove = [this](QMouseEvent* e) {
        followPointer(board_, e->position().toPoint());
    };
    board_->onKey = [this](QKeyEvent* e) { onBoardKey(e); };
    board_->onFocus = [this](bool focused) { focusRing_->setVisible(focused); };
    board_->setAccessibleName("Board");
    announceCursor();

    bar_ = new QLabel(this);
    bar_->setObjectName("bar");
    bar_->setScaledContents(true);
    layout_.place(bar_, {20, 594, 510, 10});

    for (int slot = 1; slot <= kRackSize; ++slot) {
        auto* t = new PictureControl(this);
        t->setObjectName(QString("tile_%1").arg(slot));
        t->setProperty("tag", slot);
        t->setScaledContents(true);
        layout_.place(t, rackPlace(slot - 1));
        t->setToolTip("n");
        t->hide();
        t->onMouseDown = [this, slot](QMouseEvent* e) { onRackTilePressed(slot, e); };
        t->onMouseMove = [this, t](QMouseEvent* e) { followPointer(t, e->position().toPoint()); };
        tiles_[slot] = t;
    }
    sortButton_ = new PictureControl(this);
    sortButton_->setObjectName("sortButton");
    sortButton_->setScaledContents(true);
    layout_.place(sortButton_, {524, 560, 24, 24});
    sortButton_->setToolTip("Sort the rack");
    sortButton_->setAccessibleName("Sort the rack");
    sortButton_->onClick = [this] { onSortClicked(); };

    dragging_ = new QLabel(this);
    dragging_->setObjectName("image_dragging");
    dragging_->setScaledContents(true);
    layout_.place(dragging_, {0, 0, kCellPx, kCellPx});
    dragging_->setAttribute(Qt::WA_TransparentForMouseEvents);
    dragging_->hide();

    // The Zindle squares' pictures play over the middle of the board.
    effect_ = new AnimatedPicture(this);
    effect_->setObjectName("image_zn");
    effect_->setScaledContents(true);
    layout_.place(effect_, {12 + 266 - 35, 12 + 266 - 30, 71, 61});
    effect_->hide();
    connect(effect_, &AnimatedPicture::frameChanged, this, &BoardPanel::onEffectFrame);
}

void BoardPanel::setScale(qreal scale, const Artwork& art) {
    art_ = &art;
    layout_.apply(scale);
    focusRing_->setStyleSheet(QString("QFrame#boardFocusRing { border: %1px solid #ffffff; }")
                                  .arg(std::max(2, int(std::lround(3 * scale)))));
    board_->setScale(scale, art);
    frame_->setPixmap(art.boardFrame());
    sortButton_->setPixmap(art.sortPicture());
    if (isPlayer(barSeat_)) bar_->setPixmap(art.bar(barSeat_));
    const int picked = dragging_->property("tag").toInt();
    if (isSlot(picked)) dragging_->setPixmap(art.little(state_.rack()[picked].shown()));
    showRack();
}

QWidget* BoardPanel::board() const {
    return board_;
}

void BoardPanel::focusBoard() {
    board_->setFocus(Qt::TabFocusReason);
}

int BoardPanel::laidCount() const {
    int n = 0;
    for (int slot = 1; slot <= kRackSize; ++slot) n += state_.laid()[slot] != kNoCell;
    return n;
}

void BoardPanel::refresh(int laidBefore) {
    for (int n = laidCount(); n < laidBefore; ++n) emit sound("remove");
    while (!layOrder_.empty() && state_.laid()[layOrder_.back()] == kNoCell) layOrder_.pop_back();
    showRack();
    board_->update();
    updatePreview();
    shownLaid_ = laidCount();
}

void BoardPanel::showBoard() {
    board_->update();
}

void BoardPanel::forgetLaid() {
    layOrder_.clear();
}

void BoardPanel::showRack() {
    if (!art_) return;
    for (int pos = 0; pos < kRackSize; ++pos) {
        const int slot = state_.rackorder()[pos].slot;
        if (!isSlot(slot)) continue;
        PictureControl* t = tiles_[slot];
        const RackTile& tile = state_.rack()[slot];
        layout_.place(t, rackPlace(pos));
        t->setProperty("hint", QString::fromStdString(tile.hint()));
        if (isLetterCode(tile.shown())) t->setPixmap(art_->big(tile.shown()));
        t->setVisible(tile.visible);
        // A screen reader hears the letter, in rack order.
        t->setAccessibleName(
            QString("Rack tile %1: %2").arg(pos + 1).arg(letterName(tile.shown())));
    }
    if (state_.pickedSlot() == 0) cancelPick();
}

void BoardPanel::cancelPick() {
    state_.cancelPick();
    dragging_->clear();
    dragging_->hide();
    dragging_->setProperty("hint", QString());
    dragging_->setProperty("tag", 0);
}

void BoardPanel::clearLaid() {
    const int before = std::max(shownLaid_, laidCount());  // the host may have taken them back
    state_.clearLaid();
    layOrder_.clear();
    refresh(before);
}

void BoardPanel::layMove(const std::vector<Lay>& tiles) {
    for (const Lay& t : tiles) {
        if (state_.rack()[t.slot].back != t.flipped) state_.flippit(t.slot);
        state_.rackClick(t.slot, false);
        if (state_.boardClick(t.x, t.y, true) == GameState::BoardClick::Laid)
            layOrder_.push_back(t.slot);
    }
    cancelPick();
    refresh(0);
}

void BoardPanel::showBar(int seat) {
    barSeat_ = seat;
    if (art_ && isPlayer(seat)) bar_->setPixmap(art_->bar(seat));
}

void BoardPanel::playEffect(int effect) {
    if (!art_ || effect < 1 || effect > 3) return;
    effect_->setStrip(art_->effectStrip(effect - 1), 71);
    effectFrames_ = 0;
    effect_->start();
    effect_->raise();
}

void BoardPanel::onEffectFrame() {
    effect_->show();
    if (++effectFrames_ >= kEffectFrames) {
        effect_->stop();
        effectFrames_ = 0;
        effect_->hide();
    }
}

void BoardPanel::onBoardPressed(QMouseEvent* e) {
    const QPoint cell = board_->cellAt(e->position());
    if (cell.x() < 0 || cell.y() < 0) return;
    if (onBoard(cell.x(), cell.y())) {
        board_->cursor = cell;  // the keys go on from where the player clicked
        announceCursor();
        board_->update();
    }
    layAt(cell.x(), cell.y(), e->button() == Qt::LeftButton);
}

void BoardPanel::layAt(int x, int y, bool leftButton) {
    const int slot = state_.pickedSlot();
    const int before = laidCount();
    switch (state_.boardClick(x, y, leftButton)) {
        case GameState::BoardClick::Laid:
            layOrder_.push_back(slot);
            emit sound("place");
            break;
        case GameState::BoardClick::TakenBack:
            break;
        case GameState::BoardClick::Cancelled:
        case GameState::BoardClick::None:
            if (state_.pickedSlot() == 0) cancelPick();
            return;
    }
    cancelPick();
    refresh(before);
}

void BoardPanel::followPointer(QWidget* from, const QPoint& pos) {
    if (state_.pickedSlot() == 0 || !from) return;
    dragging_->move(from->mapTo(this, pos) + layout_.map(QPoint(3, 3)));
}

void BoardPanel::pick(int slot, const QPoint& at) {
    const RackTile& t = state_.rack()[slot];
    state_.pick(slot);
    dragging_->setProperty("tag", slot);
    dragging_->setProperty("hint", QString::fromStdString(t.hint()));
    if (art_) dragging_->setPixmap(art_->little(t.shown()));
    dragging_->move(at);
    dragging_->show();
    dragging_->raise();
}

void BoardPanel::onRackTilePressed(int slot, QMouseEvent* e) {
    const QPoint at = tiles_[slot]->mapTo(this, e->position().toPoint());
    switch (state_.rackClick(slot, e->button() == Qt::RightButton)) {
        case RackClick::Picked:
            pick(slot, at + layout_.map(QPoint(3, 3)));
            return;
        case RackClick::Swapped:
        case RackClick::Flipped:
        case RackClick::Cancelled:
            cancelPick();
            refresh(laidCount());
            return;
        case RackClick::None:
            return;
    }
}

void BoardPanel::onSortClicked() {
    state_.sortthem();
    showRack();
}

// Keyboard play: letters pick, arrows move the cursor, Space lays, Backspace
// takes back the last tile, Enter is Done and Escape is Clear.
void BoardPanel::onBoardKey(QKeyEvent* e) {
    QPoint& c = board_->cursor;
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
        if (state_.pickedSlot() != 0) layAt(c.x(), c.y(), true);
    } else if (e->key() == Qt::Key_Backspace) {
        if (!layOrder_.empty()) {
            const Cell at = state_.laid()[layOrder_.back()];
            layAt(at.x, at.y, false);
        }
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        emit doneRequested();
    } else if (e->key() == Qt::Key_Escape) {
        emit clearRequested();
    } else if (e->text() == "H" && hintOffered_) {
        emit hintRequested();  // a capital H: a small h still picks an H tile
    } else if (text.size() == 1 && text[0] >= 'a' && text[0] <= 'z') {
        const int code = text[0].unicode() - 'a';
        for (const RackPos& p : state_.rackorder()) {
            const RackTile& t = state_.rack()[p.slot];
            if (t.visible && t.shown() == code) {
                cancelPick();
                pick(p.slot,
                     board_->mapTo(this, board_->cellTopLeft(c)) + layout_.map(QPoint(14, 14)));
                break;
            }
        }
    } else {
        e->ignore();
    }
    announceCursor();
    board_->update();
}

// What a screen reader says of the keyboard cursor's cell.
void BoardPanel::announceCursor() {
    const QPoint c = board_->cursor;
    if (!onBoard(c.x(), c.y())) return;
    board_->setAccessibleDescription(QString("Cell %1, %2: %3")
                                         .arg(c.x() + 1)
                                         .arg(c.y() + 1)
                                         .arg(letterName(state_.letters()[c.x()][c.y()])));
}

// What Done would score, judged on our own copy of the board with the
// built-in list. The host still judges; Zindle effects are chance and not shown.
void BoardPanel::updatePreview() {
    if (!state_.ownTurn() || laidCount() == 0 || !dictionary_) {
        emit previewChanged({});
        return;
    }
    Grid fixed = state_.letters();
    PlacedSet placed{};
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Cell c = state_.laid()[slot];
        if (c == kNoCell) continue;
        fixed[c.x][c.y] = kNoTile;
        placed[slot] = {c.x, c.y, state_.rack()[slot].shown(), true};
    }
    bool first = true;
    for (const auto& column : fixed)
        for (int32_t code : column) first = first && code == kNoTile;
    const Verdict v =
        checkword({state_.colours(), fixed, state_.mySeat(), first}, placed, *dictionary_);
    emit previewChanged(v.valid ? QString("%1 points").arg(v.wordscore)
                                : QString("not a word yet"));
}

}  // namespace zindle
