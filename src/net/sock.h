// TSock: the program's one socket component. One instance owns at most one
// TCP or UDP socket and reports everything through its On* handlers, which
// run on the UI thread (readiness comes from QSocketNotifier).
//
// The component does no framing: OnRead says how many bytes are buffered and
// the owner takes them with Text(). See net/protocol.h for the game's framing.
#pragma once

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

class QSocketNotifier;

enum TSocketType { stStream, stDatagram };
enum TLineBreak { lbCRLF, lbCR, lbLF, lbSmart };

// The kind of an OnInfo report, by number; the numbers are part of the interface.
enum TSocketInfo {
    siLookup = 0,
    siConnect = 1,
    siClose = 2,
    siListen = 3,
    siReceive = 4,
    siSend = 5,
    siAccept = 6,
    siError = 7,
};

// What an OnInfo report tells; code decides by this. The text that comes
// with it is for a person (a log line, the window's chat): a fixed text, or
// for Error the Windows Sockets name of the failure
// ("Error #10061 (WSAECONNREFUSED)").
enum class SockEvent {
    HostLookup,         // "Lookup Of Host NAME"
    PortLookup,         // "Lookup Of Port NAME"
    NotWhileConnected,  // a HostName or PortName set while connected waits for the next connection
    ListeningStarted,
    ListeningStopped,
    AlreadyListening,
    Connected,      // blocking or not
    CannotConnect,  // a blocking connect failed
    Closed,         // "Socket Closed": the end of every connection, told once
    PeerClosed,     // a blocking read found the connection closed
    BlockingAccept,
    AcceptFailed,
    Accepted,  // "Created New TSock Structure"
    Sent,
    Received,
    Error,
};

// The numbered kind an event belongs to.
TSocketInfo infoKind(SockEvent event);

// Raised by every failing operation; what() is one of the fixed texts
// ("Listen - Socket Already In Use", "Send - Socket Not Connected", ...).
class ESockException : public std::runtime_error {
public:
    explicit ESockException(const std::string& msg) : std::runtime_error(msg) {}
};

// Windows Sockets error numbers and names, as the reports show them.
int wsaErrorFromErrno(int err);      // e.g. ECONNREFUSED -> 10061
std::string wsaErrorName(int code);  // e.g. 10061 -> "WSAECONNREFUSED"; else "UNKNOWN ERROR"
std::string wsaErrorText(int code);  // "Error #10061 (WSAECONNREFUSED)"

class TSock;

// Stream adapter over one TSock: Read takes buffered bytes with Receive and
// copies at most the count asked (the surplus is kept for the next Read),
// Write hands bytes to Send, Seek is a no-op.
class TSockStream {
public:
    explicit TSockStream(TSock& sock) : sock_(sock) {}
    int Read(void* buffer, int count);
    int Write(const void* buffer, int count);
    std::int64_t Seek(std::int64_t offset, int origin);

private:
    TSock& sock_;
    std::string rest_;  // taken from the socket but not yet read
};

class TSock : public QObject {
public:
    using NotifyEvent = std::function<void(TSock&)>;
    using InfoEvent = std::function<void(TSock&, SockEvent, const std::string& text)>;
    using ReadEvent = std::function<void(TSock&, int count)>;
    using AutoAcceptEvent = std::function<void(TSock&, TSock& newSock)>;

    // Name to IPv4 address (network byte order); nullopt when there is no entry.
    using Resolver = std::function<std::optional<std::uint32_t>(const std::string& name)>;

    // A connection whose unsent data grows past this is taken as dead.
    static constexpr std::size_t kMaxSendBuffer = 4u * 1024u * 1024u;
    static constexpr int kReadChunk = 32768;

    explicit TSock(QObject* parent = nullptr);
    ~TSock() override;
    TSock(const TSock&) = delete;
    TSock& operator=(const TSock&) = delete;

    // Properties, each read and set on its own.
    TSocketType SocketType() const { return socketType_; }
    void setSocketType(TSocketType t);
    const std::string& HostName() const { return hostName_; }
    void setHostName(const std::string& name);
    const std::string& PortName() const { return portName_; }
    void setPortName(const std::string& name);
    bool Blocking() const { return blocking_; }
    void setBlocking(bool on);
    bool AutoAccept() const { return autoAccept_; }
    void setAutoAccept(bool on) { autoAccept_ = on; }
    bool Listen() const { return listen_; }
    void setListen(bool on);
    TLineBreak LineBreak() const { return lineBreak_; }
    void setLineBreak(TLineBreak lb) { lineBreak_ = lb; }
    int BlockingTimeout() const { return blockingTimeout_; }
    void setBlockingTimeout(int seconds) { blockingTimeout_ = seconds; }
    std::intptr_t Tag() const { return tag_; }
    void setTag(std::intptr_t tag) { tag_ = tag; }
    bool Connected() const { return connected_; }
    // The IPv4 address a stream connection is made from ("127.0.0.2"); empty for
    // any. A relay on this machine can give each of its peers a loopback
    // address of its own this way, which the host tells apart.
    const std::string& LocalHost() const { return localHost_; }
    void setLocalHost(const std::string& address) { localHost_ = address; }

