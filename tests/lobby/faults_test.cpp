// Faults: the server restarting under a running table, and a hostile
// occupant flooding and sending what no lobby would.
#include <strophe.h>

#include <QTest>

#include "lobby/hostedtable.h"
#include "lobby/lobbytest.h"
#include "scriptedclient.h"

using namespace zindle::lobby;
using namespace testsupport;

namespace {

// A signed-in session that sends raw XML, as a hostile client would.
struct Raw {
    explicit Raw(TestProsody& server, const QString& name) {
        QObject::connect(&session, &XmppSession::signedIn, [this] { in = true; });
        session.signIn(server.account(name));
    }
    void send(const QString& xml) {
        xmpp_stanza_t* s = xmpp_stanza_new_from_string(session.context(), xml.toUtf8().constData());
        ASSERT_NE(s, nullptr) << xml.toStdString();
        session.send(s);
        xmpp_stanza_release(s);
    }
    XmppSession session;
    bool in = false;
};

const QString kRoom = "lobby@conference.localhost";

QString game(const QString& attributes) {
    return "<presence to='" + kRoom + "/mallory'><game xmlns='urn:zindle:lobby:1' " + attributes +
           "/></presence>";
}

const QString kValid =
    "seats='2' of='4' spectators='0' state='waiting' version='2.1.0' turntime='90' "
    "zindles='12' double='n' teams='n'";

}  // namespace

TEST(LobbyFaults, AServerRestartSignsInAgainAndAnnouncesTheTableAgainWhileTheGameRuns) {
    NEED_PROSODY(prosody);
    if (prosody->external()) GTEST_SKIP() << "the server is not ours to restart";
    for (const char* name : {"table9", "ivy"}) ASSERT_TRUE(prosody->registerAccount(name));
    DedicatedHost host(*prosody, "table9");
    Player ivy(*prosody, "ivy");
    ASSERT_TRUE(ivy.waitOnline());
    ASSERT_TRUE(ivy.waitForTable("table9")) << host.output().toStdString();
    ScriptedClient seated(host.port(), "Ivy");
    seated.open();
    ASSERT_TRUE(ivy.waitForTable("table9", 1));

    ASSERT_TRUE(prosody->restart()) << prosody->why().toStdString();
    // Ivy's lobby says the connection went and that it tries again, then is back.
    ASSERT_TRUE(waitFor([&] { return ivy.states.contains(LobbyClient::State::Waiting); }));
    EXPECT_TRUE(ivy.whys.filter("was lost").size() + ivy.whys.filter("cannot be reached").size())
        << ivy.whys.join('\n').toStdString();
    ASSERT_TRUE(ivy.waitOnline(30000)) << ivy.whys.join('\n').toStdString();
    ASSERT_TRUE(ivy.waitForTable("table9", 1, 30000)) << host.output().toStdString();
    // The game itself never noticed.
    EXPECT_FALSE(seated.closed());
    EXPECT_TRUE(host.running());
}

