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

HostedTable::HostedTable(LobbyClient& client, QObject* parent) : QObject(parent), client_(client) {
    client_.answerJoin = [this](const QString& nick, bool watch) { return decide(nick, watch); };
}

HostedTable::~HostedTable() {
    client_.answerJoin = nullptr;
    if (open()) client_.announce(std::nullopt);
}

void HostedTable::update(int gamePort, const TableInfo& table) {
    port_ = gamePort;
    table_ = table;
    client_.announce(table);
}

void HostedTable::close() {
    port_ = 0;
    client_.announce(std::nullopt);
}

JoinDecision HostedTable::decide(const QString& nick, bool watch) {
    if (!open()) return {Refusal::Gone, {}};
    if (banned.contains(nick)) return {Refusal::Banned, {}};
    if (watch ? table_.spectators >= kMaxSpectators : table_.full()) return {Refusal::Full, {}};
    ++offers_;
    return {Refusal::None,
            JoinOffer{reachableAddress ? reachableAddress() : addressForJoiners(), port_}};
}

}  // namespace zindle::lobby
