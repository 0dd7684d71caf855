// The game window on screens from 800 x 600 to 2560 x 1440, at 1x, 1.25x and 2x (the
// screens of screens/sizes.json): filling the screen and at its least size, every control
// lies inside the window and none lies over another.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "coach/review.h"
#include "support/qtprint.h"
#include "support/scriptedclient.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"
#include "widgets/sounds.h"
#include "windowparts.h"

namespace zindle {
namespace {

using namespace testparts;

// What a player looks at and clicks: the board, the rack, the scoreboard, the move buttons,
// the chat and the ten phrases.
QStringList controls() {
    QStringList names{"board",           "sortButton",        "bar",
                      "label_turn",      "label_timeofgame",  "label_timeofturn",
                      "label_tilesleft", "label_preview",     "heading_gameover",
                      "label_gametime",  "label_playtoscore", "heading_options",
                      "label_turntime",  "label_double",      "label_partners",
                      "button_done",     "button_clear",      "button_newtiles",
                      "button_pass",     "mainchat",          "mychat"};
    for (int n = 1; n <= 10; ++n)
        names << QString("tile_%1").arg(n) << QString("b_phrase%1").arg(n);
    for (int s = 1; s <= 4; ++s)
        names << QString("label_playername%1").arg(s) << QString("label_score%1").arg(s)
              << QString("label_bonus%1").arg(s);
    return names;
}

// A window whose own turn has come, four players of twenty-letter names seated, and a rack dealt.
struct SeatedWindow {
    SeatedWindow() {
        testsupport::ensureApp();
        ChatSetup setup;
        setup.dialogs = &dialogs;
        setup.sounds = &sounds;
        setup.params = {"Ann", "127.0.0.1", "true"};  // the host's window, of a host nobody runs
        setup.port = "1";
        setup.lobbyPort = "1";
        setup.dataFolder = home.path();
        chat = std::make_unique<Tchat>(setup);
        ChatWindows windows;
        windows.options = &options;
        chat->setWindows(windows);
        std::string script = "CMD_sendlogininfo+1\xFF";
        for (int s = 1; s <= 4; ++s)
            script += "CMD_newplayerinfo+" + std::to_string(s) + "+" +
                      std::string(20, char('V' + s)) + "\xFF";
        script += "CMD_startgame+Ann+90+12+0+0+y+n+n\xFF";
        for (int slot = 1; slot <= 10; ++slot)
            script +=
                "CMD_atile+" + std::to_string(slot) + "+" + std::to_string(slot + 12) + "\xFF";
        script += "CMD_nextplayer+1\xFF";
        chat->receive(script);
        while (chat->queued() > 0) chat->processsocktimer();
    }
    QTemporaryDir home;
    RecordingDialogs dialogs;
    RecordingSounds sounds;
    Tgameoptions options;
    std::unique_ptr<Tchat> chat;
};

void expectEveryControlInside(const Tchat& window, const std::string& where) {
    const QRect inside = window.rect();
    std::vector<std::pair<QString, QRect>> shown;
    for (const QString& name : controls()) {
        QWidget* c = part(window, name);
        if (name.startsWith("label_bonus") || name == "label_preview") {
            // Empty until a score or a laid tile: only where they lie counts.
        } else {
            EXPECT_TRUE(c->isVisible()) << name.toStdString() << " at " << where;
        }
        const QRect r(c->mapTo(&window, QPoint()), c->size());
        EXPECT_TRUE(inside.contains(r)) << name.toStdString() << " " << rectText(r) << " outside "
                                        << rectText(inside) << " at " << where;
        EXPECT_FALSE(r.isEmpty()) << name.toStdString() << " at " << where;
        for (const auto& [other, o] : shown)
            EXPECT_FALSE(r.intersects(o))
                << name.toStdString() << " " << rectText(r) << " over " << other.toStdString()
                << " " << rectText(o) << " at " << where;
        shown.emplace_back(name, r);
    }
    // The names are cut to their labels, with an ellipsis.
    for (int s = 1; s <= 4; ++s) {
        QLabel* name = part<QLabel>(window, QString("label_playername%1").arg(s));
        EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width()) << where;
        EXPECT_EQ(name->toolTip().size(), 20) << where;
    }
}

TEST(WindowSizes, EveryControlInsideAndNoneOverAnotherOnEveryScreen) {
    SeatedWindow w;
    Tchat& chat = *w.chat;
    chat.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chat));
    ASSERT_GE(QGuiApplication::screens().size(), 14);
    for (QScreen* screen : QGuiApplication::screens()) {
        const std::string name = screen->name().toStdString();
        chat.windowHandle()->setScreen(screen);
        // Filling the screen, frame and all, as a maximised window does.
        chat.setGeometry(screen->availableGeometry() - chat.windowHandle()->frameMargins());
        QTest::qWait(20);
        ASSERT_EQ(chat.screen(), screen) << name;
        EXPECT_TRUE(screen->availableGeometry().contains(chat.frameGeometry()))
            << name << " " << rectText(chat.frameGeometry());
        expectEveryControlInside(chat, name + " filled");
        // ZINDLE_SHOTS=DIR keeps a picture of the window filling each screen.
        if (const QString dir = qEnvironmentVariable("ZINDLE_SHOTS"); !dir.isEmpty())
            chat.grab().save(QString("%1/window-%2.png").arg(dir, screen->name()));
        // The least size still shows every control, and fits the screen.
        chat.resize(chat.minimumSize());
        QTest::qWait(20);
        EXPECT_TRUE(screen->availableGeometry().contains(chat.frameGeometry()))
            << name << " " << rectText(chat.frameGeometry());
        expectEveryControlInside(chat, name + " least");
        // The board keeps its proportions: square, and as wide as the designed share.
        QWidget* board = part(chat, "board");
        EXPECT_EQ(board->width(), board->height()) << name;
        // The options open over the game window, inside the screen.
        action(chat, "startGameAction")->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.options)) << name;
        EXPECT_TRUE(screen->availableGeometry().contains(w.options.frameGeometry()))
            << name << " " << rectText(w.options.frameGeometry());
        w.options.hide();
        // So does the game review, with its board.
        coach::GameRecord record;
        record.onMyTurnStarts(chat.state());
        record.onMyPass();
        coach::GameReview* review = coach::GameReview::show(record, &chat);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(review)) << name;
        EXPECT_TRUE(screen->availableGeometry().contains(review->frameGeometry()))
            << name << " review " << rectText(review->frameGeometry());
        // Every column whole, with no scrolling sideways.
        QHeaderView* header = review->table()->horizontalHeader();
        EXPECT_LE(header->length(), review->table()->viewport()->width()) << name;
        for (int c = 0; c < header->count(); ++c)
            EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c))
                << name << " column " << c;
        // The board fills its square and nothing around it is painted black.
        const QImage reviewBoard = review->board()->grab().toImage();
        for (QPoint corner :
             {QPoint(0, 0), QPoint(reviewBoard.width() - 1, 0), QPoint(0, reviewBoard.height() - 1),
              QPoint(reviewBoard.width() - 1, reviewBoard.height() - 1)})
            EXPECT_NE(reviewBoard.pixelColor(corner), QColor(Qt::black))
                << name << " review board at " << corner.x() << "," << corner.y();
        review->close();
    }
}

