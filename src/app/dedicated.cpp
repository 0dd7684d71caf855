#include "dedicated.h"

#include <cstdio>

#include "lobby/tablereport.h"
#include "server/server.h"

namespace zindle {

DedicatedTable::DedicatedTable(TServer& server, DedicatedOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), table_(client_), watch_(server) {
    if (!options_.address.isEmpty())
        table_.reachableAddress = [address = options_.address] { return address; };
    table_.relayOnly = options_.relayOnly;
    table_.mapping = options_.mapping;
    connect(&table_, &lobby::HostedTable::reachChanged, this, [this] {
        // One line each time the way in changes, for the operator's log.
        if (!table_.open()) return;
        const lobby::Mapping& m = table_.mapper().mapping();
        QString how = lobby::describe(table_.reach());
        if (m.ok)
            how += QStringLiteral(" (%1, %2:%3, mapped in %4 ms)")
                       .arg(m.method, m.external)
                       .arg(m.externalPort)
                       .arg(m.ms);
        else if (!m.why.isEmpty())
            how += QStringLiteral(" (%1, after %2 ms)").arg(m.why).arg(m.ms);
        if (how == lastReach_) return;
        lastReach_ = how;
        std::fprintf(stderr, "zindle-host: the table is %s\n", qPrintable(how));
    });
    watch_.changed = [this](const TableStatus& s) { changed(s); };
    connect(&client_, &lobby::LobbyClient::stateChanged, this,
            [](lobby::LobbyClient::State state, const QString& why) {
                // An operator reads the log: one line for each change of the session.
                const char* what = state == lobby::LobbyClient::State::Online ? "in the lobby room"
                                   : state == lobby::LobbyClient::State::Failed ? "lobby failed"
                                                                                : nullptr;
                if (what || !why.isEmpty())
                    std::fprintf(stderr, "zindle-host: %s%s%s\n", what ? what : "lobby",
                                 why.isEmpty() ? "" : ": ", qPrintable(why));
            });
}

DedicatedTable::~DedicatedTable() {
    for (auto& b : bots_) b->leave();
}

void DedicatedTable::start() {
    client_.start(options_.lobby);
    watch_.check();  // the port, now that the host listens
    const lobby::TableReport r = lobby::tableReport(watch_.status());
    table_.update(r.port, r.table);
}

void DedicatedTable::changed(const TableStatus& status) {
    seatComputers(status);
    const lobby::TableReport r = lobby::tableReport(status);
    table_.update(r.port, r.table);
}

void DedicatedTable::seatComputers(const TableStatus& status) {
    if (options_.computers <= 0) return;
    std::erase_if(bots_, [](const auto& b) { return b->closed(); });
    // A computer counts once it knows its seat; until then the host's count
    // may hold it as a person, which only delays the computers' leaving.
    int seated = 0;
    for (const auto& b : bots_)
        if (const int s = b->seat().state().mySeat(); s >= 1 && s <= kPlayerSeats) ++seated;
    const int people = status.seated - seated;
    if (people <= 0 && !bots_.empty()) {
        for (auto& b : bots_) b->leave();
        bots_.clear();
        return;
    }
    if (status.loggedIn < 1 || !bots_.empty()) return;
    for (int n = 1; n <= options_.computers && status.seated + n <= kPlayerSeats; ++n) {
        engine::BotOptions o;
        o.port = status.port;
        o.name = "Computer " + std::to_string(n);
        o.level = options_.level;
        bots_.push_back(std::make_unique<engine::Bot>(o));
        bots_.back()->start();
    }
}

}  // namespace zindle
