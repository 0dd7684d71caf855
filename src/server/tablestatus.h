// The table as a lobby shows it: who sits, who watches, waiting or playing,
// and the options of the game. Read-only; TableWatch reports a change
// without any polling, on the host's own change notice.
#pragma once

#include <QObject>
#include <functional>

namespace zindle {

class TServer;

struct TableStatus {
    int port = 0;        // the game port the host listens on
    int seated = 0;      // seats 1-4 taken by a connection
    int loggedIn = 0;    // of those, the ones that have logged in
    int spectators = 0;  // seats 5-9 taken
    bool playing = false;
    int turntime = 0;  // seconds; the last game's options while waiting
    int zindles = 0;
    bool doubleTiles = false;
    bool teams = false;

    bool operator==(const TableStatus&) const = default;
};

TableStatus tableStatus(const TServer& server);

// Calls changed() once for every change of tableStatus(server).
class TableWatch : public QObject {
public:
    explicit TableWatch(TServer& server, QObject* parent = nullptr);
    const TableStatus& status() const { return last_; }
    std::function<void(const TableStatus&)> changed;

    // Compares with the last status and reports a difference.
    void check();

private:
    TServer& server_;
    TableStatus last_;
};

}  // namespace zindle
