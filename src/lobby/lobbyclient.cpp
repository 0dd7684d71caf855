#include "lobby/lobbyclient.h"

#include <strophe.h>

#include <QPointer>
#include <QRandomGenerator>
#include <cstring>

namespace zindle::lobby {

namespace {

constexpr char kPingNamespace[] = "urn:xmpp:ping";
constexpr char kMucOwnerNamespace[] = "http://jabber.org/protocol/muc#owner";
constexpr char kDataNamespace[] = "jabber:x:data";
constexpr int kMaxJid = 3 * 1023 + 2;  // the longest JID a server may route
constexpr int kMaxNickBytes = 80;      // longer nicks are no Zindle player's
constexpr int kHistory = 10;           // room lines shown on joining

xmpp_stanza_t* element(xmpp_ctx_t* ctx, const char* name, const char* ns = nullptr) {
    xmpp_stanza_t* e = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(e, name);
    if (ns) xmpp_stanza_set_ns(e, ns);
    return e;
}

void adopt(xmpp_stanza_t* parent, xmpp_stanza_t* child) {
    xmpp_stanza_add_child(parent, child);
    xmpp_stanza_release(child);
}

bool is(const char* a, const char* b) {
    return a && std::strcmp(a, b) == 0;
}

QString text(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

// The status codes of a MUC presence or message.
QList<int> statusCodes(xmpp_stanza_t* stanza) {
    QList<int> codes;
    xmpp_stanza_t* x = child(stanza, "x", kMucUserNamespace);
    if (!x) return codes;
    int n = 0;
    for (xmpp_stanza_t* c = xmpp_stanza_get_children(x); c && n < 16;
         c = xmpp_stanza_get_next(c), ++n)
        if (is(xmpp_stanza_get_name(c), "status")) codes << attribute(c, "code", 3).toInt();
    return codes;
}

QString errorCondition(xmpp_stanza_t* stanza) {
    xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(stanza, "error");
    if (!error) return {};
    for (xmpp_stanza_t* c = xmpp_stanza_get_children(error); c; c = xmpp_stanza_get_next(c))
        if (xmpp_stanza_is_tag(c) && !is(xmpp_stanza_get_name(c), "text"))
            return text(xmpp_stanza_get_name(c)).left(kMaxAttribute);
    return {};
}

bool acceptableNick(const QString& nick) {
    return !nick.isEmpty() && nick.toUtf8().size() <= kMaxNickBytes &&
           plainText(nick, kMaxNickBytes) == nick;
}

}  // namespace

LobbyClient::LobbyClient(QObject* parent) : QObject(parent) {
    connect(&session_, &XmppSession::signedIn, this, &LobbyClient::onSignedIn);
    connect(&session_, &XmppSession::ended, this, &LobbyClient::onEnded);
    session_.onStanza = [this](xmpp_stanza_t* s) { onStanza(s); };

    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, [this] {
        if (!wanted_) return;
        setState(State::SigningIn);
        session_.signIn(settings_.account);
    });
    pingTimer_.setSingleShot(true);
    connect(&pingTimer_, &QTimer::timeout, this, &LobbyClient::ping);
    pingDeadline_.setSingleShot(true);
    connect(&pingDeadline_, &QTimer::timeout, this, [this] {
        // The server stopped answering: the connection is dead even if TCP has not noticed.
        session_.close();
        onEnded(Failure::Dropped);
    });
    presenceTimer_.setSingleShot(true);
    presenceTimer_.setInterval(100);
    connect(&presenceTimer_, &QTimer::timeout, this, &LobbyClient::sendRoomPresence);
    joinTimer_.setInterval(500);
    connect(&joinTimer_, &QTimer::timeout, this, [this] {
        for (auto it = joins_.begin(); it != joins_.end();) {
            if (it->since.elapsed() >= joinTimeoutMs) {
                const QString host = it->hostNick;
                it = joins_.erase(it);
                emit joinAnswered(host, Refusal::NoAnswer, {});
            } else {
                ++it;
            }
        }
        QList<Answer> late;
        for (auto it = queries_.begin(); it != queries_.end();) {
            if (it->since.elapsed() >= it->timeoutMs) {
                late << it->answer;
                it = queries_.erase(it);
            } else {
                ++it;
            }
        }
        if (joins_.isEmpty() && queries_.isEmpty()) joinTimer_.stop();
        for (const Answer& a : late) a(nullptr);
    });
}

LobbyClient::~LobbyClient() {
    wanted_ = false;
    session_.close();
}

void LobbyClient::setState(State state, const QString& why) {
    if (state == state_ && why.isEmpty()) return;
    state_ = state;
    emit stateChanged(state, why);
}

void LobbyClient::start(const LobbySettings& settings) {
    settings_ = settings;
    const QString domain = settings.account.domain();
    room_ = settings.room.isEmpty() ? "lobby@conference." + domain : settings.room;
    nick_ = plainText(settings.nick.isEmpty() ? settings.account.name() : settings.nick, kMaxName);
    wanted_ = true;
    retryMs_ = firstRetryMs;
    retryTimer_.stop();
    setState(State::SigningIn);
    session_.signIn(settings.account);
}

void LobbyClient::stop() {
    wanted_ = false;
    retryTimer_.stop();
    pingTimer_.stop();
    pingDeadline_.stop();
    if (session_.online()) {
        xmpp_stanza_t* p = xmpp_presence_new(session_.context());
        xmpp_stanza_set_to(p, occupantJid(nick_).toUtf8().constData());
        xmpp_stanza_set_type(p, "unavailable");
        session_.send(p);
        xmpp_stanza_release(p);
    }
    session_.close();
    clearRoom();
    setState(State::Offline, describe(Failure::Stopped, {}));
}

void LobbyClient::clearRoom() {
    const QMap<QString, Occupant> gone = occupants_;
    occupants_.clear();
    for (const Occupant& o : gone) {
        if (o.table) emit tableChanged(o.nick);
        emit occupantLeft(o.nick);
    }
    for (auto it = joins_.begin(); it != joins_.end(); it = joins_.erase(it))
        emit joinAnswered(it->hostNick, Refusal::Gone, {});
    const QHash<QString, Query> unanswered = std::exchange(queries_, {});
    for (const Query& q : unanswered) q.answer(nullptr);
}

void LobbyClient::onSignedIn() {
    joinTries_ = 0;
    setState(State::Joining);
    xmpp_stanza_t* p = xmpp_presence_new(session_.context());
    session_.send(p);
    xmpp_stanza_release(p);
    sendRoomPresence();
    pingTimer_.start(pingEveryMs);
    discoverProxy();
}

void LobbyClient::onEnded(Failure why) {
    pingTimer_.stop();
    pingDeadline_.stop();
    presenceTimer_.stop();
    clearRoom();
    const QString server =
        settings_.account.server.isEmpty() ? settings_.account.domain() : settings_.account.server;
    if (!wanted_) {
        setState(State::Offline, describe(why, server));
        return;
    }
    // A session that was up and dropped, or a server that is not there yet,
    // may come back; a refusal will not change by asking again.
    if (retryable(why) || (why == Failure::Conflict && state_ == State::Online)) {
        retryLater(describe(why, server));
        return;
    }
    wanted_ = false;
    setState(State::Failed, describe(why, server));
}

void LobbyClient::retryLater(const QString& why) {
    const int jitter = QRandomGenerator::global()->bounded(retryMs_ / 5 + 1);
    retryTimer_.start(retryMs_ + jitter);
    setState(State::Waiting,
             why + QStringLiteral(" Trying again in %1 s.").arg((retryMs_ + jitter + 999) / 1000));
    retryMs_ = std::min(retryMs_ * 2, lastRetryMs);
}

void LobbyClient::sendRoomPresence() {
    if (!session_.online()) return;
    xmpp_ctx_t* ctx = session_.context();
    xmpp_stanza_t* p = xmpp_presence_new(ctx);
    xmpp_stanza_set_to(p, occupantJid(nick_).toUtf8().constData());
    if (state_ == State::Joining) {
        xmpp_stanza_t* x = element(ctx, "x", kMucNamespace);
        xmpp_stanza_t* history = element(ctx, "history");
        xmpp_stanza_set_attribute(history, "maxstanzas", QByteArray::number(kHistory).constData());
        adopt(x, history);
        adopt(p, x);
    }
    if (table_) adopt(p, gameElement(ctx, *table_));
    session_.send(p);
    xmpp_stanza_release(p);
}

bool LobbyClient::say(const QString& line) {
    const QString clean = plainText(line, kMaxLine);
    if (state_ != State::Online || clean.trimmed().isEmpty()) return false;
    xmpp_stanza_t* m =
        xmpp_message_new(session_.context(), "groupchat", room_.toUtf8().constData(), nullptr);
    xmpp_message_set_body(m, clean.toUtf8().constData());
    session_.send(m);
    xmpp_stanza_release(m);
    return true;
}

void LobbyClient::announce(const std::optional<TableInfo>& table) {
    if (table == table_) return;
    table_ = table;
    // Changes that come in a burst (seats filling) go out as one presence.
    if (state_ == State::Online && !presenceTimer_.isActive()) presenceTimer_.start();
}

void LobbyClient::requestJoin(const QString& hostNick, bool watch) {
    if (state_ != State::Online || !occupants_.contains(hostNick)) {
        emit joinAnswered(hostNick, Refusal::Gone, {});
        return;
    }
    xmpp_ctx_t* ctx = session_.context();
    const QString id = session_.newId();
    xmpp_stanza_t* iq = xmpp_iq_new(ctx, "get", id.toUtf8().constData());
    xmpp_stanza_set_to(iq, occupantJid(hostNick).toUtf8().constData());
    adopt(iq, joinElement(ctx, watch));
    Pending p{hostNick, {}};
    p.since.start();
    joins_.insert(id, p);
    if (!joinTimer_.isActive()) joinTimer_.start();
    session_.send(iq);
    xmpp_stanza_release(iq);
}

bool LobbyClient::invite(const QString& nick) {
    if (state_ != State::Online || !occupants_.contains(nick) || nick == nick_) return false;
    xmpp_ctx_t* ctx = session_.context();
    xmpp_stanza_t* m =
        xmpp_message_new(ctx, "chat", occupantJid(nick).toUtf8().constData(), nullptr);
    adopt(m, inviteElement(ctx, room_, nick_));
    session_.send(m);
    xmpp_stanza_release(m);
    return true;
}

void LobbyClient::ping() {
    if (!session_.online()) return;
    xmpp_ctx_t* ctx = session_.context();
    pingId_ = session_.newId();
    xmpp_stanza_t* iq = xmpp_iq_new(ctx, "get", pingId_.toUtf8().constData());
    xmpp_stanza_set_to(iq, settings_.account.domain().toUtf8().constData());
    adopt(iq, element(ctx, "ping", kPingNamespace));
    session_.send(iq);
    xmpp_stanza_release(iq);
    pingDeadline_.start(pingTimeoutMs);
}

void LobbyClient::onStanza(xmpp_stanza_t* stanza) {
    const char* fromRaw = xmpp_stanza_get_from(stanza);
    if (fromRaw && std::strlen(fromRaw) > kMaxJid) return;
    const QString from = text(fromRaw);
    const QString bare = from.section('/', 0, 0);
    const bool fromRoom = !from.isEmpty() && bare.compare(room_, Qt::CaseInsensitive) == 0;
    const QString nick = fromRoom && from.contains('/') ? from.section('/', 1) : QString();
    const char* name = xmpp_stanza_get_name(stanza);
    if (is(name, "presence")) {
        // The room's own presence (no nick) carries nothing about players.
        if (fromRoom && !nick.isEmpty()) onPresence(stanza, nick);
    } else if (is(name, "message")) {
        onMessage(stanza, nick, fromRoom);
    } else if (is(name, "iq")) {
        onIq(stanza, from, nick, fromRoom);
    }
}

void LobbyClient::onPresence(xmpp_stanza_t* stanza, const QString& nick) {
    const char* type = xmpp_stanza_get_type(stanza);
    const QList<int> codes = statusCodes(stanza);
    const bool self = codes.contains(110) || nick == nick_;
    if (is(type, "error")) {
        if (!self || state_ != State::Joining) return;
        const QString condition = errorCondition(stanza);
        if (condition == "item-not-found" && joinTries_ < 5) {
            // A room just created by somebody else stays locked until its
            // creator opens it: a moment later it takes us.
            ++joinTries_;
            QTimer::singleShot(300 * joinTries_, this, [this] {
                if (state_ == State::Joining) sendRoomPresence();
            });
            return;
        }
        QString why;
        if (condition == "conflict")
            why = QStringLiteral("Somebody in the lobby already goes by the name %1.").arg(nick_);
        else if (condition == "forbidden")
            why = QStringLiteral("You are banned from the lobby room.");
        else if (condition == "service-unavailable")
            why = QStringLiteral("The lobby room is full.");
        else if (condition == "registration-required" || condition == "not-authorized")
            why = QStringLiteral("The lobby room is closed to you.");
        else
            why = QStringLiteral("The lobby room refused you (%1).").arg(condition);
        wanted_ = false;
        session_.close();
        clearRoom();
        setState(State::Failed, why);
        return;
    }
    if (is(type, "unavailable")) {
        if (self) {
            if (codes.contains(303)) return;  // a nick change; the new presence follows
            // Removed from the room (kicked, or the room closed): join again later.
            session_.close();
            onEnded(Failure::Dropped);
            return;
        }
        const auto it = occupants_.find(nick);
        if (it == occupants_.end()) return;
        const bool hadTable = it->table.has_value();
        occupants_.erase(it);
        joinLimit_.forget(nick);
        chatLimit_.forget(nick);
        inviteLimit_.forget(nick);
        if (hadTable) emit tableChanged(nick);
        emit occupantLeft(nick);
        return;
    }
    if (type) return;  // subscriptions and the like mean nothing in the room
    if (self) {
        if (codes.contains(210) && acceptableNick(nick)) nick_ = nick;
        if (codes.contains(201)) {
            // A room we created: open it as it is rather than leave it locked.
            xmpp_ctx_t* ctx = session_.context();
            xmpp_stanza_t* iq = xmpp_iq_new(ctx, "set", session_.newId().toUtf8().constData());
            xmpp_stanza_set_to(iq, room_.toUtf8().constData());
            xmpp_stanza_t* query = element(ctx, "query", kMucOwnerNamespace);
            xmpp_stanza_t* x = element(ctx, "x", kDataNamespace);
            xmpp_stanza_set_type(x, "submit");
            adopt(query, x);
            adopt(iq, query);
            session_.send(iq);
            xmpp_stanza_release(iq);
        }
        if (state_ == State::Joining) {
            retryMs_ = firstRetryMs;
            setState(State::Online);
            // The table may have changed while we were away.
            if (table_) presenceTimer_.start();
        }
    }
    if (!acceptableNick(nick)) return;
    const std::optional<TableInfo> table = self ? table_ : readGame(stanza);
    auto it = occupants_.find(nick);
    if (it == occupants_.end()) {
        if (occupants_.size() >= kMaxOccupants) return;
        occupants_.insert(nick, Occupant{nick, table});
        emit occupantJoined(nick);
        if (table) emit tableChanged(nick);
        return;
    }
    if (it->table != table) {
        it->table = table;
        emit tableChanged(nick);
    }
}

void LobbyClient::onMessage(xmpp_stanza_t* stanza, const QString& nick, bool fromRoom) {
    const char* type = xmpp_stanza_get_type(stanza);
    if (is(type, "error") || !fromRoom || nick.isEmpty()) return;
    if (is(type, "groupchat")) {
        xmpp_stanza_t* body = xmpp_stanza_get_child_by_name(stanza, "body");
        if (!body || !acceptableNick(nick) || !chatLimit_.allow(nick)) return;
        const char* raw = xmpp_stanza_get_text_ptr(xmpp_stanza_get_children(body));
        if (!raw) return;
        // Cut before decoding: a megabyte line costs no more than a short one.
        const QString line = plainText(
            QString::fromUtf8(raw, qMin<qsizetype>(std::strlen(raw), 4 * kMaxLine)), kMaxLine);
        if (!line.trimmed().isEmpty()) emit chatReceived(nick, line);
        return;
    }
    xmpp_stanza_t* inv = child(stanza, "invite", kNamespace);
    if (!inv || nick == nick_ || !occupants_.contains(nick) || !inviteLimit_.allow(nick)) return;
    const QString room = attribute(inv, "room", kMaxJid);
    const QString host = attribute(inv, "host", kMaxNickBytes);
    if (room.compare(room_, Qt::CaseInsensitive) != 0 || !acceptableNick(host)) return;
    emit invited(nick, host);
}

void LobbyClient::sendError(xmpp_stanza_t* iq, const char* type, const char* condition) {
    xmpp_ctx_t* ctx = session_.context();
    xmpp_stanza_t* reply = xmpp_stanza_reply(iq);
    xmpp_stanza_set_type(reply, "error");
    xmpp_stanza_t* error = element(ctx, "error");
    xmpp_stanza_set_type(error, type);
    adopt(error, element(ctx, condition, "urn:ietf:params:xml:ns:xmpp-stanzas"));
    adopt(reply, error);
    session_.send(reply);
    xmpp_stanza_release(reply);
}

void LobbyClient::onIq(xmpp_stanza_t* stanza, const QString& from, const QString& nick,
                       bool fromRoom) {
    const char* type = xmpp_stanza_get_type(stanza);
    const QString id = text(xmpp_stanza_get_id(stanza)).left(kMaxAttribute);
    if (is(type, "result") || is(type, "error")) {
        if (!pingId_.isEmpty() && id == pingId_) {
            // Any answer, even an error, shows the server is there.
            pingId_.clear();
            pingDeadline_.stop();
            pingTimer_.start(pingEveryMs);
            return;
        }
        if (const auto q = queries_.find(id); q != queries_.end()) {
            // Only whom we asked answers: the server stamps the sender.
            if (from.compare(q->to, Qt::CaseInsensitive) != 0) return;
            const Answer answer = q->answer;
            queries_.erase(q);
            answer(is(type, "result") ? stanza : nullptr);
            return;
        }
        const auto it = joins_.find(id);
        // Only the host we asked answers for itself: the room stamps the sender.
        if (it == joins_.end() || !fromRoom || nick != it->hostNick) return;
        const QString host = it->hostNick;
        joins_.erase(it);
        if (is(type, "result")) {
            const std::optional<JoinOffer> offer = readOffer(stanza);
            emit joinAnswered(host, offer ? Refusal::None : Refusal::Malformed,
                              offer.value_or(JoinOffer{}));
            return;
        }
        const QString condition = errorCondition(stanza);
        Refusal why = Refusal::Malformed;
        if (condition == "service-unavailable")
            why = Refusal::Full;
        else if (condition == "forbidden")
            why = Refusal::Banned;
        else if (condition == "resource-constraint" || condition == "policy-violation")
            why = Refusal::Busy;
        else if (condition == "item-not-found" || condition == "recipient-unavailable" ||
                 condition == "remote-server-not-found")
            why = Refusal::Gone;
        emit joinAnswered(host, why, {});
        return;
    }
    if (!is(type, "get") && !is(type, "set")) return;
    if (xmpp_stanza_t* join = child(stanza, "join", kNamespace); join && fromRoom) {
        if (!occupants_.contains(nick) || nick == nick_) return;
        if (!joinLimit_.allow(nick)) {
            sendError(stanza, "wait", "resource-constraint");
            return;
        }
        answerJoinRequest(stanza, nick, attribute(join, "watch", 1) == "y");
        return;
    }
    if (xmpp_stanza_t* relay = child(stanza, "relay", kNamespace); relay && fromRoom) {
        if (!occupants_.contains(nick) || nick == nick_ || !is(type, "set")) return;
        if (!relayLimit_.allow(nick)) {
            sendError(stanza, "wait", "resource-constraint");
            return;
        }
        answerRelayRequest(stanza, nick, attribute(relay, "sid", 32));
        return;
    }
    // Nothing else is answered through the room: servers remove an occupant
    // whose errors bounce there.
    if (fromRoom || !strangerLimit_.allow(QString())) return;
    if (child(stanza, "ping", kPingNamespace)) {
        xmpp_stanza_t* reply = xmpp_stanza_reply(stanza);
        xmpp_stanza_set_type(reply, "result");
        session_.send(reply);
        xmpp_stanza_release(reply);
        return;
    }
    if (!from.isEmpty()) sendError(stanza, "cancel", "service-unavailable");
}

void LobbyClient::answerJoinRequest(xmpp_stanza_t* iq, const QString& nick, bool watch) {
    if (!answerJoin || !table_) {
        sendError(iq, "cancel", "item-not-found");
        return;
    }
    const JoinDecision d = answerJoin(nick, watch);
    switch (d.refusal) {
        case Refusal::None: {
            xmpp_stanza_t* reply = xmpp_stanza_reply(iq);
            xmpp_stanza_set_type(reply, "result");
            adopt(reply, offerElement(session_.context(), d.offer));
            session_.send(reply);
            xmpp_stanza_release(reply);
            return;
        }
        case Refusal::Full:
            sendError(iq, "cancel", "service-unavailable");
            return;
        case Refusal::Banned:
            sendError(iq, "auth", "forbidden");
            return;
        case Refusal::Busy:
            sendError(iq, "wait", "resource-constraint");
            return;
        default:
            sendError(iq, "cancel", "item-not-found");
            return;
    }
}

bool LobbyClient::query(const QString& to, const char* type, xmpp_stanza_t* payload, Answer answer,
                        int timeoutMs) {
    if (!session_.online()) {
        xmpp_stanza_release(payload);
        return false;
    }
    xmpp_ctx_t* ctx = session_.context();
    const QString id = session_.newId();
    xmpp_stanza_t* iq = xmpp_iq_new(ctx, type, id.toUtf8().constData());
    xmpp_stanza_set_to(iq, to.toUtf8().constData());
    adopt(iq, payload);
    Query q{to, std::move(answer), {}, timeoutMs};
    q.since.start();
    queries_.insert(id, q);
    if (!joinTimer_.isActive()) joinTimer_.start();
    session_.send(iq);
    xmpp_stanza_release(iq);
    return true;
}

void LobbyClient::discoverProxy() {
    // The server's items, then the first that says it is a bytestreams proxy.
    proxy_.reset();
    const QString domain = settings_.account.domain();
    query(domain, "get", element(session_.context(), "query", kDiscoItemsNamespace),
          [this](xmpp_stanza_t* result) {
              QStringList candidates;
              xmpp_stanza_t* q = child(result, "query", kDiscoItemsNamespace);
              int n = 0;
              for (xmpp_stanza_t* c = q ? xmpp_stanza_get_children(q) : nullptr; c && n < 64;
                   c = xmpp_stanza_get_next(c), ++n)
                  if (is(xmpp_stanza_get_name(c), "item")) {
                      const QString jid = attribute(c, "jid", 253);
                      if (!jid.isEmpty() && !jid.contains('@') && !jid.contains('/'))
                          candidates << jid;
                  }
              tryProxyCandidates(candidates.mid(0, 16));
          });
}

void LobbyClient::tryProxyCandidates(QStringList candidates) {
    if (candidates.isEmpty()) return;
    const QString jid = candidates.takeFirst();
    query(jid, "get", element(session_.context(), "query", kDiscoInfoNamespace),
          [this, jid, candidates](xmpp_stanza_t* result) {
              bool proxy = false;
              xmpp_stanza_t* q = child(result, "query", kDiscoInfoNamespace);
              int n = 0;
              for (xmpp_stanza_t* c = q ? xmpp_stanza_get_children(q) : nullptr; c && n < 64;
                   c = xmpp_stanza_get_next(c), ++n)
                  if (is(xmpp_stanza_get_name(c), "identity") &&
                      attribute(c, "category") == "proxy" && attribute(c, "type") == "bytestreams")
                      proxy = true;
              if (!proxy) {
                  tryProxyCandidates(candidates);
                  return;
              }
              query(jid, "get", element(session_.context(), "query", kBytestreamsNamespace),
                    [this, candidates](xmpp_stanza_t* answer) {
                        if (const auto host = readStreamHost(answer)) {
                            proxy_ = host;
                            emit proxyFound();
                            return;
                        }
                        tryProxyCandidates(candidates);
                    });
          });
}

void LobbyClient::requestRelay(const QString& hostNick, const QString& sid,
                               const std::function<void(bool)>& done) {
    if (state_ != State::Online ||
        !query(occupantJid(hostNick), "set", relayRequestElement(session_.context(), sid),
               [done](xmpp_stanza_t* result) { done(result != nullptr); }))
        done(false);
}

void LobbyClient::answerRelayRequest(xmpp_stanza_t* iq, const QString& nick, const QString& sid) {
    if (!answerRelay || !validSid(sid)) {
        sendError(iq, "cancel", "item-not-found");
        return;
    }
    // The answer comes once the stream is up, after this stanza is gone.
    const QString id = text(xmpp_stanza_get_id(iq)).left(kMaxAttribute);
    const QString to = text(xmpp_stanza_get_from(iq));
    answerRelay(nick, sid, [self = QPointer<LobbyClient>(this), id, to](bool ok) {
        if (!self || !self->session_.online()) return;
        xmpp_ctx_t* ctx = self->session_.context();
        xmpp_stanza_t* reply = xmpp_iq_new(ctx, ok ? "result" : "error", id.toUtf8().constData());
        xmpp_stanza_set_to(reply, to.toUtf8().constData());
        if (!ok) {
            xmpp_stanza_t* error = element(ctx, "error");
            xmpp_stanza_set_type(error, "cancel");
            adopt(error, element(ctx, "item-not-found", "urn:ietf:params:xml:ns:xmpp-stanzas"));
            adopt(reply, error);
        }
        self->session_.send(reply);
        xmpp_stanza_release(reply);
    });
}

}  // namespace zindle::lobby
