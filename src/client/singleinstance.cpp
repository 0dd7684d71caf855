#include "client/singleinstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include "widgets/paths.h"

namespace zindle {

SingleInstance::SingleInstance(const QString& dataFolder) {
    const QByteArray folder = QDir(dataFolder).absolutePath().toUtf8();
    // In the user's runtime folder when the session has one, not the shared /tmp.
    name_ = QDir(runtimeDir())
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
        // A first instance that crashed leaves its socket behind.
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
