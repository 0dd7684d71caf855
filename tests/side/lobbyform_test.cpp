// The lobby stand-in starts a stand-in game that records its parameters and
// holds the lobby link like the real game does.
#include "side/lobbyform.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "support/qtprint.h"
#include "widgets/dialogs.h"

using zindle::Tlobby;

namespace {

class LobbyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        QTcpServer probe;  // a free port for the lobby link
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
        probe.close();

        game = home.filePath("game.sh");
        QFile script(game);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(
            "#!/bin/bash\n"
            "rec=\"$ZINDLE_HOME/game\"\n"
            "printf '%s\\n' \"$@\" > \"$rec.args\"\n"
            "exec 3<>/dev/tcp/127.0.0.1/$ZINDLE_LOBBY_PORT || exit 1\n"
            "cat <&3 > /dev/null\n"
            "touch \"$rec.closed\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

        qputenv("ZINDLE_HOME", home.path().toLocal8Bit());
        qputenv("ZINDLE_LOBBY_PORT", QByteArray::number(port));
        qputenv("ZINDLE_GAME", game.toLocal8Bit());
    }
    void TearDown() override {
        qunsetenv("ZINDLE_HOME");
        qunsetenv("ZINDLE_LOBBY_PORT");
        qunsetenv("ZINDLE_GAME");
    }

    QByteArray read(const QString& name) {
        QFile f(home.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }
    bool exists(const QString& name) { return QFile::exists(home.filePath(name)); }

    // Starts the stand-in game from button, checks its parameters and its link,
    // then closes the lobby and checks that the game saw the link close.
    void playOnce(Tlobby& lobby, QPushButton* button, const QByteArray& expectedArgs) {
        QFile::remove(home.filePath("game.args"));
        QFile::remove(home.filePath("game.closed"));
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return lobby.games() == 1; }));
        EXPECT_EQ(read("game.args"), expectedArgs);
        EXPECT_FALSE(exists("game.closed"));

        lobby.close();
        EXPECT_EQ(lobby.games(), 0);
        EXPECT_TRUE(waitFor([&] { return exists("game.closed"); }));
    }

    QTemporaryDir home;
    quint16 port = 0;
    QString game;
};

TEST_F(LobbyWindow, HostsAndJoinsWithTheGamesParametersAndClosingEndsTheGame) {
    zindle::QtDialogs dialogs;
    {
        Tlobby lobby(dialogs);
        ASSERT_TRUE(lobby.listening());
        EXPECT_EQ(lobby.port(), port);
        EXPECT_EQ(lobby.gameProgram, game);
        lobby.show();
        lobby.edit_name->setText("Ann Lee");
        playOnce(lobby, lobby.button_host, "Ann Lee\n127.0.0.1\ntrue\n");
    }
    {
        Tlobby lobby(dialogs);
        EXPECT_EQ(lobby.edit_name->text(), "Ann Lee");
        lobby.show();
        lobby.edit_address->setText(" 10.1.2.3 ");
        playOnce(lobby, lobby.button_join, "Ann Lee\n10.1.2.3\njoin\n");
    }
    Tlobby again(dialogs);
    EXPECT_EQ(again.edit_address->text(), "10.1.2.3");
}

TEST_F(LobbyWindow, GameThatEndsItselfIsNoticed) {
    zindle::RecordingDialogs dialogs;
    Tlobby lobby(dialogs);
    QTcpSocket game;  // the game's end of the link
    game.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(waitFor([&] { return lobby.games() == 1; }));
    game.disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return lobby.games() == 0; }));
    EXPECT_EQ(lobby.label_status->text(), "The game has ended.");
}

TEST_F(LobbyWindow, RefusesToStartWithoutNameOrAddressOrPort) {
    zindle::RecordingDialogs dialogs;
    Tlobby lobby(dialogs);
    lobby.edit_name->setText("  ");
    QTest::mouseClick(lobby.button_host, Qt::LeftButton);
    lobby.edit_name->setText("Bo");
    lobby.edit_address->clear();
    QTest::mouseClick(lobby.button_join, Qt::LeftButton);
    ASSERT_EQ(dialogs.calls.size(), 2);
    EXPECT_EQ(dialogs.calls[0].text, "Type your name first.");
    EXPECT_EQ(dialogs.calls[1].text, "Type the address of the player who hosts.");

    // A second lobby on the same port would hand games to the wrong program.
    Tlobby second(dialogs);
    EXPECT_FALSE(second.listening());
    EXPECT_FALSE(second.button_host->isEnabled());
    EXPECT_FALSE(second.button_join->isEnabled());
    EXPECT_TRUE(second.label_status->text().contains(QString::number(port)));

    EXPECT_FALSE(Tlobby::machineAddresses().contains("127.0.0.1"));
}

// Only addresses a friend on another machine can join are offered; the
// address field takes the longest of them.
TEST_F(LobbyWindow, OffersOnlyJoinableAddressesAndTakesIpv6) {
    for (const char* text : {"127.0.0.1", "::1", "fe80::1", "169.254.3.4", "0.0.0.0",
                             "::", "224.0.0.1", "ff02::1", "255.255.255.255"})
        EXPECT_FALSE(Tlobby::joinable(QHostAddress(QString(text)))) << text;
    for (const char* text : {"192.168.1.5", "10.0.0.1", "2001:db8::1", "fd12:3456:789a::1"})
        EXPECT_TRUE(Tlobby::joinable(QHostAddress(QString(text)))) << text;
    for (const QString& mine : Tlobby::machineAddresses())
        EXPECT_TRUE(Tlobby::joinable(QHostAddress(mine))) << mine.toStdString();

    zindle::QtDialogs dialogs;
    Tlobby lobby(dialogs);
    const QString longest = "2001:0db8:85a3:0000:0000:8a2e:0370:7334";
    QTest::keyClicks(lobby.edit_address, longest);
    EXPECT_EQ(lobby.edit_address->text(), longest);
}

}  // namespace
