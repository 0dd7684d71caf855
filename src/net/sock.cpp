// TSock: errors, the host-name cache, construction, notifications,
// properties, lookups, listening, opening, closing and accepting.
// Reading and sending on a stream are in sock_stream.cpp, the blocking mode
// and the stream adapter in sock_blocking.cpp, datagrams in sock_datagram.cpp.
#include "net/sock.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <QtGlobal>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "net/sock_support.h"

using namespace socksupport;

// ---- Error numbers --------------------------------------------------------

int wsaErrorFromErrno(int err) {
    switch (err) {
        case EINTR:
            return 10004;
        case EBADF:
            return 10009;
        case EACCES:
            return 10013;
        case EFAULT:
            return 10014;
        case EINVAL:
            return 10022;
        case EMFILE:
            return 10024;
        case EAGAIN:
            return 10035;
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
            return 10035;
#endif
        case EINPROGRESS:
            return 10036;
        case EALREADY:
            return 10037;
        case ENOTSOCK:
            return 10038;
        case EDESTADDRREQ:
            return 10039;
        case EMSGSIZE:
            return 10040;
        case EPROTOTYPE:
            return 10041;
        case ENOPROTOOPT:
            return 10042;
        case EPROTONOSUPPORT:
            return 10043;
        case ESOCKTNOSUPPORT:
            return 10044;
        case EOPNOTSUPP:
            return 10045;
        case EPFNOSUPPORT:
            return 10046;
        case EAFNOSUPPORT:
            return 10047;
        case EADDRINUSE:
            return 10048;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ENETUNREACH:
            return 10051;
        case ENETRESET:
            return 10052;
        case ECONNABORTED:
            return 10053;
        case ECONNRESET:
            return 10054;
        case ENOBUFS:
            return 10055;
        case EISCONN:
            return 10056;
        case ENOTCONN:
            return 10057;
        case ESHUTDOWN:
        case EPIPE:  // writing after the connection was shut down
            return 10058;
        case ETOOMANYREFS:
            return 10059;
        case ETIMEDOUT:
            return 10060;
        case ECONNREFUSED:
            return 10061;
        case ELOOP:
            return 10062;
        case ENAMETOOLONG:
            return 10063;
        case EHOSTDOWN:
            return 10064;
        case EHOSTUNREACH:
            return 10065;
        case ENOTEMPTY:
            return 10066;
        case EUSERS:
            return 10068;
        case EDQUOT:
            return 10069;
        case ESTALE:
            return 10070;
        case EREMOTE:
            return 10071;
        default:
            // Keep clear of the Windows range so an unmapped errno never
            // masquerades as a known code; the name then reads "UNKNOWN ERROR".
            return 20000 + err;
    }
}

std::string wsaErrorName(int code) {
    switch (code) {
        case 10004:
            return "WSAEINTR";
        case 10009:
            return "WSAEBADF";
        case 10013:
            return "WSAEACCES";
        case 10014:
            return "WSAEFAULT";
        case 10022:
            return "WSAEINVAL";
        case 10024:
            return "WSAEMFILE";
        case 10035:
            return "WSAEWOULDBLOCK";
        case 10036:
            return "WSAEINPROGRESS";
        case 10037:
            return "WSAEALREADY";
        case 10038:
            return "WSAENOTSOCK";
        case 10039:
            return "WSAEDESTADDRREQ";
        case 10040:
            return "WSAEMSGSIZE";
        case 10041:
            return "WSAEPROTOTYPE";
        case 10042:
            return "WSAENOPROTOOPT";
        case 10043:
            return "WSAEPROTONOSUPPORT";
        case 10044:
            return "WSAESOCKTNOSUPPORT";
        case 10045:
            return "WSAEOPNOTSUPP";
        case 10046:
            return "WSAEPFNOSUPPORT";
        case 10047:
            return "WSAEAFNOSUPPORT";
        case 10048:
            return "WSAEADDRINUSE";
        case 10049:
            return "WSAEADDRNOTAVAIL";
        case 10050:
            return "WSAENETDOWN";
        case 10051:
            return "WSAENETUNREACH";
        case 10052:
            return "WSAENETRESET";
        case 10053:
            return "WSAECONNABORTED";
        case 10054:
            return "WSAECONNRESET";
        case 10055:
            return "WSAENOBUFS";
        case 10056:
            return "WSAEISCONN";
        case 10057:
            return "WSAENOTCONN";
        case 10058:
            return "WSAESHUTDOWN";
        case 10059:
            return "WSAETOOMANYREFS";
        case 10060:
            return "WSAETIMEDOUT";
        case 10061:
            return "WSAECONNREFUSED";
        case 10062:
            return "WSAELOOP";
        case 10063:
            return "WSAENAMETOOLONG";
        case 10064:
            return "WSAEHOSTDOWN";
        case 10065:
            return "WSAEHOSTUNREACH";
        case 10066:
            return "WSAENOTEMPTY";
        case 10067:
            return "WSAEPROCLIM";
        case 10068:
            return "WSAEUSERS";
        case 10069:
            return "WSAEDQUOT";
        case 10070:
            return "WSAESTALE";
        case 10071:
            return "WSAEREMOTE";
        case 10091:
            return "WSASYSNOTREADY";
        case 10092:
            return "WSAVERNOTSUPPORTED";
        case 10093:
            return "WSANOTINITIALISED";
        case 10101:
            return "WSAEDISCON";
        case 11001:
            return "WSAHOST_NOT_FOUND";
        case 11002:
            return "WSATRY_AGAIN";
        case 11003:
            return "WSANO_RECOVERY";
        case 11004:
            return "WSANO_DATA";
        default:
            return "UNKNOWN ERROR";
    }
}

