// What a caller gets back from the socket: the stream adapter's bounded
// copies, Receive's counts, and giving up on a connection. Also built with
// AddressSanitizer (test_net_asan), where a copy past the caller's buffer
// fails outright.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/sock.h"
#include "pump.h"

namespace {

std::string pattern(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('A' + i % 26));
    return s;
}

// A listener with its accepted connections, and a client connected to it.
struct Pair {
    TSock listener;
    std::vector<TSock*> accepted;
    TSock client;
    explicit Pair(bool blockingClient) {
        listener.setPortName("0");
        listener.OnAccept = [this](TSock& l) {
            TSock* s = nullptr;
            if (l.Accept(s)) accepted.push_back(s);
        };
        listener.setListen(true);
        client.setBlocking(blockingClient);
        client.setBlockingTimeout(5);
        client.setHostName("127.0.0.1");
        client.setPortName(std::to_string(listener.LocalPort()));
        client.Open();
        pumpUntil([&] { return client.Connected() && !accepted.empty(); });
    }
    bool ok() const { return client.Connected() && !accepted.empty(); }
    TSock& peer() { return *accepted.back(); }
};

// Reads chunks of `chunk` bytes into exact-size heap buffers until `total`
// bytes came or a read returns nothing; every read must stay within its count.
std::string readAll(TSockStream& in, std::size_t total, int chunk) {
    std::string got;
    while (got.size() < total) {
        auto buf = std::make_unique<char[]>(static_cast<std::size_t>(chunk));
        const int n = in.Read(buf.get(), chunk);
        EXPECT_LE(n, chunk);
        if (n <= 0) break;
        got.append(buf.get(), static_cast<std::size_t>(n));
    }
    return got;
}

TEST(SockStreamAdapter, ReadCopiesAtMostCountAndKeepsTheRestForTheNextRead) {
    // A datagram is taken whole by Receive, whatever the count.
    TSock rx, tx;
    rx.setSocketType(stDatagram);
    tx.setSocketType(stDatagram);
    rx.setPortName("0");
    tx.setPortName("0");
    rx.setBlockingTimeout(5);
    ASSERT_TRUE(rx.Open());
    ASSERT_TRUE(tx.Open());
    tx.setPortName(std::to_string(rx.LocalPort()));
    const std::string datagram = pattern(200);
    tx.SendDatagram(datagram, "127.0.0.1");
    {
        auto exact = std::make_unique<char[]>(8);
        ASSERT_EQ(rx.Stream().Read(exact.get(), 8), 8);
        EXPECT_EQ(std::string(exact.get(), 8), datagram.substr(0, 8));
    }
    EXPECT_EQ(datagram.substr(8), readAll(rx.Stream(), 192, 8));

    // Bytes past the count stay as they were.
    tx.SendDatagram(datagram, "127.0.0.1");
    char area[256];
    std::fill(std::begin(area), std::end(area), '#');
    ASSERT_EQ(rx.Stream().Read(area, 8), 8);
    EXPECT_EQ(std::string(area, 8), datagram.substr(0, 8));
    EXPECT_EQ(std::count(area + 8, std::end(area), '#'), 248);
    EXPECT_EQ(datagram.substr(8), readAll(rx.Stream(), 192, 8));

    // A blocking stream hands back everything it had buffered.
    Pair p(true);
    ASSERT_TRUE(p.ok());
    const std::string text = pattern(1000);
    p.peer().Send(text);
    EXPECT_EQ(readAll(p.client.Stream(), text.size(), 7), text);
}

TEST(SockReceive, OnlyMinusOneTakesEverythingAndNoCountBelowOneTouchesTheNetwork) {
    Pair p(false);
    ASSERT_TRUE(p.ok());
    TSock& a = p.peer();
    a.OnRead = [](TSock&, int) {};
    p.client.Send("abcdef");
    ASSERT_TRUE(pumpUntil([&] { return a.ReceiveBufferSize() == 6; }));
    for (int count : {-2, -1000, 0}) {
        EXPECT_EQ(a.Receive(count), "") << count;
        EXPECT_EQ(a.ReceiveBufferSize(), 6u) << count;
    }
    EXPECT_EQ(a.Receive(2), "ab");
    EXPECT_EQ(a.Receive(-1), "cdef");

    // A blocking read of nothing would look like the peer's close.
    Pair b(true);
    ASSERT_TRUE(b.ok());
    b.peer().Send("xyz");
    for (int count : {0, -3}) {
        EXPECT_EQ(b.client.Receive(count), "") << count;
        EXPECT_TRUE(b.client.Connected()) << count;
    }
    EXPECT_EQ(b.client.Receive(3), "xyz");
}

TEST(SockDrop, AGivenUpConnectionStopsReadingAndClosesLikeAStalledOne) {
    Pair p(false);
    ASSERT_TRUE(p.ok());
    TSock& a = p.peer();
    std::vector<std::string> events;
    int reads = 0;
    a.OnInfo = [&](TSock&, SockEvent e, const std::string& m) {
        events.push_back(std::to_string(infoKind(e)) + ":" + m);
    };
    a.OnDisconnect = [&](TSock&) { events.push_back("disconnect"); };
    a.OnRead = [&](TSock& me, int) {
        ++reads;
        me.Text();
        me.Drop();
        me.Drop();  // once is enough
    };
    bool gone = false;
    p.client.OnDisconnect = [&](TSock&) { gone = true; };
    p.client.Send("first");
    ASSERT_TRUE(pumpUntil([&] { return a.Handle() < 0; }));
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"4:Non-Blocking Incoming Data",
                                                "7:Error #10055 (WSAENOBUFS)", "disconnect",
                                                "2:Socket Closed"}));
    EXPECT_FALSE(a.Connected());
    // The peer sees an ordinary close.
    EXPECT_TRUE(pumpUntil([&] { return gone; }));
}

}  // namespace
