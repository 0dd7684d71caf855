// Where the program keeps its files: "korvolobby.ini", "zindletally.tld",
// "zindlelobby.ini", the downloaded installer. $ZINDLE_HOME when set, else the
// per-user data folder (~/.local/share/zindle); never the program's own
// folder, which `make clean` or an upgrade may remove.
#pragma once

#include <QString>
#include <QStringList>

namespace zindle {

// The program's names: "zindle" for its folders, and the desktop entry that gives the
// desktop its human name and icon. No display name is set, because Qt adds one to every
// window's caption and the captions are the program's own.
void setProgramIdentity(const QString& desktopEntry);

QString dataFolder();
// dataFolder() + "/" + name.
QString dataFile(const QString& name);

// The files older versions kept beside the program.
QStringList legacyDataFiles();

// Moves legacyDataFiles() found in from into to, once: only when none of
// them is in to yet. Says on stderr what moved. Returns the names moved.
QStringList moveLegacyFiles(const QString& from, const QString& to);

}  // namespace zindle
