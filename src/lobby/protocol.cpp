#include "lobby/protocol.h"

#include <strophe.h>

#include <QHostAddress>
#include <cstring>

namespace zindle::lobby {

QString plainText(const QString& text, int max) {
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), max));
    for (const QChar c : text) {
        if (out.size() >= max) break;
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) continue;
        out.append(c);
    }
    return out;
}

QString attribute(xmpp_stanza_t* stanza, const char* name, int max) {
    if (!stanza) return {};
    const char* v = xmpp_stanza_get_attribute(stanza, name);
    if (!v || std::strlen(v) > static_cast<std::size_t>(max)) return {};
    return QString::fromUtf8(v);
}

xmpp_stanza_t* child(xmpp_stanza_t* stanza, const char* name, const char* ns) {
    return stanza ? xmpp_stanza_get_child_by_name_and_ns(stanza, name, ns) : nullptr;
}

namespace {

xmpp_stanza_t* element(xmpp_ctx_t* ctx, const char* name, const char* ns) {
    xmpp_stanza_t* e = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(e, name);
    if (ns) xmpp_stanza_set_ns(e, ns);
    return e;
}

void set(xmpp_stanza_t* e, const char* name, const QString& value) {
    xmpp_stanza_set_attribute(e, name, value.toUtf8().constData());
}

std::optional<int> number(xmpp_stanza_t* e, const char* name, int lo, int hi) {
    const QString text = attribute(e, name, 10);
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < lo || n > hi || text.startsWith('+')) return std::nullopt;
    return n;
}

std::optional<bool> yesNo(xmpp_stanza_t* e, const char* name) {
    const QString text = attribute(e, name, 1);
    if (text == "y") return true;
    if (text == "n") return false;
    return std::nullopt;
}

bool printable(const QString& text) {
    return plainText(text, int(text.size())) == text;
}

}  // namespace

xmpp_stanza_t* gameElement(xmpp_ctx_t* ctx, const TableInfo& t) {
    xmpp_stanza_t* e = element(ctx, "game", kNamespace);
    set(e, "seats", QString::number(t.seats));
    set(e, "of", QString::number(t.of));
    set(e, "spectators", QString::number(t.spectators));
    set(e, "state", t.playing ? "playing" : "waiting");
    set(e, "version", t.version);
    set(e, "turntime", QString::number(t.turntime));
    set(e, "zindles", QString::number(t.zindles));
    set(e, "double", t.doubleTiles ? "y" : "n");
    set(e, "teams", t.teams ? "y" : "n");
    return e;
}

std::optional<TableInfo> readGame(xmpp_stanza_t* presence) {
    xmpp_stanza_t* e = child(presence, "game", kNamespace);
    if (!e) return std::nullopt;
    const auto seats = number(e, "seats", 0, kSeatsAtTable);
    const auto of = number(e, "of", kSeatsAtTable, kSeatsAtTable);
    const auto spectators = number(e, "spectators", 0, kMaxSpectators);
    const auto turntime = number(e, "turntime", 0, 24 * 60 * 60);
    const auto zindles = number(e, "zindles", 0, 19 * 19);
    const auto doubleTiles = yesNo(e, "double");
    const auto teams = yesNo(e, "teams");
    const QString state = attribute(e, "state", 7);
    const QString version = attribute(e, "version", 15);
    if (!seats || !of || !spectators || !turntime || !zindles || !doubleTiles || !teams ||
        (state != "waiting" && state != "playing") || version.isEmpty() || !printable(version))
        return std::nullopt;
    TableInfo t;
    t.seats = *seats;
    t.of = *of;
    t.spectators = *spectators;
    t.playing = state == "playing";
    t.version = version;
    t.turntime = *turntime;
    t.zindles = *zindles;
    t.doubleTiles = *doubleTiles;
    t.teams = *teams;
    return t;
}

xmpp_stanza_t* joinElement(xmpp_ctx_t* ctx, bool watch) {
    xmpp_stanza_t* e = element(ctx, "join", kNamespace);
    if (watch) xmpp_stanza_set_attribute(e, "watch", "y");
    return e;
}

