#include "lobby/relay.h"

#include <strophe.h>

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

#include "lobby/lobbyclient.h"

namespace zindle::lobby {

namespace {

QString randomSid() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString sid;
    for (int i = 0; i < 20; ++i)
        sid += QChar(letters[QRandomGenerator::system()->bounded(int(sizeof letters) - 1)]);
    return sid;
}

}  // namespace

QString relayDestination(const QString& sid, const QString& initiator, const QString& target) {
    return QString::fromLatin1(
        QCryptographicHash::hash((sid + initiator + target).toUtf8(), QCryptographicHash::Sha1)
            .toHex());
}

// --- RelayLink ---

RelayLink::RelayLink(QTcpSocket* a, QTcpSocket* b, bool paceB, QObject* parent)
    : QObject(parent), a_(a), b_(b), paceB_(paceB) {
    pace_.setSingleShot(true);
    pace_.setInterval(kProxyGapMs);
    connect(&pace_, &QTimer::timeout, this, [this] { move(a_, b_); });
    for (QTcpSocket* s : {a_, b_}) {
        s->setParent(this);
        // Qt stops reading from the kernel when this much waits unread, so a
        // slow reader holds back its writer through TCP itself.
        s->setReadBufferSize(kWindow);
    }
    connect(a_, &QTcpSocket::readyRead, this, [this] { move(a_, b_); });
    connect(b_, &QTcpSocket::readyRead, this, [this] { move(b_, a_); });
    connect(b_, &QTcpSocket::bytesWritten, this, [this] { move(a_, b_); });
    connect(a_, &QTcpSocket::bytesWritten, this, [this] { move(b_, a_); });
    connect(a_, &QTcpSocket::disconnected, this, [this] { finish(a_); });
    connect(b_, &QTcpSocket::disconnected, this, [this] { finish(b_); });
    connect(a_, &QTcpSocket::errorOccurred, this, [this] { finish(a_); });
    connect(b_, &QTcpSocket::errorOccurred, this, [this] { finish(b_); });
    move(a_, b_);
    move(b_, a_);
    if (a_->state() != QAbstractSocket::ConnectedState) finish(a_);
    if (b_->state() != QAbstractSocket::ConnectedState) finish(b_);
}

RelayLink::~RelayLink() {
    // The sockets are ours and go with us, without telling anyone again.
    a_->disconnect(this);
    b_->disconnect(this);
    a_->abort();
    b_->abort();
}

qint64 RelayLink::buffered() const {
    return a_->bytesToWrite() + b_->bytesToWrite() + a_->bytesAvailable() + b_->bytesAvailable();
}

void RelayLink::move(QTcpSocket* from, QTcpSocket* to) {
    if (closed_) return;
    if (to == b_ && paceB_) {
        if (pace_.isActive() || to->bytesToWrite() > 0 || from->bytesAvailable() == 0) return;
        const QByteArray chunk = from->read(kProxyChunk);
        to->write(chunk);
        carried_ += chunk.size();
        pace_.start();
    }
    while (from->bytesAvailable() > 0 && to->bytesToWrite() < kWindow && !(to == b_ && paceB_)) {
        const QByteArray chunk = from->read(kWindow - to->bytesToWrite());
        if (chunk.isEmpty()) break;
        to->write(chunk);
        carried_ += chunk.size();
    }
    // Qt reads on from the kernel only after a read has found its buffer
    // empty; a read of exactly what it held does not, so this one does.
    if (from->bytesAvailable() == 0) from->readAll();
}

void RelayLink::finish(QTcpSocket* gone) {
    if (closed_) return;
    QTcpSocket* other = gone == a_ ? b_ : a_;
    // What the closed end sent last still goes on; the other end then closes
    // once its data has been written.
    if (other->state() == QAbstractSocket::ConnectedState) {
        const QByteArray rest = gone->readAll();
        other->write(rest);
        carried_ += rest.size();
        other->disconnectFromHost();
    }
    closed_ = true;
    emit closed();
}

void RelayLink::close() {
    if (closed_) return;
    closed_ = true;
    a_->abort();
    b_->abort();
    emit closed();
}

// --- Socks5Connect ---

