// Construction, the receive queue and its dispatch, and sending.
#include "server/server.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace zindle {

std::optional<std::vector<unsigned char>> TServer::loadWords(const ServerOptions& options) {
    if (!options.wordsFile) return std::nullopt;
    std::ifstream in(*options.wordsFile);
    if (!in) return std::nullopt;
    return recordsFromWords(in);
}

namespace {

TDictn::Reporter reporterFor(const ServerOptions& options) {
    if (options.report) return options.report;
    return [](const std::string& msg) { std::fprintf(stderr, "%s\n", msg.c_str()); };
}

std::optional<WordListBytes> resourceFor(const ServerOptions& options,
                                         const std::optional<std::vector<unsigned char>>& records) {
    if (!options.wordsFile) return builtinWordList();
    // A word file that cannot be read counts as a missing list.
    if (!records) return std::nullopt;
    return WordListBytes(records->data(), records->size());
}

}  // namespace

TServer::TServer(ServerOptions options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      random_(options_.random ? *options_.random : rng()),
      wordRecords_(loadWords(options_)),
      spellit(resourceFor(options_, wordRecords_), reporterFor(options_)),
      wire_([this](HostWire::To to, int seat, const std::string& msg) {
          if (to == HostWire::To::All)
              sendtoall(msg);
          else if (to == HostWire::To::Players)
              sendtoplayers(msg);
          else
              sendto(seat, msg);
      }),
      referee_(
          random_, [this](std::string_view w) { return spellit.lookup(w); }, seatView_, wire_),
      gate_(options_.strangers) {
    if (options_.seed) random_.seed(*options_.seed);
    since_.start();
    wire_.clock = [this](bool on) { setClock(on); };

    listener.setPortName(options_.port);
    listener.OnAccept = [this](TSock& s) { onAccept(s); };
    listener.OnRead = [this](TSock& s, int n) { onRead(s, n); };
    tempsock.OnDisconnect = [this](TSock& s) { tempsockDisconnect(s); };
    tempsock.OnInfo = [this](TSock& s, SockEvent e, const std::string&) { tempsockInfo(s, e); };

    socktimer.setInterval(kQueueTickMs);
    clockTimer.setInterval(1000);
    connect(&socktimer, &QTimer::timeout, this, &TServer::socktimerTimer);
    connect(&clockTimer, &QTimer::timeout, this, &TServer::clockTick);
    // The queue timer runs only while the queue holds entries (wakeQueue).

    table_.on(proto::cmd::logininfo, [this](std::string_view f, int s) { receivedlogininfo(f, s); })
        .on(proto::cmd::kickhim, [this](std::string_view f, int s) { kickhim(f, s); })
        .on(proto::cmd::chat, [this](std::string_view f, int s) { chat(f, s); })
        .on(proto::cmd::action, [this](std::string_view f, int s) { action(f, s); })
        .on(proto::cmd::startgame, [this](std::string_view f, int s) { startgame(f, s); })
        .on(proto::cmd::done, [this](std::string_view f, int s) { done(f, s); })
        .on(proto::cmd::newtiles, [this](std::string_view f, int s) { newtiles(f, s); })
        .on(proto::cmd::pass, [this](std::string_view f, int s) { pass(f, s); })
        .on(proto::cmd::justwatch, [this](std::string_view f, int s) { justwatch(f, s); });
}

TServer::~TServer() {
    // Closing the connections below must not run the game's close path.
    shuttingDown_ = true;
    socktimer.stop();
    clockTimer.stop();
    for (int s = 1; s <= kSeats; ++s) {
        if (TSock* sock = seats[s].sock) {
            sock->OnInfo = nullptr;
            sock->OnDisconnect = nullptr;
            sock->OnRead = nullptr;
        }
    }
    listener.OnAccept = nullptr;
    listener.OnRead = nullptr;
}

int TServer::seatOf(proto::ConnId conn) const {
    if (conn == 0) return 0;
    for (int s = 1; s <= kSeats; ++s)
        if (seats[s].connected && seats[s].conn == conn) return s;
    return 0;
}

int TServer::seatOfSock(const TSock& sock) const {
    for (int s = 1; s <= kSeats; ++s)
        if (seats[s].connected && seats[s].sock == &sock) return s;
    return 0;
}

void TServer::wakeQueue() {
    // An idle host must not spin: the timer sleeps while nothing waits. It
    // is never restarted while it runs, and after a quiet spell the next tick
    // comes as soon as a whole tick has passed since the last one, so the
    // pace stays one entry per tick without adding a tick of delay.
    if (!options_.runTimers || receivedlist.empty() || socktimer.isActive()) return;
    const qint64 since = lastTick_.isValid() ? lastTick_.elapsed() : kQueueTickMs;
    socktimer.start(static_cast<int>(std::max<qint64>(0, kQueueTickMs - since)));
}

void TServer::socktimerTimer() {
    lastTick_.start();
    auto entry = receivedlist.take();
    if (options_.runTimers) {
        if (receivedlist.empty())
            socktimer.stop();
        else if (socktimer.interval() != kQueueTickMs)
            socktimer.start(kQueueTickMs);
    }
    if (!entry) return;
    resumeReading(entry->from);
    // The sender may have gone since; its seat may already be someone else's.
    const int from = seatOf(entry->from);
    if (from == 0) return;
    handle(entry->text, from);
}

void TServer::handle(std::string_view message, int fromSeat) {
    if (!isSeat(fromSeat) || !seats[fromSeat].connected) return;
    // Before its login a connection speaks for no one, not even for its seat.
    if (!seats[fromSeat].loggedin) {
        const auto split = proto::split(message);
        if (!split || split->command != proto::cmd::logininfo) return;
    }
    table_.dispatch(message, fromSeat);
    emit changed();
}

void TServer::listen(bool on) {
    listener.setListen(on);
    emit changed();
}

std::size_t TServer::socketsAlive() const {
    return listener.findChildren<TSock*>().size();
}

void TServer::setSinks(SendSink send, CloseSink close) {
    sendSink = std::move(send);
    closeSink = std::move(close);
}

void TServer::resumeReading(proto::ConnId conn) {
    if (!receivedlist.hasRoom(conn)) return;
    if (const int seat = seatOf(conn))
        if (TSock* sock = seats[seat].sock; sock && sock->ReadingPaused())
            sock->PauseReading(false);
}

void TServer::sendto(int seat, const std::string& msg) {
    if (seat < 1 || seat > kSeats) return;
    TSeat& st = seats[seat];
    if (!st.connected) return;
    if (st.sock) {
        try {
            st.sock->Send(msg);
        } catch (const ESockException&) {
            // Closed under us: the close report frees the seat.
        }
    } else if (sendSink) {
        sendSink(st.conn, msg);
    }
}

void TServer::sendtoall(const std::string& msg) {
    for (int s = 1; s <= seatcount; ++s) sendto(s, msg);
}

void TServer::sendtoplayers(const std::string& msg) {
    for (int s = 1; s <= kPlayerSeats; ++s) sendto(s, msg);
}

// ---- connections without sockets

proto::ConnId TServer::attach() {
    const int seat = chooseSeat();
    if (seat == 0) {
        const proto::ConnId id = ++nextConn_;
        if (sendSink) sendSink(id, proto::message(proto::cmd::full, {""}));
        if (closeSink) closeSink(id);
        return 0;
    }
    return seatConnection(seat, nullptr);
}

void TServer::inject(proto::ConnId from, std::string_view bytes) {
    const int seat = seatOf(from);
    if (seat == 0) return;
    // Without a socket there is nothing to pause: only going over counts.
    receivedlist.receive(from, bytes);
    if (receivedlist.over(from)) disconnectsock(seat);
    wakeQueue();
}

void TServer::detach(proto::ConnId from) {
    if (const int seat = seatOf(from)) connectionClosed(seat);
}

void TServer::clockTick() {
    referee_.tick();
    emit changed();
}

void TServer::setClock(bool on) {
    if (!options_.runTimers) return;
    if (on)
        clockTimer.start();
    else
        clockTimer.stop();
}

}  // namespace zindle
