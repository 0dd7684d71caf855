#include "net/sock.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "pump.h"

namespace {

using Strings = std::vector<std::string>;
const std::string T(1, proto::kTerminator);

void pumpFor(int rounds) {
    for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Records every event of the sockets it is attached to, in order.
struct Recorder {
    Strings events;
    void attach(TSock& s, const std::string& who = "") {
        s.OnInfo = [this, who](TSock&, SockEvent e, const std::string& m) {
            events.push_back(who + "info" + std::to_string(infoKind(e)) + ":" + m);
        };
        s.OnConnect = [this, who](TSock&) { events.push_back(who + "connect"); };
        s.OnDisconnect = [this, who](TSock&) { events.push_back(who + "disconnect"); };
        s.OnWrite = [this, who](TSock&) { events.push_back(who + "write"); };
    }
    bool has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
    Strings only(const std::string& prefix) const {
        Strings out;
        for (const auto& e : events)
            if (e.rfind(prefix, 0) == 0) out.push_back(e);
        return out;
    }
};

// A listener on a free port that accepts everything.
struct Server {
    TSock listener;
    std::vector<TSock*> accepted;
    std::function<void(TSock&)> onNew;
    Server() {
        listener.setPortName("0");
        listener.OnAccept = [this](TSock& l) {
            TSock* s = nullptr;
            if (l.Accept(s)) {
                accepted.push_back(s);
                if (onNew) onNew(*s);
            }
        };
        listener.setListen(true);
    }
    std::string port() const { return std::to_string(listener.LocalPort()); }
};

// A burst of connections completes in the kernel before the listener takes
// any of them: none waits for TCP to try again.
TEST(SockListen, ABurstOfConnectionsIsQueuedWhole) {
    Server srv;
    std::vector<pollfd> fds;
    for (int i = 0; i < 32; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(srv.listener.LocalPort()));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        fds.push_back({fd, POLLOUT, 0});
    }
    // Half a second: far less than the second a dropped connect waits to be tried again.
    QElapsedTimer t;
    t.start();
    std::size_t connected = 0;
    while (connected < fds.size() && t.elapsed() < 500) {
        ::poll(fds.data(), fds.size(), 50);
        connected = static_cast<std::size_t>(std::count_if(
            fds.begin(), fds.end(), [](const pollfd& p) { return (p.revents & POLLOUT) != 0; }));
    }
    EXPECT_EQ(connected, fds.size());
    for (const pollfd& p : fds) ::close(p.fd);
}

// A client TSock connected to srv, with the accepted end returned.
TSock* connectPair(Server& srv, TSock& client) {
    client.setHostName("127.0.0.1");
    client.setPortName(srv.port());
    std::size_t before = srv.accepted.size();
    client.Open();
    if (!pumpUntil([&] { return client.Connected() && srv.accepted.size() > before; }))
        return nullptr;
    return srv.accepted.back();
}

// A port that nobody listens on (bound, read back and released).
std::string deadPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    ::close(fd);
    return std::to_string(ntohs(sa.sin_port));
}