xmpp_stanza_t* offerElement(xmpp_ctx_t* ctx, const JoinOffer& offer) {
    xmpp_stanza_t* e = element(ctx, "join", kNamespace);
    QList<JoinOffer::Direct> directs;
    if (offer.direct()) directs.append({offer.host, offer.port});
    directs += offer.others;
    for (const JoinOffer::Direct& d : directs) {
        xmpp_stanza_t* direct = element(ctx, "direct", nullptr);
        set(direct, "host", d.host);
        set(direct, "port", QString::number(d.port));
        xmpp_stanza_add_child(e, direct);
        xmpp_stanza_release(direct);
    }
    if (offer.relay) {
        xmpp_stanza_t* relay = element(ctx, "relay", nullptr);
        set(relay, "jid", offer.relay->jid);
        set(relay, "sid", offer.relay->sid);
        set(relay, "dst", offer.relay->dst);
        xmpp_stanza_add_child(e, relay);
        xmpp_stanza_release(relay);
    }
    return e;
}

namespace {

// An address, or a host name of letters, digits, dots and dashes: never
// anything a command line could take for an option.
bool hostName(const QString& host) {
    if (host.isEmpty()) return false;
    if (!QHostAddress(host).isNull()) return true;
    for (const QChar c : host)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != '.' && c != '-') return false;
    return !host.startsWith('-');
}

bool lowerHex(const QString& text, int size) {
    if (text.size() != size) return false;
    for (const QChar c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

bool validSid(const QString& sid) {
    if (sid.size() < 8 || sid.size() > 32) return false;
    for (const QChar c : sid)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80)) return false;
    return true;
}

std::optional<JoinOffer> readOffer(xmpp_stanza_t* iq) {
    xmpp_stanza_t* join = child(iq, "join", kNamespace);
    if (!join) return std::nullopt;
    JoinOffer offer;
    // Up to three addresses and the first relay count; one out of bounds
    // spoils the answer.
    int n = 0;
    for (xmpp_stanza_t* c = xmpp_stanza_get_children(join); c && n < 16;
         c = xmpp_stanza_get_next(c), ++n) {
        const char* name = xmpp_stanza_get_name(c);
        if (!name || std::strcmp(name, "direct") != 0) continue;
        JoinOffer::Direct d{attribute(c, "host", 253), 0};
        const auto port = number(c, "port", 1, 65535);
        if (!port || !hostName(d.host)) return std::nullopt;
        d.port = *port;
        if (!offer.direct()) {
            offer.host = d.host;
            offer.port = d.port;
        } else if (offer.others.size() < 2) {
            offer.others.append(d);
        }
    }
    if (xmpp_stanza_t* relay = xmpp_stanza_get_child_by_name(join, "relay")) {
        RelayOffer r{attribute(relay, "jid", 253), attribute(relay, "sid", 32),
                     attribute(relay, "dst", 40)};
        if (!hostName(r.jid) || !validSid(r.sid) || !lowerHex(r.dst, 40)) return std::nullopt;
        offer.relay = r;
    }
    if (!offer.direct() && !offer.relay) return std::nullopt;
    return offer;
}

xmpp_stanza_t* relayRequestElement(xmpp_ctx_t* ctx, const QString& sid) {
    xmpp_stanza_t* e = element(ctx, "relay", kNamespace);
    set(e, "sid", sid);
    return e;
}

std::optional<StreamHost> readStreamHost(xmpp_stanza_t* iq) {
    xmpp_stanza_t* query = child(iq, "query", kBytestreamsNamespace);
    xmpp_stanza_t* sh = query ? xmpp_stanza_get_child_by_name(query, "streamhost") : nullptr;
    if (!sh) return std::nullopt;
    StreamHost h{attribute(sh, "jid", 253), attribute(sh, "host", 253), 0};
    const auto port = number(sh, "port", 1, 65535);
    if (!port || !hostName(h.host) || h.jid.isEmpty()) return std::nullopt;
    h.port = *port;
    return h;
}

QString describe(Refusal why) {
    switch (why) {
        case Refusal::None:
            return {};
        case Refusal::Full:
            return QStringLiteral("The table is full.");
        case Refusal::Banned:
            return QStringLiteral("The host does not let you join this table.");
        case Refusal::Busy:
            return QStringLiteral("The host is busy with other requests. Try again in a minute.");
        case Refusal::Gone:
            return QStringLiteral("The table is gone.");
        case Refusal::NoAnswer:
            return QStringLiteral("The host did not answer.");
        case Refusal::Malformed:
            return QStringLiteral("The host's answer made no sense.");
    }
    return {};
}

xmpp_stanza_t* inviteElement(xmpp_ctx_t* ctx, const QString& room, const QString& hostNick) {
    xmpp_stanza_t* e = element(ctx, "invite", kNamespace);
    set(e, "room", room);
    set(e, "host", hostNick);
    return e;
}

}  // namespace zindle::lobby
