// What the program gives the game window: its seams, its command line and folders, and the
// other windows it works with.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QWidget;

namespace zindle {

class Dialogs;
class SoundPlayer;
class TServer;
class Tgameoptions;
class Tphrases;
class Tspylist;

struct ChatSetup {
    Dialogs* dialogs = nullptr;
    SoundPlayer* sounds = nullptr;
    QStringList params;         // the command line after the program name
    QString dataFolder;         // where "korvolobby.ini" lives
    std::string port = "7772";  // the game port to join
    std::string lobbyPort = "9001";
    int botDelayMs = 1500;  // how long a seated computer player thinks
};

// The other windows, created by the program in their fixed order.
struct ChatWindows {
    TServer* server = nullptr;
    QWidget* help = nullptr;
    QWidget* about = nullptr;
    Tgameoptions* options = nullptr;
    Tspylist* spylist = nullptr;
    QWidget* tally = nullptr;
    Tphrases* phrases = nullptr;
    QWidget* download = nullptr;
    // The tally window's side of loadchecklist and addgame.
    std::function<void(const QStringList& names)> fillChecklist;
    std::function<void(const QString& winner)> addgame;
    // Writes the tally now (before the window tells why it ends, and when the session ends).
    std::function<void()> saveTally;
};

}  // namespace zindle
