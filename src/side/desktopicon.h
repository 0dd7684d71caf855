// The program's icon: a lettered tile on the four-coloured board. The same
// drawing is in data/icons/zindle.svg for the desktop's scalable icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QRectF>

class QPainter;

namespace zindle {

// Paints the icon into rect (drawn on a 64-unit square, scaled to fit).
void paintDesktopIcon(QPainter& painter, const QRectF& rect);
// A square picture of the icon, size pixels wide.
QPixmap desktopIconPixmap(int size);
// The icon at the usual sizes, for window icons.
QIcon desktopIcon();

}  // namespace zindle
