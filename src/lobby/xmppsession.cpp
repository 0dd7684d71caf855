#include "lobby/xmppsession.h"

#include <strophe.h>

#include <QHash>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "lobby/protocol.h"

namespace zindle::lobby {

namespace {

QHash<xmpp_conn_t*, XmppSession*>& sessions() {
    static QHash<xmpp_conn_t*, XmppSession*> map;
    return map;
}

constexpr char kRegisterFeature[] = "http://jabber.org/features/iq-register";
constexpr int kLogLines = 40;
// libstrophe reads at most 4 KiB a round; a TLS record holds up to 16 KiB,
// so up to three more rounds may find data TLS has already decrypted.
constexpr int kRoundsPerWake = 5;

xmpp_stanza_t* element(xmpp_ctx_t* ctx, const char* name, const char* ns = nullptr) {
    xmpp_stanza_t* e = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(e, name);
    if (ns) xmpp_stanza_set_ns(e, ns);
    return e;
}

void addText(xmpp_ctx_t* ctx, xmpp_stanza_t* parent, const char* name, const QString& text) {
    xmpp_stanza_t* e = element(ctx, name);
    xmpp_stanza_t* t = xmpp_stanza_new(ctx);
    xmpp_stanza_set_text(t, text.toUtf8().constData());
    xmpp_stanza_add_child(e, t);
    xmpp_stanza_release(t);
    xmpp_stanza_add_child(parent, e);
    xmpp_stanza_release(e);
}

QString errorCondition(xmpp_stanza_t* stanza) {
    xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(stanza, "error");
    if (!error) return {};
    for (xmpp_stanza_t* c = xmpp_stanza_get_children(error); c; c = xmpp_stanza_get_next(c)) {
        const char* name = xmpp_stanza_get_name(c);
        if (name && xmpp_stanza_is_tag(c) && std::strcmp(name, "text") != 0)
            return QString::fromUtf8(name).left(kMaxAttribute);
    }
    return {};
}

}  // namespace

// The C callbacks, as friends of the session.
struct Callbacks {
    static void log(void* userdata, xmpp_log_level_t level, const char* area, const char* msg) {
        auto* s = static_cast<XmppSession*>(userdata);
        if (qEnvironmentVariableIsSet("ZINDLE_XMPP_DEBUG"))
            std::fprintf(stderr, "xmpp %s: %s\n", area, msg);
        // Stanzas in the debug log are not needed to tell failures apart.
        if (level == XMPP_LEVEL_DEBUG && std::strcmp(area, "conn") == 0 &&
            (std::strncmp(msg, "SENT", 4) == 0 || std::strncmp(msg, "RECV", 4) == 0))
            return;
        s->note(QString::fromUtf8(area) + ": " + QString::fromUtf8(msg).left(200));
    }

    static int sockopt(xmpp_conn_t* conn, void* sock) {
        if (XmppSession* s = sessions().value(conn)) s->watch(*static_cast<int*>(sock));
        return xmpp_sockopt_cb_keepalive(conn, sock);
    }

    static int certFail(const xmpp_tlscert_t* cert, const char* const) {
        xmpp_conn_t* conn = xmpp_tlscert_get_conn(cert);
        if (XmppSession* s = sessions().value(conn)) s->untrusted_ = true;
        return 0;  // never trust what the authorities do not vouch for
    }

    static void connection(xmpp_conn_t* conn, xmpp_conn_event_t event, int error,
                           xmpp_stream_error_t* streamError, void* userdata) {
        auto* s = static_cast<XmppSession*>(userdata);
        switch (event) {
            case XMPP_CONN_CONNECT: {
                s->online_ = true;
                s->deadline_.stop();
                s->signInTicks_.stop();
                const char* bound = xmpp_conn_get_bound_jid(conn);
                s->bound_ = bound ? QString::fromUtf8(bound) : QString();
                xmpp_handler_add(conn, &Callbacks::stanza, nullptr, nullptr, nullptr, s);
                emit s->signedIn();
                break;
            }
            case XMPP_CONN_RAW_CONNECT:
                s->streamOpen_ = true;
                xmpp_handler_add(conn, &Callbacks::features, XMPP_NS_STREAMS, "features", nullptr,
                                 s);
                xmpp_handler_add(conn, &Callbacks::streamError, XMPP_NS_STREAMS, "error", nullptr,
                                 s);
                xmpp_conn_open_stream_default(conn);
                break;
            case XMPP_CONN_DISCONNECT:
            case XMPP_CONN_FAIL:
                s->pendingEnd_ = s->classify(error, streamError ? int(streamError->type) : -1);
                s->ending_ = true;
                break;
        }
    }

