// Our own table in the lobby: the announcement follows the host's status
// (seats, spectators, waiting or playing, options), and join requests are
// answered with the way in, or refused when the table is full or the asker
// is banned. The answer offers the direct address (reachableAddress) and
// the way through the server's proxy, or the proxy alone.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <functional>
#include <optional>

#include "lobby/lobbyclient.h"
#include "lobby/portmap.h"
#include "lobby/relay.h"

namespace zindle::lobby {

// The addresses of this machine's interfaces that are up, loopback aside.
QList<QHostAddress> machineAddresses();

// An address of this machine that others can reach: a global or private
// IPv4 address first, then IPv6; the loopback address when there is none.
QString addressForJoiners();
// A global IPv6 address of this machine (no link-local or unique-local
// one), which others reach without a router's help; empty when none.
QString globalIPv6();
// Whether an address is one on the Internet rather than a private network's.
bool publicAddress(const QHostAddress& a);

// How others reach our table.
enum class Reach { Internet, Relay, Local };
QString describe(Reach reach);

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
    // An empty answer offers no direct way in.
    std::function<QString()> reachableAddress;
    // Offers only the relay: no joiner learns our address.
    bool relayOnly = false;
    // Asks the router to forward the game port while the table is open.
    bool mapping = false;
    RelayHost& relay() { return relay_; }
    PortMapper& mapper() { return mapper_; }
    Reach reach() const;
    QSet<QString> banned;  // nicks refused with "forbidden"

    int offersMade() const { return offers_; }

signals:
    // The table opened or closed, the router answered or the relay was found.
    void reachChanged();

private:
    JoinDecision decide(const QString& nick, bool watch);

    LobbyClient& client_;
    RelayHost relay_;
    PortMapper mapper_;
    int port_ = 0;
    TableInfo table_;
    int offers_ = 0;
};

}  // namespace zindle::lobby
