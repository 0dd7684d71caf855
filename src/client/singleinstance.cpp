#include "client/singleinstance.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>

namespace zindle {

namespace {

// The session's runtime folder when it has one. Otherwise a folder of the
// user's own in the temporary folder, made private: in the shared folder
// itself any other user could take the socket's name first and keep the
// game from starting. When someone else holds that folder, the data folder.
QString socketFolder(const QString& dataFolder) {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    const QString own = QDir::temp().filePath(QString("zindle-%1").arg(::getuid()));
    const QByteArray path = QFile::encodeName(own);
    ::mkdir(path.constData(), 0700);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    const bool ours = fd >= 0 && ::fstat(fd, &st) == 0 && st.st_uid == ::getuid() &&
                      ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    if (fd >= 0) ::close(fd);
    return ours ? own : dataFolder;
}

}  // namespace

SingleInstance::SingleInstance(const QString& dataFolder) {
    const QByteArray folder = QDir(dataFolder).absolutePath().toUtf8();
    name_ = QDir(socketFolder(QDir(dataFolder).absolutePath()))
                .filePath(QString("zindle-%1-%2")
                              .arg(::getuid())
                              .arg(QString::fromLatin1(
                                  QCryptographicHash::hash(folder, QCryptographicHash::Sha1)
                                      .toHex()
                                      .left(12))));
}

bool SingleInstance::otherRunning() {
    QLocalSocket s;
    s.connectToServer(name_);
    if (!s.waitForConnected(500)) return false;
    s.write("raise\n");
    s.waitForBytesWritten(500);
    s.disconnectFromServer();
    return true;
}

bool SingleInstance::listen(std::function<void()> raise) {
    raise_ = std::move(raise);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name_)) {
        // A first instance that was killed leaves its socket behind; nobody
        // answered on it (otherRunning), so it is stale.
        QLocalServer::removeServer(name_);
        if (!server_.listen(name_)) return false;
    }
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* c = server_.nextPendingConnection()) {
            connect(c, &QLocalSocket::disconnected, c, &QObject::deleteLater);
            if (raise_) raise_();
        }
    });
    return true;
}

}  // namespace zindle
