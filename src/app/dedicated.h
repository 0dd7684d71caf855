// A dedicated table in the lobby (zindle-host --lobby): the host's status
// announced through its own lobby session, join requests answered, and
// computer players seated once the first person has sat down (who then
// holds seat 1 and starts the games). When the last person leaves, the
// computers leave too, so that the next person to come holds seat 1 again.
#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "engine/bot.h"
#include "lobby/hostedtable.h"
#include "lobby/lobbyclient.h"
#include "server/tablestatus.h"

namespace zindle {

struct DedicatedOptions {
    lobby::LobbySettings lobby;
    QString address;  // given to joiners; empty: this machine's
    bool relayOnly = false;
    bool mapping = true;
    int computers = 0;
    engine::Level level = engine::Level::Normal;
};

class DedicatedTable : public QObject {
public:
    DedicatedTable(TServer& server, DedicatedOptions options, QObject* parent = nullptr);
    ~DedicatedTable() override;

    void start();
    lobby::LobbyClient& client() { return client_; }

private:
    void changed(const TableStatus& status);
    void seatComputers(const TableStatus& status);

    DedicatedOptions options_;
    lobby::LobbyClient client_;
    lobby::HostedTable table_;
    TableWatch watch_;
    std::vector<std::unique_ptr<engine::Bot>> bots_;
    QString lastReach_;
};

}  // namespace zindle
