// The scoreboard beside the board: the game's settings, the four seats with their scores,
// whose turn it is, the clocks, the tiles left, the score preview and the move buttons. It
// shows the seat model; the buttons and the host's seat menu report by signal.
#pragma once

#include <QWidget>
#include <array>

#include "client/scaledlayout.h"
#include "rules/seats.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace zindle {

class Artwork;
class GameState;

class Scoreboard : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kDesigned{297, 284};

    explicit Scoreboard(const GameState& state, QWidget* parent = nullptr);
    void setScale(qreal scale, const Artwork& art);

    void showSeats();     // names, scores, bonuses and who is watching
    void showSettings();  // the game's options and its end
    void showTurn();      // whose turn, in that seat's colour
    void showClocks(const QString& game, const QString& turn);
    void showTilesLeft(const QString& text);
    void showPreview(const QString& text);
    void startGame();  // a new game's scoreboard
    // The move buttons on the own turn; hint adds the coach's button to the row.
    void showMoveButtons(bool on, bool hint = false);
    void showStartButton(bool on);

signals:
    void doneClicked();
    void clearClicked();
    void newTilesClicked();
    void passClicked();
    void startClicked();
    void hintClicked();
    // From the seat menu, which only the host's is active.
    void removeRequested(int seat);
    void justWatchRequested(int seat, bool on);

private:
    void buildSettings();
    void buildSeats();
    void buildTurn();
    void buildButtons();
    void openSeatMenu(int seat, const QPoint& at);
    void layOutMoveButtons();

    const GameState& state_;
    ScaledLayout layout_;
    QLabel* turnTime_ = nullptr;
    QLabel* gameTime_ = nullptr;
    QLabel* playToScore_ = nullptr;
    QLabel* doubleTiles_ = nullptr;
    QLabel* partners_ = nullptr;
    PerPlayerSeat<QLabel*> names_{};
    PerPlayerSeat<QLabel*> scores_{};
    PerPlayerSeat<QLabel*> bonuses_{};
    PerPlayerSeat<QLabel*> eyes_{};
    QLabel* turn_ = nullptr;
    QLabel* gameClock_ = nullptr;
    QLabel* turnClock_ = nullptr;
    QLabel* tilesLeft_ = nullptr;
    QLabel* preview_ = nullptr;
    QPushButton* doneButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* newTilesButton_ = nullptr;
    QPushButton* passButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* hintButton_ = nullptr;
    bool movesShown_ = false;
    bool hintShown_ = false;
    QMenu* seatMenu_ = nullptr;
    QAction* removeAction_ = nullptr;
    QAction* setWatchAction_ = nullptr;
    QAction* unsetWatchAction_ = nullptr;
    int menuSeat_ = 0;
};

// A label in a seat's colour.
void setSeatColour(QLabel* label, int seat);

}  // namespace zindle
