// The lobby window offscreen against a real Prosody, with real game windows
// (offscreen too): signing in, the live list, Host a Game, Join by keyboard.
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "lobby/lobbytest.h"
#include "scriptedclient.h"
#include "side/lobbyform.h"
#include "side/onlinepanel.h"
#include "widgets/dialogs.h"

using namespace zindle;
using namespace testsupport;
using zindle::lobby::JoinOffer;
using zindle::lobby::Refusal;

namespace {

// Records like the test dialogs, but really starts the game.
class StartingDialogs : public RecordingDialogs {
public:
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& dir) override {
        RecordingDialogs::startProgram(program, arguments, dir);
        auto* p = new QProcess;
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->start(program, arguments);
        games.append(p);
        return p->waitForStarted(5000);
    }
    ~StartingDialogs() override {
        for (QProcess* p : games) {
            p->terminate();
            if (!p->waitForFinished(5000)) p->kill();
            p->waitForFinished(2000);
            delete p;
        }
    }
    QList<QProcess*> games;
};

int freePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

// One player's machine: a data folder and a lobby port of its own.
struct Machine {
    Machine() {
        qputenv("ZINDLE_HOME", home.path().toLocal8Bit());
        qputenv("ZINDLE_LOBBY_PORT", QByteArray::number(freePort()));
        qputenv("ZINDLE_GAME", ZINDLE_GAME_PROGRAM);
        lobby = std::make_unique<Tlobby>(dialogs);
        // Tests stay on this machine: no router is asked to open a port.
        lobby->online->check_mapping->setChecked(false);
        lobby->resize(900, 620);
        lobby->show();
    }
    // The game started next takes this machine's folder and a free game port.
    void beforeGame() {
        qputenv("ZINDLE_HOME", home.path().toLocal8Bit());
        qputenv("ZINDLE_PORT", QByteArray::number(freePort()));
    }
    void signIn(TestProsody& server, const QString& name) {
        OnlinePanel& o = *lobby->online;
        o.setCaFile(server.caFile());
        o.edit_server->setText(server.server());
        o.edit_account->setText(name + "@" + server.domain());
        QTest::keyClicks(o.edit_password, "secret");
        QTest::keyClick(o.edit_password, Qt::Key_Return);
    }
    QTreeWidgetItem* row(const QString& host) {
        QTreeWidget* list = lobby->online->list_games;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == host) return list->topLevelItem(i);
        return nullptr;
    }
    QString seats(const QString& host) {
        QTreeWidgetItem* r = row(host);
        return r ? r->text(1) : QString();
    }
    void shot(const QString& name) {
        const QString dir = qEnvironmentVariable("ZINDLE_SHOTS");
        if (!dir.isEmpty()) lobby->grab().save(QDir(dir).filePath(name + ".png"));
    }

    QTemporaryDir home;
    StartingDialogs dialogs;
    std::unique_ptr<Tlobby> lobby;
};

}  // namespace

