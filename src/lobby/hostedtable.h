// Our own table in the lobby: the announcement follows the host's status
// (seats, spectators, waiting or playing, options), and join requests are
// answered with the way in, or refused when the table is full or the asker
// is banned. Where joiners are sent is decided in one place
// (reachableAddress), so that port mapping and a relay can take it over.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <functional>
#include <optional>

#include "lobby/lobbyclient.h"

namespace zindle::lobby {

// The addresses of this machine's interfaces that are up, loopback aside.
QList<QHostAddress> machineAddresses();

// An address of this machine that others can reach: a global or private
// IPv4 address first, then IPv6; the loopback address when there is none.
QString addressForJoiners();

class HostedTable : public QObject {
    Q_OBJECT
public:
    explicit HostedTable(LobbyClient& client, QObject* parent = nullptr);
    ~HostedTable() override;

    // The host's status; the first one opens the table in the lobby.
    void update(int gamePort, const TableInfo& table);
    // The announcement goes; join requests are refused as "gone".
    void close();
    bool open() const { return port_ != 0; }
    const TableInfo& table() const { return table_; }

    // The address joiners are sent to; addressForJoiners() unless set.
    std::function<QString()> reachableAddress;
    QSet<QString> banned;  // nicks refused with "forbidden"

    int offersMade() const { return offers_; }

private:
    JoinDecision decide(const QString& nick, bool watch);

    LobbyClient& client_;
    int port_ = 0;
    TableInfo table_;
    int offers_ = 0;
};

}  // namespace zindle::lobby