std::string wsaErrorText(int code) {
    return "Error #" + std::to_string(code) + " (" + wsaErrorName(code) + ")";
}

// ---- Host-name cache ------------------------------------------------------

namespace {

struct HostEntry {
    std::string name;
    std::uint32_t addr;  // network byte order
};

// Process-wide: each name is looked up once per run (until clearHostCache),
// so a slow resolver costs one wait per name, not one per connection.
std::vector<HostEntry>& hostCache() {
    static std::vector<HostEntry> cache;
    return cache;
}

TSock::Resolver& resolverSeam() {
    static TSock::Resolver r;
    return r;
}

std::optional<std::uint32_t> systemResolve(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || !res) return std::nullopt;
    std::uint32_t addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(res);
    return addr;
}

// The port and the reason, in the words a player can act on.
std::string bindFailure(std::uint16_t port, int err) {
    const std::string where = "port " + std::to_string(port);
    switch (err) {
        case EADDRINUSE:
            return where + " is already in use";
        case EACCES:
            return where + " needs administrator rights";
        default:
            return where + ": " + std::strerror(err);
    }
}

// An IPv6 address to join: a literal ("::1", "[fe80::1%eth0]"), or a name that
// has no IPv4 address. Only names ever block, and only when they have no
// IPv4 entry at all.
std::optional<sockaddr_in6> ipv6Target(std::string name, std::uint16_t port, bool literalOnly) {
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    const bool literal = name.find(':') != std::string::npos;
    if (literalOnly && !literal) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = literal ? AI_NUMERICHOST : 0;
    addrinfo* res = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || !res) return std::nullopt;
    sockaddr_in6 sa{};
    std::memcpy(&sa, res->ai_addr, sizeof sa);
    freeaddrinfo(res);
    sa.sin6_port = htons(port);
    return sa;
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

void TSock::setResolver(Resolver r) {
    resolverSeam() = std::move(r);
}

void TSock::clearHostCache() {
    hostCache().clear();
}

void socksupport::handlerFailed(const char* where, const std::exception& e) {
    qWarning("TSock %s: %s", where, e.what());
}

// ---- Construction ---------------------------------------------------------

TSock::TSock(QObject* parent)
    : QObject(parent), alive_(std::make_shared<bool>(true)), stream_(*this) {}

