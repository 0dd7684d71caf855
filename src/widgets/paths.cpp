#include "widgets/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace zindle {

void setProgramIdentity(const QString& desktopEntry) {
    QCoreApplication::setApplicationName(QStringLiteral("zindle"));
    QGuiApplication::setDesktopFileName(desktopEntry);
}

QString dataFolder() {
    const QString home = qEnvironmentVariable("ZINDLE_HOME");
    if (!home.isEmpty()) {
        QDir().mkpath(home);
        return QDir(home).absolutePath();
    }
    // Beside the program, as a portable copy keeps it; never inside a system
    // installation, even when the folder happens to be writable (root).
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable() && !exeDir.startsWith("/usr/") &&
        !exeDir.startsWith("/opt/"))
        return exeDir;
    QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (user.isEmpty()) user = QDir::homePath() + "/.local/share/zindle";
    QDir().mkpath(user);
    return user;
}

QString dataFile(const QString& name) { return dataFolder() + "/" + name; }

}  // namespace zindle
