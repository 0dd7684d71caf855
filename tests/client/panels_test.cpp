// Each panel of the game window on its own, through its public face and its signals.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "client/boardpanel.h"
#include "client/boardview.h"
#include "client/chatpanel.h"
#include "client/computerplayers.h"
#include "client/gamemenus.h"
#include "client/hostlink.h"
#include "client/panelstage.h"
#include "client/scaledlayout.h"
#include "client/scoreboard.h"
#include "client/shown.h"
#include "clientstate/gamestate.h"
#include "clientstate/session.h"
#include "server/server.h"
#include "support/scriptedclient.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"

namespace zindle {
namespace {

const qreal kScales[] = {0.2, 0.37, 0.5, 0.73, 1.0, 1.13, 1.25, 1.37, 1.5, 2.0, 2.33, 3.07};

// Controls that touch as designed still touch at every scale, and a row of
// them is exactly as wide as the whole mapped: no pixel is lost or doubled.
TEST(ScaledLayout, TouchingControlsStillTouchAndARowKeepsItsWidth) {
    const int widths[] = {13, 27, 100, 57, 5, 44, 15};
    for (qreal scale : kScales) {
        SCOPED_TRACE(scale);
        ScaledLayout layout;
        QWidget parent;
        std::vector<QWidget*> row;
        int x = 0;
        for (int w : widths) {
            row.push_back(new QWidget(&parent));
            layout.place(row.back(), {x, 7, w, 20});
            x += w;
        }
        layout.apply(scale);
        for (std::size_t i = 1; i < row.size(); ++i)
            EXPECT_EQ(row[i - 1]->geometry().right() + 1, row[i]->geometry().left()) << i;
        EXPECT_EQ(row.back()->geometry().right() + 1 - row.front()->geometry().left(),
                  layout.map(x + 0) - layout.map(0));
        EXPECT_EQ(row[2]->geometry(), layout.map(QRect(40, 7, 100, 20)));
        // A control gone meanwhile is skipped, and the font follows the scale.
        delete row[3];
        QLabel* label = new QLabel("x", &parent);
        layout.place(label, {0, 0, 10, 10});
        layout.setFontSize(label, 10, true);
        layout.apply(scale * 2);
        EXPECT_NEAR(label->font().pointSizeF(), std::max(1.0, 20 * scale), 0.01);
        EXPECT_TRUE(label->font().bold());
    }
}

// The stage takes the largest scale (in hundredths) at which the designed
// panels and their margins fit the area, stands centred in it and tells each
// panel its scale once a change.
TEST(PanelStage, FillsItsAreaCentredAndTellsEachScaleOnce) {
    QWidget area;
    area.resize(PanelStage::kDesigned + PanelStage::kMargins);
    area.show();
    auto* stage = new PanelStage(&area);
    auto* panel = new QWidget(stage);
    std::vector<qreal> told;
    stage->add(panel, {560, 0, 297, 284}, [&](qreal s, const Artwork&) { told.push_back(s); });
    ASSERT_FALSE(told.empty());
    const QSize sizes[] = {{1920, 1080}, {1366, 768}, {800, 600}, {640, 1000},
                           {3000, 700},  {300, 200},  {872, 616}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(size.width());
        told.clear();
        area.resize(size);
        QApplication::processEvents();
        const QSize least = PanelStage::kDesigned + PanelStage::kMargins;
        const qreal fit =
            std::min(qreal(size.width()) / least.width(), qreal(size.height()) / least.height());
        EXPECT_NEAR(stage->scale(), std::max(0.2, std::floor(fit * 100) / 100), 1e-9);
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], stage->scale());
        const QRect g = stage->geometry();
        EXPECT_LE(std::abs(g.left() - (size.width() - g.right() - 1)), 1);
        EXPECT_LE(std::abs(g.top() - (size.height() - g.bottom() - 1)), 1);
        EXPECT_EQ(panel->geometry().right(), g.width() - 1);  // the last column is not lost
        // The same size again changes nothing and tells nothing.
        area.resize(size);
        stage->refit();
        QApplication::processEvents();
        EXPECT_EQ(told.size(), 1u);
    }
}