TSock::~TSock() {
    if (listen_ || connected_) {
        Close();
    } else {
        dropNotifiers();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    *alive_ = false;
}

void TSock::Loaded() {
    loading_ = false;
    if (fd_ >= 0) registerNotifications();
    if (listen_) {
        listen_ = false;
        setListen(true);
    }
}

// ---- Reports and notifications --------------------------------------------

TSocketInfo infoKind(SockEvent event) {
    switch (event) {
        case SockEvent::HostLookup:
        case SockEvent::PortLookup:
        case SockEvent::NotWhileConnected:
            return siLookup;
        case SockEvent::ListeningStarted:
        case SockEvent::ListeningStopped:
        case SockEvent::AlreadyListening:
            return siListen;
        case SockEvent::Connected:
            return siConnect;
        case SockEvent::CannotConnect:
        case SockEvent::Closed:
        case SockEvent::PeerClosed:
            return siClose;
        case SockEvent::BlockingAccept:
        case SockEvent::AcceptFailed:
        case SockEvent::Accepted:
            return siAccept;
        case SockEvent::Sent:
            return siSend;
        case SockEvent::Received:
            return siReceive;
        case SockEvent::Error:
            break;
    }
    return siError;
}

void TSock::report(SockEvent event, const std::string& text) {
    if (!OnInfo) return;
    InfoEvent h = OnInfo;  // the handler may replace OnInfo while it runs
    // Callers catch ESockException; whatever the handler threw keeps its cause.
    try {
        h(*this, event, text);
    } catch (const ESockException&) {
        throw;
    } catch (const std::exception& e) {
        throw ESockException(std::string("OnInfo - ") + e.what());
    } catch (...) {
        throw ESockException("OnInfo - The Handler Failed");
    }
}

void TSock::dropNotifiers() {
    // Deferred delete: we may be inside the notifier's own activation.
    if (readNotifier_) {
        readNotifier_->setEnabled(false);
        readNotifier_.release()->deleteLater();
    }
    if (writeNotifier_) {
        writeNotifier_->setEnabled(false);
        writeNotifier_.release()->deleteLater();
    }
}

void TSock::registerNotifications() {
    if (fd_ < 0) return;
    if (listen_ || !blocking_) {
        setNonBlocking(fd_, true);
        if (!readNotifier_) {
            readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
            QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, this,
                             [this] { onReadReady(); });
        }
        // A pending connect is watched through write readiness only.
        readNotifier_->setEnabled(!connecting_ && !connectFailed_ && !readPaused_);
        updateWriteWatch();
        return;
    }
    dropNotifiers();
    setNonBlocking(fd_, false);
}

void TSock::updateWriteWatch() {
    bool want = fd_ >= 0 && !listen_ && !blocking_ && socketType_ == stStream && !connectFailed_ &&
                (connecting_ || (pending() > 0 && !sendBroken_));
    if (want && !writeNotifier_) {
        writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, this,
                         [this] { onWriteReady(); });
    }
    if (writeNotifier_ && writeNotifier_->isEnabled() != want) writeNotifier_->setEnabled(want);
}

// ---- Properties -----------------------------------------------------------

void TSock::setSocketType(TSocketType t) {
    if (!loading_) {
        if (listen_) throw ESockException("SocketType - Can't Assign Socket Type While Listening");
        if (connected_)
            throw ESockException("SocketType - Can't Assign Socket Type While Connected");
    }
    socketType_ = t;
}

void TSock::setHostName(const std::string& name) {
    if (socketType_ == stStream && connected_)
        report(SockEvent::NotWhileConnected, "Setting HostName While Connected Has No Effect");
    hostName_ = name;
    if (socketType_ == stDatagram && connected_) peerAddr_ = lookupHost(hostName_);
}

void TSock::setPortName(const std::string& name) {
    if (connected_)
        report(SockEvent::NotWhileConnected, "Setting PortName While Connected Has No Effect");
    portName_ = name;
}

void TSock::setBlocking(bool on) {
    blocking_ = on;
    if (!loading_ && fd_ >= 0) registerNotifications();
}

int TSock::LocalPort() const {
    if (fd_ < 0) return 0;
    sockaddr_storage sa{};
    socklen_t len = sizeof sa;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) < 0) return 0;
    if (sa.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(sa).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(sa).sin_port);
}

// ---- Lookups --------------------------------------------------------------

std::uint32_t TSock::lookupHost(const std::string& name) {
    if (name.empty()) return htonl(INADDR_ANY);
    report(SockEvent::HostLookup, "Lookup Of Host " + name);
    if (std::isdigit(static_cast<unsigned char>(name[0]))) return inet_addr(name.c_str());
    for (const HostEntry& e : hostCache())
        if (sameName(e.name, name)) return e.addr;
    std::optional<std::uint32_t> addr = resolverSeam() ? resolverSeam()(name) : systemResolve(name);
    if (!addr) throw ESockException("Host Lookup - Could Not Find Host Entry");
    hostCache().push_back(HostEntry{name, *addr});
    return *addr;
}

std::uint16_t TSock::lookupPort(const std::string& name) {
    report(SockEvent::PortLookup, "Lookup Of Port " + name);
    if (!name.empty() && std::isdigit(static_cast<unsigned char>(name[0]))) {
        unsigned long v = 0;
        for (char c : name) {
            if (c < '0' || c > '9') break;
            v = v * 10 + static_cast<unsigned long>(c - '0');
            if (v > 65535) break;
        }
        return static_cast<std::uint16_t>(v);
    }
    servent* s = getservbyname(name.c_str(), socketType_ == stStream ? "tcp" : "udp");
    if (!s) throw ESockException("Port Lookup - Could Not Find Service Entry");
    return ntohs(static_cast<std::uint16_t>(s->s_port));
}

