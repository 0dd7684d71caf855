// The host under abuse and at the edges of a game: floods, an idle queue
// timer, moves after the end, inherited racks, start numbers out of bounds,
// and a round of seats without tiles.
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <climits>

#include "harness.h"

namespace servertest {
namespace {

using Clock = std::chrono::steady_clock;

long residentBytes() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// A connection that never logs in and writes whatever it is told.
int rawConnection(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Non-blocking: it answers EINPROGRESS and the host accepts meanwhile.
    (void)::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    return fd;
}

class ServerFlood : public Host {
protected:
    void SetUp() override {
        Host::SetUp();
        startHost(1234, true);
        ann = &join("Ann");
        bob = &join("Bob");
    }
    // Runs the loop as a real host does: the queue timer paces the entries.
    bool run(const std::function<bool()>& done, int ms = 5000) {
        return testsupport::pumpUntil(done, {}, ms);
    }
    ScriptedClient* ann = nullptr;
    ScriptedClient* bob = nullptr;
};

TEST_F(ServerFlood, BareTerminatorsCostNothingAndTheOthersChatOn) {
    auto& eve = join("Eve");
    settle();
    const long before = residentBytes();
    const std::string flood(2u << 20, '\xFF');
    eve.sock().Send(flood);
    const auto sent = Clock::now();
    ann->send("CMD_chat+1+still here");
    const std::string relayed = "CMD_chat+Ann chats: still here";
    Clock::time_point got{};
    ASSERT_TRUE(run(
        [&] {
            if (got == Clock::time_point{} && bob->has(relayed)) got = Clock::now();
            return got != Clock::time_point{} && eve.sock().SendBufferSize() == 0;
        },
        20000));
    run([&] { return server->queued() == 0; });
    settle();
    EXPECT_LT(std::chrono::duration<double>(got - sent).count(), 1.0);
    EXPECT_LT(residentBytes() - before, 16l << 20) << "2 MiB of terminators";
    EXPECT_TRUE(server->seat(3).connected);  // harmless, so not closed
}

TEST_F(ServerFlood, AFloodIsHeldBackByTcpAndTheOthersChatOn) {
    // Never logs in: a seat is taken at the accept all the same.
    const int fd = rawConnection(port);
    ASSERT_TRUE(run([&] { return server->seat(3).connected; }));
    const long before = residentBytes();
    std::string junk;
    for (int i = 0; i < 20000; ++i) junk += "CMD_chat+3+flood\xFF";
    std::size_t off = 0;
    auto feed = [&] {
        if (off < junk.size()) {
            const ssize_t n = ::send(fd, junk.data() + off, junk.size() - off, MSG_NOSIGNAL);
            if (n > 0)
                off += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN)
                off = junk.size();  // closed under us
        }
        return off < junk.size();
    };
    const auto sent = Clock::now();
    ann->send("CMD_chat+1+hello");
    Clock::time_point got{};
    bool paused = false;
    ASSERT_TRUE(run(
        [&] {
            feed();
            paused = paused || (server->seat(3).sock && server->seat(3).sock->ReadingPaused());
            if (got == Clock::time_point{} && bob->has("CMD_chat+Ann chats: hello"))
                got = Clock::now();
            return got != Clock::time_point{} && paused;
        },
        20000));
    EXPECT_LT(std::chrono::duration<double>(got - sent).count(), 1.0);
    EXPECT_TRUE(server->seat(3).connected) << "slowed down, not thrown out";
    EXPECT_LE(server->queued(), proto::kMaxQueuedEntries + 2);
    EXPECT_LT(residentBytes() - before, 16l << 20);
    ::close(fd);
}

TEST_F(ServerFlood, ABurstFromOneSeatIsAllRelayedInOrderWhileTheOthersChatOn) {
    std::string burst;
    for (int i = 0; i < 100; ++i) burst += "CMD_chat+1+line " + std::to_string(i) + "\xFF";
    ann->sock().Send(burst);
    // Sent once the burst is in the queue: it waits behind Ann's share only.
    ASSERT_TRUE(run([&] { return server->queued() > 0; }));
    const auto sent = Clock::now();
    bob->send("CMD_chat+2+meanwhile");
    Clock::time_point got{};
    ASSERT_TRUE(run(
        [&] {
            if (got == Clock::time_point{} && ann->has("CMD_chat+Bob chats: meanwhile"))
                got = Clock::now();
            return bob->count("CMD_chat+Ann chats: line ") == 100 && got != Clock::time_point{};
        },
        20000));
    EXPECT_LT(std::chrono::duration<double>(got - sent).count(), 1.0);
    std::vector<std::string> lines;
    for (const std::string& m : bob->received())
        if (m.starts_with("CMD_chat+Ann chats: line ")) lines.push_back(m);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(lines[static_cast<std::size_t>(i)],
                  "CMD_chat+Ann chats: line " + std::to_string(i));
    EXPECT_TRUE(server->seat(1).connected);
    EXPECT_FALSE(ann->closed());
}

TEST_F(ServerFlood, LongChatLinesAreRelayedNoLongerThanAWindowTypes) {
    auto& eve = join("Eve");
    const std::string line(64 * 1024 - 32, 'w');
    for (int i = 0; i < 20; ++i) eve.send("CMD_chat+3+" + line);
    eve.send("CMD_action+3+says: " + line + "|" + std::string(100, 'c'));
    eve.send("CMD_chat+3+" + std::string(400, 'x') + "|$00FF00FF");
    const auto sent = Clock::now();
    ann->send("CMD_chat+1+still here");
    Clock::time_point got{};
    ASSERT_TRUE(run(
        [&] {
            if (got == Clock::time_point{} && bob->has("CMD_chat+Ann chats: still here"))
                got = Clock::now();
            return bob->count("CMD_chat+Eve") == 21 && bob->count("CMD_action+Eve") == 1;
        },
        20000));
    EXPECT_LT(std::chrono::duration<double>(got - sent).count(), 1.0);
    EXPECT_TRUE(bob->has("CMD_chat+Eve chats: " + std::string(400, 'w')));
    EXPECT_TRUE(
        bob->has("CMD_action+Eve says: " + std::string(400, 'w') + "|" + std::string(32, 'c')));
    EXPECT_TRUE(bob->has("CMD_chat+Eve chats: " + std::string(400, 'x') + "|$00FF00FF"));
    EXPECT_TRUE(server->seat(3).connected);
}

using ServerLogin = Host;

TEST_F(ServerLogin, ConnectionsThatNeverLogInGiveTheirSeatsBack) {
    loginDeadlineMs = 1000;
    startHost(1234, true);
    // Nine peers hold every seat: most say nothing, one drips a byte at a time.
    std::vector<int> fds;
    for (int i = 1; i <= zindle::kSeats; ++i) {
        fds.push_back(rawConnection(port));
        ASSERT_TRUE(testsupport::pumpUntil([&] { return server->seat(i).connected; }, {}, 2000));
    }
    const std::string drip = "CMD_chat+1+tick\xFF";
    std::size_t dripped = 0;
    ScriptedClient early(port, "Early");
    early.open();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return early.closed(); }, {}, 2000));
    EXPECT_TRUE(early.has("CMD_full+"));
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] {
            ::send(fds[0], drip.data() + dripped % drip.size(), 1, MSG_NOSIGNAL);
            ++dripped;
            return server->seatCount() > 0 && !server->seat(1).connected &&
                   !server->seat(9).connected;
        },
        {}, 3000));
    // A real player now gets seat 1, and with it the host's powers.
    auto& ann = join("Ann");
    EXPECT_EQ(ann.seat(), 1);
    auto& bob = join("Bob");
    ann.send("CMD_startgame+Ann+90+0+0+0+n+n+");
    EXPECT_TRUE(testsupport::pumpUntil(
        [&] { return game().gameon && bob.count("CMD_startgame+") > 0; }, {}, 3000));
    // Logged-in players outlive the deadline.
    testsupport::pumpUntil([] { return false; }, {}, 500);
    EXPECT_TRUE(server->seat(1).connected);
    EXPECT_TRUE(server->seat(2).connected);
    for (int fd : fds) ::close(fd);
}

