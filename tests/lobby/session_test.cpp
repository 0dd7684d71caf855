// Signing in, creating accounts and the errors a player reads, against a real Prosody.
#include <gtest/gtest.h>

#include <QTest>

#include "lobby/lobbyclient.h"
#include "lobby/prosody.h"

using namespace zindle::lobby;
using testsupport::TestProsody;
using testsupport::waitFor;

namespace {

struct Watcher {
    explicit Watcher(LobbyClient& c) {
        QObject::connect(&c, &LobbyClient::stateChanged,
                         [this](LobbyClient::State s, const QString& why) {
                             states << s;
                             if (!why.isEmpty()) whys << why;
                         });
    }
    QList<LobbyClient::State> states;
    QStringList whys;
};

}  // namespace

TEST(LobbySignIn, ProbeRoom) {
    TestProsody* prosody = TestProsody::shared();
    if (!prosody) GTEST_SKIP() << "Prosody is not installed";
    ASSERT_TRUE(prosody->registerAccount("probe1"));
    ASSERT_TRUE(prosody->registerAccount("probe2"));
    LobbyClient a, b;
    Watcher wa(a), wb(b);
    a.start({prosody->account("probe1"), {}, {}});
    ASSERT_TRUE(waitFor([&] { return a.state() == LobbyClient::State::Online; }))
        << wa.whys.join("\n").toStdString();
    TableInfo t;
    t.seats = 4;
    t.version = "2.1.0";
    a.announce(t);
    a.answerJoin = [](const QString&, bool) { return JoinDecision{Refusal::Full, {}}; };
    b.start({prosody->account("probe2"), {}, {}});
    ASSERT_TRUE(waitFor([&] { return b.state() == LobbyClient::State::Online; }));
    ASSERT_TRUE(waitFor([&] { return b.occupants().value("probe1").table.has_value(); }));
    Refusal got = Refusal::None;
    bool answered = false;
    QObject::connect(&b, &LobbyClient::joinAnswered,
                     [&](const QString&, Refusal r, const JoinOffer&) {
                         got = r;
                         answered = true;
                     });
    b.requestJoin("probe1", false);
    ASSERT_TRUE(waitFor([&] { return answered; }));
    EXPECT_EQ(got, Refusal::Full);
    QTest::qWait(1000);
    EXPECT_TRUE(b.occupants().contains("probe1"));
    EXPECT_EQ(a.state(), LobbyClient::State::Online) << wa.whys.join("\n").toStdString();
}