bool TSock::createSocket(int type, int family) {
    fd_ = ::socket(family, type | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    ++gen_;
    connecting_ = connectFailed_ = sendBroken_ = closing_ = false;
    return true;
}

// ---- Listen ---------------------------------------------------------------

void TSock::setListen(bool on) {
    if (loading_) {
        listen_ = on;
        return;
    }
    if (fd_ >= 0 && !listen_) {
        listen_ = false;
        throw ESockException("Listen - Socket Already In Use");
    }
    if (socketType_ == stDatagram && on) {
        listen_ = false;
        throw ESockException("Listen - Cannot Listen On A Datagram Socket");
    }
    if (!on) {
        listen_ = false;
        auto alive = alive_;
        Close();
        if (*alive) report(SockEvent::ListeningStopped, "Listening Stopped");
        return;
    }
    if (listen_) {
        report(SockEvent::AlreadyListening, "Listening Already Running");
        return;
    }
    std::uint16_t port = lookupPort(portName_);
    // One socket for IPv6 and IPv4 players alike; IPv4 alone where the
    // machine has no IPv6.
    bool v6 = createSocket(SOCK_STREAM, AF_INET6);
    if (!v6 && !createSocket(SOCK_STREAM, AF_INET))
        throw ESockException("Listen - Error Binding Socket: " + bindFailure(port, errno));
    int one = 1, off = 0;
    // Lets a restarted host bind while old connections linger in TIME_WAIT;
    // a live listener on the port still makes bind fail.
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    int bound;
    if (v6) {
        setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 sa{};
        sa.sin6_family = AF_INET6;
        sa.sin6_port = htons(port);
        sa.sin6_addr = in6addr_any;
        bound = ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    } else {
        sockaddr_in sa = makeAddr(htonl(INADDR_ANY), port);
        bound = ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    }
    if (bound < 0)
        throw ESockException("Listen - Error Binding Socket: " + bindFailure(port, errno));
    // A long queue: while a storm of connections keeps a short one full, the
    // kernel drops an honest player's connect, and TCP tries again only a
    // second later.
    if (::listen(fd_, SOMAXCONN) < 0) throw ESockException("Listen - Error Starting Listen");
    listen_ = true;
    registerNotifications();
    report(SockEvent::ListeningStarted, "Listening Started");
}

// ---- Open / Close ---------------------------------------------------------

bool TSock::Open() {
    if (fd_ >= 0) return connected_;
    // Lookups first: a name that cannot be found leaves no half-made socket.
    std::uint16_t port = lookupPort(portName_);
    std::optional<sockaddr_in6> v6;
    std::uint32_t addr = htonl(INADDR_ANY);
    if (socketType_ == stStream) {
        v6 = ipv6Target(hostName_, port, true);
        if (!v6) {
            try {
                addr = lookupHost(hostName_);
            } catch (const ESockException&) {
                v6 = ipv6Target(hostName_, port, false);
                if (!v6) throw;
            }
        }
    }
    if (!createSocket(socketType_ == stStream ? SOCK_STREAM : SOCK_DGRAM,
                      v6 ? AF_INET6 : AF_INET)) {
        report(SockEvent::Error, wsaErrorText(wsaErrorFromErrno(errno)));
        return false;
    }
    if (!v6 && socketType_ == stStream && !localHost_.empty()) {
        const sockaddr_in from = makeAddr(inet_addr(localHost_.c_str()), 0);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&from), sizeof from) < 0) {
            const int err = errno;
            ::close(fd_);
            fd_ = -1;
            report(SockEvent::Error, wsaErrorText(wsaErrorFromErrno(err)));
            return false;
        }
    }
    peerAddr_ = v6 ? 0 : addr;
    peerPort_ = port;
    sockaddr_storage target{};
    socklen_t targetLen = 0;
    if (v6) {
        std::memcpy(&target, &*v6, sizeof *v6);
        targetLen = sizeof *v6;
    } else {
        const sockaddr_in sa4 = makeAddr(addr, port);
        std::memcpy(&target, &sa4, sizeof sa4);
        targetLen = sizeof sa4;
    }
    auto* sa = reinterpret_cast<sockaddr*>(&target);
    auto alive = alive_;
    auto announceConnected = [&](const char* text) {
        connected_ = true;
        report(SockEvent::Connected, text);
        if (*alive && OnConnect) {
            NotifyEvent h = OnConnect;  // a copy: the handler may replace itself
            h(*this);
        }
    };

    if (socketType_ == stDatagram) {
        registerNotifications();
        if (::bind(fd_, sa, targetLen) == 0) {
            announceConnected("Datagram Socket Connected");
        } else {
            report(SockEvent::Error, wsaErrorText(wsaErrorFromErrno(errno)));
        }
        return *alive && connected_;
    }

    if (!blocking_) {
        connecting_ = true;
        registerNotifications();
        int r = ::connect(fd_, sa, targetLen);
        int err = errno;
        if (r < 0 && err != EINPROGRESS && err != EINTR) {
            // Failed at once: the error still comes as a later notification.
            if (writeNotifier_) writeNotifier_->setEnabled(false);
            unsigned gen = gen_;
            QMetaObject::invokeMethod(
                this,
                [this, gen, err] {
                    if (gen == gen_ && connecting_) {
                        try {
                            connectFailed(err);
                        } catch (const std::exception& e) {
                            handlerFailed("Open", e);
                        }
                    }
                },
                Qt::QueuedConnection);
        }
        return false;
    }

    registerNotifications();
    int r;
    do {
        r = ::connect(fd_, sa, targetLen);
    } while (r < 0 && errno == EINTR);
    if (r == 0) {
        announceConnected("Blocking Socket Connected");
    } else {
        report(SockEvent::CannotConnect, "Blocking Socket Can't Connect");
        if (*alive) Close();
    }
    return *alive && connected_;
}

