#include "widgets/artwork.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <functional>

using namespace zindle;

namespace {

struct Expect {
    const char* what;
    std::function<QPixmap(const Artwork&)> get;
    QSize logical;
};

const std::vector<Expect>& everyPicture() {
    static const std::vector<Expect> all = [] {
        std::vector<Expect> v;
        for (int i = 0; i <= 5; ++i)
            v.push_back({"colour", [i](const Artwork& a) { return a.colour(i); }, {28, 28}});
        for (int i = 0; i <= 26; ++i)
            v.push_back({"little", [i](const Artwork& a) { return a.little(i); }, {28, 28}});
        for (int i = 0; i <= 25; ++i)
            v.push_back({"big", [i](const Artwork& a) { return a.big(i); }, {40, 40}});
        for (int s = 1; s <= 4; ++s)
            v.push_back({"bar", [s](const Artwork& a) { return a.bar(s); }, {510, 10}});
        for (int s = 0; s <= 2; ++s)
            v.push_back({"strip", [s](const Artwork& a) { return a.effectStrip(s); }, {142, 61}});
        v.push_back({"eyes", [](const Artwork& a) { return a.eyes(); }, {24, 14}});
        v.push_back({"background", [](const Artwork& a) { return a.background(); }, {64, 64}});
        v.push_back({"sort", [](const Artwork& a) { return a.sortPicture(); }, {24, 24}});
        v.push_back(
            {"toggle off", [](const Artwork& a) { return a.togglePicture(false); }, {32, 20}});
        v.push_back(
            {"toggle on", [](const Artwork& a) { return a.togglePicture(true); }, {32, 20}});
        v.push_back({"frame", [](const Artwork& a) { return a.boardFrame(); }, {548, 548}});
        // Entries outside the lists still have the cell's size.
        v.push_back({"colour 9", [](const Artwork& a) { return a.colour(9); }, {28, 28}});
        v.push_back({"little -1", [](const Artwork& a) { return a.little(-1); }, {28, 28}});
        v.push_back({"big 100", [](const Artwork& a) { return a.big(100); }, {40, 40}});
        v.push_back({"bar 7", [](const Artwork& a) { return a.bar(7); }, {510, 10}});
        v.push_back({"strip 5", [](const Artwork& a) { return a.effectStrip(5); }, {142, 61}});
        return v;
    }();
    return all;
}

// Pixels whose colour (with alpha) differs by more than `threshold` in any channel.
int differingPixels(const QImage& a, const QImage& b, int threshold = 24) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size()) return x.width() * x.height();
    int n = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            if (std::abs(qRed(p) - qRed(q)) > threshold ||
                std::abs(qGreen(p) - qGreen(q)) > threshold ||
                std::abs(qBlue(p) - qBlue(q)) > threshold ||
                std::abs(qAlpha(p) - qAlpha(q)) > threshold)
                ++n;
        }
    return n;
}

QColor meanColour(const QPixmap& pm) {
    const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    double r = 0, g = 0, b = 0;
    for (int j = 0; j < img.height(); ++j)
        for (int i = 0; i < img.width(); ++i) {
            const QRgb p = img.pixel(i, j);
            r += qRed(p), g += qGreen(p), b += qBlue(p);
        }
    const double n = double(img.width()) * img.height();
    return QColor(int(r / n), int(g / n), int(b / n));
}

int distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

}  // namespace

TEST(Artwork, EveryPictureHasItsLogicalSizeAtEachRatio) {
    for (qreal dpr : {1.0, 2.0, 1.5}) {
        const Artwork& art = Artwork::forRatio(dpr);
        for (const Expect& e : everyPicture()) {
            const QPixmap pm = e.get(art);
            SCOPED_TRACE(std::string(e.what) + " at " + std::to_string(dpr));
            ASSERT_FALSE(pm.isNull());
            EXPECT_DOUBLE_EQ(pm.devicePixelRatio(), dpr);
            EXPECT_EQ(pm.deviceIndependentSize().toSize(), e.logical);
            EXPECT_EQ(pm.size(), e.logical * dpr);
        }
    }
    // One painted set per ratio, shared by every caller; nonsense ratios fall back to 1.
    EXPECT_EQ(&Artwork::forRatio(2.0), &Artwork::forRatio(2.0));
    EXPECT_NE(&Artwork::forRatio(1.0), &Artwork::forRatio(2.0));
    EXPECT_EQ(&Artwork::forRatio(0.0), &Artwork::forRatio(1.0));
    EXPECT_EQ(&Artwork::forRatio(-3.0), &Artwork::forRatio(1.0));
}