    static int stanza(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
        auto* s = static_cast<XmppSession*>(userdata);
        const char* name = xmpp_stanza_get_name(stanza);
        if (s->onStanza && name &&
            (!std::strcmp(name, "presence") || !std::strcmp(name, "message") ||
             !std::strcmp(name, "iq")))
            s->onStanza(stanza);
        return 1;
    }

    // A raw stream (registering) gets no stream-error parsing from the library.
    static int streamError(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
        auto* s = static_cast<XmppSession*>(userdata);
        if (xmpp_stanza_get_child_by_name(stanza, "host-unknown"))
            s->regFailure_ = Failure::UnknownDomain;
        return 0;
    }

    static int features(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
        static_cast<XmppSession*>(userdata)->onFeatures(stanza);
        return 0;
    }

    static int proceed(xmpp_conn_t* conn, xmpp_stanza_t* stanza, void* userdata) {
        auto* s = static_cast<XmppSession*>(userdata);
        const char* name = xmpp_stanza_get_name(stanza);
        if (name && std::strcmp(name, "proceed") == 0 && xmpp_conn_tls_start(conn) == 0) {
            xmpp_handler_add(conn, &Callbacks::features, XMPP_NS_STREAMS, "features", nullptr, s);
            xmpp_conn_open_stream_default(conn);
        } else {
            s->regFailure_ =
                s->untrusted_ || s->log.filter("Certificate verification FAILED").size()
                    ? Failure::Untrusted
                    : Failure::NotEncrypted;
            xmpp_disconnect(conn);
        }
        return 0;
    }

    static int registerForm(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
        static_cast<XmppSession*>(userdata)->onRegisterForm(stanza);
        return 0;
    }

    static int registerResult(xmpp_conn_t*, xmpp_stanza_t* stanza, void* userdata) {
        static_cast<XmppSession*>(userdata)->onRegisterResult(stanza);
        return 0;
    }
};

QString describe(Failure why, const QString& server) {
    switch (why) {
        case Failure::None:
            return {};
        case Failure::WrongPassword:
            return QStringLiteral("Wrong name or password.");
        case Failure::NameTaken:
            return QStringLiteral("That name is taken on %1. Choose another one.").arg(server);
        case Failure::Unreachable:
            return QStringLiteral(
                       "The server %1 cannot be reached. Check its name and your "
                       "connection.")
                .arg(server);
        case Failure::Untrusted:
            return QStringLiteral(
                       "The certificate of %1 is not trusted, so the lobby did not "
                       "connect. If the server uses its own authority, give its "
                       "certificate with --ca-file.")
                .arg(server);
        case Failure::UnknownDomain:
            return QStringLiteral(
                       "The server %1 does not serve that name's domain. Give your name "
                       "as name@domain, with the server's own domain.")
                .arg(server);
        case Failure::NotEncrypted:
            return QStringLiteral(
                       "%1 offers no encrypted connection, so the lobby did not "
                       "connect.")
                .arg(server);
        case Failure::RegistrationClosed:
            return QStringLiteral("%1 does not let players create accounts here.").arg(server);
        case Failure::RegistrationThrottled:
            return QStringLiteral(
                       "%1 refuses new accounts from your address for a while. Try "
                       "again later.")
                .arg(server);
        case Failure::RegistrationRefused:
            return QStringLiteral("%1 refused that name or password.").arg(server);
        case Failure::Conflict:
            return QStringLiteral("You signed in to %1 from somewhere else.").arg(server);
        case Failure::Dropped:
            return QStringLiteral("The connection to %1 was lost.").arg(server);
        case Failure::Stopped:
            return QStringLiteral("Signed out.");
    }
    return {};
}

bool retryable(Failure why) {
    return why == Failure::Unreachable || why == Failure::Dropped;
}

XmppSession::XmppSession(QObject* parent) : QObject(parent), logger_(new _xmpp_log_t) {
    static std::once_flag once;
    std::call_once(once, [] { xmpp_initialize(); });
    logger_->handler = &Callbacks::log;
    logger_->userdata = this;
    signInTicks_.setInterval(50);
    connect(&signInTicks_, &QTimer::timeout, this, &XmppSession::pump);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        if (!online_) finish(untrusted_ ? Failure::Untrusted : Failure::Unreachable);
    });
}

XmppSession::~XmppSession() {
    release();
}

QString XmppSession::newId() {
    return QStringLiteral("z%1").arg(++ids_);
}

void XmppSession::note(const QString& line) {
    log.append(line);
    if (log.size() > kLogLines) log.removeFirst();
}

void XmppSession::signIn(const Account& account) {
    start(account, false);
}

void XmppSession::registerAccount(const Account& account) {
    start(account, true);
}