TEST_F(ServerFlood, TheQueueTimerSleepsWhileNothingWaitsAndKeepsItsPace) {
    settle();
    EXPECT_FALSE(server->queueTimerRunning());
    const auto sent = Clock::now();
    ann->send(
        "CMD_chat+1+one\xFF"
        "CMD_chat+1+two\xFF"
        "CMD_chat+1+three");
    ASSERT_TRUE(run([&] { return server->queueTimerRunning(); }));
    ASSERT_TRUE(run([&] { return bob->has("CMD_chat+Ann chats: three"); }));
    // Three entries take three ticks of 10 ms apart, whatever else the loop does.
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
    EXPECT_GE(ms, 18.0);
    EXPECT_TRUE(run([&] { return !server->queueTimerRunning(); }));
    EXPECT_FALSE(server->clockRunning());
}

using ServerEnd = Host;
using ServerTwoPlayerEnd = ServerTwoPlayers;

TEST_F(ServerTwoPlayerEnd, NothingMovesAfterTheGameClockEndedTheGame) {
    start("90+0+1+0+n+n+");
    ASSERT_EQ(game().curplayer, 2);
    tickClock(60);
    ASSERT_FALSE(game().gameon);
    ASSERT_EQ(game().curplayer, 2);  // the game clock leaves the turn where it was
    forgetAll();
    say(*bob, "CMD_newtiles+2");
    say(*bob, "CMD_done+2+1+n+9+9+2+n+10+9");
    say(*bob, "CMD_pass+2");
    EXPECT_TRUE(ann->take().empty());
    EXPECT_TRUE(bob->take().empty());
    EXPECT_EQ(game().letters[9][9], zindle::kNoTile);
    // Watching hands no turn on either.
    say(*bob, "CMD_justwatch+2+1");
    EXPECT_EQ(ann->take(), Msgs{"CMD_justwatching+2+1"});
    say(*bob, "CMD_justwatch+2+2");
    // The next start plays as usual.
    say(*ann, "CMD_startgame+Ann+90+0+0+0+n+n+");
    EXPECT_TRUE(game().gameon);
    const int cur = game().curplayer;
    auto& mover = cur == 1 ? *ann : *bob;
    forgetAll();
    say(mover, "CMD_pass+" + std::to_string(cur));
    EXPECT_EQ(ann->take().at(0), "CMD_pass+" + std::to_string(cur));
}

