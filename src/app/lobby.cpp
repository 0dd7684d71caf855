// zindle-lobby: host or join a game without typing a command line.
#include <QApplication>

#include "side/lobbyform.h"
#include "widgets/dialogs.h"
#include "widgets/flatstyle.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("zindle");
    QApplication::setDesktopFileName("org.zindle.Zindle.Lobby");
    zindle::applyFlatStyle(app);  // the same look as the game
    zindle::QtDialogs dialogs;
    zindle::Tlobby lobby(dialogs);
    lobby.show();
    return app.exec();
}