bool TSock::Close() {
    bool ok = false;
    auto alive = alive_;
    try {
        dropNotifiers();
        if (fd_ >= 0) ok = ::close(fd_) == 0;
        fd_ = -1;
        connected_ = false;
        connecting_ = connectFailed_ = sendBroken_ = closing_ = readPaused_ = false;
        // Unsent data belonged to this connection, not to the next one.
        sendBuf_.clear();
        sendHead_ = 0;
        if (!listen_) report(SockEvent::Closed, "Socket Closed");
    } catch (const std::exception& e) {
        // Close never throws: it runs from the destructor too.
        handlerFailed("Close", e);
    }
    if (*alive) listen_ = false;
    return ok;
}

// ---- Accept ---------------------------------------------------------------

bool TSock::Accept(TSock*& newSock) {
    if (!listen_) throw ESockException("Accept - Socket Not In Listening Mode");
    if (blocking_) report(SockEvent::BlockingAccept, "Blocking Accept");
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    int nfd;
    do {
        nfd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
    } while (nfd < 0 && errno == EINTR);
    if (readNotifier_ && fd_ >= 0) readNotifier_->setEnabled(true);
    if (nfd < 0) {
        report(SockEvent::AcceptFailed, "Could Not Accept Connection");
        return false;
    }
    auto* s = new TSock(this);
    s->fd_ = nfd;
    s->gen_ = 1;
    s->setBlocking(blocking_);
    s->blockingTimeout_ = blockingTimeout_;
    s->OnRead = OnRead;
    s->OnWrite = OnWrite;
    s->OnDisconnect = OnDisconnect;
    s->OnInfo = OnInfo;
    s->connected_ = true;
    // IPv4 players reach the dual-stack listener as mapped addresses: they keep
    // their dotted names.
    std::string peerName;
    if (peer.ss_family == AF_INET6) {
        const auto& p6 = reinterpret_cast<const sockaddr_in6&>(peer);
        s->peerPort_ = ntohs(p6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&p6.sin6_addr)) {
            std::memcpy(&s->peerAddr_, p6.sin6_addr.s6_addr + 12, 4);
            peerName = dotted(s->peerAddr_);
        } else {
            char buf[INET6_ADDRSTRLEN] = {};
            inet_ntop(AF_INET6, &p6.sin6_addr, buf, sizeof buf);
            peerName = buf;
        }
    } else {
        const auto& p4 = reinterpret_cast<const sockaddr_in&>(peer);
        s->peerAddr_ = p4.sin_addr.s_addr;
        s->peerPort_ = ntohs(p4.sin_port);
        peerName = dotted(p4.sin_addr.s_addr);
    }
    newSock = s;
    s->setPortName(portName_);
    s->setHostName(peerName);
    report(SockEvent::Accepted, "Created New TSock Structure");
    return true;
}
