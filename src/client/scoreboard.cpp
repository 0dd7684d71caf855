#include "client/scoreboard.h"

#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <cmath>

#include "client/shown.h"
#include "clientstate/gamestate.h"
#include "widgets/artwork.h"

namespace zindle {

namespace {

constexpr int kButtonTop = 258;
constexpr int kButtonHeight = 26;

QFrame* addFrame(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setProperty("kit", "panel");
    return f;
}

QString waitingText() {
    return QString::fromUtf8(kWaiting.data(), qsizetype(kWaiting.size()));
}

}  // namespace

void setSeatColour(QLabel* l, int seat) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, seatColour(seat));
    l->setPalette(p);
    l->setStyleSheet(QString("color: %1;").arg(seatColour(seat).name()));
}

Scoreboard::Scoreboard(const GameState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("scoreboard");
    buildSettings();
    buildSeats();
    buildTurn();
    buildButtons();
}

void Scoreboard::buildSettings() {
    QFrame* frame = addFrame(this, "panel_settings");
    layout_.place(frame, {0, 4, 297, 78});
    auto cell = [&](const char* name, const QString& text, QRect designed) {
        auto* l = new QLabel(text, frame);
        if (name) l->setObjectName(name);
        layout_.place(l, designed);
        layout_.setFontSize(l, 8);
        return l;
    };
    cell("heading_gameover", "Game Over Settings", {7, 3, 172, 17})->setProperty("kit", "heading");
    cell(nullptr, "Game Time:", {7, 21, 80, 18});
    gameTime_ = cell("label_gametime", "No Limit", {89, 21, 92, 18});
    cell(nullptr, "Play To Score:", {7, 40, 80, 17});
    playToScore_ = cell("label_playtoscore", "Until out of Tiles", {89, 40, 92, 17});
    cell("heading_options", "Game Options", {185, 3, 105, 17})->setProperty("kit", "heading");
    cell(nullptr, "Turn Time:", {185, 21, 76, 18});
    turnTime_ = cell("label_turntime", "", {263, 21, 30, 18});
    cell(nullptr, "Double Tiles:", {185, 40, 76, 17});
    doubleTiles_ = cell("label_double", "No", {263, 40, 30, 17});
    cell(nullptr, "Partners:", {185, 58, 76, 17});
    partners_ = cell("label_partners", "No", {263, 58, 30, 17});
}

void Scoreboard::buildSeats() {
    QFrame* frame = addFrame(this, "panel_seats");
    layout_.place(frame, {0, 86, 297, 100});
    seatMenu_ = new QMenu(this);
    seatMenu_->setObjectName("popup_kick");
    removeAction_ = seatMenu_->addAction("Remove From Game");
    removeAction_->setObjectName("removeFromGameAction");
    setWatchAction_ = seatMenu_->addAction("Set to Just Watch");
    setWatchAction_->setObjectName("setToJustWatchAction");
    unsetWatchAction_ = seatMenu_->addAction("Unset Just Watch");
    unsetWatchAction_->setObjectName("unsetJustWatchAction");
    connect(removeAction_, &QAction::triggered, this, [this] { emit removeRequested(menuSeat_); });
    connect(setWatchAction_, &QAction::triggered, this,
            [this] { emit justWatchRequested(menuSeat_, true); });
    connect(unsetWatchAction_, &QAction::triggered, this,
            [this] { emit justWatchRequested(menuSeat_, false); });
    for (int s = 1; s <= kPlayerSeats; ++s) {
        const int y = 6 + 23 * (s - 1);
        auto add = [&](const QString& name, const QString& text, QRect designed) {
            auto* l = new QLabel(text, frame);
            l->setObjectName(name);
            layout_.place(l, designed);
            return l;
        };
        eyes_[s] = add(QString("image_eyes%1").arg(s), {}, {4, y + 3, 24, 14});
        eyes_[s]->setScaledContents(true);
        eyes_[s]->hide();
        names_[s] = add(QString("label_playername%1").arg(s), waitingText(), {32, y, 150, 20});
        names_[s]->setProperty("tag", s);
        names_[s]->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(names_[s], &QWidget::customContextMenuRequested, this,
                [this, s](const QPoint& at) { openSeatMenu(s, at); });
        scores_[s] = add(QString("label_score%1").arg(s), "0", {186, y, 56, 20});
        scores_[s]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        bonuses_[s] = add(QString("label_bonus%1").arg(s), {}, {246, y, 47, 20});
        for (QLabel* l : {names_[s], scores_[s], bonuses_[s]}) setSeatColour(l, s);
        names_[s]->setProperty("kit", "seat");
    }
}

void Scoreboard::buildTurn() {
    QFrame* frame = addFrame(this, "panel_turn");
    layout_.place(frame, {0, 190, 297, 64});
    auto add = [&](const char* name, const QString& text, QRect designed) {
        auto* l = new QLabel(text, frame);
        l->setObjectName(name);
        layout_.place(l, designed);
        return l;
    };
    turn_ = add("label_turn", {}, {6, 2, 285, 20});
    turn_->setProperty("kit", "turn");
    gameClock_ = add("label_timeofgame", "Game Time: 0:00", {6, 24, 142, 16});
    turnClock_ = add("label_timeofturn", "Turn Time: 0:00", {148, 24, 142, 16});
    tilesLeft_ = add("label_tilesleft", "Tiles Left: 100", {6, 42, 142, 16});
    preview_ = add("label_preview", {}, {148, 42, 142, 16});
}

