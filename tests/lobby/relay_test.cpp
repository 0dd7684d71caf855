// Games through the server's SOCKS5 bytestream proxy, on the test Prosody:
// every byte through unchanged both ways, a fast writer held back, each
// joiner from an address of its own, a whole game, the proxy going away,
// and strangers at the proxy and the host.
#include "lobby/relay.h"

#include <strophe.h>

#include <QCryptographicHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "lobby/hostedtable.h"
#include "lobby/lobbytest.h"
#include "scriptedclient.h"

using namespace zindle::lobby;
using namespace testsupport;

namespace {

const QString kRoom = "lobby@conference.localhost";

// Joins through the relay and returns the loopback port the game would use; 0 on failure.
int relayedPort(Player& joiner, const QString& host, std::unique_ptr<JoinPath>& path,
                bool relayOnly = true) {
    JoinOffer offer;
    if (joiner.join(host, false, &offer) != Refusal::None || !offer.relay) return 0;
    path = std::make_unique<JoinPath>(joiner.client, host, offer, relayOnly);
    int port = 0;
    QString why;
    QObject::connect(path.get(), &JoinPath::relayed, [&](int p) { port = p; });
    QObject::connect(path.get(), &JoinPath::failed, [&](const QString& w) { why = w; });
    path->start();
    waitFor([&] { return port != 0 || !why.isEmpty(); }, 15000);
    if (!why.isEmpty()) ADD_FAILURE() << why.toStdString();
    return port;
}

QByteArray pattern(qint64 size) {
    QByteArray out(size, Qt::Uninitialized);
    quint32 x = 12345;
    for (char& c : out) c = char((x = x * 1103515245u + 12345u) >> 24);
    return out;
}

// Reads from s until at least n bytes have come, or ms have passed.
QByteArray readAtLeast(QTcpSocket& s, qint64 n, int ms) {
    QByteArray got;
    waitFor(
        [&] {
            got += s.readAll();
            return got.size() >= n;
        },
        ms);
    return got;
}

}  // namespace

TEST(LobbyRelay, AHostsAnswerIsReadWithinItsBoundsOrNotAtAll) {
    xmpp_initialize();
    xmpp_ctx_t* ctx = xmpp_ctx_new(nullptr, nullptr);
    const QString dst(40, 'a');
    auto read = [&](const QString& children) {
        xmpp_stanza_t* iq = xmpp_stanza_new_from_string(
            ctx, ("<iq type='result'><join xmlns='urn:zindle:lobby:1'>" + children + "</join></iq>")
                     .toUtf8()
                     .constData());
        const auto offer = readOffer(iq);
        xmpp_stanza_release(iq);
        return offer;
    };
    const QString relay = "<relay jid='proxy.example.org' sid='abcdefgh12' dst='" + dst + "'/>";
    // The relay alone, and beside three addresses of which a reader keeps three.
    auto offer = read(relay);
    ASSERT_TRUE(offer);
    EXPECT_FALSE(offer->direct());
    EXPECT_EQ(offer->relay, (RelayOffer{"proxy.example.org", "abcdefgh12", dst}));
    offer = read(
        "<direct host='203.0.113.5' port='7772'/><direct host='10.0.0.2' port='7772'/>"
        "<direct host='2001:db8::5' port='7772'/><direct host='10.0.0.9' port='1'/>" +
        relay);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->host, "203.0.113.5");
    ASSERT_EQ(offer->others.size(), 2);
    EXPECT_EQ(offer->others[1].host, "2001:db8::5");
    // Anything out of bounds spoils the answer: no half-read offers.
    for (const QString& bad :
         {QString("<relay jid='proxy.example.org' sid='short' dst='" + dst + "'/>"),
          QString("<relay jid='proxy.example.org' sid='abcdefgh12' dst='" + dst.toUpper() + "'/>"),
          QString("<relay jid='proxy.example.org' sid='abcdefgh12' dst='abc'/>"),
          QString("<relay jid='-proxy' sid='abcdefgh12' dst='" + dst + "'/>"),
          QString("<relay jid='proxy.example.org' sid='abc def gh12' dst='" + dst + "'/>"),
          QString("<direct host='--help' port='7772'/>" + relay),
          QString("<direct host='203.0.113.5' port='70000'/>"), QString()})
        EXPECT_FALSE(read(bad)) << bad.toStdString();
    xmpp_ctx_free(ctx);
}

