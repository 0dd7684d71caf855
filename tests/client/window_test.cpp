// Whole-window tests: real windows, an in-process host, scripted peers over
// loopback, and real mouse and key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>
#include <memory>

#include "client/boardview.h"
#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/shown.h"
#include "client/singleinstance.h"
#include "client/spylistform.h"
#include "coach/review.h"
#include "rules/board.h"
#include "server/server.h"
#include "stats/tallylistform.h"
#include "support/qtprint.h"
#include "support/scriptedclient.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"
#include "widgets/sounds.h"
#include "windowparts.h"
#include "windowrig.h"

namespace zindle {
namespace {

using testsupport::ScriptedClient;
using namespace testparts;

void click(QWidget* w, QPoint at = {}, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseClick(w, b, {}, at.isNull() ? w->rect().center() : at);
}

// A point inside a cell, at whatever scale the board is shown.
QPoint cellPoint(const Tchat& w, int x, int y) {
    const double cell = part(w, "board")->width() / double(kBoardSize);
    return {int((x + 0.36) * cell), int((y + 0.43) * cell)};
}

// The chat view's text size, in points of the designed window.
double chatPoints(const Tchat& w) {
    const double scale = part(w, "board")->width() / double(kBoardSize * kCellPx);
    return part<QTextEdit>(w, "mainchat")->font().pointSizeF() / scale;
}

// A line from the host, shown at once.
void say(Tchat& w, const std::string& line) {
    w.receive("CMD_chat+" + line + "\xFF");
    while (w.queued() > 0) w.processsocktimer();
}

// The host's menu on a seat's name, as a right click opens it.
void openSeatMenu(const Tchat& w, int seat) {
    QLabel* name = part<QLabel>(w, QString("label_playername%1").arg(seat));
    QContextMenuEvent e(QContextMenuEvent::Mouse, name->rect().center(),
                        name->mapToGlobal(name->rect().center()));
    QCoreApplication::sendEvent(name, &e);
}

// Two rack slots whose letters make a word of the host's list, or {0, 0}.
std::pair<int, int> twoLetterWord(const GameState& s, const TDictn& dict) {
    for (int a = 1; a <= 10; ++a)
        for (int b = 1; b <= 10; ++b)
            if (a != b && s.rack()[a].visible && s.rack()[b].visible &&
                dict.lookup(converttoletter(s.rack()[a].code) + converttoletter(s.rack()[b].code)))
                return {a, b};
    return {0, 0};
}

TEST(GameWindow, HostsFollowsAWholeGameWithALatecomerAndChat) {
    HostRig rig;
    Window ann({"Ann", "somewhere", "true"}, rig.server.get(), 0);
    Tchat& chat = *ann.chat;
    chat.show();
    ASSERT_TRUE(rig.pump([&] { return chatLines(chat).contains("You are Connected."); }));
    EXPECT_EQ(chatLines(chat).first(), "Loading Multi-player Game.. Please Wait.");
    EXPECT_TRUE(action(chat, "startGameAction")->isEnabled());
    EXPECT_EQ(chat.state().mySeat(), 1);
    EXPECT_TRUE(part<QLineEdit>(chat, "mychat")->hasFocus() || !chat.isActiveWindow());

    ScriptedClient bob(rig.port(), "Bob");
    bob.open();
    ASSERT_TRUE(rig.pump([&] { return text(chat, "label_playername2") == "Bob"; }));
    EXPECT_EQ(ann.checklist, QStringList{"Bob"});

    // Chat both ways, "/me", and the phrase limiter.
    bob.send("CMD_chat+2+Hi <b>all</b>|clRed");
    ASSERT_TRUE(rig.pump([&] { return chatLines(chat).contains("Bob chats: Hi <b>all</b>"); }));
    QTest::keyClicks(part<QLineEdit>(chat, "mychat"), "hello");
    QTest::keyClick(part<QLineEdit>(chat, "mychat"), Qt::Key_Return);
    part<QLineEdit>(chat, "mychat")->setText("/me waves");
    QTest::keyClick(part<QLineEdit>(chat, "mychat"), Qt::Key_Return);
    part<QLineEdit>(chat, "mychat")->setText("/help");
    QTest::keyClick(part<QLineEdit>(chat, "mychat"), Qt::Key_Return);
    EXPECT_EQ(part<QLineEdit>(chat, "mychat")->text(), "");
    click(part(chat, "b_phrase1"));
    click(part(chat, "b_phrase2"));  // too soon: ignored
    ASSERT_TRUE(rig.pump([&] { return bob.has("CMD_action+Ann says: Way To Go!|clWhite"); }));
    // Clicked until the buttons are ready again: only the first ready click goes out.
    ASSERT_TRUE(rig.pump([&] {
        click(part(chat, "b_phrase10"));
        return bob.has("CMD_action+Ann says: See ya!|clWhite");
    }));
    EXPECT_TRUE(bob.has("CMD_chat+Ann chats: hello|clWhite"));
    EXPECT_TRUE(bob.has("CMD_action+Ann waves|clWhite"));
    EXPECT_EQ(bob.count("CMD_action+Ann says:"), 2u);
    EXPECT_EQ(bob.count("CMD_chat+Ann chats: /help"), 0u);

    // The host starts a game from the options dialog.
    click(part(chat, "button_startgame"));
    ASSERT_TRUE(ann.options.isVisible());
    click(ann.options.findChild<QPushButton*>("button_startgame"));
    ASSERT_TRUE(rig.pump([&] { return chat.state().turnSeat() != 0; }));
    EXPECT_EQ(text(chat, "label_gametime"), "No Limit");
    EXPECT_EQ(text(chat, "label_playtoscore"), "Until out of Tiles");
    EXPECT_EQ(text(chat, "label_turntime"), "90");

    std::unique_ptr<Window> cat;
    int bobTurns = 0;
    bool laid = false;
    int points = 0;
    const auto playOn = [&] {
        if (chat.state().turnSeat() == 1 && part(chat, "button_pass")->isVisible()) {
            const auto [a, b] = twoLetterWord(chat.state(), rig.server->dictionary());
            if (!laid && a != 0) {
                laid = true;
                click(part(chat, QString("tile_%1").arg(a)));
                click(part(chat, "board"), cellPoint(chat, 4, 3));
                click(part(chat, QString("tile_%1").arg(b)));
                click(part(chat, "board"), cellPoint(chat, 5, 3));
                EXPECT_EQ(chat.state().letters()[5][3], chat.state().rack()[b].code);
                EXPECT_EQ(text(chat, "label_preview"), "10 points");
                // ZINDLE_SHOTS=dir saves what the player sees, for the README, named
                // after the screen (QT_QPA_PLATFORM=offscreen:configfile=... names it).
                if (const QString dir = qEnvironmentVariable("ZINDLE_SHOTS"); !dir.isEmpty()) {
                    part(chat, "panel_screen")
                        ->hide();  // the default offscreen screen is 800 pixels wide
                    chat.grab().save(QString("%1/game-%2.png").arg(dir, chat.screen()->name()));
                }
                click(part(chat, "button_done"));
                EXPECT_TRUE(rig.pump([&] { return !part(chat, "button_done")->isVisible(); }));
                points = chat.state().scores()[1];
                EXPECT_EQ(chat.state().letters()[4][3], kNoTile);  // moved to the middle
                EXPECT_EQ(text(chat, "label_score1"), QString::number(points));
                // A latecomer joins now and catches up.
                cat = std::make_unique<Window>(QStringList{"Cat", "127.0.0.1", "join"}, nullptr,
                                               rig.port());
                cat->chat->show();
            } else {
                click(part(chat, "button_pass"));
            }
        } else if (chat.state().turnSeat() == 2 &&
                   bob.count("CMD_nextplayer+2") > std::size_t(bobTurns)) {
            ++bobTurns;
            bob.send("CMD_pass+2");
        } else if (cat && cat->chat->state().ownTurn() &&
                   part(*cat->chat, "button_pass")->isVisible()) {
            click(part(*cat->chat, "button_pass"));
        }
        return part(chat, "panel_winner")->isVisible() &&
               text(chat, "label_reason") != "Game Over!";
    };
    ASSERT_TRUE(rig.pump(playOn, 20000));
    ASSERT_TRUE(laid);
    ASSERT_TRUE(cat);
    ASSERT_TRUE(rig.pump([&] { return text(*cat->chat, "label_reason") != "Game Over!"; }));

    // Every window shows the same board, scores and end.
    EXPECT_EQ(cat->chat->state().letters(), chat.state().letters());
    EXPECT_EQ(cat->chat->state().colours(), chat.state().colours());
    for (Tchat* w : {&chat, cat->chat.get()}) {
        EXPECT_EQ(text(*w, "label_reason"), "No More tiles, Game Over!");  // passed seats hold none
        EXPECT_EQ(text(*w, "label_winner1"), "Congratulations to the Winner!");
        EXPECT_EQ(text(*w, "label_winner3"), "Ann");
        EXPECT_EQ(text(*w, "label_playername1"), "Ann");
        EXPECT_EQ(text(*w, "label_playername3"), "Cat");
    }
    EXPECT_EQ(text(chat, "label_score1"), QString::number(points));
    EXPECT_EQ(text(chat, "label_score2"), "0");
    EXPECT_EQ(chatLines(chat).mid(8),
              (QStringList{"You have started a game.", "*Ann: LO +10 points.*", "Cat is Connected.",
                           "Bob Passed", "Cat Passed", "You Passed"}));
    EXPECT_EQ(ann.tallied, QStringList{"addtomine"});
    EXPECT_EQ(cat->tallied, QStringList{"Ann"});
    EXPECT_TRUE(part(chat, "button_startgame")->isVisible());
    EXPECT_TRUE(ann.sounds.played.contains("word"));
    EXPECT_TRUE(ann.sounds.played.contains("gameover"));

    // Removing the latecomer closes its window; the others see it leave.
    openSeatMenu(chat, 3);
    action(chat, "removeFromGameAction")->trigger();
    ASSERT_TRUE(rig.pump([&] { return cat->chat->closing(); }));
    ASSERT_TRUE(rig.pump([&] { return !cat->dialogs.calls.isEmpty(); }));
    EXPECT_EQ(cat->dialogs.calls.last().text, "You were removed from the game by the host.");
    ASSERT_TRUE(rig.pump([&] { return text(chat, "label_playername3") == "<Waiting>"; }));
    EXPECT_TRUE(chatLines(chat).contains("Cat disconnected."));
}

TEST(GameWindow, TwoWindowsPlayAGameByMouseAndKeyboard) {
    HostRig rig;
    Window ann({"Ann", "127.0.0.1", "true"}, rig.server.get(), 0);
    ann.chat->show();
    ASSERT_TRUE(rig.pump([&] { return ann.chat->state().loggedIn(); }));
    // Every program has a host of its own, listening or not: its word list
    // serves the score preview.
    Window bob({"Bob", "127.0.0.1", "join"}, rig.server.get(), rig.port());
    bob.chat->show();
    // Ann keeps a real tally, wired as the program wires it, and follows Bob.
    Ttallylist tally(ann.dialogs, ann.home.filePath("zindletally.tld"));
    ChatWindows aw;
    aw.server = rig.server.get();
    aw.options = &ann.options;
    aw.tally = &tally;
    aw.fillChecklist = [&](const QStringList& names) { tally.fillChecklist(names); };
    aw.addgame = [&](const QString& winner) { tally.addgame(winner); };
    ann.chat->setWindows(aw);
    tally.refreshPlayers = [&] { ann.chat->loadchecklist(); };
    ASSERT_TRUE(rig.pump([&] { return text(*ann.chat, "label_playername2") == "Bob"; }));
    ASSERT_EQ(tally.checklist->count(), 1);
    tally.checklistClickCheck(tally.checklist->item(0));

    // Bob watches for a while, then plays again; the mark follows the host's answer.
    action(*bob.chat, "justWatchAction")->trigger();
    EXPECT_FALSE(action(*bob.chat, "justWatchAction")->isChecked());
    ASSERT_TRUE(rig.pump([&] { return action(*bob.chat, "justWatchAction")->isChecked(); }));
    ASSERT_TRUE(rig.pump([&] { return part(*ann.chat, "image_eyes2")->isVisible(); }));
    EXPECT_TRUE(chatLines(*ann.chat).contains("Bob is just watching"));
    action(*bob.chat, "justWatchAction")->trigger();
    ASSERT_TRUE(rig.pump([&] { return !part(*ann.chat, "image_eyes2")->isVisible(); }));
    EXPECT_TRUE(chatLines(*ann.chat).contains("Bob now playing again"));
    EXPECT_FALSE(action(*bob.chat, "justWatchAction")->isChecked());

    // Options: the arrows stop at their bounds; the toggles flip by a click.
    action(*ann.chat, "startGameAction")->trigger();
    QSpinBox* turn = ann.options.spin_turntime;
    for (int i = 0; i < 80; ++i) QTest::keyClick(turn, Qt::Key_Up);
    EXPECT_EQ(turn->value(), 360);
    for (int i = 0; i < 80; ++i) QTest::keyClick(turn, Qt::Key_Down);
    EXPECT_EQ(turn->value(), 45);
    QTest::keyClick(ann.options.spin_squares, Qt::Key_Up);
    EXPECT_EQ(ann.options.spin_squares->value(), 16);
    click(ann.options.image_double);
    click(ann.options.findChild<QPushButton*>("button_startgame"));
    ASSERT_TRUE(rig.pump([&] { return bob.chat->state().turnSeat() != 0; }));
    EXPECT_EQ(text(*bob.chat, "label_double"), "Yes");
    EXPECT_EQ(text(*bob.chat, "label_turntime"), "45");
    EXPECT_TRUE(QFile(ann.home.filePath("korvolobby.ini")).exists());

    // A guest's seat menu is all grey; the host's has no removal on an empty seat.
    openSeatMenu(*bob.chat, 1);
    EXPECT_FALSE(action(*bob.chat, "removeFromGameAction")->isEnabled() ||
                 action(*bob.chat, "setToJustWatchAction")->isEnabled());
    openSeatMenu(*ann.chat, 3);
    EXPECT_FALSE(action(*ann.chat, "removeFromGameAction")->isEnabled());
    EXPECT_TRUE(action(*ann.chat, "setToJustWatchAction")->isEnabled());
    part<QMenu>(*ann.chat, "popup_kick")->hide();
    part<QMenu>(*bob.chat, "popup_kick")->hide();

    // Flipping by the right button: double tiles are on.
    Tchat& first = ann.chat->state().turnSeat() == 1 ? *ann.chat : *bob.chat;
    Tchat& second = &first == ann.chat.get() ? *bob.chat : *ann.chat;
    // Against a person there is no coach.
    EXPECT_TRUE(part(first, "button_pass")->isVisible());
    EXPECT_FALSE(part(first, "hintButton")->isVisible());
    part(first, "board")->setFocus();
    QTest::keyClick(part(first, "board"), Qt::Key_H, Qt::ShiftModifier);
    EXPECT_FALSE(chatLines(first).last().startsWith("Hint:"));
    for (int slot = 1; slot <= kRackSize; ++slot) EXPECT_EQ(first.state().laid()[slot], kNoCell);
    QTest::keyClick(part(first, "board"), Qt::Key_Escape);
    const int code = first.state().rack()[1].code;
    click(part(first, QString("tile_%1").arg(1)), {20, 20}, Qt::RightButton);
    EXPECT_EQ(part(first, QString("tile_%1").arg(1))->property("hint").toString(),
              QString("y+%1").arg(flippedletter(code)));
    click(part(first, QString("tile_%1").arg(1)), {20, 20}, Qt::RightButton);

    // The first mover lays a word by mouse; the keyboard lays and takes back.
    const auto [a, b] = twoLetterWord(first.state(), rig.server->dictionary());
    ASSERT_NE(a, 0);
    const QString word = QString::fromStdString(converttoletter(first.state().rack()[a].code) +
                                                converttoletter(first.state().rack()[b].code))
                             .toUpper();
    QApplication::setActiveWindow(&first);
    part(first, "board")->setFocus();
    QTest::keyClick(part(first, "board"), Qt::Key_A + first.state().rack()[a].code);
    QTest::keyClick(part(first, "board"), Qt::Key_Space);
    EXPECT_EQ(first.state().letters()[9][9], first.state().rack()[a].code);
    // A screen reader hears the cell under the cursor and the rack's letters in order.
    EXPECT_EQ(part(first, "board")->accessibleDescription(),
              QString("Cell 10, 10: %1").arg(QChar('A' + first.state().rack()[a].code)));
    for (int pos = 0; pos < 10; ++pos) {
        const int slot = first.state().rackorder()[static_cast<std::size_t>(pos)].slot;
        if (slot == a) continue;
        EXPECT_EQ(part(first, QString("tile_%1").arg(slot))->accessibleName(),
                  QString("Rack tile %1: %2")
                      .arg(pos + 1)
                      .arg(QChar('A' + first.state().rack()[slot].shown())));
    }
    QTest::keyClick(part(first, "board"), Qt::Key_Backspace);
    EXPECT_EQ(first.state().letters()[9][9], kNoTile);
    click(part(first, QString("tile_%1").arg(a)));
    click(part(first, "board"), cellPoint(first, 2, 7));
    click(part(first, QString("tile_%1").arg(b)));
    click(part(first, "board"), cellPoint(first, 2, 8));
    EXPECT_TRUE(text(first, "label_preview").endsWith("points"));
    click(part(first, "button_done"));
    ASSERT_TRUE(rig.pump([&] { return second.state().ownTurn(); }));
    const int points = first.state().scores()[first.state().mySeat()];

    // The second exchanges its rack (the turn stays), then both pass to the end.
    click(part(second, "button_newtiles"));
    ASSERT_TRUE(rig.pump([&] { return second.state().scores()[second.state().mySeat()] == -10; }));
    EXPECT_TRUE(second.state().ownTurn());
    click(part(second, "button_pass"));
    ASSERT_TRUE(rig.pump([&] { return first.state().ownTurn(); }));
    click(part(first, "button_pass"));
    ASSERT_TRUE(rig.pump([&] {
        return text(first, "label_reason") != "Game Over!" &&
               text(second, "label_reason") != "Game Over!";
    }));

    const QString f = text(first, QString("label_playername%1").arg(first.state().mySeat()));
    const QString s2 = text(second, QString("label_playername%1").arg(second.state().mySeat()));
    for (Tchat* w : {ann.chat.get(), bob.chat.get()}) {
        EXPECT_EQ(w->state().letters(), first.state().letters());
        EXPECT_EQ(text(*w, QString("label_score%1").arg(first.state().mySeat())),
                  QString::number(points));
        EXPECT_EQ(text(*w, QString("label_score%1").arg(second.state().mySeat())), "-10");
        EXPECT_EQ(text(*w, "label_winner3"), f);
        EXPECT_EQ(text(*w, "label_reason"), "No More tiles, Game Over!");
    }
    const QStringList lines = chatLines(first);
    EXPECT_EQ(lines.mid(lines.size() - 4),
              (QStringList{QString("*%1: %2 +%3 points.*").arg(f, word).arg(points),
                           s2 + " Bought New Tiles", s2 + " Passed", "You Passed"}));
    const QStringList other = chatLines(second);
    EXPECT_EQ(other.mid(other.size() - 4),
              (QStringList{QString("*%1: %2 +%3 points.*").arg(f, word).arg(points),
                           "You Bought New Tiles", "You Passed", f + " Passed"}));
    EXPECT_TRUE(part<QLineEdit>(first, "mychat")->hasFocus() || !first.isActiveWindow());

    // The game counts in Ann's tally once, and survives a restart.
    const bool annWon = &first == ann.chat.get();
    EXPECT_EQ(tally.mylabel_1->text(), "1");
    EXPECT_EQ(tally.mylabel_2->text(), annWon ? "1" : "0");
    Ttallylist again(ann.dialogs, ann.home.filePath("zindletally.tld"));
    EXPECT_EQ(again.mylabel_1->text(), "1");
    ASSERT_EQ(again.listbox_tally->count(), 1);
    EXPECT_EQ(again.listbox_tally->item(0)->text(), "Bob");
}

TEST(GameWindow, ASoloGameWithThreeComputerPlayersPlaysToItsEnd) {
    HostRig rig;
    Window you({}, rig.server.get(), 0);
    you.chat->setWindows([&] {
        ChatWindows w;
        w.server = rig.server.get();
        w.options = &you.options;
        return w;
    }());
    you.chat->show();
    ASSERT_TRUE(rig.pump([&] { return you.chat->state().loggedIn(); }));
    you.options.setComputers(3, "hard");
    EXPECT_EQ(you.options.combo_level->currentText(), "Hard");
    you.options.spin_computers->setValue(3);
    click(part(*you.chat, "button_startgame"));
    click(you.options.findChild<QPushButton*>("button_startgame"));
    ASSERT_TRUE(rig.pump([&] { return you.chat->state().turnSeat() != 0; }));
    for (int s = 2; s <= 4; ++s)
        EXPECT_EQ(text(*you.chat, QString("label_playername%1").arg(s)),
                  QString("Computer %1").arg(s - 1));
    // The first turn takes a hint and plays it; the others pass.
    Tchat& c = *you.chat;
    QString hinted;
    bool staleHintTried = false;
    QSet<QString> rows;  // where the move buttons stood, turn by turn
    ASSERT_TRUE(rig.pump(
        [&] {
            if (!c.state().ownTurn() || !part(c, "button_pass")->isVisible())
                return text(c, "label_reason") != "Game Over!";
            EXPECT_TRUE(part(c, "hintButton")->isVisible());
            QString row;
            for (const char* name :
                 {"button_done", "button_clear", "button_newtiles", "button_pass", "hintButton"})
                row += QString::fromStdString(rectText(part(c, name)->geometry())) + " ";
            rows.insert(row);
            // Five buttons share the row, and each caption stays whole.
            for (const char* name :
                 {"button_done", "button_clear", "button_newtiles", "button_pass", "hintButton"}) {
                auto* b = part<QPushButton>(c, name);
                EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text()) + 6) << name;
            }
            if (!hinted.isEmpty() && !staleHintTried) {
                // A hint whose turn ends before it comes back is dropped.
                staleHintTried = true;
                click(part(c, "hintButton"));
                click(part(c, "button_pass"));
                rig.pump([&] { return false; }, 300);
                for (int slot = 1; slot <= kRackSize; ++slot)
                    EXPECT_EQ(c.state().laid()[slot], kNoCell);
                EXPECT_EQ(chatLines(c).filter("Hint:").size(), 1);
                return false;
            }
            if (!hinted.isEmpty()) {
                click(part(c, "button_pass"));
                return false;
            }
            click(part(c, "hintButton"));
            // Worked out off the window's thread: the window runs on until it comes.
            rig.pump([&] { return chatLines(c).filter("Hint:").size() > 0; });
            hinted = text(c, "label_preview");
            EXPECT_TRUE(hinted.endsWith(" points")) << hinted.toStdString();
            click(part(c, "button_done"));
            rig.pump([&] { return !part(c, "button_pass")->isVisible(); });
            return false;
        },
        120000));
    EXPECT_GT(chatLines(c).filter(" points.*").size(), 5);
    EXPECT_EQ(chatLines(c).filter("Invalid Word!").size(), 0);
    // The buttons stand still from the first turn to the last.
    EXPECT_EQ(rows.size(), qsizetype(1)) << QStringList(rows.values()).join(" | ").toStdString();
    EXPECT_TRUE(staleHintTried);
    EXPECT_EQ(c.findChild<QLabel*>("hintsLabel")->text(), "You took 1 hint.");