TEST(Artwork, EveryLetterTileLooksDifferent) {
    for (qreal dpr : {1.0, 2.0}) {
        const Artwork& art = Artwork::forRatio(dpr);
        for (int a = 0; a < 26; ++a)
            for (int b = a + 1; b < 26; ++b) {
                EXPECT_GT(differingPixels(art.little(a).toImage(), art.little(b).toImage()), 8)
                    << "board tiles " << a << " and " << b << " at " << dpr;
                EXPECT_GT(differingPixels(art.big(a).toImage(), art.big(b).toImage()), 8)
                    << "rack tiles " << a << " and " << b << " at " << dpr;
            }
    }
}

TEST(Artwork, CellsAreDistinctAndTheNewestFrameShowsOverATile) {
    const Artwork& art = Artwork::forRatio(1.0);
    // The six cell kinds are told apart at a glance: mean colours well apart.
    for (int a = 0; a <= 5; ++a)
        for (int b = a + 1; b <= 5; ++b)
            EXPECT_GT(distance(meanColour(art.colour(a)), meanColour(art.colour(b))), 60)
                << "cells " << a << " and " << b;
    // Seat cells keep the seat's hue: the seat's own strongest channel stays strongest.
    EXPECT_GT(meanColour(art.colour(1)).red(), meanColour(art.colour(1)).blue() + 60);
    EXPECT_GT(meanColour(art.colour(2)).green(), meanColour(art.colour(2)).red() + 60);
    EXPECT_GT(meanColour(art.colour(3)).blue(), meanColour(art.colour(3)).red() + 60);
    EXPECT_GT(meanColour(art.colour(4)).green(), meanColour(art.colour(4)).blue() + 60);

    // The frame is transparent in the middle and a clear ring at the edge of a laid tile.
    const QImage frame = art.little(26).toImage();
    EXPECT_EQ(qAlpha(frame.pixel(14, 14)), 0);
    EXPECT_GT(qAlpha(frame.pixel(2, 14)), 200);
    for (int seat = 1; seat <= 4; ++seat) {
        QPixmap plain = art.colour(seat);
        {
            QPainter p(&plain);
            p.drawPixmap(0, 0, art.little(4));
        }
        QPixmap marked = plain;
        {
            QPainter p(&marked);
            p.drawPixmap(0, 0, art.little(26));
        }
        EXPECT_GT(differingPixels(plain.toImage(), marked.toImage(), 60), 80) << "seat " << seat;
        // The letter itself is left readable under the frame.
        EXPECT_EQ(differingPixels(plain.toImage().copy(8, 8, 12, 12),
                                  marked.toImage().copy(8, 8, 12, 12)),
                  0);
    }
}

TEST(Artwork, SeatColoursAndBars) {
    EXPECT_EQ(seatColour(1), QColor(255, 0, 0));
    EXPECT_EQ(seatColour(2), QColor(0, 255, 0));
    EXPECT_EQ(seatColour(3), QColor(67, 141, 252));
    EXPECT_EQ(seatColour(4), QColor(255, 255, 0));
    EXPECT_EQ(seatColour(0), seatColour(5));
    EXPECT_EQ(seatColour(0).red(), seatColour(0).green());

    const Artwork& art = Artwork::forRatio(1.0);
    for (int seat = 1; seat <= 4; ++seat) {
        const QColor middle = art.bar(seat).toImage().pixelColor(255, 5);
        EXPECT_LT(distance(middle, seatColour(seat)), 90) << "bar " << seat;
    }
    EXPECT_GT(
        differingPixels(art.togglePicture(false).toImage(), art.togglePicture(true).toImage()), 10);
    // The two frames of a strip differ, and the three strips differ in their effect frame.
    for (int s = 0; s < 3; ++s) {
        const QImage strip = art.effectStrip(s).toImage();
        EXPECT_GT(differingPixels(strip.copy(0, 0, 71, 61), strip.copy(71, 0, 71, 61)), 500);
        const QImage next = art.effectStrip((s + 1) % 3).toImage();
        EXPECT_GT(differingPixels(strip.copy(71, 0, 71, 61), next.copy(71, 0, 71, 61)), 500);
    }
}