// A host that floods the window is cut off once, and the queue never grows
// past its bound; what is queued is handed on in order, as plain text.
TEST(HostLink, AFloodingHostIsCutOffAndTheQueueStaysBounded) {
    HostLink link;
    QSignalSpy ended(&link, &HostLink::ended);
    std::vector<std::string> got;
    link.onMessage = [&](std::string_view m) { got.emplace_back(m); };
    link.receive(std::string("CMD_chat+a\nb\xFF\xFF") + "CMD_zn\xFF" + "CMD_nextp");
    EXPECT_EQ(link.queued(), 2u);  // the empty entry is not queued, the tail waits
    EXPECT_TRUE(link.waiting("CMD_zn"));
    EXPECT_FALSE(link.waiting("CMD_nextp"));
    link.receive("layer+2\xFF");
    link.processOne();
    link.processOne();
    link.processOne();
    EXPECT_EQ(got, (std::vector<std::string>{"CMD_chat+a b", "CMD_zn", "CMD_nextplayer+2"}));
    EXPECT_EQ(ended.count(), 0);

    std::string burst;
    for (int i = 0; i < 1000; ++i) burst += "CMD_zn\xFF";
    std::size_t most = 0;
    for (int round = 0; round < 400 && ended.count() == 0; ++round) {
        link.receive(burst);
        most = std::max(most, link.queued());
    }
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended[0][0].value<HostLink::Ending>(), HostLink::Ending::Lost);
    EXPECT_LE(most, 200000u);
    const std::size_t left = link.queued();
    link.receive(burst);  // nothing more is taken once cut off, and the end is told once
    EXPECT_EQ(link.queued(), left);
    EXPECT_EQ(ended.count(), 1);
}

// Every menu item reports by its own signal; the marks that follow the host
// or the settings do not move on a click.
TEST(GameMenus, EveryItemReportsAndTheMarksFollowTheWindow) {
    QMenuBar bar;
    GameMenus menus(&bar);
    const std::vector<std::pair<const char*, void (GameMenus::*)()>> items{
        {"startGameAction", &GameMenus::startGame},
        {"exitAction", &GameMenus::exit},
        {"playSoundsAction", &GameMenus::playSoundsToggled},
        {"textColorAction", &GameMenus::textColour},
        {"actionColorAction", &GameMenus::actionColour},
        {"resetScreenLocationAction", &GameMenus::resetScreenLocation},
        {"justWatchAction", &GameMenus::justWatch},
        {"tallyListAction", &GameMenus::tallyList},
        {"spyListAction", &GameMenus::spyList},
        {"phraseListAction", &GameMenus::phraseList},
        {"gameReviewAction", &GameMenus::gameReview},
        {"helpAction", &GameMenus::help},
        {"aboutAction", &GameMenus::about}};
    menus.setStartEnabled(true);
    for (const auto& [name, signal] : items) {
        SCOPED_TRACE(name);
        QSignalSpy spy(&menus, signal);
        auto* action = bar.findChild<QAction*>(name);
        ASSERT_NE(action, nullptr);
        action->trigger();
        EXPECT_EQ(spy.count(), 1);
    }
    EXPECT_FALSE(menus.justWatching());  // until the host answers
    menus.setJustWatching(true);
    EXPECT_TRUE(menus.justWatching());

    QSignalSpy sizes(&menus, &GameMenus::textSize);
    menus.markTextSize(10);
    bar.findChild<QAction*>("textSize14")->trigger();
    ASSERT_EQ(sizes.count(), 1);
    EXPECT_EQ(sizes[0][0].toInt(), 14);
    EXPECT_FALSE(bar.findChild<QAction*>("textSize14")->isChecked());
    EXPECT_TRUE(bar.findChild<QAction*>("textSize10")->isChecked());

    QSignalSpy scroll(&menus, &GameMenus::scrollChatOff);
    bar.findChild<QAction*>("scrollChatOffAction")->trigger();
    ASSERT_EQ(scroll.count(), 1);
    EXPECT_TRUE(scroll[0][0].toBool());
}

