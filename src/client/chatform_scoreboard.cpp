// Tchat: the right-hand panel: settings, seats, turn, clocks, tiles left, the
// move buttons, the game-over panel and the Zindle effect.
#include "client/chatform.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QVBoxLayout>

#include "client/boardview.h"
#include "widgets/codepage.h"
#include "widgets/animatedpicture.h"
#include "widgets/artwork.h"

namespace zindle {

namespace {

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, QRect g) {
    auto* l = new QLabel(text, parent);
    if (!name.isEmpty()) l->setObjectName(name);
    l->setGeometry(g);
    return l;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, QRect g) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(g);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet("padding: 0px 2px;");  // "New Tiles" fits a quarter of the panel
    return b;
}

}  // namespace

void Tchat::buildScoreboard(QWidget* side) {
    const int w = side->width();
    auto* settings = new QFrame(side);
    settings->setObjectName("panel_settings");
    settings->setProperty("kit", "panel");
    settings->setGeometry(0, 4, w, 78);
    settings->setStyleSheet("QLabel { font-size: 8pt; }");
    auto* grid = new QGridLayout(settings);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    auto cell = [&](const QString& name, const QString& text, int row, int column) {
        QLabel* l = addLabel(settings, name, text, {});
        grid->addWidget(l, row, column);
        return l;
    };
    cell("heading_gameover", "Game Over Settings", 0, 0)->setProperty("kit", "heading");
    grid->addWidget(grid->itemAtPosition(0, 0)->widget(), 0, 0, 1, 2);
    cell({}, "Game Time:", 1, 0);
    label_gametime = cell("label_gametime", "No Limit", 1, 1);
    cell({}, "Play To Score:", 2, 0);
    label_playtoscore = cell("label_playtoscore", "Until out of Tiles", 2, 1);
    QLabel* options = cell("heading_options", "Game Options", 0, 2);
    options->setProperty("kit", "heading");
    grid->addWidget(options, 0, 2, 1, 2);
    cell({}, "Turn Time:", 1, 2);
    label_turntime = cell("label_turntime", "", 1, 3);
    cell({}, "Double Tiles:", 2, 2);
    label_double = cell("label_double", "No", 2, 3);
    cell({}, "Partners:", 3, 2);
    label_partners = cell("label_partners", "No", 3, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* seats = new QFrame(side);
    seats->setObjectName("panel_seats");
    seats->setProperty("kit", "panel");
    seats->setGeometry(0, 86, w, 100);
    popup_kick = new QMenu(this);
    popup_kick->setObjectName("popup_kick");
    RemoveFromGame1 = popup_kick->addAction("Remove From Game");
    RemoveFromGame1->setObjectName("RemoveFromGame1");
    SettoJustWatch1 = popup_kick->addAction("Set to Just Watch");
    SettoJustWatch1->setObjectName("SettoJustWatch1");
    UnsetJustWatch1 = popup_kick->addAction("Unset Just Watch");
    UnsetJustWatch1->setObjectName("UnsetJustWatch1");
    connect(RemoveFromGame1, &QAction::triggered, this, [this] { kicking(popupSeat); });
    connect(SettoJustWatch1, &QAction::triggered, this, [this] { setJustWatch(popupSeat, true); });
    connect(UnsetJustWatch1, &QAction::triggered, this, [this] { setJustWatch(popupSeat, false); });
    const Artwork& art = Artwork::forRatio(devicePixelRatioF());
    for (int s = 1; s <= 4; ++s) {
        const int y = 6 + 23 * (s - 1);
        image_eyes[s] = addLabel(seats, QString("image_eyes%1").arg(s), {}, {4, y + 3, 24, 14});
        image_eyes[s]->setPixmap(art.eyes());
        label_playername[s] = addLabel(seats, QString("label_playername%1").arg(s),
                                       QString::fromUtf8(kWaiting.data(), kWaiting.size()),
                                       {32, y, 150, 20});
        label_playername[s]->setProperty("tag", s);
        label_playername[s]->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(label_playername[s], &QWidget::customContextMenuRequested, this,
                [this, s](const QPoint& at) { label_playername1ContextPopup(s, at); });
        label_score[s] = addLabel(seats, QString("label_score%1").arg(s), "0", {186, y, 56, 20});
        label_score[s]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label_bonus[s] = addLabel(seats, QString("label_bonus%1").arg(s), {}, {246, y, w - 250, 20});
        for (QLabel* l : {label_playername[s], label_score[s], label_bonus[s]}) setLabelSeatColour(l, s);
        label_playername[s]->setProperty("kit", "seat");
    }

    auto* turn = new QFrame(side);
    turn->setObjectName("panel_turn");
    turn->setProperty("kit", "panel");
    turn->setGeometry(0, 190, w, 64);
    label_turn = addLabel(turn, "label_turn", {}, {6, 2, w - 12, 20});
    label_turn->setProperty("kit", "turn");
    const int half2 = w / 2;
    label_timeofgame = addLabel(turn, "label_timeofgame", "Game Time: 0:00", {6, 24, half2 - 6, 16});
    label_timeofturn = addLabel(turn, "label_timeofturn", "Turn Time: 0:00", {half2, 24, half2 - 6, 16});
    label_tilesleft = addLabel(turn, "label_tilesleft", "Tiles Left: 100", {6, 42, half2 - 6, 16});
    label_preview = addLabel(turn, "label_preview", {}, {half2, 42, half2 - 6, 16});

    const int bw = (w - 12) / 4;
    button_done = addButton(side, "button_done", "Done", {0, 258, bw, 26});
    button_clear = addButton(side, "button_clear", "Clear", {bw + 4, 258, bw, 26});
    button_newtiles = addButton(side, "button_newtiles", "New Tiles", {2 * (bw + 4), 258, bw, 26});
    button_pass = addButton(side, "button_pass", "Pass", {3 * (bw + 4), 258, bw, 26});
    button_startgame = addButton(side, "button_startgame", "Start Game", {0, 258, w, 26});
    hintButton = addButton(side, "hintButton", "Hint", {0, 258, bw, 26});
    hintButton->setToolTip("Lay the best word the computer finds for your rack (H on the board)");
    connect(hintButton, &QPushButton::clicked, this, &Tchat::onHintClicked);
    connect(button_done, &QPushButton::clicked, this, &Tchat::button_doneClick);
    connect(button_clear, &QPushButton::clicked, this, &Tchat::button_clearClick);
    connect(button_newtiles, &QPushButton::clicked, this, &Tchat::button_newtilesClick);
    connect(button_pass, &QPushButton::clicked, this, &Tchat::button_passClick);
    connect(button_startgame, &QPushButton::clicked, this, &Tchat::button_startClick);
    showMoveButtons(false);
    button_startgame->hide();
}

void Tchat::setLabelSeatColour(QLabel* l, int seat) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, seatColour(seat));
    l->setPalette(p);
    l->setStyleSheet(QString("color: %1;").arg(seatColour(seat).name()));
}

