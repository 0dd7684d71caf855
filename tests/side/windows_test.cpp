// Every window of the program together, in the flat style: their captions, where they open
// on small and scaled screens, and whether their text stands out from its background.
// ZINDLE_SHOTS=DIR saves a picture of the screen with each window on it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "side/aboutform.h"
#include "side/downloadform.h"
#include "side/helpform.h"
#include "stats/tallylistform.h"
#include "support/contrast.h"
#include "support/qtprint.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"
#include "widgets/sounds.h"

namespace zindle {
namespace {

// The strongest contrast inside rect against the colour at background: what the eye gets
// from the ink of the glyphs or the border of a box drawn there.
double inkContrast(const QImage& image, const QRect& rect, QPoint background) {
    const QRgb bg = image.pixel(background);
    double best = 1;
    const QRect r = rect & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            best = std::max(best, contrast(image.pixel(x, y), bg));
    return best;
}

// Widgets are grabbed at the device pixel ratio; the rectangles are logical.
QImage grabLogical(QWidget* w) {
    QImage image = w->grab().toImage();
    return image.scaled(w->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void saveShot(const QString& name) {
    const QString dir = qEnvironmentVariable("ZINDLE_SHOTS");
    if (dir.isEmpty()) return;
    QTest::qWait(100);  // let the windows repaint first
    QDir().mkpath(dir);
    QApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name + ".png");
}

// Every window the program opens, built as the program builds them.
struct AllWindows {
    AllWindows() : tally(dialogs, home.filePath("zindletally.tld")), download(dialogs) {
        ChatSetup setup;
        setup.dialogs = &dialogs;
        setup.sounds = &sounds;
        setup.params = {"Ann", "127.0.0.1", "join"};
        setup.dataFolder = home.path();
        setup.port = "1";  // nobody answers; the window only has to exist
        setup.lobbyPort = "1";
        chat = std::make_unique<Tchat>(setup);
        help.centreOver(chat.get());
        about.centreOver(chat.get());
        tally.centreOver(chat.get());
    }
    QTemporaryDir home;
    RecordingDialogs dialogs;
    RecordingSounds sounds;
    std::unique_ptr<Tchat> chat;
    Tgameoptions options;
    Tspylist spylist;
    Tphrases phrases;
    Thelp help;
    Tabout about;
    Ttallylist tally;
    Tdownload download;

    struct Entry {
        const char* name;
        QWidget* window;
        const char* caption;
    };
    std::vector<Entry> entries() {
        return {{"game", chat.get(), "Zindle"},
                {"options", &options, "Game Options"},
                {"spylist", &spylist, "ZN -Spys"},
                {"phrases", &phrases, "Zindle- Phrase Buttons"},
                {"tally", &tally, "Zindle - Tally List"},
                {"download", &download, "Download The Korvo9 Lobby"},
                {"help", &help, "Zindle -  Help File"},
                {"about", &about, "Zindle - About"}};
    }
};

TEST(Windows, CaptionsAreTheProgramsOwnWithNothingAdded) {
    AllWindows all;
    // Qt adds " — " + the display name to any caption that does not already end with it, so
    // the program must not have one of its own.
    const QString added = QGuiApplication::applicationDisplayName();
    EXPECT_EQ(added, QCoreApplication::applicationName());
    for (const auto& e : all.entries()) {
        e.window->show();
        EXPECT_EQ(e.window->windowTitle(), e.caption) << e.name;
        EXPECT_EQ(e.window->windowHandle()->title(), e.caption) << e.name;
        e.window->hide();
    }
}

// Run at a small screen and at 2x on 1280 x 1024 (see CMakeLists.txt).
TEST(Windows, EveryWindowOpensInsideTheScreen) {
    AllWindows all;
    all.chat->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(all.chat.get()));
    const QRect area = all.chat->screen()->availableGeometry();
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
    for (const auto& e : all.entries()) {
        e.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(e.window)) << e.name;
        EXPECT_TRUE(area.contains(e.window->frameGeometry()))
            << e.name << " at " << rectText(e.window->frameGeometry()) << " on " << rectText(area);
        EXPECT_TRUE(area.contains(e.window->geometry())) << e.name;
        saveShot(QStringLiteral("%1-%2x%3-x%4")
                     .arg(e.name)
                     .arg(area.width())
                     .arg(area.height())
                     .arg(scale));
        e.window->hide();
    }
}

TEST(Windows, HelpAndAboutOpenCentredOverTheGameWindow) {
    AllWindows all;
    const QRect area = all.chat->screen()->availableGeometry();
    // The game window away from the middle of the screen, so the two centres differ.
    all.chat->resize(area.width() / 2, area.height() / 2);
    all.chat->move(area.topLeft());
    all.chat->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(all.chat.get()));
    const QPoint over = all.chat->frameGeometry().center();
    for (QWidget* w : {static_cast<QWidget*>(&all.help), static_cast<QWidget*>(&all.about)}) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        const QRect shown = w->frameGeometry();
        QRect wanted(QPoint(), shown.size());
        wanted.moveCenter(over);
        wanted = fitInside(wanted, area);
        EXPECT_LE((shown.topLeft() - wanted.topLeft()).manhattanLength(), 2)
            << w->objectName().toStdString() << " at " << rectText(shown) << ", wanted "
            << rectText(wanted);
        if (over != area.center()) {  // a game window that fills the screen leaves no difference
            EXPECT_NE(shown.center(), area.center()) << w->objectName().toStdString();
        }
        EXPECT_TRUE(area.contains(shown)) << w->objectName().toStdString();
    }
}

