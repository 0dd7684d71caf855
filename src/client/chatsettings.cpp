#include "client/chatsettings.h"

#include <QFile>
#include <QSaveFile>
#include <cstdio>

#include "client/inifile.h"
#include "widgets/codepage.h"

namespace zindle {

namespace {
constexpr const char* kSection = "Zindle";
}

ChatSettings ChatSettings::read(const QString& path, const QRect& defaultBounds,
                                int defaultComputers) {
    QFile f(path);
    IniFile ini;
    if (f.open(QIODevice::ReadOnly)) ini.parse(f.readAll().toStdString());
    ChatSettings s;
    s.bounds = QRect(ini.getInt(kSection, "Left", defaultBounds.left()),
                     ini.getInt(kSection, "Top", defaultBounds.top()),
                     ini.getInt(kSection, "Width", defaultBounds.width()),
                     ini.getInt(kSection, "Height", defaultBounds.height()));
    s.textSize = ini.getInt(kSection, "Textsize", 8);
    s.textColor = parseColorText(ini.get(kSection, "Textcolor", "clwhite")).value_or(kWhite);
    s.actionColor = parseColorText(ini.get(kSection, "Actioncolor", "clwhite")).value_or(kWhite);
    s.playSounds = ini.get(kSection, "Playsounds", "true") != "false";
    for (int n = 1; n <= 10; ++n)
        s.phrases[std::size_t(n)] = fromWire(ini.get(kSection, "Phrase" + std::to_string(n), ""));
    s.turnTime = ini.getInt(kSection, "Turntime", 90);
    s.squares = ini.getInt(kSection, "Squares", 12);
    s.gameTime = ini.getInt(kSection, "Gametime", 0);
    s.score = ini.getInt(kSection, "Score", 0);
    s.doubleTiles = ini.get(kSection, "Double", "0") == "1";
    s.team = ini.get(kSection, "Team", "0") == "1";
    s.computers = ini.getInt(kSection, "Computers", defaultComputers);
    s.level = QString::fromStdString(ini.get(kSection, "Level", "Normal"));
    return s;
}

QString writeSettings(const QString& path, const SettingKeys& keys) {
    IniFile ini;
    QFile in(path);
    if (in.open(QIODevice::ReadOnly)) ini.parse(in.readAll().toStdString());
    in.close();
    for (const auto& [key, value] : keys) ini.set(kSection, key, value);
    QSaveFile out(path);
    const std::string text = ini.text();
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(text.data(), qint64(text.size())) != qint64(text.size()) || !out.commit()) {
        QString why = out.errorString().isEmpty() ? QString("unknown error") : out.errorString();
        std::fprintf(stderr, "zindle: cannot write %s: %s\n", qPrintable(path), qPrintable(why));
        return why;
    }
    return {};
}

}  // namespace zindle