TEST(LobbyWindowOnline, HostAGameIsListedElsewhereAndEndsWithTheLobby) {
    NEED_PROSODY(prosody);
    for (const char* name : {"winhost", "winseen"}) ASSERT_TRUE(prosody->registerAccount(name));
    Machine host;
    EXPECT_TRUE(host.lobby->online->edit_server->text().isEmpty());
    EXPECT_FALSE(host.lobby->online->edit_server->placeholderText().isEmpty());
    host.signIn(*prosody, "winhost");
    OnlinePanel& o = *host.lobby->online;
    ASSERT_TRUE(waitFor([&] { return o.online() && o.list_games->isVisible(); }))
        << o.label_signIn->text().toStdString();
    EXPECT_TRUE(o.list_games->hasFocus());  // the list takes the keys at once

    Player other(*prosody, "winseen");
    ASSERT_TRUE(other.waitOnline());
    ASSERT_TRUE(waitFor([&] { return o.list_people->count() == 2; }));

    host.beforeGame();
    host.lobby->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.lobby.get()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_H, Qt::AltModifier);  // "&Host a Game"
    ASSERT_TRUE(waitFor([&] { return host.dialogs.calls.size() == 1; }));      // an animated click
    EXPECT_EQ(host.dialogs.calls[0].text, QString(ZINDLE_GAME_PROGRAM) + " winhost 127.0.0.1 true");
    // The game hosts, seats its own window, and the other lobby sees the table.
    ASSERT_TRUE(waitFor(
        [&] { return other.table("winhost") && other.table("winhost")->seats == 1; }, 20000));
    EXPECT_FALSE(o.button_hostOnline->isEnabled());
    ASSERT_TRUE(waitFor([&] { return host.seats("winhost") == "1 of 4"; }));

    // Somebody joins through the lobby; both lists follow.
    JoinOffer offer;
    ASSERT_EQ(other.join("winhost", false, &offer), Refusal::None);
    ScriptedClient joiner(offer.port, "Seen");
    joiner.open();
    ASSERT_TRUE(waitFor([&] { return host.seats("winhost") == "2 of 4"; }));
    ASSERT_TRUE(waitFor([&] { return other.table("winhost")->seats == 2; }));
    host.shot("lobby-hosting");

    // Inviting needs a table of our own, and reaches the other player.
    const auto seen = o.list_people->findItems("winseen", Qt::MatchExactly);
    ASSERT_EQ(seen.size(), 1);
    o.list_people->setCurrentItem(seen[0]);
    ASSERT_TRUE(o.button_invite->isEnabled());
    QTest::mouseClick(o.button_invite, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !other.invitations.isEmpty(); }));

    // Closing the lobby ends the game (its lifeline), and the table goes.
    host.lobby->close();
    ASSERT_TRUE(waitFor([&] { return joiner.closed(); }, 15000));
    ASSERT_TRUE(waitFor([&] { return !other.table("winhost"); }, 15000));
}

TEST(LobbyWindowOnline, ReturnOnTheListJoinsAndAFullTableOffersToWatch) {
    NEED_PROSODY(prosody);
    for (const char* name : {"tablew", "winjoin"}) ASSERT_TRUE(prosody->registerAccount(name));
    // An address longer than the game keeps: the lobby gives the game one that fits.
    DedicatedHost table(*prosody, "tablew",
                        {"--address", "0000:0000:0000:0000:0000:0000:0000:0001"});
    Machine player;
    player.signIn(*prosody, "winjoin");
    OnlinePanel& o = *player.lobby->online;
    ASSERT_TRUE(waitFor([&] { return player.seats("tablew") == "0 of 4"; }))
        << o.label_signIn->text().toStdString() << table.output().toStdString();
    player.shot("lobby-list");
    o.list_games->setCurrentItem(player.row("tablew"));
    EXPECT_TRUE(o.button_joinTable->isEnabled());
    EXPECT_FALSE(o.button_watch->isEnabled());

    o.list_games->setCurrentItem(player.row("tablew"));
    player.beforeGame();
    QTest::keyClick(o.list_games, Qt::Key_Return);
    // The real game window takes its seat; the list shows it.
    ASSERT_TRUE(waitFor([&] { return player.seats("tablew") == "1 of 4"; }, 20000));
    ASSERT_EQ(player.dialogs.calls.size(), 1);
    EXPECT_TRUE(player.dialogs.calls[0].text.endsWith(" winjoin ::1 join"))
        << player.dialogs.calls[0].text.toStdString();

    // The game ends when its window goes; three scripted players then fill the table.
    player.lobby->endGames();
    ASSERT_TRUE(waitFor([&] { return player.seats("tablew") == "0 of 4"; }, 15000));
    std::vector<std::unique_ptr<ScriptedClient>> seated;
    for (int i = 0; i < 4; ++i) {
        seated.push_back(std::make_unique<ScriptedClient>(
            table.port(), std::string("P").append(std::to_string(i))));
        seated.back()->open();
    }
    ASSERT_TRUE(waitFor([&] { return player.seats("tablew") == "4 of 4"; }));
    EXPECT_TRUE(o.button_watch->isEnabled());  // only a full table is watched
    // Join on a full table asks whether to watch; the answer here is yes.
    player.beforeGame();
    QTest::mouseClick(o.button_joinTable, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return player.dialogs.calls.size() >= 3; }, 15000));
    EXPECT_EQ(player.dialogs.calls[1].kind, "yesNo");
    EXPECT_EQ(player.dialogs.calls[1].text, "tablew's table is full. Watch the game instead?");
    EXPECT_EQ(player.dialogs.calls[2].kind, "startProgram");
    ASSERT_TRUE(waitFor([&] { return player.row("tablew")->text(2) == "1"; }, 20000));
}