    // Events. Copyable, so an owner can copy them from one instance to another.
    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    InfoEvent OnInfo;
    ReadEvent OnRead;
    NotifyEvent OnWrite;
    NotifyEvent OnAccept;
    AutoAcceptEvent OnAutoAccept;

    // Operations.
    bool Open();
    bool Close();
    bool Send(const std::string& data);
    // Takes up to count buffered bytes; -1 takes all. Any other count below 1
    // returns "" without touching the network.
    std::string Receive(int count);
    std::string Text() { return Receive(-1); }
    // Accepts one waiting connection into a new TSock owned by this listener
    // (a QObject child: deleted with it unless the owner deletes it first).
    bool Accept(TSock*& newSock);
    void SendDatagram(const std::string& data, const std::string& host);
    // Gives up on a connection the way a stalled one is given up: reading
    // stops now, and from the event loop it is reported (10055, WSAENOBUFS)
    // and closed like a broken one (OnDisconnect, then "Socket Closed").
    // Safe to call from the socket's own handlers.
    void Drop();
    // Stops or resumes reading a stream connection. While paused nothing is
    // read, so the peer's data waits in the kernel and TCP slows the peer.
    void PauseReading(bool paused);
    bool ReadingPaused() const { return readPaused_; }
    void ReceiveDatagram(std::string& data, std::string& host);

    TSockStream& Stream() { return stream_; }

    // Form loading: between BeginLoad and Loaded the properties are only stored;
    // Loaded applies Blocking and starts listening if Listen was stored as true.
    void BeginLoad() { loading_ = true; }
    void Loaded();

    // Inspection.
    int Handle() const { return fd_; }
    std::size_t ReceiveBufferSize() const { return recvBuf_.size(); }
    std::size_t SendBufferSize() const { return sendBuf_.size(); }
    // The local port of the socket (0 without one): lets a listener bound to
    // port "0" tell which free port it got.
    int LocalPort() const;

    // Host-name cache and resolver, shared by all instances. Names that begin
    // with a digit are parsed as dotted addresses and never reach the resolver.
    // A stream socket also joins an IPv6 address ("::1", "[fe80::1%eth0]") or a
    // name that has only IPv6 addresses; a listener takes IPv6 and IPv4 alike.
    static void setResolver(Resolver r);  // empty: the system resolver
    static void clearHostCache();

private:
    void report(SockEvent event, const std::string& text);
    void registerNotifications();
    void dropNotifiers();
    void updateWriteWatch();
    std::uint32_t lookupHost(const std::string& name);
    std::uint16_t lookupPort(const std::string& name);
    bool createSocket(int type, int family);
    void adoptAccepted(int fd);
    void flushNonBlocking();
    void deadConnection(int wsaCode);
    void scheduleDeadClose(int wsaCode);
    void sendBlocking();
    std::string receiveBlocking(int readSize);
    void connectFailed(int err);
    std::size_t pending() const { return sendBuf_.size() - sendHead_; }

    void onReadReady();
    void onWriteReady();
    void handleRead();
    void handleAccept();
    void handleConnectDone();
    void handleClose();

    TSocketType socketType_ = stStream;
    std::string hostName_;
    std::string portName_;
    std::string localHost_;
    bool blocking_ = false;
    bool autoAccept_ = false;
    bool listen_ = false;
    TLineBreak lineBreak_ = lbSmart;
    int blockingTimeout_ = 0;
    std::intptr_t tag_ = 0;
    bool connected_ = false;
    bool loading_ = false;

    int fd_ = -1;
    bool connecting_ = false;     // a non-blocking connect is under way
    bool closing_ = false;        // a deferred close is already scheduled
    bool connectFailed_ = false;  // left connecting after an error, until Close
    bool sendBroken_ = false;     // the network refused our data: stop watching writes
    bool readPaused_ = false;     // the owner is not taking more for now
    unsigned gen_ = 0;            // bumped per socket, so deferred work finds its own
    std::uint32_t peerAddr_ = 0;  // network byte order
    std::uint16_t peerPort_ = 0;  // host byte order
    std::string recvBuf_;
    std::string sendBuf_;
    std::size_t sendHead_ = 0;  // bytes already sent from the front of sendBuf_
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    std::shared_ptr<bool> alive_;  // false once destroyed: guards code after callbacks
    TSockStream stream_;
};
