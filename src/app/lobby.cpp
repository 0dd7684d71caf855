// zindle-lobby: host or join a game without typing a command line.
#include <QApplication>
#include <optional>

#include "cli/commandline.h"
#include "side/lobbyform.h"
#include "widgets/dialogs.h"
#include "widgets/flatstyle.h"
#include "widgets/paths.h"

int main(int argc, char** argv) {
    const zindle::cli::Program program{"zindle-lobby",
                                       "Hosts or joins a Zindle game from a window.", "", ""};
    std::optional<QApplication> application;
    zindle::cli::Parser parser;
    if (auto done = zindle::cli::parseGui(argc, argv, program, parser, application)) return *done;
    if (!parser.positionalArguments().isEmpty())
        return zindle::cli::badUsage(parser, program,
                                     "unexpected argument " + parser.positionalArguments()[0]);
    QApplication& app = *application;
    zindle::setProgramIdentity("org.zindle.Zindle.Lobby");
    zindle::applyFlatStyle(app);  // the same look as the game
    zindle::QtDialogs dialogs;
    zindle::Tlobby lobby(dialogs);
    lobby.show();
    return app.exec();
}