TEST(LobbyFaults, AHostileOccupantChangesNothingItShouldNot) {
    NEED_PROSODY(prosody);
    for (const char* name : {"jay", "kim", "mallory"}) ASSERT_TRUE(prosody->registerAccount(name));
    Player jay(*prosody, "jay"), kim(*prosody, "kim");
    ASSERT_TRUE(jay.waitOnline());
    ASSERT_TRUE(kim.waitOnline());
    HostedTable table(kim.client);
    TableInfo info;
    info.version = "2.1.0";
    table.update(7002, info);
    ASSERT_TRUE(jay.waitForTable("kim"));

    Raw m(*prosody, "mallory");
    ASSERT_TRUE(waitFor([&] { return m.in; }));
    m.send("<presence to='" + kRoom +
           "/mallory'><x xmlns='http://jabber.org/protocol/muc'/></presence>");
    ASSERT_TRUE(waitFor([&] { return jay.client.occupants().contains("mallory"); }));

    // Announcements out of bounds are no table at all; a valid one in between is shown.
    m.send(game(kValid));
    ASSERT_TRUE(jay.waitForTable("mallory"));
    const QStringList bad{
        "seats='9' of='4' spectators='0' state='waiting' version='2.1.0' turntime='90' "
        "zindles='12' double='n' teams='n'",
        "seats='-1' of='4' spectators='0' state='waiting' version='2.1.0' turntime='90' "
        "zindles='12' double='n' teams='n'",
        "seats='x' of='4'",
        "seats='2' of='4' spectators='0' state='dancing' version='2.1.0' turntime='90' "
        "zindles='12' double='n' teams='n'",
        kValid + " extra='" + QString(4096, 'a') + "'",
    };
    m.send(game(bad[0]));
    ASSERT_TRUE(waitFor([&] { return !jay.table("mallory").has_value(); }));
    for (int i = 0; i < 200; ++i) m.send(game(bad[i % 4]));
    m.send(
        game(QString(kValid).replace("version='2.1.0'", "version='" + QString(4096, '9') + "'")));
    m.send(game(kValid));
    ASSERT_TRUE(jay.waitForTable("mallory", 2));
    m.send(game(bad[4]));  // unknown attributes are ignored, not refused
    QTest::qWait(300);
    EXPECT_TRUE(jay.table("mallory").has_value());

    // Join requests flood the host: a few are answered, the rest refused as busy.
    for (int i = 0; i < 100; ++i)
        m.send("<iq type='get' id='j" + QString::number(i) + "' to='" + kRoom +
               "/kim'><join xmlns='urn:zindle:lobby:1'/></iq>");
    // Invitations, chat and malformed stanzas flood a player.
    for (int i = 0; i < 50; ++i)
        m.send("<message type='chat' to='" + kRoom +
               "/jay'><invite xmlns='urn:zindle:lobby:1' room='" + kRoom +
               "' host='mallory'/></message>");
    for (int i = 0; i < 200; ++i)
        m.send("<message type='groupchat' to='" + kRoom + "' from='" + kRoom +
               "/kim'><body>spam&#9;" + QString::number(i) + "&#10;&#13;</body></message>");
    m.send("<message type='groupchat' to='" + kRoom + "'><body>" + QString(65536, 'y') +
           "</body></message>");
    m.send("<iq type='get' id='q' to='" + kRoom + "/jay'/>");
    m.send("<iq type='set' id='r' to='" + kRoom + "/jay'><unknown xmlns='x:y'/></iq>");
    m.send("<message type='chat' to='" + kRoom +
           "/jay'><invite xmlns='urn:zindle:lobby:1'/></message>");
    m.send("<iq type='result' id='z1' to='" + kRoom +
           "/jay'><join xmlns='urn:zindle:lobby:1'><direct host='-evil' port='1'/></join></iq>");
    QTest::qWait(1500);

    EXPECT_LE(table.offersMade(), 4);
    EXPECT_LE(jay.invitations.size(), 2);
    const QStringList fromMallory = jay.chat.filter(QRegularExpression("^mallory: "));
    EXPECT_LE(fromMallory.size(), 12);
    EXPECT_TRUE(
        jay.chat.filter(QRegularExpression("^kim: ")).isEmpty());  // the room stamps the sender
    for (const QString& line : jay.chat) {
        EXPECT_LE(line.size(), kMaxLine + 9);
        EXPECT_FALSE(line.contains('\t') || line.contains('\n') || line.contains('\r'));
    }

    // Everyone honest is still in the room, and the lists are still true.
    EXPECT_TRUE(jay.online());
    EXPECT_TRUE(kim.online());
    EXPECT_TRUE(jay.table("kim").has_value());
    JoinOffer offer;
    EXPECT_EQ(jay.join("kim", false, &offer), Refusal::None);
    EXPECT_EQ(offer.port, 7002);
    EXPECT_LE(jay.client.occupants().size(), 5);
}
