// Where the program keeps its files: "korvolobby.ini", "zindletally.tld", the
// downloaded installer. $ZINDLE_HOME when set; else the executable's folder
// when it is writable; else the per-user data folder.
#pragma once

#include <QString>

namespace zindle {

// The program's names: "zindle" for its folders, and the desktop entry that gives the
// desktop its human name and icon. No display name is set, because Qt adds one to every
// window's caption and the captions are the program's own.
void setProgramIdentity(const QString& desktopEntry);

QString dataFolder();
// dataFolder() + "/" + name.
QString dataFile(const QString& name);

}  // namespace zindle
