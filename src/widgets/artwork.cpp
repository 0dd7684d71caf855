#include "widgets/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>
#include <map>
#include <memory>

namespace zindle {

namespace {

constexpr int kEyesW = 24, kEyesH = 14;
constexpr int kBarW = 510, kBarH = 10;
constexpr int kFrameW = 71, kStripH = 61;
constexpr int kBackgroundPx = 64;
constexpr int kSortPx = 24;
constexpr int kToggleW = 32, kToggleH = 20;
constexpr int kBoardFramePx = 548;

// Cream tile faces with a warm edge; the letter stays near-black for contrast.
const QColor kTileLight(255, 246, 222);
const QColor kTileDark(236, 214, 168);
const QColor kTileEdge(176, 138, 84);
const QColor kLetter(52, 34, 20);

// A blank picture of the logical size, at the ratio, ready to paint in logical units.
QPixmap canvas(int w, int h, qreal dpr) {
    QPixmap pm(QSize(int(std::ceil(w * dpr)), int(std::ceil(h * dpr))));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

QFont letterFont(int pixelSize, bool bold = true) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// Seat colours mixed toward white so a dark letter on a tile and the grid both stay readable.
QColor softened(const QColor& c, qreal towardWhite) {
    return QColor::fromRgbF(c.redF() + (1 - c.redF()) * towardWhite,
                            c.greenF() + (1 - c.greenF()) * towardWhite,
                            c.blueF() + (1 - c.blueF()) * towardWhite);
}

void paintCellBase(QPainter& p, const QColor& fill) {
    const QRectF r(0, 0, kCellPx, kCellPx);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, fill.lighter(108));
    g.setColorAt(1, fill.darker(108));
    p.fillRect(r, g);
    // A light top-left and dark bottom-right edge make each cell read as a slight hollow.
    p.setPen(QPen(fill.darker(135), 1));
    p.drawLine(QPointF(0.5, 0.5), QPointF(kCellPx - 0.5, 0.5));
    p.drawLine(QPointF(0.5, 0.5), QPointF(0.5, kCellPx - 0.5));
    p.setPen(QPen(fill.lighter(115), 1));
    p.drawLine(QPointF(kCellPx - 0.5, 1), QPointF(kCellPx - 0.5, kCellPx - 0.5));
    p.drawLine(QPointF(1, kCellPx - 0.5), QPointF(kCellPx - 0.5, kCellPx - 0.5));
}

QPainterPath diamond(QPointF centre, qreal radius) {
    QPainterPath path;
    path.moveTo(centre.x(), centre.y() - radius);
    path.lineTo(centre.x() + radius, centre.y());
    path.lineTo(centre.x(), centre.y() + radius);
    path.lineTo(centre.x() - radius, centre.y());
    path.closeSubpath();
    return path;
}

QPixmap paintColour(int entry, qreal dpr) {
    QPixmap pm = canvas(kCellPx, kCellPx, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF mid(kCellPx / 2.0, kCellPx / 2.0);
    if (entry >= 1 && entry <= 4) {
        paintCellBase(p, softened(seatColour(entry), entry == 3 ? 0.38 : 0.45));
    } else if (entry == 5) {
        paintCellBase(p, QColor(84, 40, 140));
        QRadialGradient glow(mid, 12);
        glow.setColorAt(0, QColor(255, 220, 80, 110));
        glow.setColorAt(1, QColor(255, 220, 80, 0));
        p.fillRect(QRectF(1, 1, kCellPx - 2, kCellPx - 2), glow);
        p.setPen(QPen(QColor(120, 80, 0), 1));
        p.setBrush(QColor(255, 206, 40));
        p.drawPath(diamond(mid, 11));
        p.setPen(QColor(84, 40, 140));
        p.setFont(letterFont(13));
        p.drawText(QRectF(0, 0, kCellPx, kCellPx), Qt::AlignCenter, QStringLiteral("?"));
    } else {
        paintCellBase(p, QColor(34, 34, 40));
        p.setPen(QPen(QColor(150, 150, 160), 1));
        p.setBrush(QColor(250, 250, 250));
        p.drawPath(diamond(mid, 9));
        p.setBrush(QColor(34, 34, 40));
        p.setPen(Qt::NoPen);
        p.drawPath(diamond(mid, 3));
    }
    return pm;
}

// A cream tile filling a square of `size`, with a soft shadow below right and the letter.
QPixmap paintTile(int code, int size, qreal dpr) {
    QPixmap pm = canvas(size, size, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal inset = size >= 40 ? 2 : 1.5;
    const qreal shadow = size >= 40 ? 2 : 1.5;
    const qreal radius = size * 0.14;
    const QRectF face(inset, inset, size - 2 * inset - shadow, size - 2 * inset - shadow);

    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, 28 + 12 * (3 - i)));
        p.drawRoundedRect(face.translated(shadow * i / 3.0 + 0.5, shadow * i / 3.0 + 0.5)
                              .adjusted(-i * 0.3, -i * 0.3, i * 0.3, i * 0.3),
                          radius + 1, radius + 1);
    }