    // The review lists every turn of ours: the hinted move first, which was the best.
    QPushButton* review = c.findChild<QPushButton*>("reviewButton");
    ASSERT_TRUE(review->isVisible());
    click(review);
    auto* dialog = c.findChild<coach::GameReview*>();
    ASSERT_NE(dialog, nullptr);
    QTableWidget* table = dialog->table();
    ASSERT_GE(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 2)->text() + " points", hinted);
    EXPECT_EQ(table->item(0, 5)->text(), "Best");
    for (int row = 1; row < table->rowCount(); ++row) EXPECT_EQ(table->item(row, 2)->text(), "0");
    dialog->close();
    // The computers stay for the next game; fewer asked for, fewer stay.
    you.options.spin_computers->setValue(1);
    click(part(*you.chat, "button_startgame"));
    click(you.options.findChild<QPushButton*>("button_startgame"));
    ASSERT_TRUE(rig.pump([&] { return text(*you.chat, "label_playername4") == "<Waiting>"; }));
    EXPECT_EQ(text(*you.chat, "label_playername2"), "Computer 1");
}

TEST(GameWindow, SurvivesAnythingAHostSends) {
    HostRig rig;
    Window w({}, nullptr, 1);
    Tchat& chat = *w.chat;
    const std::vector<std::string> junk = {
        "CMD_sendlogininfo+2",
        "CMD_newplayerinfo+2+Eve",
        "CMD_startgame+Eve+90+12+0+0+y+n+n",
        "CMD_atile+1+4",
        "CMD_atile+11+4",
        "CMD_atile+2+26",
        "CMD_atile+3+-7",
        "CMD_showboard+30+2+4",
        "CMD_showboard+2+2+999",
        "CMD_arrangeboard+9+1+2+3",
        "CMD_newword+1+1+1+40+40+1",
        "CMD_reposition+0+0",
        "CMD_postscore+1+77+3+15+30+99+1+word+",
        "CMD_postscore+1+2+3+15+30+4+1+word+",
        "CMD_nextplayer+9",
        "CMD_nextplayer+2",
        "CMD_notiles+0+",
        "CMD_timeup+-1",
        "CMD_pass+5",
        "CMD_newtiles+8+1+1+1",
        "CMD_justwatching+7+1",
        "CMD_winner+1+9+x+2",
        "CMD_playerdisconnected+44+x",
        "CMD_gamesettings+a+b+c+d+e+f+g",
        "CMD_tilecount+-2147483648",
        "CMD_chat+x|$zz",
        "CMD_placeletter+18+18+25",
        std::string(100000, 'A'),
        "CMD_full",
    };
    for (const auto& m : junk) chat.receive(m + '\xFF');
    chat.receive("CMD_newplayerinfo+5+Eve\xFF");
    chat.receive("CMD_newplayerinfo+5+Spy\xFF");  // the seat's newer occupant
    while (chat.queued() > 0) chat.processsocktimer();
    EXPECT_EQ(w.spylist.listbox_spys->count(), 1);
    EXPECT_EQ(w.spylist.listbox_spys->item(0)->text(), "5: Spy");
    chat.receive("CMD_playerdisconnected+5+Spy\xFF");
    chat.receive("CMD_chat+split ");  // a message cut by TCP arrives whole
    chat.receive(std::string("over two reads|clLime\xFF"));
    while (chat.queued() > 0) chat.processsocktimer();

    EXPECT_EQ(chat.state().rack()[1].hint(), "n+4");
    EXPECT_EQ(chat.state().rack()[2].hint(), "n");
    EXPECT_EQ(chat.state().letters()[18][18], 25);
    EXPECT_EQ(text(chat, "label_bonus2"), "+15");  // the one valid score message
    EXPECT_EQ(text(chat, "label_score2"), "30");
    EXPECT_EQ(text(chat, "label_score4"), "1");
    EXPECT_EQ(text(chat, "label_turn"), "Your Turn.");
    EXPECT_EQ(text(chat, "label_winner3"), "<Waiting>,Eve");
    EXPECT_EQ(text(chat, "label_tilesleft"),
              "Tiles Left: 100");  // the overflowing count was dropped
    EXPECT_EQ(chatLines(chat).mid(chatLines(chat).size() - 7),
              (QStringList{"x", "Eve is Connected.", "Eve is spying.", "Spy is Connected.",
                           "Spy is spying.", "Spy has left.", "split over two reads"}));
    EXPECT_EQ(w.spylist.listbox_spys->count(), 0);
    EXPECT_TRUE(w.dialogs.calls.isEmpty());  // "CMD_full" without "+" is no message
}

