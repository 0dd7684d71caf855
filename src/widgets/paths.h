// Where the program keeps its files: "korvolobby.ini", "zindletally.tld", the
// downloaded installer. $ZINDLE_HOME when set; else the executable's folder
// when it is writable; else the per-user data folder.
#pragma once

#include <QString>

namespace zindle {

QString dataFolder();
// dataFolder() + "/" + name.
QString dataFile(const QString& name);

}  // namespace zindle
