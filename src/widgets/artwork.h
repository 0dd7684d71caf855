// The game's pictures, all painted with QPainter: board cells, letter tiles,
// rack tiles, seat bars, effect strips, the background and the small pictures
// of the windows. Painted once per device pixel ratio so they stay sharp on
// high-density screens.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QVector>

class QPainter;

namespace zindle {

inline constexpr int kCellPx = 28;      // board cell, image_color / image_little entries
inline constexpr int kRackTilePx = 40;  // rack tile control, image_big entries

// 1 red, 2 lime, 3 (67,141,252), 4 yellow; anything else grey.
QColor seatColour(int seat);

// Every picture is painted at start-up for one device pixel ratio, cached per
// ratio, and carries that ratio (setDevicePixelRatio), so it draws at its
// logical size, sharp.
class Artwork {
public:
    static const Artwork& forRatio(qreal dpr);

    QPixmap colour(int entry) const;       // 0 centre, 1..4 seat colours, 5 Zindle square; 28x28
    QPixmap little(int entry) const;       // 0..25 board tiles a..z (28x28), 26 newest-word frame
                                           // (transparent inside, drawn over a letter)
    QPixmap big(int code) const;           // 0..25 rack tiles (40x40)
    QPixmap eyes() const;                  // spectator mark, 24x14
    QPixmap bar(int seat) const;           // rack bar in the seat colour, 510x10
    QPixmap effectStrip(int strip) const;  // 0 plus twenty, 1 minus twenty, 2 double word score:
                                           // 142x61, two 71x61 frames side by side (name, effect)
    QPixmap background() const;            // tile of the windows' tiled background, 64x64
    QPixmap sortPicture() const;           // the small sort picture beside the rack, 24x24
    QPixmap togglePicture(bool on) const;  // the options dialog's toggles, 32x20
    QPixmap boardFrame() const;            // the frame picture behind the board, 548x548;
                                           // the board sits 8 px in from each side

    explicit Artwork(qreal dpr);
    qreal ratio() const { return dpr_; }

private:
    qreal dpr_;
    QVector<QPixmap> colours_, littles_, bigs_, bars_, strips_;
    QPixmap eyes_, background_, sort_, toggleOn_, toggleOff_, frame_, blank_, blankBig_;
};

QIcon appIcon();  // the program's icon (painted)
// The icon as one square picture, size pixels wide (about boxes, the sheet).
QPixmap appIconPixmap(int size);
// Paints the icon into rect (a 64-unit square, scaled to fit).
void paintAppIcon(QPainter& painter, const QRectF& rect);

}  // namespace zindle