    QLinearGradient g(face.topLeft(), face.bottomLeft());
    g.setColorAt(0, kTileLight);
    g.setColorAt(1, kTileDark);
    p.setBrush(g);
    p.setPen(QPen(kTileEdge, 1));
    p.drawRoundedRect(face, radius, radius);
    // Highlight along the top edge: light falls from above.
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.drawLine(QPointF(face.left() + radius, face.top() + 1.2),
               QPointF(face.right() - radius, face.top() + 1.2));

    const QString letter = QString(QChar('A' + (code >= 0 && code <= 25 ? code : 0)));
    const QRectF textBox = face.adjusted(0, 0, 0, size >= 40 ? -1 : 0);
    p.setFont(letterFont(int(size * (size >= 40 ? 0.55 : 0.6))));
    p.setPen(QColor(255, 255, 255, 150));
    p.drawText(textBox.translated(0.6, 0.8), Qt::AlignCenter, letter);
    p.setPen(kLetter);
    p.drawText(textBox, Qt::AlignCenter, letter);
    return pm;
}

QPixmap paintNewestFrame(qreal dpr) {
    QPixmap pm = canvas(kCellPx, kCellPx, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    // A dark outline under the bright ring keeps it visible on cream tiles and yellow cells alike.
    p.setPen(QPen(QColor(90, 20, 0, 200), 3.5));
    p.drawRoundedRect(QRectF(1.75, 1.75, kCellPx - 3.5, kCellPx - 3.5), 5, 5);
    p.setPen(QPen(QColor(255, 120, 20), 2));
    p.drawRoundedRect(QRectF(1.75, 1.75, kCellPx - 3.5, kCellPx - 3.5), 5, 5);
    return pm;
}

QPixmap paintEyes(qreal dpr) {
    QPixmap pm = canvas(kEyesW, kEyesH, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
        const QRectF eye(1 + i * 11.5, 1, 10.5, 12);
        p.setPen(QPen(QColor(30, 30, 30), 1));
        p.setBrush(QColor(250, 250, 245));
        p.drawEllipse(eye);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 170));
        p.drawEllipse(QPointF(eye.center().x() + 1.5, eye.center().y() + 1), 3, 3.2);
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(eye.center().x() + 1.5, eye.center().y() + 1), 1.5, 1.6);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(eye.center().x() + 2.5, eye.center().y() - 0.3), 0.8, 0.8);
    }
    return pm;
}

QPixmap paintBar(int seat, qreal dpr) {
    QPixmap pm = canvas(kBarW, kBarH, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = seatColour(seat);
    const QRectF r(0.5, 0.5, kBarW - 1, kBarH - 1);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, softened(c, 0.55));
    g.setColorAt(0.5, c);
    g.setColorAt(1, c.darker(150));
    p.setBrush(g);
    p.setPen(QPen(c.darker(200), 1));
    p.drawRoundedRect(r, 4.5, 4.5);
    return pm;
}