void Scoreboard::buildButtons() {
    auto add = [this](const char* name, const QString& text, void (Scoreboard::*clicked)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        b->setProperty("kit", "scaled");  // "New Tiles" fits a quarter of the panel
        connect(b, &QPushButton::clicked, this, clicked);
        return b;
    };
    doneButton_ = add("button_done", "Done", &Scoreboard::doneClicked);
    clearButton_ = add("button_clear", "Clear", &Scoreboard::clearClicked);
    newTilesButton_ = add("button_newtiles", "New Tiles", &Scoreboard::newTilesClicked);
    passButton_ = add("button_pass", "Pass", &Scoreboard::passClicked);
    hintButton_ = add("hintButton", "Hint", &Scoreboard::hintClicked);
    hintButton_->setToolTip("Lay the best word the computer finds for your rack (H on the board)");
    startButton_ = add("button_startgame", "Start Game", &Scoreboard::startClicked);
    layout_.place(startButton_, {0, kButtonTop, 297, kButtonHeight});
    startButton_->hide();
    showMoveButtons(false);
}

void Scoreboard::setScale(qreal scale, const Artwork& art) {
    for (int s = 1; s <= kPlayerSeats; ++s) eyes_[s]->setPixmap(art.eyes());
    if (scale == layout_.scale()) return;
    setFont(scaledFont(scale));
    layout_.apply(scale);
    layOutMoveButtons();
    showSeats();  // names are cut to the new width
}

void Scoreboard::showMoveButtons(bool on, bool hint) {
    movesShown_ = on;
    hintShown_ = on && hint;
    layOutMoveButtons();
    if (on) startButton_->hide();
}

// The usual four share the row equally. In a coached game Hint joins them, and each of the
// five gets what its caption needs plus an equal share of the rest, so "New Tiles" stays whole.
void Scoreboard::layOutMoveButtons() {
    const std::array<QPushButton*, 5> row{doneButton_, clearButton_, newTilesButton_, passButton_,
                                          hintButton_};
    const int n = hintShown_ ? 5 : 4;
    const int room = kDesigned.width() - 4 * (n - 1);
    std::array<int, 5> widths{};
    widths.fill(room / n);
    if (hintShown_) {
        int needed = 0;
        for (std::size_t i = 0; i < 5; ++i) {
            // The panel's font, which the buttons show: a button's own metrics change once
            // it has been shown, and the row must not move between turns.
            const qreal text = fontMetrics().horizontalAdvance(row[i]->text()) / layout_.scale();
            widths[i] = int(std::ceil(text)) + 8;  // the padding and border of the flat style
            needed += widths[i];
        }
        if (needed <= room) {
            // The row always ends at the panel's edge: what is left over is shared to the pixel.
            const int spare = room - needed;
            for (int i = 0; i < n; ++i) widths[std::size_t(i)] += spare / n + (i < spare % n);
        } else {
            widths.fill(room / n);
        }
    }
    for (int i = 0, x = 0; i < 5; ++i) {
        QPushButton* b = row[std::size_t(i)];
        if (i < n) layout_.place(b, {x, kButtonTop, widths[std::size_t(i)], kButtonHeight});
        x += widths[std::size_t(i)] + 4;
        b->setVisible(movesShown_ && i < n);
    }
}

void Scoreboard::showStartButton(bool on) {
    startButton_->setVisible(on);
}

void Scoreboard::showSeats() {
    for (int s = 1; s <= kPlayerSeats; ++s) {
        // A long name is cut with an ellipsis rather than run under the score.
        const QString name = shownName(state_.names()[s]);
        QLabel* l = names_[s];
        l->setText(l->fontMetrics().elidedText(name, Qt::ElideRight, l->width()));
        l->setToolTip(name);
        scores_[s]->setText(QString::number(state_.scores()[s]));
        bonuses_[s]->setText(QString::fromStdString(state_.bonus()[s]));
        eyes_[s]->setVisible(state_.watching()[s]);
    }
}

void Scoreboard::showSettings() {
    turnTime_->setText(QString::number(state_.turnLength()));
    gameTime_->setText(state_.gameLength() == 0 ? QString("No Limit")
                                                : QString("%1 mins").arg(state_.gameLength()));
    playToScore_->setText(state_.playToScore() == 0 ? QString("Until out of Tiles")
                                                    : QString::number(state_.playToScore()));
    doubleTiles_->setText(state_.doubleTiles() ? "Yes" : "No");
    partners_->setText(state_.partners() ? "Yes" : "No");
}

void Scoreboard::showTurn() {
    const int seat = state_.turnSeat();
    if (!isPlayer(seat)) return;
    names_[seat]->show();
    scores_[seat]->show();
    for (QLabel* l : {turn_, gameClock_, turnClock_, tilesLeft_}) setSeatColour(l, seat);
    // Own turn by seat: two players may share a name.
    turn_->setText(state_.ownTurn() ? QString("Your Turn.")
                                    : shownName(state_.names()[seat]) + "'s turn.");
}

void Scoreboard::showClocks(const QString& game, const QString& turn) {
    gameClock_->setText(game);
    turnClock_->setText(turn);
}

void Scoreboard::showTilesLeft(const QString& text) {
    tilesLeft_->setText(text);
}

void Scoreboard::showPreview(const QString& text) {
    preview_->setText(text);
}

void Scoreboard::startGame() {
    tilesLeft_->setText("Tiles Left: 100");
    showSeats();
    showMoveButtons(false);
}

void Scoreboard::openSeatMenu(int seat, const QPoint& at) {
    for (QAction* a : {removeAction_, setWatchAction_, unsetWatchAction_})
        a->setEnabled(state_.isHost());
    if (state_.names()[seat] == kWaiting) removeAction_->setEnabled(false);
    menuSeat_ = seat;
    seatMenu_->popup(names_[seat]->mapToGlobal(at));
}

}  // namespace zindle
