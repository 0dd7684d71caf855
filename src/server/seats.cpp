// Seats: accepting, login, closing, removal, just-watch, chat and action relay.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>

#include "server/server.h"

namespace zindle {

using proto::Builder;
using proto::FieldReader;
using proto::message;
namespace cmd = proto::cmd;

namespace {

std::string cut(std::string_view text, std::size_t n) {
    return std::string(text.substr(0, n));
}

constexpr std::size_t kMaxName = 20;

std::string_view trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Names that would pass for one another in the chat and on the scoreboard.
bool sameName(std::string_view a, std::string_view b) {
    a = trimmed(a);
    b = trimmed(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A relayed line is the typed text, a bar and the sender's colour text. The
// text is cut to what the entry line holds (a phrase button's "says: " on
// top) and the colour text to the longest colour name, so that no peer can
// make the others' windows lay out megabytes.
constexpr std::size_t kMaxColourText = 32;

std::string typedLine(std::string_view text, std::string_view allowance = {}) {
    std::size_t limit = kMaxChatLine;
    if (!allowance.empty() && text.starts_with(allowance)) limit += allowance.size();
    const std::size_t bar = text.find('|');
    if (bar == std::string_view::npos) return proto::printable(text.substr(0, limit));
    return proto::printable(text.substr(0, std::min(bar, limit))) + "|" +
           proto::printable(text.substr(bar + 1, kMaxColourText));
}

}  // namespace

int TServer::chooseSeat() const {
    if (seatcount == 0) return 1;
    int s = 1;
    while (s < seatcount && seats[s].connected) ++s;
    if (!seats[s].connected) return s;
    if (s >= kSeats) return 0;
    return seatcount + 1;
}

proto::ConnId TServer::seatConnection(int seat, TSock* sock, std::string address) {
    if (seat > seatcount) seatcount = seat;
    TSeat& st = seats[seat];
    st.sock = sock;
    st.connected = true;
    st.conn = ++nextConn_;
    st.loggedin = false;
    st.address = std::move(address);
    if (options_.loginDeadlineMs > 0) {
        const proto::ConnId conn = st.conn;
        QTimer::singleShot(options_.loginDeadlineMs, this, [this, conn] { loginOverdue(conn); });
    }
    sendto(seat, message(cmd::sendlogininfo, {seat}));
    emit changed();
    return st.conn;
}

void TServer::loginOverdue(proto::ConnId conn) {
    const int seat = seatOf(conn);
    if (seat == 0 || seats[seat].loggedin) return;
    gate_.missed(seats[seat].address, nowMs());
    disconnectsock(seat);
}

void TServer::onAccept(TSock& from) {
    const int seat = chooseSeat();
    TSock* sock = nullptr;
    bool ok = false;
    try {
        ok = from.Accept(sock);
    } catch (const ESockException&) {
    }
    // Nothing was taken: the seat stays free and nobody is told.
    if (!ok || !sock) return;

    sock->OnRead = nullptr;
    sock->OnInfo = nullptr;
    sock->OnDisconnect = nullptr;
    // Refused like a full game: an address at its cap of connections waiting
    // for their login, or still waiting out its misses of the deadline.
    std::string address = StrangerGate::keyOf(sock->HostName());
    if (seat == 0 || !gate_.admit(address, nowMs())) {
        try {
            sock->Send(message(cmd::full, {""}));
        } catch (const ESockException&) {
        }
        sock->Close();
        sock->deleteLater();
        return;
    }
    // A move answers with several small messages; without this, Nagle and
    // the peer's delayed ACK hold all but the first for ~40 ms.
    const int one = 1;
    ::setsockopt(sock->Handle(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sock->setTag(seat);
    sock->OnDisconnect = tempsock.OnDisconnect;
    sock->OnInfo = tempsock.OnInfo;
    sock->OnRead = [this](TSock& s, int n) { onRead(s, n); };
    seatConnection(seat, sock, std::move(address));
}

void TServer::onRead(TSock& sock, int) {
    const int seat = seatOfSock(sock);
    std::string text;
    try {
        text = sock.Text();
    } catch (const ESockException&) {
        return;
    }
    if (seat == 0) return;
    // At its share it is not read until its entries drain: TCP holds the
    // rest back at the sender and nothing is lost.
    const proto::ConnId conn = seats[seat].conn;
    if (!receivedlist.receive(conn, text)) {
        if (receivedlist.over(conn))
            sock.Drop();
        else
            sock.PauseReading(true);
    }
    wakeQueue();
}

void TServer::tempsockDisconnect(TSock& sock) {
    if (seatOfSock(sock) != 0) sock.Close();
}

void TServer::tempsockInfo(TSock& sock, SockEvent event) {
    if (shuttingDown_ || event != SockEvent::Closed) return;
    // The second report of one close finds no seat any more.
    if (const int seat = seatOfSock(sock)) connectionClosed(seat);
}

void TServer::connectionClosed(int seat) {
    TSeat& st = seats[seat];
    // A connection that never logged in was never announced.
    for (int s = 1; s <= seatcount && st.loggedin; ++s)
        if (s != seat && seats[s].connected)
            sendto(s, message(cmd::playerdisconnected, {seat, st.name}));
    // What it still had queued is dropped rather than relayed: a seat no
    // longer in use speaks for no one (a last chat would carry an empty name).
    receivedlist.forget(st.conn, true);
    if (!st.loggedin) gate_.left(st.address);
    TSock* sock = st.sock;
    st.connected = false;
    st.name.clear();
    st.sock = nullptr;
    st.conn = 0;
    st.loggedin = false;
    st.address.clear();
    if (sock) {
        sock->OnRead = nullptr;
        sock->deleteLater();
    }
    if (seats[1].connected) referee_.turnLeft(seat);
    emit changed();
}

void TServer::disconnectsock(int seat) {
    if (!isSeat(seat) || !seats[seat].connected) return;
    if (TSock* sock = seats[seat].sock) {
        sock->Close();  // reports "Socket Closed", which frees the seat
    } else {
        const proto::ConnId conn = seats[seat].conn;
        connectionClosed(seat);
        if (closeSink) closeSink(conn);
    }
}

// Two seats never show one name: a newcomer with a seated player's name is
// shown with a number, which its window tells it.
std::string TServer::distinctName(std::string name, int seat) const {
    const auto taken = [&](std::string_view n) {
        for (int s = 1; s <= seatcount; ++s)
            if (s != seat && seats[s].loggedin && sameName(seats[s].name, n)) return true;
        return false;
    };
    if (!taken(name)) return name;
    const std::string base(trimmed(name));
    for (int k = 2;; ++k) {
        const std::string suffix = " (" + std::to_string(k) + ")";
        std::string numbered = base.substr(0, kMaxName - suffix.size()) + suffix;
        if (!taken(numbered)) return numbered;
    }
}

void TServer::receivedlogininfo(std::string_view fields, int fromSeat) {
    TSeat& st = seats[fromSeat];
    if (st.loggedin) return;  // the first login stands
    FieldReader r(fields);
    const auto seat = r.number();
    if (!seat || *seat != fromSeat) return;
    const std::string version = cut(r.field(), 15);
    std::string name = proto::printable(cut(r.rest(), kMaxName));
    if (trimmed(name).empty()) name = "Player " + std::to_string(fromSeat);
    name = distinctName(std::move(name), fromSeat);
    st.name = name;
    st.connected = true;
    st.loggedin = true;
    gate_.loggedIn(st.address);

    sendtoall(message(cmd::newplayerinfo, {fromSeat, name}));
    for (int s = 1; s <= seatcount; ++s)
        if (s != fromSeat && seats[s].loggedin)
            sendto(fromSeat, message(cmd::existingplayers, {s, seats[s].name}));
    if (version != proto::kVersion) {
        sendto(1, message(cmd::havewrongversion, {name}));
        sendto(fromSeat, message(cmd::wrongversion, {""}));
    }
    bringUpToDate(fromSeat);
}

void TServer::kickhim(std::string_view fields, int fromSeat) {
    FieldReader r(fields);
    const auto requester = r.number();
    if (!requester || *requester != fromSeat || fromSeat != 1) return;
    const auto target = r.number();
    if (!target || *target < 1 || *target > seatcount) return;
    // Told first, so the removed window can say why it closes rather than
    // taking the removal for a lost connection.
    if (seats[*target].connected)
        sendto(*target, message(cmd::playerdisconnected, {*target, seats[*target].name}));
    disconnectsock(*target);
}

void TServer::justwatch(std::string_view fields, int fromSeat) {
    FieldReader r(fields);
    const auto seat = r.number();
    if (!seat || *seat < 1 || *seat > kPlayerSeats || *seat > seatcount) return;
    // Seat 1 (the host's window) may set others to watch; nobody else may.
    if (*seat != fromSeat && fromSeat != 1) return;
    const std::string_view mode = r.rest();
    TSeat& st = seats[*seat];
    if (mode == "2") {
        st.watching = false;
        sendtoall(message(cmd::justwatching, {*seat, "2"}));
    } else if (mode == "1") {
        bool another = false;
        for (int s = 1; s <= kPlayerSeats; ++s)
            if (s != *seat && seats[s].connected && !seats[s].watching) another = true;
        if (!another) return;  // the last active player keeps playing
        st.watching = true;
        sendtoall(message(cmd::justwatching, {*seat, "1"}));
        referee_.turnLeft(*seat);
    }
}

void TServer::chat(std::string_view fields, int fromSeat) {
    FieldReader r(fields);
    const auto seat = r.number();
    if (!seat || *seat != fromSeat) return;
    sendtoall("CMD_chat+" + seats[fromSeat].name + " chats: " + typedLine(r.rest()) +
              proto::kTerminator);
}

void TServer::action(std::string_view fields, int fromSeat) {
    FieldReader r(fields);
    const auto seat = r.number();
    if (!seat || *seat != fromSeat) return;
    sendtoall("CMD_action+" + seats[fromSeat].name + " " + typedLine(r.rest(), "says: ") +
              proto::kTerminator);
}

}  // namespace zindle
