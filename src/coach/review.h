// "Game Review": each of the player's turns beside the best move the coach
// finds for the same rack and board, and what the difference came to.
#pragma once

#include <QDialog>

#include "coach/coach.h"

class QLabel;
class QTableWidget;

namespace zindle::coach {

// One turn's board with the move played and the best move drawn on it.
class ReviewBoard : public QWidget {
public:
    explicit ReviewBoard(QWidget* parent = nullptr);
    void showTurn(const TurnRecord* turn);
    QSize sizeHint() const override;
    const TurnRecord* turn() const { return turn_; }
    // Where the board is drawn: the largest square, centred at the top.
    QRect square() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const TurnRecord* turn_ = nullptr;
};

class GameReview : public QDialog {
public:
    explicit GameReview(GameRecord& record, QWidget* parent = nullptr);

    // Opens a review of the record, modeless, deleted when closed.
    static GameReview* show(GameRecord& record, QWidget* parent = nullptr);
    using QDialog::show;

    QTableWidget* table() const { return table_; }
    ReviewBoard* board() const { return board_; }
    QLabel* total() const { return total_; }

private:
    void select(int row);

    std::vector<TurnRecord> turns_;
    QTableWidget* table_;
    ReviewBoard* board_;
    QLabel* total_;
};

}  // namespace zindle::coach
