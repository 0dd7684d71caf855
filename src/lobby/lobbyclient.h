// The lobby as one player (or one dedicated table) takes part in it: signed
// in to an XMPP server, in the lobby room, with the room's occupants and
// their tables, the room's chat, join requests both ways and invitations.
// A dropped session is signed in again with back-off; the room is joined
// again and the table announced again. Nothing a peer sends is trusted:
// every field is bounded, and what one occupant can make us do is rate
// limited.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

#include "lobby/protocol.h"
#include "lobby/ratelimit.h"
#include "lobby/xmppsession.h"

namespace zindle::lobby {

struct LobbySettings {
    Account account;
    QString room;  // empty: lobby@conference.DOMAIN
    QString nick;  // empty: the account's name
};

struct Occupant {
    QString nick;
    std::optional<TableInfo> table;
};

// A host's answer to a join request.
struct JoinDecision {
    Refusal refusal = Refusal::None;
    JoinOffer offer;
};

class LobbyClient : public QObject {
    Q_OBJECT
public:
    enum class State { Offline, SigningIn, Joining, Online, Waiting, Failed };
    Q_ENUM(State)

    explicit LobbyClient(QObject* parent = nullptr);
    ~LobbyClient() override;

    // Signs in and joins the room; keeps doing so after a drop.
    void start(const LobbySettings& settings);
    // Leaves the room and signs out.
    void stop();

    State state() const { return state_; }
    QString nick() const { return nick_; }
    QString room() const { return room_; }
    const LobbySettings& settings() const { return settings_; }
    const QMap<QString, Occupant>& occupants() const { return occupants_; }

    // Room chat; false when not in the room.
    bool say(const QString& text);
    // Our table in our room presence, or none.
    void announce(const std::optional<TableInfo>& table);
    const std::optional<TableInfo>& announced() const { return table_; }
    // Asks a host for the way in: joinAnswered(hostNick, ...) follows.
    void requestJoin(const QString& hostNick, bool watch);
    // Invites an occupant to our table.
    bool invite(const QString& nick);

    // Answers other occupants' join requests while we host; unset, we are
    // not hosting and say so.
    std::function<JoinDecision(const QString& nick, bool watch)> answerJoin;

    // Our full JID as the server bound it.
    QString fullJid() const { return session_.boundJid(); }
    // The server's SOCKS5 bytestream proxy, once service discovery found one.
    const std::optional<StreamHost>& proxy() const { return proxy_; }
    // Sends an IQ (the payload is adopted) and calls back with the result,
    // or with null on an error or after timeoutMs.
    using Answer = std::function<void(xmpp_stanza_t* result)>;
    bool query(const QString& to, const char* type, xmpp_stanza_t* payload, Answer answer,
               int timeoutMs = 8000);
    // Tells a host we wait at its proxy; ok once it has activated the stream.
    void requestRelay(const QString& hostNick, const QString& sid,
                      const std::function<void(bool)>& done);
    // A joiner waits at our proxy for the stream sid; call done once, when
    // the stream is active or has failed.
    std::function<void(const QString& nick, const QString& sid, std::function<void(bool)> done)>
        answerRelay;

    // Bounds (tests shorten the times).
    int joinTimeoutMs = 8000;
    int pingEveryMs = 60000;
    int pingTimeoutMs = 20000;
    int firstRetryMs = 1000;
    int lastRetryMs = 60000;
    static constexpr int kMaxOccupants = 5000;

    // Tests reach the session to send what a hostile peer would.
    XmppSession& session() { return session_; }

signals:
    void stateChanged(zindle::lobby::LobbyClient::State state, const QString& why);
    void occupantJoined(const QString& nick);
    void occupantLeft(const QString& nick);
    void tableChanged(const QString& nick);  // announced, changed or gone
    void proxyFound();
    void chatReceived(const QString& nick, const QString& text);
    void joinAnswered(const QString& hostNick, zindle::lobby::Refusal refusal,
                      const zindle::lobby::JoinOffer& offer);
    void invited(const QString& fromNick, const QString& hostNick);

private:
    void setState(State state, const QString& why = {});
    void onSignedIn();
    void onEnded(Failure why);
    void retryLater(const QString& why);
    void sendRoomPresence();
    void onStanza(xmpp_stanza_t* stanza);
    void onPresence(xmpp_stanza_t* stanza, const QString& nick);
    void onMessage(xmpp_stanza_t* stanza, const QString& nick, bool fromRoom);
    void onIq(xmpp_stanza_t* stanza, const QString& from, const QString& nick, bool fromRoom);
    void answerJoinRequest(xmpp_stanza_t* iq, const QString& nick, bool watch);
    void sendError(xmpp_stanza_t* iq, const char* type, const char* condition);
    void ping();
    void clearRoom();
    void discoverProxy();
    void tryProxyCandidates(QStringList candidates);
    void answerRelayRequest(xmpp_stanza_t* iq, const QString& nick, const QString& sid);
    QString occupantJid(const QString& nick) const { return room_ + '/' + nick; }

    XmppSession session_;
    LobbySettings settings_;
    State state_ = State::Offline;
    QString room_;
    QString nick_;
    std::optional<TableInfo> table_;
    QMap<QString, Occupant> occupants_;
    bool wanted_ = false;

    struct Pending {
        QString hostNick;
        QElapsedTimer since;
    };
    QHash<QString, Pending> joins_;  // our join requests by id
    struct Query {
        QString to;
        Answer answer;
        QElapsedTimer since;
        int timeoutMs;
    };
    QHash<QString, Query> queries_;  // our other IQs by id
    std::optional<StreamHost> proxy_;
    QTimer joinTimer_;
    QString pingId_;
    QTimer pingTimer_;
    QTimer pingDeadline_;
    QTimer retryTimer_;
    int retryMs_ = 0;
    QTimer presenceTimer_;
    int joinTries_ = 0;

    RateLimit joinLimit_{3, 10000};     // join requests: 3 at once, then 6 a minute
    RateLimit chatLimit_{8, 1000};      // chat lines shown: 8 at once, then one a second
    RateLimit inviteLimit_{2, 30000};   // invitations: 2 at once, then 2 a minute
    RateLimit strangerLimit_{20, 100};  // answers to anyone outside the room
    RateLimit relayLimit_{3, 10000};    // relay requests, as join requests
};

}  // namespace zindle::lobby