TEST(WindowSizes, AtItsDesignedSizeTheWindowIsAsDesignedAndGrowsBackWhenShrunk) {
    SeatedWindow w;
    Tchat& chat = *w.chat;
    QScreen* screen = nullptr;
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == "1280x1024@1") screen = s;
    ASSERT_NE(screen, nullptr);
    chat.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chat));
    chat.windowHandle()->setScreen(screen);
    chat.setGeometry(
        QRect(screen->availableGeometry().topLeft() + QPoint(3, 3), Tchat::kDefaultSize));
    QTest::qWait(20);
    EXPECT_EQ(part(chat, "board")->geometry(), QRect(12, 12, 19 * kCellPx, 19 * kCellPx));
    EXPECT_EQ(part(chat, "panel_board")->size(), QSize(857, 604));
    EXPECT_EQ(part(chat, "tile_1")->geometry(), QRect(33, 552, kRackTilePx, kRackTilePx));
    EXPECT_EQ(part(chat, "button_done")->size(), QSize(71, 26));
    EXPECT_EQ(part(chat, "mychat")->font().pointSizeF(), QApplication::font().pointSizeF());

    // Shrunk from outside, as a window manager's absence allows: it grows back.
    const QSize least = chat.minimumSize();
    EXPECT_GE(least.width(), Tchat::kDesignedClient.width());
    chat.windowHandle()->resize(600, 400);
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return chat.width() >= least.width() && chat.height() >= least.height(); }));
    EXPECT_EQ(part(chat, "board")->width(), 19 * kCellPx);

    // Twice the size: twice the board, and the text twice as large.
    chat.resize(2 * Tchat::kDefaultSize);
    QTest::qWait(20);
    const double scale = part(chat, "board")->width() / double(19 * kCellPx);
    EXPECT_NEAR(scale, 2.0, 0.05);
    EXPECT_NEAR(part(chat, "mychat")->font().pointSizeF(), 2 * QApplication::font().pointSizeF(),
                0.2);
    EXPECT_NEAR(part(chat, "b_phrase4")->font().pointSizeF() / scale,
                QApplication::font().pointSizeF(), 0.2);
    EXPECT_NEAR(part(chat, "label_gametime")->font().pointSizeF() / scale, 8, 0.2);
}

}  // namespace
}  // namespace zindle