// The move buttons share their row without overlap and within the panel at
// every scale, with or without Hint, and each click is reported.
TEST(Scoreboard, MoveButtonsShareTheirRowAndReportTheirClicks) {
    SeatSession session;
    const GameState& state = session.state();
    session.receive("CMD_newplayerinfo+1+Ann");
    session.receive("CMD_newplayerinfo+2+A name much longer than the label has room for");
    session.receive("CMD_postscore+10+1+0+120+120+1+120+word");
    Scoreboard board(state);
    board.resize(Scoreboard::kDesigned);
    board.show();
    board.showSeats();
    EXPECT_EQ(board.findChild<QLabel*>("label_playername1")->text(), "Ann");
    EXPECT_EQ(board.findChild<QLabel*>("label_score1")->text(), "120");
    const Artwork& art = Artwork::forRatio(1.0);
    const char* names[] = {"button_done", "button_clear", "button_newtiles", "button_pass",
                           "hintButton"};
    for (qreal scale : kScales) {
        for (bool hint : {false, true}) {
            SCOPED_TRACE(QString("%1 %2").arg(scale).arg(hint).toStdString());
            board.setScale(scale, art);
            board.resize(int(std::lround(Scoreboard::kDesigned.width() * scale)),
                         int(std::lround(Scoreboard::kDesigned.height() * scale)));
            board.showMoveButtons(true, hint);
            int right = -1;
            for (int i = 0; i < (hint ? 5 : 4); ++i) {
                auto* b = board.findChild<QPushButton*>(names[i]);
                ASSERT_TRUE(b->isVisible()) << names[i];
                EXPECT_GT(b->geometry().left(), right) << names[i];
                right = b->geometry().right();
            }
            EXPECT_LT(right, board.width());
            EXPECT_EQ(board.findChild<QPushButton*>("hintButton")->isVisible(), hint);
        }
    }
    const std::vector<std::pair<const char*, void (Scoreboard::*)()>> clicks{
        {"button_done", &Scoreboard::doneClicked},
        {"button_clear", &Scoreboard::clearClicked},
        {"button_newtiles", &Scoreboard::newTilesClicked},
        {"button_pass", &Scoreboard::passClicked},
        {"hintButton", &Scoreboard::hintClicked}};
    for (const auto& [name, signal] : clicks) {
        QSignalSpy spy(&board, signal);
        QTest::mouseClick(board.findChild<QPushButton*>(name), Qt::LeftButton);
        EXPECT_EQ(spy.count(), 1) << name;
    }
    board.showMoveButtons(false);
    board.showStartButton(true);
    EXPECT_FALSE(board.findChild<QPushButton*>("button_done")->isVisible());
    QSignalSpy start(&board, &Scoreboard::startClicked);
    QTest::mouseClick(board.findChild<QPushButton*>("button_startgame"), Qt::LeftButton);
    EXPECT_EQ(start.count(), 1);
}

// What is typed goes out on Return, a phrase by its number; a peer's text
// is shown as text, never as markup; the view's text stays bounded.
TEST(ChatPanel, SendsByReturnShowsTextPlainlyAndStaysBounded) {
    RecordingDialogs dialogs;
    ChatPanel chat(dialogs);
    chat.resize(ChatPanel::kDesigned);
    chat.show();
    QSignalSpy lines(&chat, &ChatPanel::lineEntered);
    auto* entry = qobject_cast<QLineEdit*>(chat.entry());
    entry->clear();
    entry->setFocus();
    QTest::keyClicks(entry, "hello there");
    QTest::keyClick(entry, Qt::Key_Return);
    ASSERT_EQ(lines.count(), 1);
    EXPECT_EQ(lines[0][0].toString(), "hello there");

    QSignalSpy phrases(&chat, &ChatPanel::phraseClicked);
    chat.setPhrase(7, "Nice & easy");
    EXPECT_EQ(chat.phrase(7), "Nice & easy");
    QTest::mouseClick(chat.findChild<QToolButton*>("b_phrase7"), Qt::LeftButton);
    ASSERT_EQ(phrases.count(), 1);
    EXPECT_EQ(phrases[0][0].toInt(), 7);

    auto* view = chat.findChild<QTextEdit*>();
    ASSERT_NE(view, nullptr);
    chat.addLine("Eve chats: <b>bold</b> <a href='x'>link</a>", kWhite);
    EXPECT_TRUE(view->toPlainText().contains("<b>bold</b> <a href='x'>link</a>"));
    const QString longLine(4000, 'w');
    for (int i = 0; i < 2000; ++i) chat.addLine(longLine, kWhite);
    EXPECT_LE(view->document()->characterCount(), kMaxChatChars + kMaxShownChat + 1);
    EXPECT_FALSE(view->toPlainText().contains("Eve chats"));  // the oldest went first
}