QPixmap paintStrip(int strip, qreal dpr) {
    QPixmap pm = canvas(2 * kFrameW, kStripH, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QColor accent;
    QString effect;
    switch (strip) {
        case 0:
            accent = QColor(40, 170, 70);
            effect = QStringLiteral("+20");
            break;
        case 1:
            accent = QColor(205, 50, 45);
            effect = QStringLiteral("\u221220");
            break;
        default:
            accent = QColor(222, 128, 16);
            effect = QStringLiteral("x2");
            break;
    }

    auto card = [&](int left, const QColor& top, const QColor& bottom) {
        const QRectF r(left + 1.5, 1.5, kFrameW - 3, kStripH - 3);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setBrush(g);
        p.setPen(QPen(QColor(255, 215, 70), 2));
        p.drawRoundedRect(r, 8, 8);
        return r;
    };

    // Frame one: the square's name under its diamond.
    QRectF r = card(0, QColor(72, 48, 110), QColor(34, 22, 56));
    p.setPen(QPen(QColor(120, 80, 0), 1));
    p.setBrush(QColor(255, 206, 40));
    p.drawPath(diamond(QPointF(r.center().x(), 20), 12));
    p.setPen(QColor(40, 26, 64));
    p.setFont(letterFont(14));
    p.drawText(QRectF(r.left(), 8, r.width(), 24), Qt::AlignCenter, QStringLiteral("?"));
    p.setPen(QColor(255, 236, 160));
    p.setFont(letterFont(12));
    p.drawText(QRectF(r.left(), 33, r.width(), 14), Qt::AlignCenter, QStringLiteral("ZINDLE"));
    p.setFont(letterFont(9, false));
    p.drawText(QRectF(r.left(), 45, r.width(), 11), Qt::AlignCenter, QStringLiteral("square!"));

    // Frame two: the effect in words.
    r = card(kFrameW, accent.lighter(125), accent.darker(160));
    p.setPen(QColor(0, 0, 0, 90));
    p.setFont(letterFont(strip == 2 ? 24 : 26));
    const QRectF big(r.left(), 3, r.width(), 34);
    p.drawText(big.translated(1, 1.5), Qt::AlignCenter, effect);
    p.setPen(Qt::white);
    p.drawText(big, Qt::AlignCenter, effect);
    p.setFont(letterFont(strip == 1 ? 8 : 9));
    const QString words = strip == 0   ? QStringLiteral("plus twenty")
                          : strip == 1 ? QStringLiteral("minus twenty")
                                       : QStringLiteral("double word\nscore");
    p.drawText(QRectF(r.left(), 35, r.width(), 22), Qt::AlignCenter, words);
    return pm;
}

QPixmap paintBackground(qreal dpr) {
    QPixmap pm = canvas(kBackgroundPx, kBackgroundPx, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, kBackgroundPx, kBackgroundPx), QColor(30, 52, 66));
    // A quiet pattern of faint diamonds that repeats seamlessly at the tile's edges.
    p.setPen(QPen(QColor(255, 255, 255, 14), 1));
    p.setBrush(Qt::NoBrush);
    for (int cx = 0; cx <= kBackgroundPx; cx += 32)
        for (int cy = 0; cy <= kBackgroundPx; cy += 32) p.drawPath(diamond(QPointF(cx, cy), 16));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 10));
    for (int cx = 16; cx < kBackgroundPx; cx += 32)
        for (int cy = 16; cy < kBackgroundPx; cy += 32) p.drawPath(diamond(QPointF(cx, cy), 5));
    return pm;
}

QPixmap paintSort(qreal dpr) {
    QPixmap pm = canvas(kSortPx, kSortPx, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kTileEdge, 1));
    p.setBrush(kTileLight);
    p.drawRoundedRect(QRectF(0.5, 0.5, kSortPx - 1, kSortPx - 1), 4, 4);
    // Bars rising left to right: "put in order".
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 110, 150));
    for (int i = 0; i < 4; ++i) {
        const qreal h = 5 + i * 3.5;
        p.drawRoundedRect(QRectF(4 + i * 4.4, kSortPx - 4 - h, 3.2, h), 1, 1);
    }
    p.setPen(kLetter);
    p.setFont(letterFont(8));
    p.drawText(QRectF(2, 1, 12, 10), Qt::AlignCenter, QStringLiteral("A"));
    return pm;
}