Socks5Connect::Socks5Connect(const StreamHost& proxy, const QString& dst, int timeoutMs,
                             QObject* parent)
    : QObject(parent), socket_(new QTcpSocket(this)), dst_(dst.toLatin1()) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &Socks5Connect::fail);
    deadline_.start(timeoutMs);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        step_ = 1;
        socket_->write(QByteArray("\x05\x01\x00", 3));  // version 5, one method: none
    });
    connect(socket_, &QTcpSocket::readyRead, this, &Socks5Connect::read);
    connect(socket_, &QTcpSocket::errorOccurred, this, &Socks5Connect::fail);
    connect(socket_, &QTcpSocket::disconnected, this, &Socks5Connect::fail);
    socket_->connectToHost(proxy.host, quint16(proxy.port));
}

Socks5Connect::~Socks5Connect() = default;

void Socks5Connect::read() {
    if (step_ == 1) {
        if (socket_->bytesAvailable() < 2) return;
        const QByteArray answer = socket_->read(2);
        if (answer != QByteArray("\x05\x00", 2)) return fail();
        step_ = 2;
        // CONNECT to the hash as a domain name, port 0: 47 bytes in one write,
        // as proxies read the request whole.
        QByteArray request("\x05\x01\x00\x03", 4);
        request.append(char(dst_.size()));
        request.append(dst_);
        request.append("\x00\x00", 2);
        socket_->write(request);
        return;
    }
    if (step_ == 2) {
        // VER REP RSV ATYP, then the bound address and port.
        if (socket_->bytesAvailable() < 5) return;
        const QByteArray head = socket_->peek(5);
        if (head[0] != 5 || head[1] != 0) return fail();
        int size = 0;
        switch (head[3]) {
            case 1:
                size = 4 + 4 + 2;
                break;
            case 3:
                size = 5 + quint8(head[4]) + 2;
                break;
            case 4:
                size = 4 + 16 + 2;
                break;
            default:
                return fail();
        }
        if (socket_->bytesAvailable() < size) return;
        socket_->read(size);
        step_ = 3;
        deadline_.stop();
        socket_->disconnect(this);
        emit ready();
    }
}

void Socks5Connect::fail() {
    if (step_ == 3 || step_ < 0) return;
    step_ = -1;
    deadline_.stop();
    socket_->disconnect(this);
    socket_->abort();
    emit failed();
}

QTcpSocket* Socks5Connect::take() {
    if (step_ != 3 || !socket_) return nullptr;
    QTcpSocket* s = socket_;
    socket_ = nullptr;
    s->setParent(nullptr);
    return s;
}

// --- RelayHost ---

RelayHost::RelayHost(LobbyClient& client, QObject* parent) : QObject(parent), client_(client) {
    client_.answerRelay = [this](const QString& nick, const QString& sid,
                                 std::function<void(bool)> done) {
        request(nick, sid, std::move(done));
    };
}

RelayHost::~RelayHost() {
    client_.answerRelay = nullptr;
    closeAll();
}

void RelayHost::prune() {
    for (auto it = offers_.begin(); it != offers_.end();)
        it = it->since.elapsed() > offerLifetimeMs ? offers_.erase(it) : std::next(it);
    links_.removeIf([](const QPointer<RelayLink>& l) { return l.isNull(); });
}

std::optional<RelayOffer> RelayHost::offer(const QString& nick) {
    prune();
    const auto& proxy = client_.proxy();
    if (!proxy || client_.fullJid().isEmpty() || offers_.size() >= kMaxOffers) return std::nullopt;
    const QString sid = randomSid();
    Pending p{nick, relayDestination(sid, client_.fullJid(), kRelayTarget), {}};
    p.since.start();
    offers_.insert(sid, p);
    return RelayOffer{proxy->jid, sid, p.dst};
}

QString RelayHost::sourceFor(const QString& nick) {
    auto it = sources_.find(nick);
    if (it == sources_.end()) {
        if (sources_.size() >= 4096) sources_.clear();
        it = sources_.insert(nick, nextSource_);
        nextSource_ = nextSource_ % 65000 + 1;
    }
    return QStringLiteral("127.100.%1.%2").arg(*it / 250).arg(*it % 250 + 1);
}

