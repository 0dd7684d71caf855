// Across home routers, in the namespaces lab.sh makes: this binary runs on
// the wan beside the lobby server and joins as a player there would, while
// dedicated tables run behind a router that maps and one that refuses.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "lobby/lobbytest.h"
#include "lobby/relay.h"
#include "scriptedclient.h"

using namespace zindle::lobby;
using namespace testsupport;

namespace {

const QString kWan = "11.77.0.1";
const QString kMapRouter = "11.77.0.2";

QString lab(const QString& name) {
    return qEnvironmentVariable("ZINDLE_LAB") + "-" + name;
}

TestProsody& server() {
    static TestProsody* p = [] {
        auto* s = new TestProsody;
        s->setAddress(kWan);
        if (!s->start()) ADD_FAILURE() << s->why().toStdString();
        return s;
    }();
    return *p;
}

// zindle-host --lobby on a player's machine behind a router.
class LabHost {
public:
    LabHost(const QString& machine, const QString& account, const QStringList& extra = {}) {
        QFile pw(dir_.filePath("password"));
        if (pw.open(QIODevice::WriteOnly)) pw.write("secret\n");
        pw.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(
            "ip", QStringList{"netns", "exec", lab(machine), ZINDLE_HOST_PROGRAM, "--port", "7772",
                              "--lobby", "--account", account + "@localhost", "--password-file",
                              dir_.filePath("password"), "--server", server().server(), "--ca-file",
                              server().caFile()} +
                      extra);
        process_.waitForStarted(5000);
    }
    ~LabHost() { stop(); }
    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();  // SIGTERM, as a service manager stops it
        if (!process_.waitForFinished(10000)) process_.kill();
        process_.waitForFinished(2000);
    }
    bool says(const QString& text) {
        output_ += QString::fromLocal8Bit(process_.readAll());
        return output_.contains(text);
    }
    // The host's line that holds text, for the log.
    void show(const QString& text) {
        for (const QString& line : output_.split('\n'))
            if (line.contains(text)) std::printf("%s\n", qPrintable(line));
    }
    std::string output() {
        says({});
        return (output_ + " [" + process_.errorString() + "]").toStdString();
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString output_;
};

QString routerRules(const QString& router) {
    QProcess nft;
    nft.start("ip", {"netns", "exec", lab(router), "nft", "list", "ruleset"});
    nft.waitForFinished(5000);
    return QString::fromLocal8Bit(nft.readAll());
}

struct Way {
    QString how;  // "direct" or "relayed"
    QString host;
    int port = 0;
    qint64 ms = 0;
};

// What a joiner's lobby does on Join: the answer, then direct or the relay.
Way join(Player& joiner, const QString& table, std::unique_ptr<JoinPath>& path, bool relayOnly,
         JoinOffer* seen = nullptr) {
    QElapsedTimer clock;
    clock.start();
    JoinOffer offer;
    if (joiner.join(table, false, &offer) != Refusal::None) return {};
    if (seen) *seen = offer;
    path = std::make_unique<JoinPath>(joiner.client, table, offer, relayOnly);
    Way way;
    QObject::connect(path.get(), &JoinPath::direct, [&](const QString& host, int port) {
        way = {"direct", host, port, clock.elapsed()};
    });
    QObject::connect(path.get(), &JoinPath::relayed, [&](int port) {
        way = {"relayed", "127.0.0.1", port, clock.elapsed()};
    });
    QObject::connect(path.get(), &JoinPath::failed, [&](const QString& why) {
        way = {"failed: " + why, {}, 0, 0};
    });
    path->start();
    waitFor([&] { return !way.how.isEmpty(); }, 20000);
    std::printf("Join until the window can connect: %s in %lld ms\n", qPrintable(way.how),
                static_cast<long long>(way.ms));
    return way;
}

bool seated(const Way& way, const std::string& name) {
    ScriptedClient c(way.port, name);
    c.sock().setHostName(way.host.toStdString());
    c.open();
    return waitFor([&] { return c.seat() >= 1 && c.seat() <= 4; }, 10000);
}

}  // namespace