// At every scale a click on a rack tile and then on a cell lays that tile on
// that cell, a right click takes it back, and each is told by signal.
TEST(BoardPanel, ClicksLayAndTakeBackOnTheRightCellAtEveryScale) {
    SeatSession session;
    GameState& state = session.state();
    session.receive("CMD_sendlogininfo+2");
    session.receive("CMD_startgame+Bob+90+0+0+0+n+n+n");
    for (int slot = 1; slot <= kRackSize; ++slot)
        session.receive("CMD_atile+" + std::to_string(slot) + "+" + std::to_string(slot));
    session.receive("CMD_nextplayer+2");
    ASSERT_TRUE(state.canLay());
    BoardPanel panel(state);
    panel.show();
    QSignalSpy sounds(&panel, &BoardPanel::sound);
    QSignalSpy previews(&panel, &BoardPanel::previewChanged);
    const Artwork& art = Artwork::forRatio(1.0);
    const QPoint cells[] = {{0, 0}, {18, 18}, {9, 9}, {18, 0}, {3, 14}};
    for (qreal scale : kScales) {
        SCOPED_TRACE(scale);
        panel.setScale(scale, art);
        panel.resize(int(std::lround(BoardPanel::kDesigned.width() * scale)),
                     int(std::lround(BoardPanel::kDesigned.height() * scale)));
        auto* board = dynamic_cast<BoardView*>(panel.board());
        ASSERT_NE(board, nullptr);
        for (const QPoint& c : cells) {
            const int slot = 1 + (c.x() + c.y()) % kRackSize;
            auto* tile = panel.findChild<QWidget*>(QString("tile_%1").arg(slot));
            ASSERT_NE(tile, nullptr);
            sounds.clear();
            previews.clear();
            QTest::mouseClick(tile, Qt::LeftButton, {}, tile->rect().center());
            EXPECT_EQ(state.pickedSlot(), slot);
            // The cells are whole pixels, centred on the board: the drawn cell's middle.
            const QPoint at = board->cellRect(c).center();
            EXPECT_TRUE(board->rect().contains(at));
            QTest::mouseClick(board, Qt::LeftButton, {}, at);
            EXPECT_EQ(state.laid()[slot], (Cell{c.x(), c.y()})) << c.x() << "," << c.y();
            EXPECT_EQ(state.pickedSlot(), 0);
            EXPECT_FALSE(tile->isVisible());
            ASSERT_EQ(sounds.count(), 1);
            EXPECT_EQ(sounds[0][0].toString(), "place");
            EXPECT_GE(previews.count(), 1);
            QTest::mouseClick(board, Qt::RightButton, {}, at);
            EXPECT_EQ(state.laid()[slot], kNoCell);
            EXPECT_TRUE(tile->isVisible());
        }
    }
    EXPECT_EQ(panel.laidCount(), 0);
}

// Computer players take the free seats of a real host and say ready once
// they are all announced; fewer wanted lets the last leave; the coach may
// help only while every other player is one of ours.
TEST(ComputerPlayers, SeatReportReadyLeaveAndTellWhoHoldsTheTable) {
    ServerOptions o;
    o.port = "0";
    TServer server(o);
    server.listen();
    testsupport::ScriptedClient you(server.port(), "You");
    you.open();
    SeatSession session;
    const GameState& state = session.state();
    ComputerPlayers computers(0);
    QSignalSpy ready(&computers, &ComputerPlayers::ready);
    std::size_t fed = 0;
    // The window's part: its session follows the host, and each announced player is told.
    auto follow = [&] {
        for (; fed < you.received().size(); ++fed) {
            session.receive(you.received()[fed]);
            computers.seatsChanged(state);
        }
    };
    ASSERT_TRUE(testsupport::pumpUntil([&] { return state.mySeat() == 1; }, follow));

    computers.seat(2, engine::Level::Easy, server.port(), state);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ready.count() > 0; }, follow, 5000));
    EXPECT_EQ(state.names()[2], "Computer 1");
    EXPECT_EQ(state.names()[3], "Computer 2");
    EXPECT_TRUE(computers.holdAllOtherSeats(state));
    testsupport::pumpUntil([] { return false; }, follow, 100);
    EXPECT_EQ(ready.count(), 1);  // once, however many players are announced after

    computers.seat(1, engine::Level::Hard, server.port(), state);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return state.names()[3] == kWaiting; }, follow, 5000));
    EXPECT_EQ(ready.count(), 2);
    EXPECT_TRUE(computers.holdAllOtherSeats(state));

    testsupport::ScriptedClient bob(server.port(), "Bob");
    bob.open();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return state.names()[3] == "Bob"; }, follow, 5000));
    EXPECT_FALSE(computers.holdAllOtherSeats(state));
}

}  // namespace
}  // namespace zindle