void RelayHost::request(const QString& nick, const QString& sid, std::function<void(bool)> done) {
    prune();
    const auto it = offers_.find(sid);
    // Only the joiner we offered the stream to, once, while the table is open.
    if (it == offers_.end() || it->nick != nick || gamePort_ == 0 || !client_.proxy() ||
        links_.size() + connecting_ >= kMaxStreams) {
        done(false);
        return;
    }
    const QString dst = it->dst;
    offers_.erase(it);
    ++connecting_;
    const StreamHost proxy = *client_.proxy();
    auto* socks = new Socks5Connect(proxy, dst, connectTimeoutMs, this);
    // Whichever way it ends, done is called once and the count comes back.
    auto finish = [this, done = std::move(done), socks](bool ok) {
        --connecting_;
        socks->deleteLater();
        done(ok);
    };
    connect(socks, &Socks5Connect::failed, this, [finish] { finish(false); });
    connect(socks, &Socks5Connect::ready, this, [this, socks, sid, proxy, nick, finish] {
        QPointer<QTcpSocket> stream = socks->take();
        stream->setParent(this);
        xmpp_ctx_t* ctx = client_.session().context();
        xmpp_stanza_t* q = xmpp_stanza_new(ctx);
        xmpp_stanza_set_name(q, "query");
        xmpp_stanza_set_ns(q, kBytestreamsNamespace);
        xmpp_stanza_set_attribute(q, "sid", sid.toUtf8().constData());
        xmpp_stanza_t* activate = xmpp_stanza_new(ctx);
        xmpp_stanza_set_name(activate, "activate");
        xmpp_stanza_t* text = xmpp_stanza_new(ctx);
        xmpp_stanza_set_text(text, kRelayTarget);
        xmpp_stanza_add_child(activate, text);
        xmpp_stanza_release(text);
        xmpp_stanza_add_child(q, activate);
        xmpp_stanza_release(activate);
        const bool sent = client_.query(
            proxy.jid, "set", q,
            [this, stream, nick, finish](xmpp_stanza_t* result) {
                if (!result || !stream || stream->state() != QAbstractSocket::ConnectedState) {
                    if (stream) stream->deleteLater();
                    finish(false);
                    return;
                }
                auto* game = new QTcpSocket(this);
                game->bind(QHostAddress(sourceFor(nick)));
                auto* timer = new QTimer(game);
                timer->setSingleShot(true);
                connect(timer, &QTimer::timeout, game, [game] { game->abort(); });
                timer->start(connectTimeoutMs);
                connect(game, &QTcpSocket::connected, this, [this, game, stream, timer, finish] {
                    timer->stop();
                    game->disconnect(this);
                    if (!stream) {
                        game->deleteLater();
                        finish(false);
                        return;
                    }
                    auto* link = new RelayLink(game, stream, true, this);
                    links_ << link;
                    connect(link, &RelayLink::closed, link, &QObject::deleteLater);
                    finish(true);
                });
                connect(game, &QTcpSocket::errorOccurred, this, [this, game, stream, finish] {
                    game->disconnect(this);
                    game->deleteLater();
                    if (stream) stream->deleteLater();
                    finish(false);
                });
                game->connectToHost(QHostAddress::LocalHost, quint16(gamePort_));
            },
            connectTimeoutMs);
        if (!sent) {
            stream->deleteLater();
            finish(false);
        }
    });
}

int RelayHost::streams() const {
    return int(std::count_if(links_.begin(), links_.end(),
                             [](const QPointer<RelayLink>& l) { return l && l->isOpen(); }));
}

qint64 RelayHost::buffered() const {
    qint64 sum = 0;
    for (const QPointer<RelayLink>& l : links_)
        if (l) sum += l->buffered();
    return sum;
}

void RelayHost::closeAll() {
    offers_.clear();
    const auto links = links_;
    links_.clear();
    for (const QPointer<RelayLink>& l : links)
        if (l) l->close();
}

// --- JoinPath ---

JoinPath::JoinPath(LobbyClient& client, const QString& hostNick, const JoinOffer& offer,
                   bool relayOnly, QObject* parent)
    : QObject(parent), client_(client), hostNick_(hostNick), offer_(offer), relayOnly_(relayOnly) {
    probeTimer_.setSingleShot(true);
    gameTimer_.setSingleShot(true);
    connect(&gameTimer_, &QTimer::timeout, this, [this] {
        // The game never came: the stream is given up.
        if (link_) return;
        if (listener_) listener_->close();
        if (far_) far_->abort();
        over();
    });
}

JoinPath::~JoinPath() = default;

