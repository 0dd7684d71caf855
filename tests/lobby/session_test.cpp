// Signing in, creating accounts, the room's chat and invitations, and the
// errors a player reads, against a real Prosody.
#include <QTest>

#include "lobby/hostedtable.h"
#include "lobby/lobbytest.h"

using namespace zindle::lobby;
using namespace testsupport;

namespace {

// Signs in once and reports how the attempt ended.
QString signInOnce(const Account& account, LobbyClient::State* state = nullptr) {
    LobbyClient c;
    c.firstRetryMs = 60000;  // one attempt: the retry waits past the test
    QString why;
    QObject::connect(&c, &LobbyClient::stateChanged, [&](LobbyClient::State, const QString& w) {
        if (!w.isEmpty()) why = w;
    });
    c.start({account, {}, {}});
    waitFor([&] {
        return c.state() == LobbyClient::State::Online || c.state() == LobbyClient::State::Failed ||
               c.state() == LobbyClient::State::Waiting;
    });
    if (state) *state = c.state();
    return why;
}

}  // namespace

TEST(LobbySignIn, ErrorsSayWhatWentWrongInAPlayersWords) {
    NEED_PROSODY(prosody);
    ASSERT_TRUE(prosody->registerAccount("erin", "right"));

    // The name is taken: creating it again is refused in those words.
    XmppSession again;
    Failure failure = Failure::None;
    QObject::connect(&again, &XmppSession::ended, [&](Failure f) { failure = f; });
    again.registerAccount(prosody->account("erin", "other"));
    ASSERT_TRUE(waitFor([&] { return failure != Failure::None; }));
    EXPECT_EQ(failure, Failure::NameTaken);
    EXPECT_EQ(describe(failure, "localhost"),
              "That name is taken on localhost. Choose another one.");

    LobbyClient::State state;
    EXPECT_EQ(signInOnce(prosody->account("erin", "wrong"), &state), "Wrong name or password.");
    EXPECT_EQ(state, LobbyClient::State::Failed);  // asking again would not help

    // A server whose certificate no trusted authority signed is never joined.
    Account untrusted = prosody->account("erin", "right");
    untrusted.caFile.clear();
    EXPECT_TRUE(signInOnce(untrusted, &state).startsWith("The certificate of 127.0.0.1:"));
    EXPECT_EQ(state, LobbyClient::State::Failed);

    // A name whose domain the server does not serve (the server typed as an address).
    Account elsewhere = prosody->account("erin", "right");
    elsewhere.jid = "erin@127.0.0.1";
    XmppSession stranger;
    failure = Failure::None;
    QObject::connect(&stranger, &XmppSession::ended, [&](Failure f) { failure = f; });
    stranger.registerAccount(elsewhere);
    ASSERT_TRUE(waitFor([&] { return failure != Failure::None; }));
    EXPECT_EQ(failure, Failure::UnknownDomain);
    EXPECT_TRUE(signInOnce(elsewhere, &state).contains("does not serve that name's domain"));
    EXPECT_EQ(state, LobbyClient::State::Failed);

    // Nobody listening: said so, and tried again later.
    Account nowhere = prosody->account("erin", "right");
    nowhere.server = "127.0.0.1:1";
    const QString why = signInOnce(nowhere, &state);
    EXPECT_TRUE(why.startsWith("The server 127.0.0.1:1 cannot be reached.")) << why.toStdString();
    EXPECT_EQ(state, LobbyClient::State::Waiting);

    EXPECT_EQ(signInOnce(prosody->account("erin", "right"), &state), "");
    EXPECT_EQ(state, LobbyClient::State::Online);
}

TEST(LobbyRoom, ChatJoinsLeavesInvitationsAndATakenName) {
    NEED_PROSODY(prosody);
    for (const char* name : {"fay", "gus", "hal"}) ASSERT_TRUE(prosody->registerAccount(name));
    Player fay(*prosody, "fay");
    ASSERT_TRUE(fay.waitOnline());
    auto gus = std::make_unique<Player>(*prosody, "gus");
    ASSERT_TRUE(gus->waitOnline());
    ASSERT_TRUE(waitFor([&] { return fay.client.occupants().contains("gus"); }));

    // Chat is plain text: control characters go, markup stays text, long lines are cut.
    EXPECT_TRUE(gus->client.say("hi\x01\x1b[31m <b>all</b>\x7f"));
    EXPECT_TRUE(gus->client.say(QString(600, 'x')));
    ASSERT_TRUE(waitFor([&] { return fay.chat.size() >= 2; }));
    EXPECT_EQ(fay.chat[0], "gus: hi[31m <b>all</b>");
    EXPECT_EQ(fay.chat[1], "gus: " + QString(kMaxLine, 'x'));

    // Fay hosts a table and invites Gus; one click (a join request) gets him the way in.
    HostedTable table(fay.client);
    table.reachableAddress = [] { return QStringLiteral("127.0.0.1"); };
    TableInfo info;
    info.version = "2.1.0";
    info.seats = 1;
    table.update(7001, info);
    ASSERT_TRUE(gus->waitForTable("fay"));
    ASSERT_TRUE(fay.client.invite("gus"));
    ASSERT_TRUE(waitFor([&] { return !gus->invitations.isEmpty(); }));
    EXPECT_EQ(gus->invitations, QStringList{"fay>fay"});
    JoinOffer offer;
    ASSERT_EQ(gus->join("fay", false, &offer), Refusal::None);
    EXPECT_EQ(offer.port, 7001);

    // A banned player is told so; a closed table is gone.
    table.banned.insert("gus");
    EXPECT_EQ(gus->join("fay", false, nullptr), Refusal::Banned);
    table.close();
    ASSERT_TRUE(waitFor([&] { return !gus->table("fay"); }));
    EXPECT_EQ(gus->join("fay", false, nullptr), Refusal::Gone);

    // Somebody else cannot come in under a name already in the room.
    Player impostor(*prosody, "hal", "fay");
    ASSERT_TRUE(waitFor([&] { return impostor.client.state() == LobbyClient::State::Failed; }));
    EXPECT_EQ(impostor.whys.last(), "Somebody in the lobby already goes by the name fay.");

    // Leaving is seen.
    gus.reset();
    ASSERT_TRUE(waitFor([&] { return !fay.client.occupants().contains("gus"); }));
    EXPECT_TRUE(fay.online());
}