void Tchat::showMoveButtons(bool on) {
    // In a coached game the row makes room for Hint; otherwise it is the usual four.
    const bool hint = on && coachAvailable();
    const std::array<QPushButton*, 5> row{button_done, button_clear, button_newtiles, button_pass, hintButton};
    const int n = hint ? 5 : 4;
    const int w = button_startgame->width();
    // Hint takes only what its short caption needs, so "New Tiles" keeps its room.
    const int hw = hint ? hintButton->fontMetrics().horizontalAdvance(hintButton->text()) + 18 : 0;
    const int bw = (w - hw - 4 * (n - 1)) / 4;
    for (int i = 0, x = 0; i < 5; ++i) {
        QPushButton* b = row[static_cast<std::size_t>(i)];
        const int width = i == 4 ? hw : bw;
        if (i < n) b->setGeometry(x, b->y(), width, b->height());
        x += width + 4;
        b->setVisible(on && i < n);
    }
    if (on) button_startgame->hide();
}

// The seat labels from the model.
void Tchat::showScoreboard() {
    for (int s = 1; s <= 4; ++s) {
        // A long name is cut with an ellipsis rather than run under the score.
        const QString name = shownName(state.names[s]);
        QLabel* l = label_playername[s];
        l->setText(l->fontMetrics().elidedText(name, Qt::ElideRight, l->width()));
        l->setToolTip(name);
        label_score[s]->setText(QString::number(state.scores[s]));
        label_bonus[s]->setText(QString::fromStdString(state.bonus[s]));
        image_eyes[s]->setVisible(state.watching[s]);
    }
}

void Tchat::clearall() {
    state.clearall();
    layOrder_.clear();
    showScoreboard();
    showRack();
    board->update();
}

// The game's settings from the model: the start message or a newcomer's settings.
void Tchat::showSettings() {
    label_turntime->setText(QString::number(state.turnLength));
    label_gametime->setText(state.gameLength == 0 ? QString("No Limit")
                                                  : QString("%1 mins").arg(state.gameLength));
    label_playtoscore->setText(state.playToScore == 0 ? QString("Until out of Tiles")
                                                      : QString::number(state.playToScore));
    label_double->setText(state.doubleTiles ? "Yes" : "No");
    label_partners->setText(state.partners ? "Yes" : "No");
}

void Tchat::startthegame(std::string_view f) {
    label_tilesleft->setText("Tiles Left: 100");
    panel_winner->hide();
    const auto news = state.startthegame(f);
    layOrder_.clear();
    showScoreboard();
    showRack();
    board->update();
    showMoveButtons(false);
    if (!news) return;
    showSettings();
    systemLine(news->ownStart ? QString("You have started a game.")
                              : shownName(news->starter) + " has started a game.");
    button_startgame->hide();
    countedThisGame = false;
    record_.clear();
    hintsTaken_ = 0;
    Timer2.start();
    loadchecklist();
}