void JoinPath::start() {
    if (relayOnly_ || !offer_.direct()) {
        tryRelay();
        return;
    }
    // Every address at once; the first that answers is taken.
    QList<JoinOffer::Direct> directs{{offer_.host, offer_.port}};
    directs += offer_.others;
    for (const JoinOffer::Direct& d : directs) {
        auto* probe = new QTcpSocket(this);
        probes_ << probe;
        connect(probe, &QTcpSocket::connected, this, [this, probe, d] {
            probeTimer_.stop();
            for (QTcpSocket* p : std::as_const(probes_)) {
                p->disconnect(this);
                if (p != probe) p->abort();
            }
            // A name is looked up by the lobby; only an address whose
            // shortest spelling is longer than the game keeps is carried.
            const QHostAddress literal(d.host);
            if (literal.isNull() || literal.toString().size() <= kMaxName) {
                // The game connects itself; this was only a try.
                probe->abort();
                done_ = true;
                emit direct(d.host, d.port);
                return;
            }
            serve(probe, false);
        });
        connect(probe, &QTcpSocket::errorOccurred, this, [this, probe] {
            probe->disconnect(this);
            probes_.removeOne(probe);
            probe->deleteLater();
            if (probes_.isEmpty() && probeTimer_.isActive()) {
                probeTimer_.stop();
                tryRelay();
            }
        });
        probe->connectToHost(d.host, quint16(d.port));
    }
    connect(&probeTimer_, &QTimer::timeout, this, [this] {
        for (QTcpSocket* p : std::as_const(probes_)) {
            p->disconnect(this);
            p->abort();
        }
        tryRelay();
    });
    probeTimer_.start(directTimeoutMs);
}

void JoinPath::fail(const QString& why) {
    if (done_) return;
    done_ = true;
    if (listener_) listener_->close();
    if (far_) far_->abort();
    emit failed(why);
}

void JoinPath::tryRelay() {
    if (done_) return;
    if (!offer_.relay) {
        fail(relayOnly_ ? QStringLiteral("The table offers no relay.")
                        : QStringLiteral("The table cannot be reached, and it offers no relay."));
        return;
    }
    const RelayOffer relay = *offer_.relay;
    QPointer<JoinPath> self(this);
    auto* ask = xmpp_stanza_new(client_.session().context());
    xmpp_stanza_set_name(ask, "query");
    xmpp_stanza_set_ns(ask, kBytestreamsNamespace);
    const bool sent = client_.query(
        relay.jid, "get", ask,
        [self, relay](xmpp_stanza_t* result) {
            if (!self) return;
            const auto host = readStreamHost(result);
            if (!host) {
                self->fail(QStringLiteral("The relay cannot be reached."));
                return;
            }
            self->socks_ = new Socks5Connect(*host, relay.dst, self->relayTimeoutMs, self);
            connect(self->socks_, &Socks5Connect::failed, self,
                    [self] { self->fail(QStringLiteral("The relay cannot be reached.")); });
            connect(self->socks_, &Socks5Connect::ready, self,
                    [self] { self->relayReady(self->socks_->take()); });
        },
        relayTimeoutMs);
    if (!sent) fail(QStringLiteral("Not signed in to the lobby."));
}

void JoinPath::relayReady(QTcpSocket* proxy) {
    QPointer<JoinPath> self(this);
    QPointer<QTcpSocket> stream(proxy);
    proxy->setParent(this);
    client_.requestRelay(hostNick_, offer_.relay->sid, [self, stream](bool ok) {
        if (!self) return;
        if (!ok || !stream || stream->state() != QAbstractSocket::ConnectedState) {
            if (stream) stream->abort();
            self->fail(QStringLiteral("The host did not open the relay."));
            return;
        }
        self->serve(stream, true);
    });
}

void JoinPath::over() {
    if (over_) return;
    over_ = true;
    emit ended();
}

void JoinPath::serve(QTcpSocket* far, bool throughProxy) {
    if (done_) return;
    far_ = far;
    paceFar_ = throughProxy;
    far_->setParent(this);
    listener_ = new QTcpServer(this);
    listener_->setMaxPendingConnections(1);
    if (!listener_->listen(QHostAddress::LocalHost, 0)) {
        fail(QStringLiteral("No loopback port for the game."));
        return;
    }
    // Until the game connects, the far end keeps what it sends.
    connect(far_, &QTcpSocket::disconnected, this, [this] {
        if (link_) return;
        gameTimer_.stop();
        listener_->close();
        over();
    });
    connect(listener_, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* game = listener_->nextPendingConnection();
        if (!game || link_) return;
        // One game connection: nobody else on this machine gets the stream.
        listener_->close();
        gameTimer_.stop();
        far_->disconnect(this);
        link_ = new RelayLink(game, far_, paceFar_, this);
        connect(link_, &RelayLink::closed, this, &JoinPath::over);
    });
    done_ = true;
    gameTimer_.start(gameTimeoutMs);
    emit relayed(listener_->serverPort());
}

}  // namespace zindle::lobby
