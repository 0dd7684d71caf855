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

QPixmap BoardView::fitted(const QPixmap& picture, const QSize& size) {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size) * dpr).toSize();
    if (picture.size() == pixels) return picture;
    const auto key = qMakePair(picture.cacheKey(), size);
    auto found = fitted_.constFind(key);
    if (found != fitted_.constEnd()) return *found;
    QPixmap scaled = picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(dpr);
    return fitted_.insert(key, scaled).value();
}

QPoint BoardView::cellTopLeft(const QPoint& cell) const { return cellRect(cell).topLeft(); }

// Edges rounded, so neighbouring cells meet without a seam at any scale.
QRect BoardView::cellRect(const QPoint& cell) const {
    auto edge = [this](int n) { return int(std::lround(n * kCellPx * scale_)); };
    return QRect(QPoint(edge(cell.x()), edge(cell.y())), QPoint(edge(cell.x() + 1) - 1, edge(cell.y() + 1) - 1));
}

// boardPaint: the colours, the letters over them, the newest word's frame.
void BoardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const Artwork& art = art_ ? *art_ : Artwork::forRatio(devicePixelRatioF());
    for (int x = 0; x < kBoardSize; ++x) {
        for (int y = 0; y < kBoardSize; ++y) {
            // The artwork is painted for the scale; the pictures are fitted to the cell's pixels.
            const QRect at = cellRect({x, y});
            p.drawPixmap(at.topLeft(), fitted(art.colour(state_.colours[x][y]), at.size()));
            if (state_.letters[x][y] != kNoTile)
                p.drawPixmap(at.topLeft(), fitted(art.little(state_.letters[x][y]), at.size()));
            if (state_.newest[x][y] > 0) p.drawPixmap(at.topLeft(), fitted(art.little(26), at.size()));
            if (state_.cellslot[x][y] != kNoTile) {
                // Tiles laid this turn, not yet judged: a dashed outline in the seat colour.
                p.setPen(QPen(seatColour(state_.mySeat), 2, Qt::DashLine));
                p.setBrush(Qt::NoBrush);
                p.drawRect(at.adjusted(1, 1, -1, -1));
            }
        }
    }
    if (hasFocus() && onBoard(cursor.x(), cursor.y())) {
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(cellRect(cursor).adjusted(1, 1, -1, -1));
    }
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

PictureControl::PictureControl(QWidget* parent) : QLabel(parent) { setMouseTracking(true); }

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