TEST(Windows, DownloadPanelsAreWhiteWithReadableText) {
    AllWindows all;
    all.download.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&all.download));
    for (const char* panel : {"installPanel", "soloPanel", "othersPanel"}) {
        auto* p = all.download.findChild<QWidget*>(panel);
        ASSERT_NE(p, nullptr) << panel;
        const QImage image = grabLogical(p);
        const QPoint inside(p->width() / 2, 6);
        EXPECT_GE(qGray(image.pixel(inside)), 250) << panel;
        for (QLabel* label : p->findChildren<QLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty() ||
                label->objectName() == "label_closed")
                continue;
            const QRect r(label->mapTo(p, QPoint()), label->size());
            EXPECT_GE(inkContrast(image, r, inside), 4.5)
                << panel << " " << label->objectName().toStdString();
        }
    }
}

TEST(Windows, TallyCheckBoxesAndSelectedRowAreReadable) {
    AllWindows all;
    Ttallylist& tally = all.tally;
    tally.fillChecklist({"Ann", "Bob", "Cat"});
    tally.checklist->item(0)->setCheckState(Qt::Checked);  // follows Ann
    tally.checklist->item(1)->setCheckState(Qt::Checked);  // and Bob
    tally.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tally));
    ASSERT_EQ(tally.listbox_tally->count(), 2);
    tally.listbox_tally->setCurrentRow(0);
    tally.listbox_tally->setFocus();
    saveShot(QStringLiteral("tally-rows-x%1").arg(qEnvironmentVariable("QT_SCALE_FACTOR", "1")));

    auto part = [](QListWidget* view, int row, QStyle::SubElement element) {
        QStyleOptionViewItem opt;
        opt.initFrom(view);
        opt.rect = view->visualItemRect(view->item(row));
        opt.text = view->item(row)->text();
        opt.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        return view->style()->subElementRect(element, &opt, view);
    };
    auto indicator = [&](QListWidget* view, int row) {
        return part(view, row, QStyle::SE_ItemViewItemCheckIndicator);
    };
    // Cat is seated and not followed: an empty box on the list's own background.
    {
        QListWidget* view = tally.checklist;
        const QImage image = grabLogical(view->viewport());
        const QRect row = view->visualItemRect(view->item(2));
        ASSERT_EQ(view->item(2)->checkState(), Qt::Unchecked);
        const QPoint bg(row.right() - 2, row.center().y());
        EXPECT_GE(inkContrast(image, indicator(view, 2), bg), 4.5) << "unticked box";
    }
    // The selected row, whatever its colours, keeps its name readable.
    // Focused, focus elsewhere in the window, and the window behind the game window.
    for (int state : {0, 1, 2}) {
        const char* name[] = {"focused", "unfocused", "inactive"};
        QListWidget* view = tally.listbox_tally;
        if (state == 0) {
            tally.activateWindow();
            view->setFocus();
        } else if (state == 1) {
            tally.checklist->setFocus();
        } else {
            all.chat->show();
            all.chat->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(all.chat.get()));
            EXPECT_FALSE(tally.isActiveWindow());
        }
        const QImage image = grabLogical(view->viewport());
        const QRect row = view->visualItemRect(view->item(0));
        const QRect box = indicator(view, 0);
        // Only the name: the box beside it has colours of its own.
        const QRect text = part(view, 0, QStyle::SE_ItemViewItemText).adjusted(2, 0, 0, 0) & row;
        const QPoint bg(row.right() - 2, row.center().y());
        EXPECT_GE(inkContrast(image, text, bg), 4.5) << name[state];
        EXPECT_GE(inkContrast(image, box, bg), 3.0) << "ticked box on the selected row";
        // The tick itself, against the box's own fill: a ticked box never looks empty.
        const int side = std::min({box.width(), box.height(), 16});
        const QPoint fill = box.center() - QPoint(side / 2 - 3, side / 2 - 3);
        const QRect inside = box.adjusted(4, 4, -4, -4);
        EXPECT_GE(inkContrast(image, inside, fill), 3.0) << "the tick, " << name[state];
    }
}

}  // namespace
}  // namespace zindle
