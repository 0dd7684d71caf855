// What the lobby scenarios share: a player's lobby that records what it
// was told, and a dedicated table run as its own program.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "lobby/lobbyclient.h"
#include "lobby/prosody.h"
#include "support/scriptedclient.h"

namespace testsupport {

// Whose turn it is, from the host's last "CMD_nextplayer" or start message.
inline int onTurn(const ScriptedClient& c) {
    for (auto it = c.received().rbegin(); it != c.received().rend(); ++it) {
        if (it->rfind("CMD_nextplayer+", 0) == 0) return std::atoi(it->c_str() + 15);
        if (it->rfind("CMD_startgame+", 0) == 0) return std::atoi(it->c_str() + 14);
    }
    return 0;
}

#define NEED_PROSODY(p)                     \
    TestProsody* p = TestProsody::shared(); \
    if (!p) GTEST_SKIP() << "Prosody is not installed (install-deps test)"

// A player's lobby: a LobbyClient and everything it reported.
struct Player {
    Player(TestProsody& server, const QString& name, const QString& nick = {});
    bool online() const { return client.state() == zindle::lobby::LobbyClient::State::Online; }
    bool waitOnline(int ms = 15000);
    // The table an occupant announces, as this player sees it.
    std::optional<zindle::lobby::TableInfo> table(const QString& nick) const;
    // Waits until the occupant announces a table (with this many seats taken).
    bool waitForTable(const QString& nick, int seats = -1, int ms = 15000);
    // Asks a host and waits for the answer.
    zindle::lobby::Refusal join(const QString& host, bool watch, zindle::lobby::JoinOffer* offer);

    zindle::lobby::LobbyClient client;
    QList<zindle::lobby::LobbyClient::State> states;
    QStringList whys;
    QStringList chat;         // "nick: text"
    QStringList invitations;  // "from>host"
    struct Answer {
        QString host;
        zindle::lobby::Refusal refusal;
        zindle::lobby::JoinOffer offer;
    };
    QList<Answer> answers;
};

// zindle-host --lobby as a child process.
class DedicatedHost {
public:
    DedicatedHost(TestProsody& server, const QString& account, const QStringList& extra = {});
    ~DedicatedHost();
    int port() const { return port_; }
    bool running() const { return process_.state() == QProcess::Running; }
    void stop();
    QString output();

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

}  // namespace testsupport
