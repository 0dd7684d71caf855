// The game window's keys in the settings file "korvolobby.ini", which the lobby shares: read
// with their defaults, and written back changing only our keys, atomically, so other programs'
// sections survive and a crash leaves either the old file or the new one.
#pragma once

#include <QRect>
#include <QString>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "client/colortext.h"

namespace zindle {

struct ChatSettings {
    QRect bounds;
    int textSize = 8;
    ColorRef textColor = kWhite;
    ColorRef actionColor = kWhite;
    bool playSounds = true;
    std::array<QString, 11> phrases;  // [1..10]; empty keeps the built-in phrase
    int turnTime = 90, squares = 12, gameTime = 0, score = 0;
    bool doubleTiles = false, team = false;
    int computers = 0;
    QString level = "Normal";

    // A missing file, or an unreadable value, gives the defaults.
    static ChatSettings read(const QString& path, const QRect& defaultBounds, int defaultComputers);
};

using SettingKeys = std::vector<std::pair<std::string, std::string>>;

// Sets keys of the game's section; returns why it could not, or nothing.
QString writeSettings(const QString& path, const SettingKeys& keys);

}  // namespace zindle