TEST(Routers, MappingRouterLetsTheJoinerInDirectlyAndTheMappingGoesWithTheTable) {
    ASSERT_TRUE(server().running());
    for (const char* name : {"tmap", "wanjoin1"}) ASSERT_TRUE(server().registerAccount(name));
    auto host = std::make_unique<LabHost>("hmap", "tmap");
    Player joiner(server(), "wanjoin1");
    ASSERT_TRUE(joiner.waitOnline());
    ASSERT_TRUE(joiner.waitForTable("tmap", -1, 20000)) << host->output();
    ASSERT_TRUE(waitFor([&] { return host->says("open to the Internet"); }, 15000))
        << host->output();
    host->show("the table is");
    EXPECT_TRUE(routerRules("rmap").contains("dport 7772")) << routerRules("rmap").toStdString();

    std::unique_ptr<JoinPath> path;
    JoinOffer offer;
    const Way way = join(joiner, "tmap", path, false, &offer);
    // The router's address, never the room's business: only this answer has it.
    EXPECT_EQ(offer.host, kMapRouter);
    EXPECT_EQ(way.how, "direct");
    EXPECT_EQ(way.host, kMapRouter);
    ASSERT_TRUE(seated(way, "Wan")) << host->output();

    // SIGTERM: the table goes, and so does its mapping on the router.
    host->stop();
    EXPECT_TRUE(waitFor([&] { return !routerRules("rmap").contains("dport 7772"); }, 5000))
        << routerRules("rmap").toStdString() << host->output();
}

TEST(Routers, RefusingRouterSendsTheJoinerThroughTheRelay) {
    ASSERT_TRUE(server().running());
    for (const char* name : {"tdeny", "wanjoin2"}) ASSERT_TRUE(server().registerAccount(name));
    LabHost host("hdeny", "tdeny");
    Player joiner(server(), "wanjoin2");
    ASSERT_TRUE(joiner.waitOnline());
    ASSERT_TRUE(joiner.waitForTable("tdeny", -1, 20000)) << host.output();
    ASSERT_TRUE(waitFor([&] { return host.says("through the relay"); }, 15000)) << host.output();
    waitFor([&] { return host.says(", after"); }, 10000);
    host.show("the table is");

    std::unique_ptr<JoinPath> path;
    const Way way = join(joiner, "tdeny", path, false);
    EXPECT_EQ(way.how, "relayed") << way.host.toStdString();
    ASSERT_TRUE(seated(way, "Wan")) << host.output();
}

TEST(Routers, RelayOnlyOnBothSidesKeepsEveryAddressOutOfTheAnswer) {
    ASSERT_TRUE(server().running());
    for (const char* name : {"tquiet", "wanjoin3"}) ASSERT_TRUE(server().registerAccount(name));
    LabHost host("hmap", "tquiet", {"--relay-only"});
    Player joiner(server(), "wanjoin3");
    ASSERT_TRUE(joiner.waitOnline());
    ASSERT_TRUE(joiner.waitForTable("tquiet", -1, 20000)) << host.output();
    ASSERT_TRUE(waitFor([&] { return host.says("through the relay"); }, 15000)) << host.output();
    EXPECT_FALSE(routerRules("rmap").contains("dport 7772"));  // nothing asked of the router

    std::unique_ptr<JoinPath> path;
    JoinOffer offer;
    const Way way = join(joiner, "tquiet", path, true, &offer);
    EXPECT_FALSE(offer.direct());
    EXPECT_TRUE(offer.others.isEmpty());
    EXPECT_EQ(way.how, "relayed");
    ASSERT_TRUE(seated(way, "Wan")) << host.output();
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariable("ZINDLE_LAB").isEmpty()) {
        std::printf("run through lab.sh, which makes the namespaces\n");
        return 77;
    }
    const int rc = RUN_ALL_TESTS();
    server().stop();
    return rc;
}
