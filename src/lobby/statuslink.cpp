#include "lobby/statuslink.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace zindle::lobby {

namespace {

QString runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return (runtime.isEmpty() ? QDir::tempPath() : runtime) + "/zindle-lobby-XXXXXX";
}

std::optional<int> field(const QList<QByteArray>& words, const char* key, int lo, int hi) {
    for (const QByteArray& w : words) {
        if (!w.startsWith(QByteArray(key) + '=')) continue;
        bool ok = false;
        const int n = w.mid(qsizetype(qstrlen(key)) + 1).toInt(&ok);
        if (ok && n >= lo && n <= hi) return n;
        return std::nullopt;
    }
    return std::nullopt;
}

QByteArray word(const QList<QByteArray>& words, const char* key) {
    for (const QByteArray& w : words)
        if (w.startsWith(QByteArray(key) + '=')) return w.mid(qsizetype(qstrlen(key)) + 1);
    return {};
}

}  // namespace

QByteArray statusLine(const TableReport& r) {
    const TableInfo& t = r.table;
    return QStringLiteral(
               "zindle-table seats=%1 spectators=%2 state=%3 port=%4 turntime=%5 "
               "zindles=%6 double=%7 teams=%8 version=%9\n")
        .arg(t.seats)
        .arg(t.spectators)
        .arg(t.playing ? "playing" : "waiting")
        .arg(r.port)
        .arg(t.turntime)
        .arg(t.zindles)
        .arg(t.doubleTiles ? "y" : "n")
        .arg(t.teams ? "y" : "n")
        .arg(t.version)
        .toUtf8();
}

std::optional<TableReport> readStatusLine(const QByteArray& line) {
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.isEmpty() || words[0] != "zindle-table") return std::nullopt;
    const auto seats = field(words, "seats", 0, kSeatsAtTable);
    const auto spectators = field(words, "spectators", 0, kMaxSpectators);
    const auto port = field(words, "port", 1, 65535);
    const auto turntime = field(words, "turntime", 0, 24 * 60 * 60);
    const auto zindles = field(words, "zindles", 0, 19 * 19);
    const QByteArray state = word(words, "state"), dbl = word(words, "double"),
                     teams = word(words, "teams"), version = word(words, "version");
    if (!seats || !spectators || !port || !turntime || !zindles ||
        (state != "waiting" && state != "playing") || (dbl != "y" && dbl != "n") ||
        (teams != "y" && teams != "n") || version.isEmpty() || version.size() > 15)
        return std::nullopt;
    TableReport r;
    r.port = *port;
    r.table.seats = *seats;
    r.table.spectators = *spectators;
    r.table.playing = state == "playing";
    r.table.turntime = *turntime;
    r.table.zindles = *zindles;
    r.table.doubleTiles = dbl == "y";
    r.table.teams = teams == "y";
    r.table.version = plainText(QString::fromUtf8(version), 15);
    return r;
}

StatusSender::StatusSender(const QString& path, QObject* parent)
    : QObject(parent), socket_(new QLocalSocket(this)) {
    socket_->connectToServer(path, QIODevice::WriteOnly);
}

void StatusSender::send(const TableReport& report) {
    // Written at once when connected, else queued until the connection is up.
    socket_->write(statusLine(report));
    socket_->flush();
}

StatusListener::StatusListener(QObject* parent)
    : QObject(parent), dir_(runtimeFolder()), server_(new QLocalServer(this)) {
    if (!dir_.isValid()) return;
    path_ = dir_.filePath("table");
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &StatusListener::accept);
    if (!server_->listen(path_)) path_.clear();
}

bool StatusListener::listening() const {
    return server_->isListening();
}

void StatusListener::accept() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        // The newest game is the one the lobby started last.
        if (game_) game_->deleteLater();
        game_ = s;
        pending_.clear();
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (s != game_) return;
            pending_ += s->readAll();
            qsizetype end;
            while ((end = pending_.indexOf('\n')) >= 0) {
                const QByteArray line = pending_.left(end);
                pending_.remove(0, end + 1);
                if (const auto r = readStatusLine(line)) emit reported(*r);
            }
            if (pending_.size() > kMaxStatusLine) pending_.clear();
        });
        connect(s, &QLocalSocket::disconnected, this, [this, s] {
            s->deleteLater();
            if (s != game_) return;
            game_ = nullptr;
            emit gameGone();
        });
    }
}

}  // namespace zindle::lobby