TEST(LobbyRelay, EveryByteGoesThroughBothWaysFromEachJoinersOwnAddressAndAFastWriterIsHeldBack) {
    NEED_PROSODY(prosody);
    for (const char* name : {"rhost", "rjoin1", "rjoin2"})
        ASSERT_TRUE(prosody->registerAccount(name));
    Player host(*prosody, "rhost"), one(*prosody, "rjoin1"), two(*prosody, "rjoin2");
    ASSERT_TRUE(host.waitOnline() && one.waitOnline() && two.waitOnline());
    ASSERT_TRUE(waitFor([&] { return host.client.proxy().has_value(); }))
        << "service discovery found no bytestream proxy";

    // The game port is a plain server here, so the test sees what the host would.
    QTcpServer game;
    ASSERT_TRUE(game.listen(QHostAddress::LocalHost, 0));
    HostedTable table(host.client);
    table.relayOnly = true;
    TableInfo info;
    info.version = "2.1.0";
    table.update(game.serverPort(), info);
    ASSERT_TRUE(one.waitForTable("rhost") && two.waitForTable("rhost"));

    // Relay only: the answer carries no address at all.
    JoinOffer offer;
    ASSERT_EQ(one.join("rhost", false, &offer), Refusal::None);
    EXPECT_FALSE(offer.direct());
    ASSERT_TRUE(offer.relay);

    std::unique_ptr<JoinPath> pathOne, pathTwo;
    const int portOne = relayedPort(one, "rhost", pathOne);
    ASSERT_NE(portOne, 0);
    QTcpSocket windowOne;
    windowOne.connectToHost(QHostAddress::LocalHost, quint16(portOne));
    ASSERT_TRUE(waitFor([&] { return game.hasPendingConnections(); }));
    QTcpSocket* hostSideOne = game.nextPendingConnection();
    hostSideOne->setReadBufferSize(RelayLink::kWindow);  // reads only as the test does
    const QHostAddress fromOne = hostSideOne->peerAddress();

    const int portTwo = relayedPort(two, "rhost", pathTwo);
    ASSERT_NE(portTwo, 0);
    QTcpSocket windowTwo;
    windowTwo.connectToHost(QHostAddress::LocalHost, quint16(portTwo));
    ASSERT_TRUE(waitFor([&] { return game.hasPendingConnections(); }));
    QTcpSocket* hostSideTwo = game.nextPendingConnection();
    // Loopback, yet neither 127.0.0.1 nor the other joiner's address.
    EXPECT_TRUE(fromOne.isLoopback());
    EXPECT_NE(fromOne, QHostAddress(QHostAddress::LocalHost));
    EXPECT_NE(fromOne, hostSideTwo->peerAddress());
    EXPECT_EQ(table.relay().streams(), 2);

    // 6 MB from the window while the host reads nothing: the relays hold
    // back, buffering a bounded amount, until the host reads again.
    const QByteArray sent = pattern(6 << 20);
    windowOne.write(sent);
    qint64 most = 0;
    QTest::qWait(1500);
    for (int i = 0; i < 20; ++i) {
        most = std::max(most, table.relay().buffered() + pathOne->link()->buffered());
        QTest::qWait(50);
    }
    EXPECT_LE(most, 8 * RelayLink::kWindow);
    const QByteArray got = readAtLeast(*hostSideOne, sent.size(), 60000);
    ASSERT_GE(got.size(), sent.size())
        << got.size() << " host buffered " << table.relay().buffered() << " joiner buffered "
        << pathOne->link()->buffered() << " joiner carried " << pathOne->link()->carried()
        << " window to write " << windowOne.bytesToWrite() << " avail "
        << hostSideOne->bytesAvailable();
    EXPECT_TRUE(got == sent);

    // The other way, and the second stream unaffected.
    const QByteArray back = pattern(1 << 20).toBase64();
    hostSideOne->write(back);
    ASSERT_TRUE(readAtLeast(windowOne, back.size(), 30000) == back);

    // One stream's end closes that connection and nothing else.
    windowOne.close();
    ASSERT_TRUE(waitFor([&] { return hostSideOne->state() != QAbstractSocket::ConnectedState; }));
    hostSideTwo->write("still here");
    ASSERT_TRUE(waitFor([&] { return windowTwo.bytesAvailable() >= 10; }));
    EXPECT_EQ(windowTwo.readAll(), "still here");
    EXPECT_EQ(table.relay().streams(), 1);
}

