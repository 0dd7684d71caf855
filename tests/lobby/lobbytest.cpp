#include "lobby/lobbytest.h"

#include <QFile>
#include <QTcpServer>

namespace testsupport {

using namespace zindle::lobby;

Player::Player(TestProsody& server, const QString& name, const QString& nick) {
    client.joinTimeoutMs = 5000;
    client.firstRetryMs = 300;
    client.lastRetryMs = 2000;
    QObject::connect(&client, &LobbyClient::stateChanged,
                     [this](LobbyClient::State s, const QString& why) {
                         states << s;
                         if (!why.isEmpty()) whys << why;
                     });
    QObject::connect(&client, &LobbyClient::chatReceived,
                     [this](const QString& n, const QString& t) { chat << n + ": " + t; });
    QObject::connect(
        &client, &LobbyClient::invited,
        [this](const QString& from, const QString& host) { invitations << from + ">" + host; });
    QObject::connect(&client, &LobbyClient::joinAnswered,
                     [this](const QString& host, Refusal r, const JoinOffer& o) {
                         answers << Answer{host, r, o};
                     });
    client.start({server.account(name), {}, nick});
}

bool Player::waitOnline(int ms) {
    return waitFor([this] { return online(); }, ms);
}

std::optional<TableInfo> Player::table(const QString& nick) const {
    const auto it = client.occupants().find(nick);
    return it == client.occupants().end() ? std::nullopt : it->table;
}

bool Player::waitForTable(const QString& nick, int seats, int ms) {
    return waitFor(
        [&] {
            const auto t = table(nick);
            return t && (seats < 0 || t->seats == seats);
        },
        ms);
}

Refusal Player::join(const QString& host, bool watch, JoinOffer* offer) {
    const qsizetype before = answers.size();
    client.requestJoin(host, watch);
    if (!waitFor([&] { return answers.size() > before; }, 10000)) return Refusal::NoAnswer;
    if (offer) *offer = answers.last().offer;
    return answers.last().refusal;
}

DedicatedHost::DedicatedHost(TestProsody& server, const QString& account,
                             const QStringList& extra) {
    QFile pw(dir_.filePath("password"));
    if (pw.open(QIODevice::WriteOnly)) pw.write("secret\n");
    pw.close();
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
    }
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(ZINDLE_HOST_PROGRAM,
                   QStringList{"--port", QString::number(port_), "--lobby", "--account",
                               account + "@" + server.domain(), "--password-file",
                               dir_.filePath("password"), "--server", server.server(), "--ca-file",
                               server.caFile(), "--address", "127.0.0.1", "--no-mapping"} +
                       extra);
    process_.waitForStarted(5000);
}

DedicatedHost::~DedicatedHost() {
    stop();
}

void DedicatedHost::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) process_.kill();
    process_.waitForFinished(2000);
}

QString DedicatedHost::output() {
    return QString::fromLocal8Bit(process_.readAll());
}

}  // namespace testsupport