TEST(GameWindow, ChatViewLinksScrollingAndClipboard) {
    Window w({}, nullptr, 1);
    Tchat& chat = *w.chat;
    chat.resize(900, 700);
    chat.show();
    // The queue hands on one message a tick, however many came in one read.
    chat.receive(
        "CMD_chat+one\xFF"
        "CMD_chat+two\xFF"
        "CMD_chat+three\xFF");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return chatLines(chat).contains("one"); }));
    EXPECT_EQ(chat.queued(), 2u);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return chat.queued() == 0; }));
    EXPECT_EQ(chatLines(chat).mid(chatLines(chat).size() - 3),
              (QStringList{"one", "two", "three"}));
    chat.receive("CMD_chat+Bob chats: see www.example.org. now|clLime\xFF");
    chat.processsocktimer();
    QTextCursor c(part<QTextEdit>(chat, "mainchat")->document());
    c.movePosition(QTextCursor::End);
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 20);  // inside the link
    const QPoint at = part<QTextEdit>(chat, "mainchat")->cursorRect(c).center() + QPoint(1, 0);
    QTest::mouseClick(part<QTextEdit>(chat, "mainchat")->viewport(), Qt::LeftButton, {}, at);
    ASSERT_FALSE(w.dialogs.calls.isEmpty());
    EXPECT_EQ(w.dialogs.calls.last().text, "www.example.org");
    EXPECT_EQ(part<QTextEdit>(chat, "mainchat")->textCursor().selectedText(), "www.example.org");
    action(chat, "copyAction")->trigger();
    EXPECT_EQ(w.dialogs.clipboard, "www.example.org");
    action(chat, "pasteAction")->trigger();
    EXPECT_EQ(part<QLineEdit>(chat, "mychat")->text(), "www.example.org");
    // Ctrl+V replaces the whole line too, not just at the cursor.
    part<QLineEdit>(chat, "mychat")->setFocus();
    part<QLineEdit>(chat, "mychat")->setText("half typed");
    part<QLineEdit>(chat, "mychat")->setCursorPosition(4);
    QTest::keySequence(part<QLineEdit>(chat, "mychat"), QKeySequence::Paste);
    EXPECT_EQ(part<QLineEdit>(chat, "mychat")->text(), "www.example.org");
    // Ten long phrases: every button still shows, inside the panel, none over another.
    for (int n = 1; n <= 10; ++n)
        chat.setPhrase(n, QString("A rather long phrase number %1 for all").arg(n));
    const QRect panel = part(chat, "b_phrase1")->parentWidget()->rect();
    for (int n = 1; n <= 10; ++n) {
        QWidget* b = part(chat, QString("b_phrase%1").arg(n));
        const QRect r = b->geometry();
        EXPECT_TRUE(b->isVisible());
        EXPECT_TRUE(panel.contains(r)) << n;
        for (int m = n + 1; m <= 10; ++m)
            EXPECT_FALSE(r.intersects(part(chat, QString("b_phrase%1").arg(m))->geometry()))
                << n << m;
    }
    EXPECT_EQ(part(chat, "b_phrase10")->toolTip(), "A rather long phrase number 10 for all");
    // A click on a text size changes the size but not the tick, which follows the settings.
    action(chat, "textSize12")->trigger();
    EXPECT_NEAR(chatPoints(chat), 12, 0.1);
    for (const char* size : {"textSize8", "textSize10", "textSize12", "textSize14"})
        EXPECT_FALSE(action(chat, size)->isChecked());

    // Scroll Chat Off keeps the view where it is while lines arrive.
    for (int i = 0; i < 60; ++i) say(chat, "line " + std::to_string(i));
    QScrollBar* bar = part<QTextEdit>(chat, "mainchat")->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());
    action(chat, "scrollChatOffAction")->trigger();
    EXPECT_TRUE(action(chat, "chatScrollChatOffAction")->isChecked());
    bar->setValue(0);
    for (int i = 0; i < 20; ++i) say(chat, "more");
    EXPECT_EQ(bar->value(), 0);
    // So it does through a change of text size; with the view free again, a size change,
    // larger or smaller, shows the newest lines.
    action(chat, "textSize14")->trigger();
    EXPECT_EQ(bar->value(), 0);
    action(chat, "scrollChatOffAction")->trigger();
    ASSERT_FALSE(action(chat, "chatScrollChatOffAction")->isChecked());
    for (const char* size : {"textSize8", "textSize12", "textSize10"}) {
        action(chat, size)->trigger();
        EXPECT_GT(bar->maximum(), 0) << size;
        EXPECT_EQ(bar->value(), bar->maximum()) << size;
    }
}

