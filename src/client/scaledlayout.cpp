#include "client/scaledlayout.h"

#include <QApplication>
#include <QWidget>
#include <cmath>

namespace zindle {

QFont scaledFont(qreal scale, qreal points, bool bold) {
    QFont f = QApplication::font();
    if (points <= 0) points = f.pointSizeF();
    if (points > 0)
        f.setPointSizeF(std::max(1.0, points * scale));
    else
        f.setPixelSize(std::max(1, int(std::lround(f.pixelSize() * scale))));
    if (bold) f.setBold(true);
    return f;
}

void ScaledLayout::place(QWidget* w, const QRect& designed, FontRule font) {
    rects_[w] = {QPointer<QWidget>(w), designed};
    w->setGeometry(map(designed));
    if (font == ScaleFont && !fonts_.contains(w)) setFontSize(w, 0);
}

void ScaledLayout::setFontSize(QWidget* w, qreal points, bool bold) {
    fonts_[w] = {QPointer<QWidget>(w), points, bold};
    applyFont(fonts_[w]);
}

void ScaledLayout::applyFont(const Font& f) const {
    if (f.widget) f.widget->setFont(scaledFont(scale_, f.points, f.bold));
}

void ScaledLayout::apply(qreal scale) {
    if (scale == scale_) return;  // everything already stands at this scale
    scale_ = scale;
    for (const auto& [widget, designed] : std::as_const(rects_))
        if (widget) widget->setGeometry(map(designed));
    for (const Font& f : std::as_const(fonts_)) applyFont(f);
}

int ScaledLayout::map(int designed) const {
    return int(std::lround(designed * scale_));
}

QPoint ScaledLayout::map(const QPoint& designed) const {
    return {map(designed.x()), map(designed.y())};
}

QRect ScaledLayout::map(const QRect& r) const {
    const QPoint topLeft = map(r.topLeft());
    const QPoint end = map(r.topLeft() + QPoint(r.width(), r.height()));
    return {topLeft, QSize(std::max(1, end.x() - topLeft.x()), std::max(1, end.y() - topLeft.y()))};
}

}  // namespace zindle