TEST(LobbyRelay, AGamePlayedThroughTheRelayEndsForThatPlayerAloneWhenTheProxyGoes) {
    NEED_PROSODY(prosody);
    if (prosody->external()) GTEST_SKIP() << "the server is not ours to restart";
    for (const char* name : {"rtable", "ann"}) ASSERT_TRUE(prosody->registerAccount(name));
    DedicatedHost host(*prosody, "rtable", {"--relay-only"});
    Player ann(*prosody, "ann");
    ASSERT_TRUE(ann.waitOnline());
    ASSERT_TRUE(ann.waitForTable("rtable")) << host.output().toStdString();

    std::unique_ptr<JoinPath> path;
    const int port = relayedPort(ann, "rtable", path);
    ASSERT_NE(port, 0) << host.output().toStdString();
    ScriptedClient a(port, "Ann");
    a.open();
    ASSERT_TRUE(waitFor([&] { return a.seat() == 1; })) << host.output().toStdString();
    ScriptedClient b(host.port(), "Bob");  // on the host's own network
    b.open();
    ASSERT_TRUE(waitFor([&] { return b.seat() == 2; }));
    ASSERT_TRUE(ann.waitForTable("rtable", 2));

    // A game through the relay: it starts, and turns pass both ways.
    a.send("CMD_startgame+Ann+60+12+0+0+n+n+");
    ASSERT_TRUE(waitFor([&] { return onTurn(a) != 0 && onTurn(b) != 0; }));
    // Both pass, through the relay and directly: the game ends for both.
    for (int i = 0; i < 2; ++i) {
        const std::size_t before = a.count("CMD_pass+");
        ScriptedClient& mover = onTurn(a) == a.seat() ? a : b;
        mover.send("CMD_pass+" + std::to_string(mover.seat()));
        ASSERT_TRUE(waitFor([&] { return a.count("CMD_pass+") > before; }));
    }
    ASSERT_TRUE(
        waitFor([&] { return a.count("CMD_winner+") == 1 && b.count("CMD_winner+") == 1; }));

    // The server, and its proxy with it, goes away: the relayed player's
    // connection is lost; the other player and the host go on.
    ASSERT_TRUE(prosody->restart()) << prosody->why().toStdString();
    ASSERT_TRUE(waitFor([&] { return a.closed(); }, 15000));
    EXPECT_FALSE(b.closed());
    EXPECT_TRUE(host.running());
    ASSERT_TRUE(ann.waitOnline(30000));
    ASSERT_TRUE(ann.waitForTable("rtable", 1, 30000)) << host.output().toStdString();
    EXPECT_TRUE(host.running());
}

TEST(LobbyRelay, StrangersAtTheProxyAndStreamsWithoutAJoinLeaveTheHostStanding) {
    NEED_PROSODY(prosody);
    for (const char* name : {"rtable2", "mal", "honest"})
        ASSERT_TRUE(prosody->registerAccount(name));
    DedicatedHost host(*prosody, "rtable2", {"--relay-only"});
    Player mal(*prosody, "mal"), honest(*prosody, "honest");
    ASSERT_TRUE(mal.waitOnline() && honest.waitOnline());
    ASSERT_TRUE(mal.waitForTable("rtable2")) << host.output().toStdString();

    // A real offer, then the request without going to the proxy first.
    JoinOffer offer;
    ASSERT_EQ(mal.join("rtable2", false, &offer), Refusal::None);
    ASSERT_TRUE(offer.relay);
    bool activated = true, told = false;
    mal.client.requestRelay("rtable2", offer.relay->sid, [&](bool ok) {
        activated = ok;
        told = true;
    });
    ASSERT_TRUE(waitFor([&] { return told; }, 15000));
    EXPECT_FALSE(activated);

    // Streams asked for without a join, with made-up ids and no ids at all.
    int answers = 0;
    for (int i = 0; i < 40; ++i) {
        const QString sid = i % 3 == 0 ? QString() : QStringLiteral("madeup%1xyz").arg(i);
        xmpp_stanza_t* payload = relayRequestElement(mal.client.session().context(), sid);
        mal.client.query(kRoom + "/rtable2", "set", payload,
                         [&](xmpp_stanza_t* result) { answers += result ? 100 : 1; });
    }

    // A flood of the proxy port: half-open greetings, garbage, and requests
    // for hashes nobody offered.
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < 150; ++i) {
        auto s = std::make_unique<QTcpSocket>();
        s->connectToHost(QHostAddress::LocalHost, quint16(prosody->proxyPort()));
        flood.push_back(std::move(s));
    }
    ASSERT_TRUE(waitFor([&] {
        return std::all_of(flood.begin(), flood.end(), [](const auto& s) {
            return s->state() == QAbstractSocket::ConnectedState;
        });
    }));
    for (int i = 0; i < int(flood.size()); ++i) {
        if (i % 3 == 0) flood[i]->write("\x05\x01\x00", 3);
        if (i % 3 == 1) flood[i]->write(pattern(5000));
        if (i % 3 == 2) {
            flood[i]->write("\x05\x01\x00", 3);
            flood[i]->waitForBytesWritten(100);
            QByteArray req("\x05\x01\x00\x03\x28", 5);
            req +=
                QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha1).toHex();
            req += QByteArray("\x00\x00", 2);
            flood[i]->write(req);
        }
    }
    ASSERT_TRUE(waitFor([&] { return answers >= 40; }, 20000));
    EXPECT_LT(answers, 100);  // no stream was opened for a made-up id
    EXPECT_TRUE(host.running());

    // An honest player still gets in through the relay and is seated.
    std::unique_ptr<JoinPath> path;
    const int port = relayedPort(honest, "rtable2", path);
    ASSERT_NE(port, 0) << host.output().toStdString();
    ScriptedClient h(port, "Honest");
    h.open();
    ASSERT_TRUE(waitFor([&] { return h.seat() == 1; })) << host.output().toStdString();
    EXPECT_TRUE(host.running());
    EXPECT_TRUE(mal.online());
}