void Tchat::getnextplayer(std::string_view f) {
    const int before = static_cast<int>(layOrder_.size());
    const auto seat = state.getnextplayer(f);
    refreshBoard(before);
    if (!seat) return;
    label_playername[*seat]->show();
    label_score[*seat]->show();
    colorlabels(*seat);
    // Own turn by seat: two players may share a name.
    if (!state.ownTurn()) {
        label_turn->setText(shownName(state.names[*seat]) + "'s turn.");
        showMoveButtons(false);
    } else {
        label_turn->setText("Your Turn.");
        record_.onMyTurnStarts(state);
        playsounds("turn");
        showMoveButtons(true);
        if (!isActiveWindow()) QApplication::alert(this);
    }
    if (!Timer2.isActive()) Timer2.start();
}

void Tchat::colorlabels(int seat) {
    if (!isPlayerSeat(seat)) return;
    for (QLabel* l : {label_turn, label_timeofgame, label_timeofturn, label_tilesleft})
        setLabelSeatColour(l, seat);
}

void Tchat::postscore(std::string_view f) {
    const auto news = state.postscore(f);
    showScoreboard();
    if (!news) return;
    if (news->seat == state.mySeat) record_.onMyMovePlayed(sentMove_, news->points, news->effect);
    systemLine("*" + shownName(state.names[news->seat]) + ": " + shown(news->word, kMaxShownWord).toUpper() + " " +
               QString::fromStdString(state.bonus[news->seat]) + " points.*");
    if (news->effect < 1 || news->effect > 3) return;
    image_zn->setStrip(Artwork::forRatio(devicePixelRatioF()).effectStrip(news->effect - 1), 71);
    znFrames = 0;
    image_zn->start();
    image_zn->raise();
    playsounds(news->effect == 3 ? "znbad" : "zngood");
}

void Tchat::image_znChangeFrame() {
    image_zn->show();
    if (++znFrames >= 15) {
        image_zn->stop();
        znFrames = 0;
        image_zn->hide();
    }
}

void Tchat::passed(std::string_view f) { turnEnded(f, false); }

void Tchat::timeup(std::string_view f) { turnEnded(f, true); }

// A pass or a time-up: the seat's laid tiles go back and its turn is over.
void Tchat::turnEnded(std::string_view f, bool timeUp) {
    const int before = static_cast<int>(layOrder_.size());
    const auto seat = state.passed(f);
    cancelPick();
    refreshBoard(before);
    if (!seat) return;
    if (*seat == state.mySeat) record_.onMyPass();
    if (*seat != state.mySeat) {
        systemLine(shownName(state.names[*seat]) + (timeUp ? "'s Time is up" : " Passed"));
    } else if (!timeUp) {
        systemLine("You Passed");
    } else {
        systemLine("Your Time is up");
        playsounds("time");
    }
    showMoveButtons(false);
}

void Tchat::winner(std::string_view f) {
    const std::vector<int> seats = state.winner(f);
    Timer2.stop();
    cancelPick();
    playsounds("gameover");
    QStringList names;
    for (int s : seats) names << shownName(state.names[s]);
    const QString head = seats.size() > 1 ? "Congratulations to the Winners!"
                                          : "Congratulations to the Winner!";
    label_winner[1]->setText(head);
    label_winner[2]->setText(head);
    label_winner[3]->setText(names.join(","));
    label_winner[4]->setText(names.join(","));
    reviewButton->setVisible(record_.size() > 0);
    hintsLabel->setText(hintsTaken_ == 1 ? QString("You took 1 hint.") : QString("You took %1 hints.").arg(hintsTaken_));
    hintsLabel->setVisible(hintsTaken_ > 0 || coachAvailable());
    showMoveButtons(false);
    panel_winner->show();
    panel_winner->raise();
    playsounds("winner");
    if (state.isHost) {
        StartGame1->setEnabled(true);
        button_startgame->show();
    }
    // The tally counts one game per start, and only a seated player's games:
    // a time-out and the game time can end a game twice on one tick.
    if (seats.size() != 1 || countedThisGame || !isPlayerSeat(state.mySeat)) return;
    const QStringList others = otherPlayers();
    if (others.isEmpty() || !windows_.addgame) return;
    countedThisGame = true;
    windows_.addgame(seats[0] == state.mySeat ? QString("addtomine") : names[0]);
}

QStringList Tchat::otherPlayers() const {
    QStringList names;
    for (int s = 1; s <= 4; ++s)
        if (s != state.mySeat && state.names[s] != kWaiting) names << shownName(state.names[s]);
    return names;
}

void Tchat::loadchecklist() {
    if (windows_.fillChecklist) windows_.fillChecklist(otherPlayers());
}

void Tchat::Timer2Timer() {
    const ClockTick t = state.Timer2Timer();
    label_timeofgame->setText(QString::fromStdString(t.gameText));
    label_timeofturn->setText(QString::fromStdString(t.turnText));
    if (t.tick) playsounds("tick");
}

}  // namespace zindle
