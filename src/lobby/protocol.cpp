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
    xmpp_stanza_t* direct = element(ctx, "direct", nullptr);
    set(direct, "host", offer.host);
    set(direct, "port", QString::number(offer.port));
    xmpp_stanza_add_child(e, direct);
    xmpp_stanza_release(direct);
    return e;
}

std::optional<JoinOffer> readOffer(xmpp_stanza_t* iq) {
    xmpp_stanza_t* join = child(iq, "join", kNamespace);
    xmpp_stanza_t* direct = join ? xmpp_stanza_get_child_by_name(join, "direct") : nullptr;
    if (!direct) return std::nullopt;
    JoinOffer offer;
    offer.host = attribute(direct, "host", 253);
    const auto port = number(direct, "port", 1, 65535);
    if (!port || offer.host.isEmpty()) return std::nullopt;
    offer.port = *port;
    // An address, or a host name of letters, digits, dots and dashes: never
    // anything the game's command line could take for an option.
    if (QHostAddress(offer.host).isNull()) {
        for (const QChar c : offer.host)
            if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != '.' && c != '-')
                return std::nullopt;
        if (offer.host.startsWith('-')) return std::nullopt;
    }
    return offer;
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