TEST_F(ServerEnd, ANewcomerSeesTheRackAndTheWatchingItInherits) {
    startHost(1234);
    auto& ann = join("Ann");
    join("Bob");
    auto& cy = join("Cy");
    say(cy, "CMD_justwatch+3+1");
    say(ann, "CMD_startgame+Ann+90+0+0+0+n+n+");
    const zindle::Rack dealt = game().players[3].tiles;
    cy.close();
    ASSERT_TRUE(pump([&] { return !server->seat(3).connected; }));
    const int drawn = game().bag.bagpos;
    arrange().players[3].tiles[5] = zindle::kNoTile;  // one slot the bag must fill

    auto& dee = join("Dee");
    ASSERT_EQ(dee.seat(), 3);
    const std::vector<int> rack = dee.rack();
    for (int slot = 1; slot <= 10; ++slot) {
        EXPECT_EQ(rack[static_cast<std::size_t>(slot)], game().players[3].tiles[slot]) << slot;
        if (slot != 5) {
            EXPECT_EQ(game().players[3].tiles[slot], dealt[slot]) << slot;
        }
    }
    EXPECT_EQ(game().bag.bagpos, drawn + 1);  // inherited tiles are sent, not drawn
    const Msgs got = dee.received();
    EXPECT_EQ(got.back(), "CMD_justwatching+3+1");
    EXPECT_EQ(got[got.size() - 2], "CMD_nextplayer+" + std::to_string(game().curplayer));
    EXPECT_EQ(dee.count("CMD_atile+"), 10u);
}

