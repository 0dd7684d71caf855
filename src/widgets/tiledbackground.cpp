#include "widgets/tiledbackground.h"

#include <QPaintEvent>
#include <QPainter>

#include "widgets/artwork.h"

namespace zindle {

TiledBackground::TiledBackground(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TiledBackground::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawTiledPixmap(event->rect(), Artwork::forRatio(devicePixelRatioF()).background(),
                      event->rect().topLeft());
}

}  // namespace zindle
