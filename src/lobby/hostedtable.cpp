#include "lobby/hostedtable.h"

#include <QNetworkInterface>

namespace zindle::lobby {

QList<QHostAddress> machineAddresses() {
    QList<QHostAddress> out;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        // An interface that is down lists addresses nobody can reach yet.
        const auto flags = nic.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) out << entry.ip();
    }
    return out;
}

QString addressForJoiners() {
    QString v6;
    for (const QHostAddress& a : machineAddresses()) {
        if (a.isLoopback() || a.isLinkLocal() || a.isMulticast() || a.isNull()) continue;
        if (a.protocol() == QAbstractSocket::IPv4Protocol) return a.toString();
        // The game keeps 20 characters of a host address.
        if (v6.isEmpty() && a.toString().size() <= kMaxName) v6 = a.toString();
    }
    return v6.isEmpty() ? QStringLiteral("127.0.0.1") : v6;
}

QString globalIPv6() {
    for (const QHostAddress& a : machineAddresses())
        if (a.protocol() == QAbstractSocket::IPv6Protocol && publicAddress(a)) return a.toString();
    return {};
}

bool publicAddress(const QHostAddress& a) {
    if (a.isNull() || a.isLoopback() || a.isLinkLocal() || a.isMulticast() || a.isBroadcast())
        return false;
    if (a.protocol() == QAbstractSocket::IPv6Protocol)
        return !a.isUniqueLocalUnicast() && !a.isSiteLocal() && a.toIPv4Address() == 0;
    for (const auto& [net, bits] :
         {std::pair{"10.0.0.0", 8}, {"172.16.0.0", 12}, {"192.168.0.0", 16}, {"100.64.0.0", 10}})
        if (a.isInSubnet(QHostAddress(QString::fromLatin1(net)), bits)) return false;
    return true;
}

QString describe(Reach reach) {
    switch (reach) {
        case Reach::Internet:
            return QStringLiteral("open to the Internet");
        case Reach::Relay:
            return QStringLiteral("through the relay");
        case Reach::Local:
            return QStringLiteral("this network only");
    }
    return {};
}

HostedTable::HostedTable(LobbyClient& client, QObject* parent)
    : QObject(parent), client_(client), relay_(client) {
    connect(&mapper_, &PortMapper::finished, this, &HostedTable::reachChanged);
    connect(&client_, &LobbyClient::proxyFound, this, &HostedTable::reachChanged);
    client_.answerJoin = [this](const QString& nick, bool watch) { return decide(nick, watch); };
}

HostedTable::~HostedTable() {
    client_.answerJoin = nullptr;
    if (open()) client_.announce(std::nullopt);
}

void HostedTable::update(int gamePort, const TableInfo& table) {
    const bool opening = port_ != gamePort;
    port_ = gamePort;
    if (opening) {
        if (mapping && !relayOnly && gamePort != 0)
            mapper_.open(gamePort);
        else
            mapper_.close();
        emit reachChanged();
    }
    relay_.setGamePort(gamePort);
    table_ = table;
    client_.announce(table);
}

void HostedTable::close() {
    port_ = 0;
    relay_.setGamePort(0);
    relay_.closeAll();
    mapper_.close();
    emit reachChanged();
    client_.announce(std::nullopt);
}

JoinDecision HostedTable::decide(const QString& nick, bool watch) {
    if (!open()) return {Refusal::Gone, {}};
    if (banned.contains(nick)) return {Refusal::Banned, {}};
    if (watch ? table_.spectators >= kMaxSpectators : table_.full()) return {Refusal::Full, {}};
    JoinOffer offer;
    if (!relayOnly) {
        // The router's address first, then ours for joiners on our network.
        const Mapping& m = mapper_.mapping();
        if (reachableAddress)
            offer.host = reachableAddress();
        else if (m.ok)
            offer = JoinOffer{m.external, m.externalPort, {}, {}};
        else
            offer.host = addressForJoiners();
        if (offer.port == 0 && !offer.host.isEmpty()) offer.port = port_;
        if (m.ok && !reachableAddress) offer.others.append({addressForJoiners(), port_});
        if (const QString v6 = globalIPv6(); !v6.isEmpty() && v6 != offer.host)
            offer.others.append({v6, port_});
    }
    offer.relay = relay_.offer(nick);
    // With neither way in, the table cannot take anyone now.
    if (!offer.direct() && !offer.relay) return {Refusal::Busy, {}};
    ++offers_;
    return {Refusal::None, offer};
}

Reach HostedTable::reach() const {
    if (relayOnly) return Reach::Relay;
    if (mapper_.mapping().ok || reachableAddress) return Reach::Internet;
    if (publicAddress(QHostAddress(addressForJoiners())) || !globalIPv6().isEmpty())
        return Reach::Internet;
    return client_.proxy() ? Reach::Relay : Reach::Local;
}

}  // namespace zindle::lobby
