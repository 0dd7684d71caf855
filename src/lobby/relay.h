// Game connections through the XMPP server's SOCKS5 bytestream proxy, for
// tables the joiner cannot reach directly. The joiner's lobby waits at the
// proxy first and then asks the host; the host's lobby joins it there,
// activates the stream and connects it to its own game port. From then on
// bytes pass unchanged both ways, with back-pressure: neither end reads more
// than the other has taken, so no buffer grows without bound.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

#include "lobby/protocol.h"

class QTcpServer;
class QTcpSocket;

namespace zindle::lobby {

class LobbyClient;

// Two connected sockets joined end to end. Either end closing closes the
// other once what it sent has gone on.
class RelayLink : public QObject {
    Q_OBJECT
public:
    // Takes both sockets; bytes either already holds are passed on too.
    // Writes to b go in paced chunks when b leads to a bytestream proxy.
    RelayLink(QTcpSocket* a, QTcpSocket* b, bool paceB, QObject* parent = nullptr);
    ~RelayLink() override;
    // Bytes carried each way so far.
    qint64 carried() const { return carried_; }
    // Bytes held here now, read and not yet written on.
    qint64 buffered() const;
    bool isOpen() const { return !closed_; }
    void close();

    static constexpr qint64 kWindow = 64 * 1024;  // unsent bytes per direction
    // Prosody's proxy reads 4 KiB at a time and may leave the rest of a
    // larger read unread until more arrives: bursts to it go in chunks it
    // reads whole, a moment apart.
    static constexpr qint64 kProxyChunk = 4096;
    static constexpr int kProxyGapMs = 2;

signals:
    void closed();

private:
    void move(QTcpSocket* from, QTcpSocket* to);
    void finish(QTcpSocket* gone);

    QTcpSocket* a_;
    QTcpSocket* b_;
    bool paceB_;
    QTimer pace_;
    qint64 carried_ = 0;
    bool closed_ = false;
};

// Opens a SOCKS5 connection to a bytestream proxy for one destination hash.
class Socks5Connect : public QObject {
    Q_OBJECT
public:
    Socks5Connect(const StreamHost& proxy, const QString& dst, int timeoutMs,
                  QObject* parent = nullptr);
    ~Socks5Connect() override;
    // The connected socket, once ready(); the caller owns it then.
    QTcpSocket* take();

signals:
    void ready();
    void failed();

private:
    void read();
    void fail();

    QTcpSocket* socket_;
    QByteArray dst_;
    int step_ = 0;  // 0 connecting, 1 greeted, 2 asked, 3 ready
    QTimer deadline_;
};

// sha1(sid + initiator's full JID + target), as the proxy pairs the two ends.
QString relayDestination(const QString& sid, const QString& initiator, const QString& target);
// The target the host names when it activates a stream (any JID the proxy
// takes, the same on both ends of the hash).
inline constexpr char kRelayTarget[] = "relay@zindle.invalid";

// Our side of the relay while we host: offers made to joiners, and the
// streams they became, each to the game port from a loopback address of
// its joiner's own (127.100.x.y), so the host tells relayed players apart.
class RelayHost : public QObject {
    Q_OBJECT
public:
    explicit RelayHost(LobbyClient& client, QObject* parent = nullptr);
    ~RelayHost() override;

    // A way in through the proxy for this joiner; none without a proxy or
    // while too many offers wait.
    std::optional<RelayOffer> offer(const QString& nick);
    void setGamePort(int port) { gamePort_ = port; }
    // Ends every stream (the table closed).
    void closeAll();
    int streams() const;
    qint64 buffered() const;
    int waiting() const { return int(offers_.size()); }
    // The source address of this joiner's game connections.
    QString sourceFor(const QString& nick);

    static constexpr int kMaxOffers = 32;
    static constexpr int kMaxStreams = 16;  // four players, five spectators and some leaving
    int offerLifetimeMs = 60000;
    int connectTimeoutMs = 5000;

private:
    void request(const QString& nick, const QString& sid, std::function<void(bool)> done);
    void prune();

    LobbyClient& client_;
    int gamePort_ = 0;
    struct Pending {
        QString nick;
        QString dst;
        QElapsedTimer since;
    };
    QHash<QString, Pending> offers_;  // by sid
    QList<QPointer<RelayLink>> links_;
    int connecting_ = 0;
    QHash<QString, int> sources_;
    int nextSource_ = 1;
};

// How a joiner gets in: the direct address first (unless relay only) with a
// short timeout, then the relay. Ends in direct(), relayed() or failed().
class JoinPath : public QObject {
    Q_OBJECT
public:
    JoinPath(LobbyClient& client, const QString& hostNick, const JoinOffer& offer, bool relayOnly,
             QObject* parent = nullptr);
    ~JoinPath() override;
    void start();

    // A direct connect that works answers well within a second, even across the world; the
    // rest of the 3 s a join may take is the relay's.
    int directTimeoutMs = 2500;
    int relayTimeoutMs = 8000;
    int gameTimeoutMs = 30000;  // for the game to connect to the loopback port

    // The relayed stream, once the game has connected.
    RelayLink* link() const { return link_; }

signals:
    // Start the game at host:port.
    void direct(const QString& host, int port);
    // Start the game at 127.0.0.1:port; the lobby carries it through the
    // proxy (or to an address too long for the game).
    void relayed(int port);
    void failed(const QString& why);
    // A relayed stream has ended (the game closes with it).
    void ended();

private:
    void tryRelay();
    void relayReady(QTcpSocket* proxy);
    // Hands the game a loopback port that leads to far.
    void serve(QTcpSocket* far, bool throughProxy);
    void fail(const QString& why);
    void over();

    LobbyClient& client_;
    QString hostNick_;
    JoinOffer offer_;
    bool relayOnly_;
    QList<QTcpSocket*> probes_;
    QTimer probeTimer_;
    Socks5Connect* socks_ = nullptr;
    QTcpSocket* far_ = nullptr;
    bool paceFar_ = false;
    QTcpServer* listener_ = nullptr;
    QTimer gameTimer_;
    RelayLink* link_ = nullptr;
    bool done_ = false;
    bool over_ = false;
};

}  // namespace zindle::lobby