QPixmap paintToggle(bool on, qreal dpr) {
    QPixmap pm = canvas(kToggleW, kToggleH, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(kToggleW / 2.0 - 8.5, 1.5, 17, 17);
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(222, 226, 232));
    p.setBrush(g);
    p.setPen(QPen(QColor(70, 80, 96), 1.2));
    p.drawRoundedRect(box, 3, 3);
    if (on) {
        QPainterPath tick;
        tick.moveTo(box.left() + 3.5, box.center().y() + 0.5);
        tick.lineTo(box.left() + 7, box.bottom() - 4);
        tick.lineTo(box.right() - 3, box.top() + 3.5);
        p.setPen(QPen(QColor(30, 140, 60), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    return pm;
}

QPixmap paintBoardFrame(qreal dpr) {
    QPixmap pm = canvas(kBoardFramePx, kBoardFramePx, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(0, 0, kBoardFramePx, kBoardFramePx);
    QLinearGradient wood(outer.topLeft(), outer.bottomRight());
    wood.setColorAt(0, QColor(150, 98, 52));
    wood.setColorAt(0.5, QColor(118, 72, 36));
    wood.setColorAt(1, QColor(86, 50, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(wood);
    p.drawRoundedRect(outer, 6, 6);
    // Faint grain lines across the wood.
    p.setPen(QPen(QColor(60, 30, 10, 40), 1));
    for (int i = 0; i < kBoardFramePx; i += 7)
        p.drawLine(QPointF(0, i + 0.5), QPointF(kBoardFramePx, i + 3.5));
    p.setPen(QPen(QColor(255, 220, 170, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    // The board sits in a dark recess 8 px in from each side.
    const QRectF recess(6, 6, kBoardFramePx - 12, kBoardFramePx - 12);
    p.setPen(QPen(QColor(40, 20, 6), 2));
    p.setBrush(QColor(40, 24, 12));
    p.drawRect(recess);
    return pm;
}

}  // namespace

QColor seatColour(int seat) {
    switch (seat) {
        case 1:
            return QColor(255, 0, 0);
        case 2:
            return QColor(0, 255, 0);
        case 3:
            return QColor(67, 141, 252);
        case 4:
            return QColor(255, 255, 0);
        default:
            return QColor(128, 128, 128);
    }
}

Artwork::Artwork(qreal dpr) : dpr_(dpr) {
    for (int i = 0; i <= 5; ++i) colours_.append(paintColour(i, dpr));
    for (int code = 0; code <= 25; ++code) {
        littles_.append(paintTile(code, kCellPx, dpr));
        bigs_.append(paintTile(code, kRackTilePx, dpr));
    }
    littles_.append(paintNewestFrame(dpr));
    for (int seat = 0; seat <= 4; ++seat) bars_.append(paintBar(seat, dpr));
    for (int strip = 0; strip < 3; ++strip) strips_.append(paintStrip(strip, dpr));
    eyes_ = paintEyes(dpr);
    background_ = paintBackground(dpr);
    sort_ = paintSort(dpr);
    toggleOff_ = paintToggle(false, dpr);
    toggleOn_ = paintToggle(true, dpr);
    frame_ = paintBoardFrame(dpr);
    blank_ = canvas(kCellPx, kCellPx, dpr);
    blankBig_ = canvas(kRackTilePx, kRackTilePx, dpr);
}

const Artwork& Artwork::forRatio(qreal dpr) {
    // Screens report ratios such as 1.25 or 1.5; a hundredth is fine enough to share a set.
    static std::map<int, std::unique_ptr<Artwork>> cache;
    if (!(dpr > 0.0) || dpr > 16.0) dpr = 1.0;
    const int key = int(std::lround(dpr * 100));
    auto& slot = cache[key];
    if (!slot) slot = std::make_unique<Artwork>(key / 100.0);
    return *slot;
}

// Entries out of range give a transparent cell rather than reading past a list.
QPixmap Artwork::colour(int entry) const {
    return entry >= 0 && entry < colours_.size() ? colours_[entry] : blank_;
}

QPixmap Artwork::little(int entry) const {
    return entry >= 0 && entry < littles_.size() ? littles_[entry] : blank_;
}

QPixmap Artwork::big(int code) const {
    return code >= 0 && code < bigs_.size() ? bigs_[code] : blankBig_;
}

QPixmap Artwork::eyes() const {
    return eyes_;
}

QPixmap Artwork::bar(int seat) const {
    return bars_[seat >= 1 && seat <= 4 ? seat : 0];
}

QPixmap Artwork::effectStrip(int strip) const {
    return strips_[strip >= 0 && strip < strips_.size() ? strip : 0];
}

QPixmap Artwork::background() const {
    return background_;
}
QPixmap Artwork::sortPicture() const {
    return sort_;
}
QPixmap Artwork::togglePicture(bool on) const {
    return on ? toggleOn_ : toggleOff_;
}
QPixmap Artwork::boardFrame() const {
    return frame_;
}

// A lettered tile on the four-coloured board, drawn on a 64-unit square. The
// same drawing is data/icons/zindle.svg, the desktop's scalable icon.
void paintAppIcon(QPainter& p, const QRectF& rect) {
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

    const QPolygonF z{{21, 20}, {43, 20}, {43, 26}, {29.5, 38}, {43, 38},
                      {43, 44}, {21, 44}, {21, 38}, {34.5, 26}, {21, 26}};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#3a2a14"));
    p.drawPolygon(z);
    p.restore();
}

QPixmap appIconPixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paintAppIcon(p, QRectF(0, 0, size, size));
    return pm;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(appIconPixmap(size));
    return icon;
}

}  // namespace zindle
