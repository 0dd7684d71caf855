#include "coach/review.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/artwork.h"
#include "widgets/placement.h"

namespace zindle::coach {

namespace {

constexpr int kCell = 28;  // the board artwork's cell

QString played(const TurnRecord& t) {
    switch (t.kind) {
        case TurnRecord::Move: {
            QString word = QString::fromStdString(t.word);
            if (t.effect == kPlusTwenty) return GameReview::tr("%1 (Zindle +20)").arg(word);
            if (t.effect == kMinusTwenty) return GameReview::tr("%1 (Zindle -20)").arg(word);
            if (t.effect == kDouble) return GameReview::tr("%1 (Zindle doubled)").arg(word);
            return word;
        }
        case TurnRecord::NewTiles:
            return GameReview::tr("New Tiles");
        default:
            return GameReview::tr("Passed");
    }
}

QTableWidgetItem* cell(const QString& text, bool number = false) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

}  // namespace

ReviewBoard::ReviewBoard(QWidget* parent) : QWidget(parent) {
    setObjectName("reviewBoard");
    // Smaller than designed on a small screen: the board is drawn to the square it gets.
    setMinimumSize(kBoardSize * 12, kBoardSize * 12);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize ReviewBoard::sizeHint() const {
    return {kBoardSize * kCell, kBoardSize * kCell};
}

void ReviewBoard::showTurn(const TurnRecord* turn) {
    turn_ = turn;
    update();
}

QRect ReviewBoard::square() const {
    const int side = std::min(width(), height());
    return {(width() - side) / 2, 0, side, side};
}

void ReviewBoard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Only the board's square: the rest of the widget shows the window behind it.
    const QRect board = square();
    p.fillRect(board, Qt::black);
    if (!turn_) return;
    p.translate(board.topLeft());
    const qreal scale = board.width() / qreal(kBoardSize * kCell);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1.0);
    const Artwork& art = Artwork::forRatio(devicePixelRatioF());
    const TurnRecord& t = *turn_;
    for (int x = 0; x < kBoardSize; ++x)
        for (int y = 0; y < kBoardSize; ++y) {
            const QPoint at(x * kCell, y * kCell);
            p.drawPixmap(at, art.colour(t.colours[x][y]));
            if (isLetterCode(t.letters[x][y])) p.drawPixmap(at, art.little(t.letters[x][y]));
        }
    // The best move as faint letters under the move played, which lies on
    // top ringed in the seat's colour; the best move's dashed white ring is
    // drawn last, so both read where they cross.
    if (t.best.found) {
        p.setOpacity(0.6);
        for (int i = 0; i < t.best.move.count; ++i) {
            const engine::TileLay& tile = t.best.move.tiles[i];
            p.drawPixmap(QPoint(tile.x * kCell, tile.y * kCell), art.little(tile.letter));
        }
        p.setOpacity(1);
    }
    Grid shown = t.letters;
    for (const Placement& tile : t.laid) {
        if (!onBoard(tile.x, tile.y) || !isLetterCode(tile.code)) continue;
        shown[tile.x][tile.y] = tile.code;
        const QRect r(tile.x * kCell, tile.y * kCell, kCell, kCell);
        p.drawPixmap(r.topLeft(), art.little(tile.code));
        p.setPen(QPen(seatColour(t.seat), 3));
        p.drawRect(r.adjusted(1, 1, -2, -2));
    }
    p.setPen(QPen(Qt::white, 2, Qt::DashLine));
    for (int i = 0; t.best.found && i < t.best.move.count; ++i) {
        const engine::TileLay& tile = t.best.move.tiles[i];
        p.drawRect(QRect(tile.x * kCell, tile.y * kCell, kCell, kCell).adjusted(3, 3, -4, -4));
    }
    // Where the move played covers a best tile of another letter, the best letter is shown
    // in the cell's corner, so neither word loses a letter.
    QFont font = p.font();
    font.setPixelSize(kCell * 2 / 5);
    font.setBold(true);
    p.setFont(font);
    for (int i = 0; t.best.found && i < t.best.move.count; ++i) {
        const engine::TileLay& tile = t.best.move.tiles[i];
        if (!onBoard(tile.x, tile.y) || !isLetterCode(tile.letter)) continue;
        const int32_t there = shown[tile.x][tile.y];
        if (!isLetterCode(there) || there == tile.letter) continue;
        const QRect badge(tile.x * kCell + kCell / 2, tile.y * kCell + kCell / 2, kCell / 2,
                          kCell / 2);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(badge.adjusted(0, 0, -1, -1), 3, 3);
        p.setPen(Qt::black);
        p.drawText(badge, Qt::AlignCenter, QString(QChar('A' + tile.letter)));
    }
}

GameReview::GameReview(GameRecord& record, QWidget* parent)
    : QDialog(parent), turns_(record.turns()) {
    setObjectName("GameReview");
    setWindowTitle(tr("Game Review"));
    table_ = new QTableWidget(static_cast<int>(turns_.size()), 6, this);
    table_->setObjectName("reviewTurns");
    table_->setHorizontalHeaderLabels(
        {tr("Turn"), tr("You played"), tr("Points"), tr("Best move"), tr("Points"), tr("Left")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    int32_t left = 0;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const TurnRecord& t = turns_[row];
        left += t.left();
        table_->setItem(row, 0, cell(QString::number(t.number), true));
        table_->setItem(row, 1, cell(played(t)));
        table_->setItem(row, 2, cell(QString::number(t.points), true));
        table_->setItem(
            row, 3, cell(t.best.found ? QString::fromStdString(t.best.word) : tr("No word fits")));
        table_->setItem(row, 4, cell(QString::number(t.best.points), true));
        table_->setItem(row, 5, cell(t.left() > 0 ? QString::number(t.left()) : tr("Best"), true));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    // Every column whole without a horizontal scroll: the board gives up room first.
    int columns = 2 * table_->frameWidth() + table_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < table_->columnCount(); ++c) columns += table_->columnWidth(c);
    table_->setMinimumWidth(std::max(360, columns));
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    total_ = new QLabel(this);
    total_->setObjectName("reviewTotal");
    if (turns_.empty())
        total_->setText(tr("No turns of yours to look back on yet."));
    else if (left == 0)
        total_->setText(tr("You found the best move on every turn. Well played!"));
    else
        total_->setText(left == 1 ? tr("You left 1 point on the table.")
                                  : tr("You left %1 points on the table.").arg(left));

    board_ = new ReviewBoard(this);
    auto* key = new QLabel(
        tr("Ringed in your colour: your move. Dashed: the best move, with its letter in the "
           "corner where the two differ."),
        this);
    key->setWordWrap(true);

    auto* side = new QVBoxLayout;
    side->addWidget(table_, 1);
    side->addWidget(total_);
    side->addWidget(key);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(side, 1);
    layout->addWidget(board_, 0, Qt::AlignTop);

    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) { select(row); });
    if (!turns_.empty()) table_->selectRow(0);
    select(turns_.empty() ? -1 : 0);
}

void GameReview::select(int row) {
    board_->showTurn(row >= 0 && row < static_cast<int>(turns_.size()) ? &turns_[row] : nullptr);
}

GameReview* GameReview::show(GameRecord& record, QWidget* parent) {
    auto* review = new GameReview(record, parent);
    review->setAttribute(Qt::WA_DeleteOnClose);
    review->adjustSize();
    placeWindow(review, parent);  // over the game window, inside the screen
    review->QDialog::show();
    review->raise();
    return review;
}

}  // namespace zindle::coach