void XmppSession::start(const Account& account, bool registering) {
    if (inPump_) {
        QTimer::singleShot(0, this, [this, account, registering] { start(account, registering); });
        return;
    }
    release();
    account_ = account;
    registering_ = registering;
    online_ = streamOpen_ = untrusted_ = ending_ = false;
    regFailure_ = pendingEnd_ = Failure::None;
    log.clear();
    ctx_ = xmpp_ctx_new(nullptr, logger_.get());
    xmpp_ctx_set_verbosity(ctx_, 0);
    conn_ = xmpp_conn_new(ctx_);
    sessions().insert(conn_, this);
    // Stream management would resume sessions we have no way to keep; the
    // lobby re-joins its room instead.
    xmpp_conn_set_flags(conn_, XMPP_CONN_FLAG_MANDATORY_TLS | XMPP_CONN_FLAG_DISABLE_SM);
    jidBytes_ = (registering ? account.domain() : account.jid).toUtf8();
    passBytes_ = account.password.toUtf8();
    xmpp_conn_set_jid(conn_, jidBytes_.constData());
    if (!registering) xmpp_conn_set_pass(conn_, passBytes_.constData());
    if (!account.caFile.isEmpty()) {
        caBytes_ = account.caFile.toLocal8Bit();
        xmpp_conn_set_cafile(conn_, caBytes_.constData());
    }
    xmpp_conn_set_certfail_handler(conn_, &Callbacks::certFail);
    xmpp_conn_set_sockopt_callback(conn_, &Callbacks::sockopt);

    QString host = account.server.trimmed();
    unsigned short port = 0;
    // "host:port", "[v6]:port" or a bare v6 address.
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close > 0) {
            port = host.mid(close + 2).toUShort();
            host = host.mid(1, close - 1);
        }
    } else if (host.count(':') == 1) {
        port = host.section(':', 1).toUShort();
        host = host.section(':', 0, 0);
    }
    hostBytes_ = host.toUtf8();
    const char* alt = host.isEmpty() ? nullptr : hostBytes_.constData();
    const int rc = registering
                       ? xmpp_connect_raw(conn_, alt, port, &Callbacks::connection, this)
                       : xmpp_connect_client(conn_, alt, port, &Callbacks::connection, this);
    if (rc != XMPP_EOK) {
        QTimer::singleShot(0, this, [this] { finish(Failure::Unreachable); });
        return;
    }
    deadline_.start(deadlineMs);
    signInTicks_.start();
    schedulePump();
}

void XmppSession::watch(int fd) {
    // libstrophe may try several addresses; the newest socket is the one in use.
    delete readable_;
    delete writable_;
    fd_ = fd;
    readable_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    writable_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    writable_->setEnabled(false);
    connect(readable_, &QSocketNotifier::activated, this, &XmppSession::pump);
    connect(writable_, &QSocketNotifier::activated, this, &XmppSession::pump);
}

void XmppSession::schedulePump() {
    if (pumpQueued_ || !ctx_) return;
    pumpQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        pumpQueued_ = false;
        pump();
    });
}

void XmppSession::pump() {
    if (!ctx_ || inPump_) return;
    inPump_ = true;
    for (int i = 0; i < kRoundsPerWake && !ending_; ++i) xmpp_run_once(ctx_, 0);
    inPump_ = false;
    if (closeRequested_) {
        release();
        return;
    }
    if (ending_) {
        finish(pendingEnd_);
        return;
    }
    if (writable_ && conn_) writable_->setEnabled(xmpp_conn_send_queue_len(conn_) > 0);
}

void XmppSession::send(xmpp_stanza_t* stanza) {
    if (!conn_ || !online_) return;
    xmpp_send(conn_, stanza);
    schedulePump();
}

void XmppSession::close() {
    if (inPump_) {
        // Called from one of our handlers: libstrophe still holds the stanza
        // it is handing out, so the connection goes once it returns.
        if (qEnvironmentVariableIsSet("ZINDLE_XMPP_DEBUG")) qWarning("close inside a handler");
        closeRequested_ = true;
        ending_ = true;
        online_ = false;
        return;
    }
    // What waits to go (a last presence) goes first, if the socket takes it now.
    if (online_ && ctx_) {
        inPump_ = true;
        for (int i = 0; i < 3 && xmpp_conn_send_queue_len(conn_) > 0; ++i) xmpp_run_once(ctx_, 0);
        inPump_ = false;
    }
    release();
}

void XmppSession::finish(Failure why) {
    const bool wasRegistering = registering_;
    release();
    if (wasRegistering && why == Failure::Stopped) {
        emit registered();
        return;
    }
    emit ended(why);
}

void XmppSession::release() {
    deadline_.stop();
    signInTicks_.stop();
    delete readable_;
    delete writable_;
    readable_ = writable_ = nullptr;
    fd_ = -1;
    if (conn_) {
        sessions().remove(conn_);
        // Drops the connection without running our handlers again.
        xmpp_conn_release(conn_);
        conn_ = nullptr;
    }
    if (ctx_) {
        xmpp_ctx_free(ctx_);
        ctx_ = nullptr;
    }
    online_ = false;
    ending_ = false;
    closeRequested_ = false;
}

