// The headless zindle-host as a dedicated host would run it.
#include <sys/wait.h>

#include <csignal>

#include "harness.h"
#include "support/hostprocess.h"

namespace servertest {
namespace {

// zindle-host itself, with its arguments.
struct HostProcess : testsupport::HostProcess {
    explicit HostProcess(const std::vector<std::string>& args, const std::string& tmpdir = {})
        : testsupport::HostProcess(ZINDLE_HOST_PATH, args, tmpdir) {}
};

// The temporary folder a host is given, which it must leave as it found it.
struct EmptyFolder {
    std::string path;
    EmptyFolder() {
        std::string t = (std::filesystem::temp_directory_path() / "zindle-hosttmp-XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    bool empty() const { return std::filesystem::is_empty(path); }
    ~EmptyFolder() { std::filesystem::remove_all(path); }
};

Msgs dealOf(int seed) {
    const std::string words = shortWords();
    EmptyFolder tmp;
    HostProcess host({"--port", "0", "--seed", std::to_string(seed), "--words", words}, tmp.path);
    EXPECT_GT(host.port, 0);
    ScriptedClient first(host.port, "Solo");
    first.open();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return first.count("CMD_newplayerinfo+") > 0; }));
    first.send("CMD_startgame+Solo+90+0+0+0+n+n+");
    EXPECT_TRUE(testsupport::pumpUntil([&] { return first.count("CMD_nextplayer+") > 0; }));
    EXPECT_EQ(first.seat(), 1);
    EXPECT_EQ(host.stop(SIGINT), 0);
    EXPECT_TRUE(tmp.empty());
    std::filesystem::remove(words);
    return first.received();
}

TEST(ServerHost, ASeedReplaysTheGameAndAnInterruptCleansUp) {
    testsupport::ensureApp();
    const Msgs one = dealOf(77);
    EXPECT_EQ(dealOf(77), one);
    EXPECT_NE(dealOf(78), one);
    EXPECT_EQ(one.at(0), "CMD_sendlogininfo+1");
}

// What a seat learns from its first rack of a solo game: rotation, shuffle,
// then slots 1..10 from the top of the bag.
std::vector<int> firstRackFromSeed(uint32_t seed) {
    zindle::Random r(seed);
    r.random(4);
    zindle::Bag bag;
    bag.createtileorder(r);
    return {bag.bag.begin() + 1, bag.bag.begin() + 1 + zindle::kRackSize};
}

TEST(ServerHost, UnseededHostsDealWhatNoSeatCanForesee) {
    testsupport::ensureApp();
    const uint32_t before = zindle::timeOfDaySeed();
    // Two hosts started together, killed hard: nothing of theirs stays behind.
    EmptyFolder tmp;
    HostProcess one({"--port", "0"}, tmp.path), two({"--port", "0"}, tmp.path);
    ASSERT_GT(one.port, 0);
    ASSERT_GT(two.port, 0);
    std::vector<std::vector<int>> racks;
    for (int port : {one.port, two.port}) {
        ScriptedClient c(port, "Solo");
        c.open();
        ASSERT_TRUE(testsupport::pumpUntil([&] { return c.count("CMD_newplayerinfo+") > 0; }));
        c.send("CMD_startgame+Solo+90+0+0+0+n+n+");
        ASSERT_TRUE(testsupport::pumpUntil([&] { return c.count("CMD_atile+") >= 10; }));
        auto rack = c.rack();
        racks.emplace_back(rack.begin() + 1, rack.begin() + 11);
    }
    const uint32_t after = zindle::timeOfDaySeed();
    EXPECT_NE(racks[0], racks[1]);
    // The attack: try every start-up time around the deal.
    for (uint32_t seed = before - 2000; seed != after + 2000; ++seed) {
        const auto guess = firstRackFromSeed(seed);
        ASSERT_NE(guess, racks[0]) << seed;
        ASSERT_NE(guess, racks[1]) << seed;
    }
    one.stop(SIGKILL);
    two.stop(SIGTERM);
    EXPECT_TRUE(tmp.empty());
}

TEST(ServerHost, TerminateExitsCleanlyAndBadArgumentsAreRefused) {
    HostProcess host({"--port", "0"});
    ASSERT_GT(host.port, 0);
    EXPECT_EQ(host.stop(SIGTERM), 0);
    HostProcess bad({"--port", "seventy"});
    EXPECT_EQ(bad.port, 0);
    EXPECT_EQ(bad.stop(SIGTERM), 2);
}

}  // namespace
}  // namespace servertest
