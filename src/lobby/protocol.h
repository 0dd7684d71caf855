// What Zindle lobbies say to each other in the room (docs/lobby-protocol.md):
// a table's announcement in its host's room presence, the join request and
// its answer, and invitations. Everything read from a peer is bounded here;
// anything out of bounds is refused whole.
#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "rules/seats.h"

// libstrophe's own names, declared ahead so that its header stays out of ours.
// NOLINTBEGIN(bugprone-reserved-identifier)
typedef struct _xmpp_ctx_t xmpp_ctx_t;
typedef struct _xmpp_stanza_t xmpp_stanza_t;
// NOLINTEND(bugprone-reserved-identifier)

namespace zindle::lobby {

inline constexpr char kNamespace[] = "urn:zindle:lobby:1";
inline constexpr char kMucNamespace[] = "http://jabber.org/protocol/muc";
inline constexpr char kMucUserNamespace[] = "http://jabber.org/protocol/muc#user";
inline constexpr char kBytestreamsNamespace[] = "http://jabber.org/protocol/bytestreams";
inline constexpr char kDiscoItemsNamespace[] = "http://jabber.org/protocol/disco#items";
inline constexpr char kDiscoInfoNamespace[] = "http://jabber.org/protocol/disco#info";
inline constexpr int kMaxName = 20;       // as many characters of a name as the game keeps
inline constexpr int kMaxLine = 480;      // as many of a chat line as the game window shows
inline constexpr int kMaxAttribute = 64;  // bytes of any attribute we read
inline constexpr int kSeatsAtTable = kPlayerSeats;
inline constexpr int kMaxSpectators = kSeats - kPlayerSeats;

// Text from a peer as we show it: control characters (below U+0020, U+007F)
// dropped, cut to max characters. Never markup: callers show it as plain text.
QString plainText(const QString& text, int max);

// One table as its host announces it.
struct TableInfo {
    int seats = 0;  // players seated, 0-4
    int of = kSeatsAtTable;
    int spectators = 0;  // 0-5
    bool playing = false;
    QString version;   // the game's wire version, "2.1.0"
    int turntime = 0;  // seconds
    int zindles = 0;
    bool doubleTiles = false;
    bool teams = false;

    bool full() const { return seats >= of; }
    bool operator==(const TableInfo&) const = default;
};

// <game xmlns=... seats= of= spectators= state= version= turntime= zindles= double= teams=/>
xmpp_stanza_t* gameElement(xmpp_ctx_t* ctx, const TableInfo& table);
// The announcement in a presence, or nothing when it is absent or out of bounds.
std::optional<TableInfo> readGame(xmpp_stanza_t* presence);

// The way through the server's SOCKS5 bytestream proxy: the proxy's JID
// (the joiner asks it for its address), the stream's id and the SOCKS5
// destination both ends give the proxy.
struct RelayOffer {
    QString jid;
    QString sid;  // 8 to 32 letters and digits
    QString dst;  // 40 lowercase hex digits
    bool operator==(const RelayOffer&) const = default;
};

// The host's answer to a join request: a direct address (port 0 when the
// host offers none), a relay, or both.
struct JoinOffer {
    QString host;
    int port = 0;
    std::optional<RelayOffer> relay;
    struct Direct {
        QString host;
        int port = 0;
    };
    QList<Direct> others;  // more addresses to try, at most two
    bool direct() const { return port != 0; }
};
xmpp_stanza_t* joinElement(xmpp_ctx_t* ctx, bool watch);
xmpp_stanza_t* offerElement(xmpp_ctx_t* ctx, const JoinOffer& offer);
std::optional<JoinOffer> readOffer(xmpp_stanza_t* iq);

// <relay xmlns=... sid=.../>: the joiner is at the proxy; the host activates.
xmpp_stanza_t* relayRequestElement(xmpp_ctx_t* ctx, const QString& sid);
bool validSid(const QString& sid);

// A proxy's address, from its answer to a bytestreams query.
struct StreamHost {
    QString jid;
    QString host;
    int port = 0;
};
std::optional<StreamHost> readStreamHost(xmpp_stanza_t* iq);

// Why a host refused, from the error condition of its answer.
enum class Refusal { None, Full, Banned, Busy, Gone, NoAnswer, Malformed };
QString describe(Refusal why);

// <invite xmlns=... room= host=NICK/> in a message.
xmpp_stanza_t* inviteElement(xmpp_ctx_t* ctx, const QString& room, const QString& hostNick);

// Attributes and children, cut to our bounds.
QString attribute(xmpp_stanza_t* stanza, const char* name, int max = kMaxAttribute);
xmpp_stanza_t* child(xmpp_stanza_t* stanza, const char* name, const char* ns);

}  // namespace zindle::lobby