Failure XmppSession::classify(int error, int streamError) const {
    const bool badCertificate = untrusted_ || log.filter("Certificate verification FAILED").size();
    // Before any handler of ours ran, so it stands for signing in and registering alike.
    if (streamError == XMPP_SE_HOST_UNKNOWN) return Failure::UnknownDomain;
    if (registering_) {
        if (regFailure_ != Failure::None) return regFailure_;
        if (badCertificate) return Failure::Untrusted;
        return streamOpen_ ? Failure::Dropped : Failure::Unreachable;
    }
    if (badCertificate) return Failure::Untrusted;
    if (streamError == XMPP_SE_CONFLICT) return Failure::Conflict;
    if (streamError == XMPP_SE_NOT_AUTHORIZED) return Failure::WrongPassword;
    for (const QString& line : log) {
        if (line.contains("Certificate verification FAILED")) return Failure::Untrusted;
        if (line.contains("TLS is not supported")) return Failure::NotEncrypted;
        if (line.contains("auth failed") || line.contains("Cannot authenticate"))
            return online_ ? Failure::Dropped : Failure::WrongPassword;
    }
    if (online_) return Failure::Dropped;
    return error != 0 || !streamOpen_ ? Failure::Unreachable : Failure::Dropped;
}

void XmppSession::onFeatures(xmpp_stanza_t* features) {
    xmpp_conn_t* conn = conn_;
    if (!xmpp_conn_is_secured(conn)) {
        xmpp_stanza_t* tls = xmpp_stanza_get_child_by_name(features, "starttls");
        const char* ns = tls ? xmpp_stanza_get_ns(tls) : nullptr;
        if (!ns || std::strcmp(ns, XMPP_NS_TLS) != 0) {
            regFailure_ = Failure::NotEncrypted;
            xmpp_disconnect(conn);
            return;
        }
        xmpp_stanza_t* start = element(ctx_, "starttls", XMPP_NS_TLS);
        xmpp_handler_add(conn, &Callbacks::proceed, XMPP_NS_TLS, nullptr, nullptr, this);
        xmpp_send(conn, start);
        xmpp_stanza_release(start);
        return;
    }
    if (!xmpp_stanza_get_child_by_name_and_ns(features, "register", kRegisterFeature)) {
        regFailure_ = Failure::RegistrationClosed;
        xmpp_disconnect(conn);
        return;
    }
    sendRegisterIq("get", false);
}

void XmppSession::sendRegisterIq(const char* type, bool withAccount) {
    const QByteArray id = newId().toUtf8();
    xmpp_stanza_t* iq = xmpp_iq_new(ctx_, type, id.constData());
    xmpp_stanza_set_to(iq, jidBytes_.constData());
    xmpp_stanza_t* query = element(ctx_, "query", XMPP_NS_REGISTER);
    if (withAccount) {
        addText(ctx_, query, "username", account_.name());
        addText(ctx_, query, "password", account_.password);
    }
    xmpp_stanza_add_child(iq, query);
    xmpp_stanza_release(query);
    xmpp_id_handler_add(conn_, withAccount ? &Callbacks::registerResult : &Callbacks::registerForm,
                        id.constData(), this);
    xmpp_send(conn_, iq);
    xmpp_stanza_release(iq);
}

void XmppSession::onRegisterForm(xmpp_stanza_t* iq) {
    const char* type = xmpp_stanza_get_type(iq);
    if (!type || std::strcmp(type, "result") != 0) {
        regFailure_ = Failure::RegistrationClosed;
        xmpp_disconnect(conn_);
        return;
    }
    // Both servers we know ask for a user name and a password; a server that
    // wants more refuses the answer, and the player is told so.
    sendRegisterIq("set", true);
}

void XmppSession::onRegisterResult(xmpp_stanza_t* iq) {
    const char* type = xmpp_stanza_get_type(iq);
    if (type && std::strcmp(type, "result") == 0) {
        regFailure_ = Failure::Stopped;  // done: finish() reports it as registered
    } else {
        const QString condition = errorCondition(iq);
        if (condition == "conflict")
            regFailure_ = Failure::NameTaken;
        else if (condition == "not-allowed" || condition == "forbidden" ||
                 condition == "service-unavailable" || condition == "feature-not-implemented")
            regFailure_ = Failure::RegistrationClosed;
        else if (condition == "resource-constraint" || condition == "policy-violation")
            regFailure_ = Failure::RegistrationThrottled;
        else
            regFailure_ = Failure::RegistrationRefused;
    }
    xmpp_disconnect(conn_);
}

}  // namespace zindle::lobby
