// Paints the game's look on one sheet for a look by eye: a board with a few words and a
// fresh one framed, the rack, the effect strips, the small pictures, and a window in the
// flat style.
//   zindle-artsheet OUT.png [RATIO]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <cstdio>
#include <utility>

#include "widgets/artwork.h"
#include "widgets/captionbutton.h"
#include "widgets/flatstyle.h"
#include "widgets/tiledbackground.h"

using namespace zindle;

namespace {

// The same quarters a window shows before its first game, with eight Zindle squares.
void paintBoard(QPainter& p, const Artwork& art, QPoint origin) {
    int colours[19][19];
    int letters[19][19];
    bool newest[19][19] = {};
    for (int x = 0; x < 19; ++x)
        for (int y = 0; y < 19; ++y) {
            int c = 0;
            if (x <= 9 && y <= 8) c = 1;
            if (x >= 10 && y <= 9) c = 3;
            if (x <= 8 && y >= 9) c = 2;
            if (x >= 9 && y >= 10) c = 4;
            colours[x][y] = c;
            letters[x][y] = 100;
        }
    colours[9][9] = 0;
    for (auto [x, y] :
         {std::pair{6, 6}, {12, 6}, {6, 12}, {12, 12}, {4, 4}, {14, 4}, {4, 14}, {14, 14}})
        colours[x][y] = 5;
    auto word = [&](const char* w, int x, int y, bool across, bool isNew) {
        for (int i = 0; w[i]; ++i) {
            const int cx = across ? x + i : x, cy = across ? y : y + i;
            letters[cx][cy] = w[i] - 'a';
            newest[cx][cy] = isNew;
        }
    };
    word("zindle", 7, 9, true, false);
    word("camel", 11, 5, false, false);
    word("zeal", 7, 9, false, false);
    word("jovial", 8, 6, false, true);
    for (int x = 0; x < 19; ++x)
        for (int y = 0; y < 19; ++y) {
            const QPoint at = origin + QPoint(kCellPx * x, kCellPx * y);
            p.drawPixmap(at, art.colour(colours[x][y]));
            if (letters[x][y] != 100) p.drawPixmap(at, art.little(letters[x][y]));
            if (newest[x][y]) p.drawPixmap(at, art.little(26));
        }
}

QPixmap flatWindow() {
    TiledBackground window;
    window.resize(360, 200);
    auto* panel = new QFrame(&window);
    panel->setProperty("kit", QStringLiteral("panel"));
    panel->setGeometry(10, 10, 200, 180);
    (new QPushButton(QStringLiteral("Done"), panel))->setGeometry(10, 10, 80, 26);
    auto* pass = new QPushButton(QStringLiteral("Pass"), panel);
    pass->setGeometry(100, 10, 80, 26);
    pass->setEnabled(false);
    (new QLineEdit(QStringLiteral("hello all"), panel))->setGeometry(10, 50, 180, 24);
    auto* label = new QLabel(QStringLiteral("Turn Time Limit:"), panel);
    label->setGeometry(56, 92, 110, 20);
    auto* spin = new QSpinBox(panel);
    spin->setRange(45, 360);
    spin->setSingleStep(5);
    spin->setValue(90);
    spin->setReadOnly(true);
    spin->setGeometry(56, 114, 70, 24);
    auto* check = new QCheckBox(QStringLiteral("Play Sounds"), panel);
    check->setChecked(true);
    check->setGeometry(10, 146, 150, 22);
    auto* speed = new QToolButton(panel);
    speed->setIcon(appIcon());
    speed->setIconSize(QSize(24, 24));
    speed->setGeometry(10, 90, 32, 32);
    auto* rules = new CaptionButton(QStringLiteral("Rules"), &window);
    rules->setGeometry(220, 10, 130, 26);
    (new CaptionButton(QStringLiteral("Scoring"), &window))->setGeometry(220, 40, 130, 26);
    rules->setChecked(true);
    window.show();
    return window.grab();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT.png [RATIO]\n", argv[0]);
        return 2;
    }
    const qreal dpr = argc == 3 ? QString::fromLocal8Bit(argv[2]).toDouble() : 1.0;
    QElapsedTimer clock;
    clock.start();
    const Artwork& art = Artwork::forRatio(dpr);
    std::printf("painted the artwork at ratio %g in %lld ms\n", dpr, clock.elapsed());
    applyFlatStyle(app);

    const int width = 548 + 16 + 380, height = 548 + 80;
    QPixmap sheet(QSize(width, height) * art.background().devicePixelRatio());
    sheet.setDevicePixelRatio(art.background().devicePixelRatio());
    QPainter p(&sheet);
    p.drawTiledPixmap(QRect(0, 0, width, height), art.background());
    p.drawPixmap(4, 4, art.boardFrame());
    paintBoard(p, art, QPoint(12, 12));

    const int rackY = 548 + 12;
    p.drawPixmap(20, rackY + 48, art.bar(3));
    const char rack[] = "ethingsowy";
    for (int i = 0; i < 10; ++i) p.drawPixmap(33 + 48 * i, rackY, art.big(rack[i] - 'a'));
    p.drawPixmap(540, rackY + 8, art.sortPicture());

    const int right = 548 + 24;
    for (int s = 0; s < 3; ++s) p.drawPixmap(right + 10, 12 + 72 * s, art.effectStrip(s));
    for (int c = 0; c <= 5; ++c) p.drawPixmap(right + 10 + 34 * c, 232, art.colour(c));
    p.drawPixmap(right + 10, 276, art.eyes());
    p.drawPixmap(right + 44, 273, art.togglePicture(false));
    p.drawPixmap(right + 84, 273, art.togglePicture(true));
    p.drawPixmap(right + 230, 20, appIconPixmap(96));
    p.drawPixmap(right, 320, flatWindow());
    p.end();

    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