int rawConnect(int port, int rcvbuf = 0) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (rcvbuf > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void resetOnClose(int fd) {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

std::string throwText(const std::function<void()>& f) {
    try {
        f();
    } catch (const ESockException& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(NetErrors, WindowsNumbersAndNames) {
    EXPECT_EQ(wsaErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(wsaErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(wsaErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(wsaErrorText(10061), "Error #10061 (WSAECONNREFUSED)");
    EXPECT_EQ(wsaErrorName(11001), "WSAHOST_NOT_FOUND");
    for (int unknown : {0, 10000, 10001, 10072, 10090, 10100, 11000, 11005})
        EXPECT_EQ(wsaErrorName(unknown), "UNKNOWN ERROR") << unknown;
    // An errno with no Windows twin must not borrow a known name.
    EXPECT_EQ(wsaErrorName(wsaErrorFromErrno(ENOSPC)), "UNKNOWN ERROR");
}

TEST(SockProperties, OperationsRefusedInTheWrongState) {
    TSock s;
    EXPECT_EQ(throwText([&] { s.Send("x"); }), "Send - Socket Not Connected");
    EXPECT_EQ(throwText([&] { s.Text(); }), "Receive - Socket Not Connected");
    TSock* n = nullptr;
    EXPECT_EQ(throwText([&] { s.Accept(n); }), "Accept - Socket Not In Listening Mode");
    EXPECT_EQ(throwText([&] { s.SendDatagram("x", "127.0.0.1"); }),
              "SendDatagram - Socket Not Connected");

    TSock udp;
    udp.setSocketType(stDatagram);
    EXPECT_EQ(throwText([&] { udp.setListen(true); }),
              "Listen - Cannot Listen On A Datagram Socket");
    EXPECT_FALSE(udp.Listen());

    Server srv;
    EXPECT_EQ(throwText([&] { srv.listener.setSocketType(stDatagram); }),
              "SocketType - Can't Assign Socket Type While Listening");
    EXPECT_EQ(throwText([&] { srv.listener.Send("x"); }),
              "Send - Cannot Send On A Listener Socket");
    EXPECT_EQ(throwText([&] { srv.listener.Text(); }),
              "Receive - Cannot Receive On A Listener Socket");
    TSock client;
    ASSERT_TRUE(connectPair(srv, client));
    EXPECT_EQ(throwText([&] { client.setSocketType(stDatagram); }),
              "SocketType - Can't Assign Socket Type While Connected");
    EXPECT_EQ(throwText([&] { client.SendDatagram("x", "127.0.0.1"); }),
              "SendDatagram - Datagram Send Not Supported On Stream Sockets");
    std::string d, h;
    EXPECT_EQ(throwText([&] { client.ReceiveDatagram(d, h); }),
              "ReceiveDatagram - Datagram Receive Not Supported On Stream Sockets");
}

TEST(SockInfo, ConnectAndAcceptReportInOrder) {
    Recorder rec;
    Server srv;
    srv.listener.setListen(false);  // start again with the recorder attached
    rec.attach(srv.listener, "L:");
    srv.listener.setListen(true);
    TSock client;
    rec.attach(client, "C:");
    ASSERT_TRUE(connectPair(srv, client));
    pumpFor(5);
    const std::string p = srv.port();
    // The two ends run in whichever order the loop wakes them, so each is
    // checked on its own. An idle connection reports no writes.
    EXPECT_EQ(rec.only("C:"),
              (Strings{"C:info0:Lookup Of Port " + p, "C:info0:Lookup Of Host 127.0.0.1",
                       "C:info1:Non-Blocking Socket Connected", "C:connect"}));
    // The accepted socket inherits the listener's OnInfo, so its reports show as "L:" too.
    EXPECT_EQ(rec.only("L:"), (Strings{"L:info0:Lookup Of Port 0", "L:info3:Listening Started",
                                       "L:info0:Setting PortName While Connected Has No Effect",
                                       "L:info0:Setting HostName While Connected Has No Effect",
                                       "L:info6:Created New TSock Structure"}));
    TSock* a = srv.accepted.back();
    EXPECT_TRUE(a->Connected());
    EXPECT_EQ(a->HostName(), "127.0.0.1");
    EXPECT_EQ(a->PortName(), "0");
    EXPECT_EQ(a->parent(), &srv.listener);

    rec.events.clear();
    srv.listener.setListen(false);
    EXPECT_EQ(rec.events, (Strings{"L:info2:Socket Closed", "L:info3:Listening Stopped"}));
}

TEST(SockInfo, ListeningTwiceAndOnBusyPort) {
    Recorder rec;
    Server srv;
    rec.attach(srv.listener);
    srv.listener.setListen(true);
    EXPECT_EQ(rec.events, Strings{"info3:Listening Already Running"});

    TSock other;
    other.setPortName(srv.port());
    // The text says which port and why, so a player knows what to close.
    EXPECT_EQ(throwText([&] { other.setListen(true); }),
              "Listen - Error Binding Socket: port " + srv.port() + " is already in use");
    EXPECT_FALSE(other.Listen());
    EXPECT_EQ(throwText([&] { other.setListen(true); }), "Listen - Socket Already In Use");
    other.Close();
    srv.listener.setListen(false);
    other.setListen(true);  // the port is free now
    EXPECT_TRUE(other.Listen());
}

// The log lines of one test, taken from Qt's message handler.
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        previous_ =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
                lines().push_back(m.toStdString());
            });
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& lines() {
        static std::vector<std::string> l;
        return l;
    }
    bool has(const std::string& text) const {
        return std::any_of(lines().begin(), lines().end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }

private:
    QtMessageHandler previous_;
};

// A handler's failure keeps its cause: the operation that reported throws
// it on; a close, and the event loop, have nobody to throw to and log it.
TEST(SockInfo, AHandlersFailureKeepsItsCause) {
    LogCapture log;
    TSock s;
    s.setHostName("127.0.0.1");
    const std::string port = deadPort();
    s.setPortName(port);
    s.OnInfo = [](TSock&, SockEvent, const std::string& msg) {
        throw std::runtime_error("handler saw " + msg);
    };
    EXPECT_EQ(throwText([&] { s.Open(); }), "OnInfo - handler saw Lookup Of Port " + port);
    EXPECT_FALSE(s.Close());
    EXPECT_TRUE(log.has("TSock Close: OnInfo - handler saw Socket Closed"));

    // Refused: the error comes from the event loop, which goes on.
    TSock refused;
    refused.setHostName("127.0.0.1");
    refused.setPortName(port);
    bool told = false;
    refused.OnInfo = [&](TSock&, SockEvent event, const std::string& msg) {
        if (event != SockEvent::Error) return;
        told = true;
        throw std::runtime_error("refused: " + msg);
    };
    EXPECT_FALSE(refused.Open());
    ASSERT_TRUE(pumpUntil([&] { return told; }));
    pumpUntil([] { return false; }, 50);
    EXPECT_TRUE(log.has("OnInfo - refused: Error #10061 (WSAECONNREFUSED)"));
    refused.OnInfo = nullptr;
}

TEST(SockConnect, RefusedConnectReportsTheErrorAndStaysConnecting) {
    Recorder rec;
    TSock client;
    rec.attach(client);
    client.setHostName("127.0.0.1");
    const std::string p = deadPort();
    client.setPortName(p);
    EXPECT_FALSE(client.Open());
    ASSERT_TRUE(pumpUntil([&] { return rec.only("info7").size() == 1; }));
    pumpFor(10);
    EXPECT_EQ(rec.events, (Strings{"info0:Lookup Of Port " + p, "info0:Lookup Of Host 127.0.0.1",
                                   "info7:Error #10061 (WSAECONNREFUSED)"}));
    EXPECT_FALSE(client.Connected());
    EXPECT_GE(client.Handle(), 0);
    EXPECT_FALSE(client.Open());  // still holds its socket
    EXPECT_EQ(rec.events.size(), 3u);
    EXPECT_TRUE(client.Close());
    EXPECT_EQ(rec.events.back(), "info2:Socket Closed");
}

TEST(SockConnect, BlockingConnectAndRefusal) {
    Recorder rec;  // outlives the sockets that report to it
    Server srv;
    TSock client;
    client.setBlocking(true);
    rec.attach(client);
    client.setHostName("127.0.0.1");
    client.setPortName(srv.port());
    EXPECT_TRUE(client.Open());
    EXPECT_TRUE(rec.has("info1:Blocking Socket Connected"));
    EXPECT_TRUE(rec.has("connect"));

    TSock refused;
    refused.setBlocking(true);
    rec.events.clear();
    rec.attach(refused);
    refused.setHostName("127.0.0.1");
    refused.setPortName(deadPort());
    EXPECT_FALSE(refused.Open());
    EXPECT_EQ(rec.only("info2"),
              (Strings{"info2:Blocking Socket Can't Connect", "info2:Socket Closed"}));
    EXPECT_EQ(refused.Handle(), -1);
}

TEST(SockLookup, CacheAndDottedNames) {
    std::vector<std::string> asked;
    TSock::setResolver([&](const std::string& name) -> std::optional<std::uint32_t> {
        asked.push_back(name);
        if (name == "gamehost") return htonl(INADDR_LOOPBACK);
        return std::nullopt;
    });
    TSock::clearHostCache();
    Server srv;
    for (const char* name : {"gamehost", "GameHost", "127.0.0.1", "1nohost.invalid"}) {
        TSock c;
        c.setHostName(name);
        c.setPortName(srv.port());
        c.Open();
        c.Close();
    }
    EXPECT_EQ(asked, Strings{"gamehost"});

    TSock c;
    c.setHostName("nohost");
    c.setPortName(srv.port());
    EXPECT_EQ(throwText([&] { c.Open(); }), "Host Lookup - Could Not Find Host Entry");
    EXPECT_EQ(c.Handle(), -1);  // nothing left half-made: a retry can work
    c.setPortName("no-such-service-zindle");
    EXPECT_EQ(throwText([&] { c.Open(); }), "Port Lookup - Could Not Find Service Entry");
    TSock::setResolver({});
    TSock::clearHostCache();
}

TEST(SockRead, TwoMessagesInOneSendArriveTogether) {
    Server srv;
    std::vector<int> counts;
    std::string got;
    srv.onNew = [&](TSock& s) {
        s.OnRead = [&](TSock& me, int count) {
            counts.push_back(count);
            got += me.Text();
        };
    };
    TSock client;
    ASSERT_TRUE(connectPair(srv, client));
    const std::string two = "CMD_pass+1" + T + "CMD_pass+2" + T;
    client.Send(two);
    ASSERT_TRUE(pumpUntil([&] { return got.size() >= two.size(); }));
    EXPECT_EQ(got, two);
    EXPECT_EQ(counts, std::vector<int>{static_cast<int>(two.size())});
}

TEST(SockRead, UntakenBytesAreReportedAgainWithTheNewOnes) {
    Server srv;
    std::vector<int> counts;
    srv.onNew = [&](TSock& s) { s.OnRead = [&](TSock&, int count) { counts.push_back(count); }; };
    TSock client;
    TSock* a = connectPair(srv, client);
    ASSERT_TRUE(a);
    client.Send("abc");
    ASSERT_TRUE(pumpUntil([&] { return !counts.empty(); }));
    client.Send("de");
    ASSERT_TRUE(pumpUntil([&] { return counts.size() >= 2; }));
    EXPECT_EQ(counts, (std::vector<int>{3, 5}));
    EXPECT_EQ(a->Receive(2), "ab");
    EXPECT_EQ(a->Text(), "cde");
    EXPECT_EQ(a->Text(), "");  // nothing buffered: the network is not touched
}

TEST(SockRead, MessageSplitAcrossReadsIsKeptWhole) {
    Server srv;
    proto::Inbox inbox;
    int reads = 0;
    srv.onNew = [&](TSock& s) {
        s.setTag(3);
        s.OnRead = [&](TSock& me, int) {
            ++reads;
            inbox.receive(static_cast<proto::ConnId>(me.Tag()), me.Text());
        };
    };
    TSock client;
    TSock* a = connectPair(srv, client);
    ASSERT_TRUE(a);
    const std::string login = proto::message(proto::cmd::logininfo, {3, "2.1.0", "Ann+Lee"});
    client.Send(login.substr(0, 9));
    ASSERT_TRUE(pumpUntil([&] { return reads == 1; }));
    EXPECT_TRUE(inbox.empty());
    client.Send(login.substr(9) + proto::message(proto::cmd::pass, {3}));
    ASSERT_TRUE(pumpUntil([&] { return inbox.size() == 2; }));
    auto first = inbox.take();
    EXPECT_EQ(first->from, 3u);
    EXPECT_EQ(first->text, "CMD_logininfo+3+2.1.0+Ann+Lee");
    EXPECT_EQ(inbox.take()->text, "CMD_pass+3");
}

TEST(SockRead, DataLeftAfterCloseCanStillBeTaken) {
    Server srv;
    srv.onNew = [](TSock& s) { s.OnRead = [](TSock&, int) {}; };
    TSock client;
    TSock* a = connectPair(srv, client);
    ASSERT_TRUE(a);
    client.Send("left");
    ASSERT_TRUE(pumpUntil([&] { return a->ReceiveBufferSize() == 4; }));
    a->Close();
    EXPECT_EQ(a->Text(), "left");
    EXPECT_EQ(throwText([&] { a->Text(); }), "Receive - Socket Not Connected");
}

TEST(SockClose, OrderlyPeerCloseCallsDisconnectThenSocketClosed) {
    Recorder rec;  // outlives the sockets that report to it
    Server srv;
    srv.onNew = [&](TSock& s) { rec.attach(s); };
    TSock client;
    TSock* a = connectPair(srv, client);
    ASSERT_TRUE(a);
    rec.events.clear();
    client.Close();
    ASSERT_TRUE(pumpUntil([&] { return !a->Connected(); }));
    EXPECT_EQ(rec.events, (Strings{"disconnect", "info2:Socket Closed"}));
    EXPECT_EQ(a->Handle(), -1);
}

TEST(SockClose, ResetOfAnEstablishedConnectionFreesIt) {
    Recorder rec;  // outlives the sockets that report to it
    Server srv;
    srv.onNew = [&](TSock& s) { rec.attach(s); };
    TSock client;
    TSock* a = connectPair(srv, client);
    ASSERT_TRUE(a);
    rec.events.clear();
    resetOnClose(client.Handle());
    client.Close();
    ASSERT_TRUE(pumpUntil([&] { return !a->Connected(); }));
    EXPECT_EQ(rec.events,
              (Strings{"info7:Error #10054 (WSAECONNRESET)", "disconnect", "info2:Socket Closed"}));
    EXPECT_EQ(a->Handle(), -1);
}

TEST(SockClose, WindowNoticesItsHostResettingTheConnection) {
    Recorder rec;  // outlives the sockets that report to it
    Server srv;
    TSock client;
    rec.attach(client);
    TSock* a = connectPair(srv, client);
    ASSERT_TRUE(a);
    rec.events.clear();
    resetOnClose(a->Handle());
    delete a;
    ASSERT_TRUE(pumpUntil([&] { return rec.has("info2:Socket Closed"); }));
    EXPECT_EQ(rec.events,
              (Strings{"info7:Error #10054 (WSAECONNRESET)", "disconnect", "info2:Socket Closed"}));
}

TEST(SockClose, OwnerMayDeleteTheSocketFromItsCloseHandler) {
    Server srv;
    bool gone = false;
    srv.onNew = [&](TSock& s) {
        s.OnInfo = [&](TSock& me, SockEvent e, const std::string&) {
            if (e == SockEvent::Closed) {
                delete &me;
                gone = true;
            }
        };
    };
    TSock client;
    ASSERT_TRUE(connectPair(srv, client));
    client.Close();
    ASSERT_TRUE(pumpUntil([&] { return gone; }));
    pumpFor(5);
}

TEST(SockSend, EmptySendWithNothingQueuedDoesNothing) {
    Recorder rec;  // outlives the sockets that report to it
    Server srv;
    TSock client;
    ASSERT_TRUE(connectPair(srv, client));
    rec.attach(client);
    EXPECT_TRUE(client.Send(""));
    EXPECT_TRUE(rec.events.empty());
    EXPECT_TRUE(client.Send("x"));
    EXPECT_EQ(rec.events, Strings{"info5:Non-Blocking Outgoing Data"});
}

TEST(SockSend, DataTheNetworkCannotTakeGoesOutOnWriteReadiness) {
    Recorder rec;  // outlives the sockets that report to it
    Server srv;
    std::string got;
    TSock client;
    client.OnRead = [&](TSock& me, int) { got += me.Text(); };
    TSock* a = connectPair(srv, client);
    ASSERT_TRUE(a);
    int small = 65536;
    setsockopt(a->Handle(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    rec.attach(*a);
    std::string big(1 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
    a->Send(big);
    EXPECT_GT(a->SendBufferSize(), 0u);
    ASSERT_TRUE(pumpUntil([&] { return got.size() >= big.size(); }));
    EXPECT_EQ(got, big);
    EXPECT_EQ(a->SendBufferSize(), 0u);
    EXPECT_TRUE(rec.has("write"));
    // Once drained, an idle connection reports no more writes.
    std::size_t n = rec.events.size();
    pumpFor(10);
    EXPECT_EQ(rec.events.size(), n);
}

TEST(SockSend, PeerThatStopsReadingIsClosedPastFourMiB) {
    Recorder rec;  // outlives the sockets that report to it
    Server srv;
    srv.onNew = [&](TSock& s) { rec.attach(s); };
    int peer = rawConnect(srv.listener.LocalPort(), 4096);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(pumpUntil([&] { return !srv.accepted.empty(); }));
    TSock* a = srv.accepted.back();
    int small = 65536;
    setsockopt(a->Handle(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    rec.events.clear();
    const std::string chunk(256 * 1024, 'z');
    for (int i = 0; i < 18; ++i) EXPECT_TRUE(a->Send(chunk));  // never closes inside Send
    EXPECT_TRUE(a->Connected());
    ASSERT_TRUE(pumpUntil([&] { return !a->Connected(); }));
    Strings tail(rec.events.end() - 3, rec.events.end());
    EXPECT_EQ(tail,
              (Strings{"info7:Error #10055 (WSAENOBUFS)", "disconnect", "info2:Socket Closed"}));
    EXPECT_EQ(throwText([&] { a->Send("x"); }), "Send - Socket Not Connected");
    ::close(peer);
}

TEST(SockSend, WritingToAClosedPeerRaisesNoSignal) {
    auto old = std::signal(SIGPIPE, SIG_DFL);  // a SIGPIPE would end the test run
    {
        Recorder rec;
        Server srv;
        srv.onNew = [&](TSock& s) { rec.attach(s); };
        int peer = rawConnect(srv.listener.LocalPort());
        ASSERT_GE(peer, 0);
        ASSERT_TRUE(pumpUntil([&] { return !srv.accepted.empty(); }));
        TSock* a = srv.accepted.back();
        ::close(peer);
        a->Send("CMD_pass+1" + T);  // answered by a reset
        pollfd p{a->Handle(), 0, 0};
        ::poll(&p, 1, 2000);
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(a->Send("CMD_pass+1" + T));
        ASSERT_TRUE(pumpUntil([&] { return !a->Connected(); }));
        EXPECT_TRUE(rec.has("disconnect"));
        EXPECT_EQ(rec.events.back(), "info2:Socket Closed");
    }
    std::signal(SIGPIPE, old);
}

TEST(SockBlocking, SendReceiveAndDisconnectOnReceive) {
    Recorder rec;
    Server srv;
    TSock client;
    client.setBlocking(true);
    client.setBlockingTimeout(5);
    rec.attach(client);
    client.setHostName("127.0.0.1");
    client.setPortName(srv.port());
    ASSERT_TRUE(client.Open());
    ASSERT_TRUE(pumpUntil([&] { return !srv.accepted.empty(); }));
    TSock* a = srv.accepted.back();
    std::string got;
    a->OnRead = [&](TSock& me, int) { got += me.Text(); };

    rec.events.clear();
    EXPECT_TRUE(client.Send("hello"));
    EXPECT_EQ(rec.events, Strings{"info5:Blocking Outgoing Data"});
    ASSERT_TRUE(pumpUntil([&] { return got == "hello"; }));

    a->Send("back");
    rec.events.clear();
    EXPECT_EQ(client.Text(), "back");
    EXPECT_EQ(rec.events, Strings{"info4:Blocking Incoming Data"});

    a->Close();
    rec.events.clear();
    EXPECT_EQ(client.Text(), "");
    EXPECT_EQ(rec.events,
              (Strings{"info4:Blocking Incoming Data", "info2:Socket Disconnected On Receive",
                       "info2:Socket Closed", "disconnect"}));
    EXPECT_FALSE(client.Connected());
}

TEST(SockSend, DataSentWhileConnectingGoesOutOnceConnected) {
    Server srv;
    std::string got;
    srv.onNew = [&](TSock& s) { s.OnRead = [&](TSock& me, int) { got += me.Text(); }; };
    TSock client;
    client.setHostName("127.0.0.1");
    client.setPortName(srv.port());
    client.Open();
    EXPECT_FALSE(client.Connected());
    client.Send("CMD_pass+1" + T);
    ASSERT_TRUE(pumpUntil([&] { return got.size() >= 11; }));
    EXPECT_EQ(got, "CMD_pass+1" + T);
    EXPECT_EQ(client.SendBufferSize(), 0u);
}

TEST(SockDatagram, OneDatagramEachWay) {
    Recorder rec;
    TSock rx, tx;
    rx.setSocketType(stDatagram);
    tx.setSocketType(stDatagram);
    rx.setPortName("0");
    tx.setPortName("0");
    rec.attach(rx);
    ASSERT_TRUE(rx.Open());
    ASSERT_TRUE(tx.Open());
    EXPECT_TRUE(rec.has("info1:Datagram Socket Connected"));
    int reads = 0;
    std::string data, from;
    rx.OnRead = [&](TSock& me, int) {
        ++reads;
        me.ReceiveDatagram(data, from);
    };
    tx.setPortName(std::to_string(rx.LocalPort()));
    tx.SendDatagram("ping", "127.0.0.1");
    ASSERT_TRUE(pumpUntil([&] { return reads > 0; }));
    EXPECT_EQ(data, "ping");
    EXPECT_EQ(from, "127.0.0.1");
    pumpFor(5);
    EXPECT_EQ(reads, 1);
}

TEST(SockLifecycle, FormLoadingStartsListeningAtTheEnd) {
    Recorder rec;
    TSock s;
    rec.attach(s);
    s.BeginLoad();
    s.setListen(true);
    s.setPortName("0");
    EXPECT_EQ(s.Handle(), -1);
    s.Loaded();
    EXPECT_TRUE(s.Listen());
    EXPECT_EQ(rec.events, (Strings{"info0:Lookup Of Port 0", "info3:Listening Started"}));
}

TEST(SockLifecycle, AcceptedSocketsDieWithTheirListener) {
    Recorder rec;
    auto srv = std::make_unique<Server>();
    srv->onNew = [&](TSock& s) { rec.attach(s); };
    TSock client;
    ASSERT_TRUE(connectPair(*srv, client));
    rec.events.clear();
    srv.reset();
    EXPECT_EQ(rec.events, Strings{"info2:Socket Closed"});
}

namespace {

// Joins srv at host, exchanges a line both ways, and returns the name the
// listener saw the peer under ("" when the join failed).
std::string joinAndTalk(Server& srv, const std::string& host, const std::string& from = {}) {
    TSock client;
    client.setHostName(host);
    client.setLocalHost(from);
    client.setPortName(srv.port());
    const std::size_t before = srv.accepted.size();
    client.Open();
    if (!pumpUntil([&] { return client.Connected() && srv.accepted.size() > before; })) return "";
    TSock* peer = srv.accepted.back();
    client.Send("hello from " + host + T);
    std::string got;
    if (!pumpUntil([&] { return (got += peer->Receive(-1)).find(T) != std::string::npos; }))
        return "";
    EXPECT_EQ(got, "hello from " + host + T);
    peer->Send("welcome" + T);
    std::string back;
    if (!pumpUntil([&] { return (back += client.Receive(-1)).find(T) != std::string::npos; }))
        return "";
    EXPECT_EQ(back, "welcome" + T);
    return peer->HostName();
}

}  // namespace

// One listener serves IPv6 and IPv4 players, by address or by name; an IPv4
// player still shows under its dotted address.
TEST(SockFamilies, OneListenerJoinedOverIpv6Ipv4AndAName) {
    TSock::setResolver({});
    TSock::clearHostCache();
    Server srv;
    EXPECT_EQ(joinAndTalk(srv, "127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(joinAndTalk(srv, "localhost"), "127.0.0.1");
    // From another loopback address, as a relay gives each of its peers one.
    EXPECT_EQ(joinAndTalk(srv, "127.0.0.1", "127.0.0.9"), "127.0.0.9");
    // From an address this machine does not have: an error, and no connection.
    TSock stray;
    stray.setHostName("127.0.0.1");
    stray.setPortName(srv.port());
    stray.setLocalHost("192.0.2.1");
    std::string error;
    stray.OnInfo = [&](TSock&, SockEvent event, const std::string& m) {
        if (event == SockEvent::Error) error = m;
    };
    EXPECT_FALSE(stray.Open());
    EXPECT_EQ(error, "Error #10049 (WSAEADDRNOTAVAIL)");
    EXPECT_FALSE(stray.Connected());
    EXPECT_LT(stray.Handle(), 0);
    const int probe = ::socket(AF_INET6, SOCK_STREAM, 0);
    if (probe < 0) GTEST_SKIP() << "no IPv6 on this machine";
    ::close(probe);
    EXPECT_EQ(joinAndTalk(srv, "::1"), "::1");
    EXPECT_EQ(joinAndTalk(srv, "[::1]"), "::1");
}