TEST(GameWindow, SettingsLoadOnTheOwnSeatAndKeepTheSharedFile) {
    HostRig rig;
    Window w({"Ann", "127.0.0.1", "true"}, rig.server.get(), 0);
    const QString ini = w.home.filePath("korvolobby.ini");
    const QByteArray original =
        "[Lobby]\r\nName=Ann\r\n[Zindle]\r\nPlaysounds=false\r\nTextsize=9\r\n"
        "Phrase3=Hi, all = friends\r\nTurntime=500\r\nSquares=x\r\nTeam=1\r\n"
        "Textcolor=$000000FF\r\nLeft=40\r\nTop=30\r\nWidth=900\r\nHeight=700\r\n";
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(original);
    }
    Tchat& chat = *w.chat;
    chat.show();
    ASSERT_TRUE(rig.pump([&] { return chatLines(chat).contains("You are Connected."); }));
    EXPECT_FALSE(action(chat, "playSoundsAction")->isChecked());
    EXPECT_NEAR(chatPoints(chat), 9, 0.1);
    for (const char* size : {"textSize8", "textSize10", "textSize12", "textSize14"})
        EXPECT_FALSE(action(chat, size)->isChecked());
    EXPECT_EQ(part(chat, "b_phrase3")->toolTip(), "Hi, all = friends");
    EXPECT_EQ(part(chat, "b_phrase4")->toolTip(), "Excellent!");
    EXPECT_EQ(w.options.spin_turntime->value(), 360);
    EXPECT_EQ(w.options.spin_squares->value(), 12);
    EXPECT_TRUE(w.options.checked("image_team"));
    EXPECT_TRUE(part(chat, "mychat")
                    ->styleSheet()
                    .contains("#ff0000"));   // the entry line in the own colour
    EXPECT_TRUE(w.sounds.played.isEmpty());  // sounds were off once the seat was confirmed

    // Closing without moving writes nothing; a colour choice writes only our keys.
    chat.close();
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), original);
    f.close();
    w.dialogs.colorToPick = QColor(0x30, 0x20, 0x10);
    action(chat, "textColorAction")->trigger();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray after = f.readAll();
    EXPECT_TRUE(
        after.startsWith("[Lobby]\r\nName=Ann\r\n[Zindle]\r\nPlaysounds=false\r\nTextsize=9\r\n"
                         "Phrase3=Hi, all = friends\r\nTurntime=360\r\n"));
    EXPECT_TRUE(after.contains("Textcolor=$00102030\r\n"));
}

