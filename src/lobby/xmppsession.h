// One signed-in XMPP session on the Qt event loop, through libstrophe.
// Nothing polls while the session is idle: a QSocketNotifier watches the
// socket and libstrophe runs only when it is readable, or writable while
// something waits to go (and briefly while signing in, for its own timers).
// TLS is required and verified; there is never a plain-text fallback.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

// libstrophe's own names, declared ahead so that its header stays out of ours.
// NOLINTBEGIN(bugprone-reserved-identifier)
typedef struct _xmpp_ctx_t xmpp_ctx_t;
typedef struct _xmpp_conn_t xmpp_conn_t;
typedef struct _xmpp_stanza_t xmpp_stanza_t;
struct _xmpp_log_t;
// NOLINTEND(bugprone-reserved-identifier)
class QSocketNotifier;

namespace zindle::lobby {

struct Account {
    QString jid;  // name@domain
    QString password;
    QString server;  // "host" or "host:port"; empty: the domain's own (DNS SRV)
    QString caFile;  // a PEM authority to trust besides the system's

    QString domain() const { return jid.section('@', 1).section('/', 0, 0); }
    QString name() const { return jid.section('@', 0, 0); }
};

// How a session ended, in a player's words (describe()).
enum class Failure {
    None,
    WrongPassword,
    NameTaken,
    Unreachable,
    Untrusted,
    UnknownDomain,  // the server does not serve the name's domain
    NotEncrypted,
    RegistrationClosed,
    RegistrationThrottled,
    RegistrationRefused,
    Conflict,  // the same account signed in elsewhere
    Dropped,   // the server went away after signing in
    Stopped,   // closed on purpose
};
QString describe(Failure why, const QString& server);
// Whether trying again later may help (a drop may; a wrong password will not).
bool retryable(Failure why);

class XmppSession : public QObject {
    Q_OBJECT
public:
    explicit XmppSession(QObject* parent = nullptr);
    ~XmppSession() override;

    // Ends in signedIn() or ended(why).
    void signIn(const Account& account);
    // Creates the account by in-band registration: registered() or ended(why).
    void registerAccount(const Account& account);
    // Closes at once; ended() is not sent.
    void close();

    bool online() const { return online_; }
    xmpp_ctx_t* context() const { return ctx_; }
    QString boundJid() const { return bound_; }
    QString newId();
    // Queues a stanza (the caller keeps its reference) and sends it soon.
    void send(xmpp_stanza_t* stanza);

    // Every stanza that arrives while signed in.
    std::function<void(xmpp_stanza_t*)> onStanza;

    // How long a sign-in may take before the server counts as unreachable.
    int deadlineMs = 15000;

signals:
    void signedIn();
    void registered();
    void ended(zindle::lobby::Failure why);

private:
    friend struct Callbacks;
    void start(const Account& account, bool registering);
    void watch(int fd);
    void pump();
    void schedulePump();
    void finish(Failure why);
    void release();
    Failure classify(int error, int streamError) const;
    void note(const QString& line);

    // The registration dialogue, on a raw stream.
    void onFeatures(xmpp_stanza_t* features);
    void onRegisterForm(xmpp_stanza_t* iq);
    void onRegisterResult(xmpp_stanza_t* iq);
    void sendRegisterIq(const char* type, bool withAccount);

    xmpp_ctx_t* ctx_ = nullptr;
    xmpp_conn_t* conn_ = nullptr;
    std::unique_ptr<_xmpp_log_t> logger_;
    Account account_;
    QByteArray jidBytes_, passBytes_, caBytes_, hostBytes_;
    bool registering_ = false;
    bool online_ = false;
    bool streamOpen_ = false;
    bool untrusted_ = false;
    bool inPump_ = false;
    bool pumpQueued_ = false;
    Failure regFailure_ = Failure::None;
    Failure pendingEnd_ = Failure::None;
    bool ending_ = false;
    bool closeRequested_ = false;
    QString bound_;
    QStringList log;  // the last lines libstrophe logged, to tell failures apart
    int fd_ = -1;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    QTimer signInTicks_;  // libstrophe's own timers while signing in
    QTimer deadline_;
    quint64 ids_ = 0;
};

}  // namespace zindle::lobby
