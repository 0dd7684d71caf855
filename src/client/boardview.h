// The board: paints the seat's board model and turns pointer events into
// pixels of the board; the window decides what a click means.
#pragma once

#include <QHash>
#include <QLabel>
#include <QWidget>
#include <functional>

namespace zindle {

class Artwork;
class GameState;

class BoardView : public QWidget {
public:
    BoardView(const GameState& state, QWidget* parent = nullptr);
    // Cells are drawn at the scale, from artwork painted for it.
    void setScale(qreal scale, const Artwork& art);
    QPoint cellTopLeft(const QPoint& cell) const;
    QRect cellRect(const QPoint& cell) const;
    QPoint cellAt(const QPointF& pos) const;  // {-1, -1} left of or above the cells
    std::function<void(QMouseEvent*)> onMouseDown;
    std::function<void(QMouseEvent*)> onMouseMove;
    std::function<void(QKeyEvent*)> onKey;
    std::function<void(bool focused)> onFocus;
    // The keyboard cursor cell, drawn while the board has the focus; x < 0 hides it.
    QPoint cursor{9, 9};

protected:
    void paintEvent(QPaintEvent*) override;  // boardPaint
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    int cellPixels() const;
    QPoint originPixels() const;
    QRect cellPixelRect(const QPoint& cell) const;
    // A picture at the cell's exact size in device pixels, made once, so that painting is a copy.
    QPixmap fitted(const QPixmap& picture);

    const GameState& state_;
    const Artwork* art_ = nullptr;
    qreal scale_ = 1.0;
    QHash<QPair<qint64, int>, QPixmap> fitted_;
};

// A picture control that reports presses and moves: the rack tiles, the sort
// picture, the board frame.
class PictureControl : public QLabel {
public:
    explicit PictureControl(QWidget* parent = nullptr);
    std::function<void(QMouseEvent*)> onMouseDown;
    std::function<void(QMouseEvent*)> onMouseMove;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};

}  // namespace zindle