TEST(GameWindow, LobbyLinkAndSoloStart) {
    HostRig rig;
    rig.server->listen();
    // The lobby's end of the link: closing it ends the game.
    TSock lobby;
    lobby.setPortName("0");
    TSock* link = nullptr;
    int links = 0;
    lobby.OnAccept = [&](TSock& l) {
        l.Accept(link);
        ++links;
    };
    lobby.setListen(true);
    Window w({"Ann", "127.0.0.1", "True"}, nullptr, rig.port(), std::to_string(lobby.LocalPort()));
    w.chat->show();
    ASSERT_TRUE(rig.pump([&] { return chatLines(*w.chat).contains("You are Connected."); }));
    EXPECT_FALSE(w.chat->state().isHost());  // only "true" hosts
    ASSERT_TRUE(rig.pump([&] { return link != nullptr && link->Connected(); }));
    link->Close();
    ASSERT_TRUE(rig.pump([&] { return w.chat->closing(); }));

    // No parameters: a solo game that hosts, offers the download window and connects.
    HostRig solo;
    Window you({}, solo.server.get(), 0, std::to_string(lobby.LocalPort()));
    QWidget download, help;
    ChatWindows sw;
    sw.server = solo.server.get();
    sw.download = &download;
    sw.help = &help;
    sw.options = &you.options;
    you.chat->setWindows(sw);
    you.chat->show();
    ASSERT_TRUE(solo.pump([&] { return text(*you.chat, "label_playername1") == "You"; }));
    EXPECT_TRUE(download.isVisible());
    EXPECT_EQ(chatLines(*you.chat),
              (QStringList{"Loading Solo Game..Please wait.", "You are Connected."}));
    EXPECT_TRUE(action(*you.chat, "startGameAction")->isEnabled());
    EXPECT_EQ(links, 1);  // a solo game opens no lobby link
    // A first solo game, with no settings yet, has one opponent at Normal.
    EXPECT_EQ(you.options.spin_computers->value(), 1);
    EXPECT_EQ(you.options.combo_level->currentText(), "Normal");
    // The desktop's keys: F1 opens help, Ctrl+Q quits.
    QApplication::setActiveWindow(you.chat.get());
    download.hide();
    QTest::keyClick(you.chat.get(), Qt::Key_F1);
    EXPECT_TRUE(help.isVisible());
    QTest::keyClick(you.chat.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(you.chat->isVisible());

    // A guest joins by a host name (looked up off the window's thread) or over IPv6.
    for (const char* host : {"localhost", "::1", "[::1]"}) {
        Window guest({"Gus", host, "join"}, nullptr, rig.port());
        guest.chat->show();
        EXPECT_TRUE(rig.pump([&] { return guest.chat->state().loggedIn(); })) << host;
    }

    // Two parameters connect nothing.
    Window two({"Ann", "127.0.0.1"}, nullptr, rig.port());
    two.chat->show();
    rig.pump([] { return false; }, 200);
    EXPECT_EQ(two.chat->state().mySeat(), 0);
    EXPECT_EQ(chatLines(*two.chat), QStringList{"Loading Multi-player Game.. Please Wait."});
}

TEST(GameWindow, ASecondStartRaisesTheFirstAndEnds) {
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    int raised = 0;
    ASSERT_FALSE(first.otherRunning());
    ASSERT_TRUE(first.listen([&] { ++raised; }));
    SingleInstance second(folder.path());
    QTemporaryDir elsewhere;
    EXPECT_FALSE(SingleInstance(elsewhere.path()).otherRunning());  // another data folder
    EXPECT_TRUE(second.otherRunning());
    ASSERT_TRUE(testsupport::pumpUntil([&] { return raised == 1; }));
}

// A host may send anything of any length: the window shows a bounded amount,
// keeps its queue bounded in bytes, and says why it leaves.
TEST(GameWindow, BoundsWhatAHostileHostSendsAndSaysWhyItLeaves) {
    testsupport::ensureApp();
    Window w({}, nullptr, 1);
    Tchat& chat = *w.chat;
    chat.resize(900, 700);
    chat.show();
    const std::string huge(64 * 1024, 'W');
    chat.receive(
        "CMD_sendlogininfo+2\xFF"
        "CMD_newplayerinfo+3+" +
        huge + "\xFF");
    chat.receive("CMD_startgame+" + huge + "+90+12+0+0+y+n+n\xFF");
    chat.receive("CMD_postscore+3+20+0+0+20+0+1+" + huge + "+\xFF");
    chat.receive("CMD_newword+3+1+1+" + huge + "\xFF");
    chat.receive("CMD_chat+" + huge + "|clRed\xFF");
    chat.receive("CMD_chat+Eve chats: " + huge + "\xFF");
    while (chat.queued() > 0) chat.processsocktimer();
    QLabel* name = part<QLabel>(chat, "label_playername3");
    EXPECT_TRUE(name->text().endsWith(QChar(0x2026)));  // cut to fit, with an ellipsis
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width());
    EXPECT_EQ(name->toolTip(), QString(20, 'W'));
    for (const QString& line : chatLines(chat)) EXPECT_LE(line.size(), kMaxShownChat);
    EXPECT_TRUE(chatLines(chat).contains(QString(kMaxShownChat, 'W')));
    EXPECT_EQ(part<QTextEdit>(chat, "mainchat")->wordWrapMode(),
              QTextOption::WrapAtWordBoundaryOrAnywhere);

    // Far fewer lines than the view keeps, but long ones: the text stays bounded.
    for (int i = 0; i < 1500; ++i) say(chat, std::to_string(i) + huge);
    EXPECT_LE(part<QTextEdit>(chat, "mainchat")->document()->characterCount(), kMaxChatChars);
    EXPECT_TRUE(chatLines(chat).last().startsWith("1499W"));
    EXPECT_GT(chatLines(chat).size(), 500);

    // A settings file that cannot be written is told once, naming it and why.
    ASSERT_TRUE(QDir(w.home.path()).mkpath("korvolobby.ini"));
    w.dialogs.colorToPick = QColor(1, 2, 3);
    action(chat, "textColorAction")->trigger();
    action(chat, "textColorAction")->trigger();
    ASSERT_EQ(w.dialogs.calls.count(), 3);  // two colour pickers, one message
    EXPECT_EQ(w.dialogs.calls[1].kind, "message");
    EXPECT_TRUE(w.dialogs.calls[1].text.contains(w.home.filePath("korvolobby.ini")));
    w.dialogs.calls.clear();

    // Long messages fill the queue's bytes long before its count: cut off, and told.
    for (int i = 0; i < 600 && !chat.closing(); ++i) chat.receive("CMD_chat+" + huge + "\xFF");
    EXPECT_TRUE(chat.closing());
    EXPECT_LT(chat.queued(), 600u);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !chat.isVisible(); }));
    ASSERT_EQ(w.dialogs.calls.count(), 1);
    EXPECT_EQ(w.dialogs.calls[0].text, "The connection to the host was lost.");

    // Removed from the game by the host: one message, then the window closes.
    Window kicked({}, nullptr, 1);
    kicked.chat->show();
    kicked.chat->receive(
        "CMD_sendlogininfo+2\xFF"
        "CMD_newplayerinfo+2+Ann\xFF"
        "CMD_playerdisconnected+2+Ann\xFF");
    while (kicked.chat->queued() > 0) kicked.chat->processsocktimer();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !kicked.chat->isVisible(); }));
    ASSERT_EQ(kicked.dialogs.calls.count(), 1);
    EXPECT_EQ(kicked.dialogs.calls[0].text, "You were removed from the game by the host.");
}

