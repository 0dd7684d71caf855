#include "widgets/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <cstdio>

namespace zindle {

void setProgramIdentity(const QString& desktopEntry) {
    QCoreApplication::setApplicationName(QStringLiteral("zindle"));
    QGuiApplication::setDesktopFileName(desktopEntry);
}

QStringList legacyDataFiles() {
    return {"korvolobby.ini", "zindletally.tld", "zindlelobby.ini", "zindletally.tld.bad"};
}

QStringList moveLegacyFiles(const QString& from, const QString& to) {
    const QDir source(from), target(to);
    if (source.absolutePath() == target.absolutePath()) return {};
    for (const QString& name : legacyDataFiles())
        if (QFileInfo::exists(target.filePath(name))) return {};  // moved before, or started afresh
    QStringList moved;
    for (const QString& name : legacyDataFiles()) {
        const QString old = source.filePath(name);
        if (!QFileInfo(old).isFile()) continue;
        // rename fails across file systems; copy then remove keeps the file either way.
        const bool ok = QFile::rename(old, target.filePath(name)) ||
                        (QFile::copy(old, target.filePath(name)) && QFile::remove(old));
        std::fprintf(stderr, ok ? "zindle: moved %s to %s\n" : "zindle: could not move %s to %s\n",
                     qPrintable(QDir::toNativeSeparators(old)),
                     qPrintable(QDir::toNativeSeparators(to)));
        if (ok) moved << name;
    }
    return moved;
}

QString dataFolder() {
    const QString home = qEnvironmentVariable("ZINDLE_HOME");
    if (!home.isEmpty()) {
        QDir().mkpath(home);
        return QDir(home).absolutePath();
    }
    QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    user = user.isEmpty() ? QDir::homePath() + "/.local/share/zindle" : user + "/zindle";
    QDir().mkpath(user);
    // Earlier versions wrote beside the program; bring those files over once.
    static bool checked = false;
    if (!checked) {
        checked = true;
        const QString exeDir = QCoreApplication::applicationDirPath();
        if (!exeDir.isEmpty()) moveLegacyFiles(exeDir, user);
    }
    return user;
}

QString dataFile(const QString& name) {
    return dataFolder() + "/" + name;
}

}  // namespace zindle
