#include "side/desktopicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace zindle {

void paintDesktopIcon(QPainter& p, const QRectF& rect) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(rect.topLeft());
    p.scale(rect.width() / 64.0, rect.height() / 64.0);

    QPainterPath board;
    board.addRoundedRect(QRectF(0, 0, 64, 64), 8, 8);
    p.setClipPath(board);
    p.setPen(Qt::NoPen);
    // Seat colours in the first arrangement: red, green, blue, yellow.
    p.fillRect(QRectF(0, 0, 32, 32), QColor("#d9443a"));
    p.fillRect(QRectF(0, 32, 32, 32), QColor("#3fa34d"));
    p.fillRect(QRectF(32, 0, 32, 32), QColor("#3b6fd1"));
    p.fillRect(QRectF(32, 32, 32, 32), QColor("#e8c02e"));
    p.setClipping(false);

    p.setPen(QPen(QColor("#8a6a3a"), 2));
    p.setBrush(QColor("#f5e6c4"));
    p.drawRoundedRect(QRectF(14, 14, 36, 36), 5, 5);

    const QPolygonF z{{21, 20},   {43, 20}, {43, 26}, {29.5, 38}, {43, 38},
                      {43, 44},   {21, 44}, {21, 38}, {34.5, 26}, {21, 26}};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#3a2a14"));
    p.drawPolygon(z);
    p.restore();
}

QPixmap desktopIconPixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paintDesktopIcon(p, QRectF(0, 0, size, size));
    return pm;
}

QIcon desktopIcon() {
    QIcon icon;
    for (int s : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(desktopIconPixmap(s));
    return icon;
}

}  // namespace zindle
