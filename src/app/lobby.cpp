// zindle-lobby: host or join a game without typing a command line.
#include <QApplication>

#include "side/lobbyform.h"
#include "widgets/dialogs.h"
#include "widgets/flatstyle.h"
#include "widgets/paths.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zindle::setProgramIdentity("org.zindle.Zindle.Lobby");
    zindle::applyFlatStyle(app);  // the same look as the game
    zindle::QtDialogs dialogs;
    zindle::Tlobby lobby(dialogs);
    lobby.show();
    return app.exec();
}