TEST_F(ServerEnd, StartNumbersOutsideTheirBoundsAreRefused) {
    startHost(1234);
    auto& ann = join("Ann");
    join("Bob");
    struct Case {
        std::string numbers;  // turn time, Zindle squares, game time, play-to score
        bool starts;
    };
    const Case cases[] = {
        {"-2147483648+0+0+0", false},
        {"0+0+0+0", false},
        {"86401+0+0+0", false},
        {"-1000+0+0+0", false},
        {"90+-4+0+0", false},
        {"90+362+0+0", false},
        {"90+0+-1+0", false},
        {"90+0+1000001+0", false},
        {"90+0+0+-1", false},
        {"90+0+0+10000001", false},
        {"1+0+0+0", true},
        {"86400+361+1000000+10000000", true},
        {"45+20+10000+1000", true},
        {"360+0+0+0", true},
    };
    for (const Case& c : cases) {
        arrange().gameon = false;
        forgetAll();
        say(ann, "CMD_startgame+Ann+" + c.numbers + "+n+n+");
        EXPECT_EQ(game().gameon, c.starts) << c.numbers;
        EXPECT_EQ(ann.count("CMD_startgame+Ann+" + c.numbers + "+n+n+n"), c.starts ? 1u : 0u)
            << c.numbers;
    }
    // A two-second turn times out on the third tick.
    say(ann, "CMD_startgame+Ann+2+0+0+0+n+n+");
    const int cur = game().curplayer;
    forgetAll();
    tickClock(2);
    EXPECT_EQ(ann.count("CMD_timeup+"), 0u);
    tickClock(1);
    EXPECT_EQ(ann.take().at(0), "CMD_timeup+" + std::to_string(cur));
}

TEST_F(ServerEnd, OneFruitlessRoundOfTheSeatsEndsTheGame) {
    startHost(1234);
    auto& ann = join("Ann");
    join("Bob");
    join("Cy");
    // Seats 1 and 2 are out of tiles and the watcher in seat 3 keeps its
    // rack, so no end check holds; the turn leaves seat 3.
    auto outOfTiles = [&](int drawn) {
        say(ann, "CMD_startgame+Ann+90+0+0+0+n+n+");
        say(ann, "CMD_justwatch+3+1");
        arrange().players[1].tiles = zindle::emptyRack();
        arrange().players[2].tiles = zindle::emptyRack();
        arrange().bag.bagpos = drawn;
        arrange().curplayer = 3;
        forgetAll();
        server->referee().findplayer();
        settle();
    };
    outOfTiles(98);  // and the bag is empty
    EXPECT_FALSE(game().gameon);
    EXPECT_EQ(ann.take(), (Msgs{"CMD_tilecount+98", "CMD_notiles+1+", "CMD_tilecount+98",
                                "CMD_notiles+2+", "CMD_winner+1+2+3", "CMD_nomoretiles+"}));

    // While the bag still gives tiles the round is not fruitless: the seat
    // that was out of tiles gets its turn after the refill.
    outOfTiles(90);
    EXPECT_TRUE(game().gameon);
    EXPECT_EQ(game().curplayer, 1);
    const Msgs got = ann.take();
    EXPECT_EQ(std::count(got.begin(), got.end(), "CMD_notiles+1+"), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), "CMD_notiles+2+"), 1);
    EXPECT_EQ(got.back(), "CMD_nextplayer+1");
}

}  // namespace
}  // namespace servertest
