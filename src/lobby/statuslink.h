// The private channel from a game hosted from the lobby back to the lobby:
// the lobby listens on a local socket in a folder only its user can enter
// and names it in ZINDLE_TABLE_STATUS when it starts the game; the game
// writes one line each time its table changes. The game's link on port
// 9001 stays silent, as it always was.
//
//   zindle-table seats=2 spectators=0 state=waiting port=7772 turntime=90
//                zindles=12 double=n teams=n          (one line, LF)
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTemporaryDir>
#include <optional>

#include "lobby/protocol.h"

class QLocalServer;
class QLocalSocket;

namespace zindle::lobby {

inline constexpr char kStatusVariable[] = "ZINDLE_TABLE_STATUS";
inline constexpr int kMaxStatusLine = 256;

struct TableReport {
    int port = 0;
    TableInfo table;
    bool operator==(const TableReport&) const = default;
};

QByteArray statusLine(const TableReport& report);
std::optional<TableReport> readStatusLine(const QByteArray& line);

// In the game: connects to the lobby's socket and reports.
class StatusSender : public QObject {
public:
    explicit StatusSender(const QString& path, QObject* parent = nullptr);
    void send(const TableReport& report);

private:
    QLocalSocket* socket_;
};

// In the lobby: one game at a time reports here.
class StatusListener : public QObject {
    Q_OBJECT
public:
    explicit StatusListener(QObject* parent = nullptr);
    bool listening() const;
    // The value of ZINDLE_TABLE_STATUS for the game.
    QString path() const { return path_; }

signals:
    void reported(const zindle::lobby::TableReport& report);
    void gameGone();

private:
    void accept();

    QTemporaryDir dir_;
    QString path_;
    QLocalServer* server_;
    QLocalSocket* game_ = nullptr;
    QByteArray pending_;
};

}  // namespace zindle::lobby
