#include "client/boardview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "clientstate/gamestate.h"
#include "widgets/artwork.h"

namespace zindle {

BoardView::BoardView(const GameState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardView::setScale(qreal scale, const Artwork& art) {
    scale_ = scale;
    art_ = &art;
    fitted_.clear();
    update();
}

// Every cell is the same whole number of device pixels, so each picture is copied one to
// one; the few pixels left over lie evenly around the cells, under the frame's dark edge.
int BoardView::cellPixels() const {
    return std::max(1, int(std::floor(kCellPx * scale_ * devicePixelRatioF() + 1e-6)));
}

QPoint BoardView::originPixels() const {
    const qreal dpr = devicePixelRatioF();
    const int board = kBoardSize * cellPixels();
    return {(int(std::lround(width() * dpr)) - board) / 2,
            (int(std::lround(height() * dpr)) - board) / 2};
}

QRect BoardView::cellPixelRect(const QPoint& cell) const {
    const int size = cellPixels();
    return {originPixels() + cell * size, QSize(size, size)};
}

QRect BoardView::cellRect(const QPoint& cell) const {
    const QRectF r(cellPixelRect(cell));
    const qreal dpr = devicePixelRatioF();
    return QRectF(r.topLeft() / dpr, r.size() / dpr).toAlignedRect();
}

QPoint BoardView::cellTopLeft(const QPoint& cell) const {
    return cellRect(cell).topLeft();
}

// Four designed pixels of slack towards the next cell, as the board always had.
QPoint BoardView::cellAt(const QPointF& pos) const {
    const qreal size = cellPixels();
    const QPointF at =
        pos * devicePixelRatioF() - QPointF(originPixels()) + QPointF(4, 4) * size / kCellPx;
    if (at.x() < 0 || at.y() < 0) return {-1, -1};
    return {int(at.x() / size), int(at.y() / size)};
}

QPixmap BoardView::fitted(const QPixmap& picture) {
    const int size = cellPixels();
    if (picture.devicePixelRatio() == 1.0 && picture.size() == QSize(size, size))
        return picture;  // as designed
    const auto key = qMakePair(picture.cacheKey(), size);
    auto found = fitted_.constFind(key);
    if (found != fitted_.constEnd()) return *found;
    QPixmap exact =
        picture.size() == QSize(size, size)
            ? picture.copy()
            : picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    exact.setDevicePixelRatio(1);  // drawn in device pixels
    return fitted_.insert(key, exact).value();
}

// boardPaint: the colours, the letters over them, the newest word's frame.
void BoardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(24, 14, 6));
    const Artwork& art = art_ ? *art_ : Artwork::forRatio(devicePixelRatioF());
    const qreal dpr = devicePixelRatioF();
    p.scale(1 / dpr, 1 / dpr);
    const qreal pen = 2 * dpr;
    for (int x = 0; x < kBoardSize; ++x) {
        for (int y = 0; y < kBoardSize; ++y) {
            const QRect at = cellPixelRect({x, y});
            p.drawPixmap(at.topLeft(), fitted(art.colour(state_.colours()[x][y])));
            if (state_.letters()[x][y] != kNoTile)
                p.drawPixmap(at.topLeft(), fitted(art.little(state_.letters()[x][y])));
            if (state_.newest()[x][y] > 0) p.drawPixmap(at.topLeft(), fitted(art.little(26)));
            if (state_.cellslot()[x][y] != kNoTile) {
                // Tiles laid this turn, not yet judged: a dashed outline in the seat colour.
                p.setPen(QPen(seatColour(state_.mySeat()), pen, Qt::DashLine));
                p.setBrush(Qt::NoBrush);
                p.drawRect(QRectF(at).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2));
            }
        }
    }
    if (hasFocus() && onBoard(cursor.x(), cursor.y())) {
        // Black round white, so one of the two stands out on every cell colour.
        const QRectF cell(cellPixelRect(cursor));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, pen));
        p.drawRect(cell.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2));
        p.setPen(QPen(Qt::white, pen));
        p.drawRect(cell.adjusted(3 * pen / 2, 3 * pen / 2, -3 * pen / 2, -3 * pen / 2));
    }
}

void BoardView::focusInEvent(QFocusEvent*) {
    update();
    if (onFocus) onFocus(true);
}

void BoardView::focusOutEvent(QFocusEvent*) {
    update();
    if (onFocus) onFocus(false);
}

void BoardView::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (onMouseDown) onMouseDown(e);
}

void BoardView::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove(e);
}

void BoardView::keyPressEvent(QKeyEvent* e) {
    if (onKey) onKey(e);
    if (!e->isAccepted()) QWidget::keyPressEvent(e);
}

PictureControl::PictureControl(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
}

void PictureControl::mousePressEvent(QMouseEvent* e) {
    if (onMouseDown) onMouseDown(e);
}

void PictureControl::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove(e);
}

void PictureControl::mouseReleaseEvent(QMouseEvent* e) {
    if (onClick && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        onClick();
}

}  // namespace zindle
