#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "widgets/animatedpicture.h"
#include "widgets/artwork.h"
#include "widgets/captionbutton.h"
#include "widgets/flatstyle.h"
#include "widgets/tiledbackground.h"

using namespace zindle;

namespace {

QImage shown(const AnimatedPicture& picture) {
    return picture.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage frameOf(const QPixmap& strip, int index) {
    const qreal dpr = strip.devicePixelRatio();
    return strip.toImage()
        .copy(QRect(int(index * 71 * dpr), 0, int(71 * dpr), strip.height()))
        .convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

TEST(AnimatedPicture, ShowsFramesInTurnAndCountsChanges) {
    for (qreal dpr : {1.0, 2.0}) {
        const QPixmap strip = Artwork::forRatio(dpr).effectStrip(1);
        AnimatedPicture picture;
        QSignalSpy changes(&picture, &AnimatedPicture::frameChanged);
        EXPECT_FALSE(picture.playing());
        EXPECT_EQ(picture.interval(), 500);

        picture.setStrip(strip, 71);
        EXPECT_EQ(picture.pixmap().deviceIndependentSize().toSize(), QSize(71, 61));
        picture.advance();
        picture.start();  // back to frame 0 whatever was shown
        EXPECT_TRUE(picture.playing());
        EXPECT_EQ(shown(picture), frameOf(strip, 0));
        picture.advance();
        EXPECT_EQ(shown(picture), frameOf(strip, 1));
        picture.advance();
        EXPECT_EQ(shown(picture), frameOf(strip, 0));
        EXPECT_EQ(changes.count(), 3);

        picture.stop();
        EXPECT_FALSE(picture.playing());
        // Stopped means stopped: no change arrives from the timer.
        QTest::qWait(650);
        EXPECT_EQ(changes.count(), 3);
    }
}

TEST(AnimatedPicture, TimerAdvancesEveryInterval) {
    AnimatedPicture picture;
    picture.setStrip(Artwork::forRatio(1.0).effectStrip(2), 71);
    QSignalSpy changes(&picture, &AnimatedPicture::frameChanged);
    QElapsedTimer clock;
    clock.start();
    picture.start();
    EXPECT_EQ(changes.count(), 0);  // starting shows frame 0 without a change
    ASSERT_TRUE(changes.wait(2000));
    EXPECT_GE(clock.elapsed(), 450);
    ASSERT_TRUE(changes.wait(2000));
    EXPECT_GE(clock.elapsed(), 950);
    EXPECT_EQ(changes.count(), 2);
    picture.stop();

    // A picture without a strip still counts changes and does not fail.
    AnimatedPicture empty;
    QSignalSpy emptyChanges(&empty, &AnimatedPicture::frameChanged);
    empty.advance();
    empty.setStrip(QPixmap(), 71);
    empty.advance();
    EXPECT_EQ(emptyChanges.count(), 2);
}

TEST(Kit, CaptionButtonsSelectOneAtATime) {
    QWidget page;
    auto* first = new CaptionButton(QStringLiteral("Rules"), &page);
    auto* second = new CaptionButton(QStringLiteral("Scoring"), &page);
    auto* third = new CaptionButton(QStringLiteral("Zindles"), &page);
    second->move(0, 40);
    third->move(0, 80);
    page.resize(200, 120);
    page.show();
    EXPECT_EQ(first->text(), QStringLiteral("Rules"));

    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_TRUE(first->isChecked());
    QTest::mouseClick(third, Qt::LeftButton);
    EXPECT_FALSE(first->isChecked());
    EXPECT_FALSE(second->isChecked());
    EXPECT_TRUE(third->isChecked());
    QTest::mouseClick(third, Qt::LeftButton);  // clicking the selected one keeps it selected
    EXPECT_TRUE(third->isChecked());

    // The selected look differs from the plain one under the flat style.
    qApp->setStyleSheet(flatStyleSheet());
    const QImage selected = third->grab().toImage();
    QTest::mouseClick(second, Qt::LeftButton);
    const QImage plain = third->grab().toImage();
    EXPECT_NE(selected, plain);
    qApp->setStyleSheet(QString());
}

TEST(Kit, TiledBackgroundCoversItsAreaUnderChildren) {
    TiledBackground back;
    back.resize(200, 150);
    auto* panel = new QFrame(&back);
    panel->setProperty("kit", QStringLiteral("panel"));
    panel->setGeometry(150, 100, 40, 40);
    const QImage image = back.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage tile = Artwork::forRatio(back.devicePixelRatioF())
                            .background()
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    // The tile repeats from the top-left corner, across and down.
    EXPECT_EQ(image.copy(0, 0, 64, 64), tile);
    EXPECT_EQ(image.copy(64, 64, 64, 64), tile);
    EXPECT_EQ(qAlpha(image.pixel(199, 149)), 255);

    // The style sheet speaks of the kit's panels.
    EXPECT_TRUE(flatStyleSheet().contains(QStringLiteral("QFrame[kit=\"panel\"]")));
}

// Under the flat style buttons, disabled buttons and panels each get their own look.
TEST(Kit, FlatStyleGivesEveryControlItsLook) {
    QWidget plainWindow;
    auto* plainButton = new QPushButton(QStringLiteral("Done"), &plainWindow);
    plainButton->resize(80, 26);
    const QImage unstyled = plainButton->grab().toImage();

    applyFlatStyle(*qApp);
    EXPECT_FALSE(qApp->windowIcon().isNull());
    TiledBackground window;
    window.resize(360, 200);
    auto* panel = new QFrame(&window);
    panel->setProperty("kit", QStringLiteral("panel"));
    panel->setGeometry(10, 10, 200, 180);
    auto* done = new QPushButton(QStringLiteral("Done"), panel);
    done->setGeometry(10, 10, 80, 26);
    auto* off = new QPushButton(QStringLiteral("Done"), panel);
    off->setGeometry(100, 10, 80, 26);
    off->setEnabled(false);
    window.show();
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);

    EXPECT_NE(done->grab().toImage(), unstyled);
    EXPECT_NE(done->grab().toImage(), off->grab().toImage());
    // The panel darkens the background it lies on; outside it the tile shows unchanged.
    const QImage back = Artwork::forRatio(window.devicePixelRatioF())
                            .background()
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    EXPECT_LT(qGray(image.pixel(150, 160)), qGray(back.pixel(150 % 64, 160 % 64)));
    EXPECT_EQ(image.pixel(300, 150), back.pixel(300 % 64, 150 % 64));

    // A window colours a seat's label through its palette; the style must not override it,
    // and plain labels and dialogs stay readable on the dark window colour.
    QLabel seat(QStringLiteral("MMMM"));
    QPalette red = seat.palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    seat.setPalette(red);
    QLabel plain(QStringLiteral("MMMM"));
    auto count = [](const QImage& img, auto pred) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += pred(img.pixel(x, y));
        return n;
    };
    const QImage seatImage = seat.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(count(seatImage, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 80; }), 20);
    const QImage plainImage = plain.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(count(plainImage, [](QRgb p) { return qGray(p) > 200; }), 20);
    const QPalette pal = qApp->palette();
    EXPECT_GT(
        qGray(pal.color(QPalette::WindowText).rgb()) - qGray(pal.color(QPalette::Window).rgb()),
        120);
    EXPECT_GT(qGray(pal.color(QPalette::Text).rgb()) - qGray(pal.color(QPalette::Base).rgb()), 120);

    // A menu's separator is a line the eye finds: well apart from the menu around it.
    QMenu menu;
    menu.addAction(QStringLiteral("Start Game"));
    menu.addSeparator();
    menu.addAction(QStringLiteral("Exit"));
    menu.ensurePolished();
    menu.resize(menu.sizeHint());
    const QImage menuImage = menu.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRect first = menu.actionGeometry(menu.actions()[0]);
    const QRect gap = menu.actionGeometry(menu.actions()[1]);
    const int menuGray = qGray(menuImage.pixel(first.right() - 3, gap.top()));
    int line = menuGray;
    for (int y = gap.top(); y <= gap.bottom(); ++y)
        line = std::max(line, qGray(menuImage.pixel(gap.center().x(), y)));
    EXPECT_GT(line - menuGray, 60) << "the separator against the menu";

    qApp->setStyleSheet(QString());
    qApp->setPalette(QPalette());
}