// A peer floods the real host with long chat lines without spaces; an honest
// window keeps reading, keeps its seat and its chat still gets through.
TEST(GameWindow, StaysInTheGameWhileAPeerFloodsChat) {
    HostRig rig;
    Window ann({"Ann", "127.0.0.1", "true"}, rig.server.get(), 0);
    ann.chat->show();
    ASSERT_TRUE(rig.pump([&] { return ann.chat->state().loggedIn(); }));
    Window cat({"Cat", "127.0.0.1", "join"}, rig.server.get(), rig.port());
    cat.chat->show();
    ScriptedClient eve(rig.port(), "Eve");
    eve.open();
    ASSERT_TRUE(rig.pump([&] { return text(*cat.chat, "label_playername3") == "Eve"; }));

    const std::string line =
        "CMD_chat+" + std::to_string(eve.seat()) + "+" + std::string(64 * 1024, 'x');
    QElapsedTimer clock;
    clock.start();
    qint64 typedAt = -1;
    qint64 arrivedAt = -1;
    int sent = 0;
    // 20 lines a second for three seconds; Cat types halfway through.
    rig.pump(
        [&] {
            const qint64 now = clock.elapsed();
            while (sent < now / 50 && sent < 60) {
                eve.send(line);
                ++sent;
            }
            if (typedAt < 0 && now >= 1500) {
                part<QLineEdit>(*cat.chat, "mychat")->setText("still here");
                QTest::keyClick(part<QLineEdit>(*cat.chat, "mychat"), Qt::Key_Return);
                typedAt = now;
            }
            if (arrivedAt < 0 && chatLines(*ann.chat).contains("Cat chats: still here"))
                arrivedAt = clock.elapsed();
            return sent >= 60 && arrivedAt >= 0;
        },
        10000);
    ASSERT_GE(arrivedAt, 0);
    EXPECT_LT(arrivedAt - typedAt, 1000);
    EXPECT_FALSE(cat.chat->closing());
    EXPECT_TRUE(cat.dialogs.calls.isEmpty());
    EXPECT_TRUE(eve.has("CMD_chat+Cat chats: still here|clWhite"));
    EXPECT_LE(part<QTextEdit>(*cat.chat, "mainchat")->document()->characterCount(), kMaxChatChars);

    // The host goes away: the window says so before it ends.
    rig.server.reset();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !cat.chat->isVisible(); }));
    ASSERT_EQ(cat.dialogs.calls.count(), 1);
    EXPECT_EQ(cat.dialogs.calls[0].text, "The host closed the game.");
}

}  // namespace
}  // namespace zindle
