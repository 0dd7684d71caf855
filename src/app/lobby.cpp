// zindle-lobby: find other players and tables on a lobby server, or host and
// join on this network without one.
//   zindle-lobby [--server HOST[:PORT]] [--account JID] [--password-file FILE]
//                [--ca-file PEM] [--room JID] [--register] [--relay-only] [--no-mapping]
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <csignal>
#include <optional>

#include "app/quitsignals.h"
#include "cli/commandline.h"
#include "cli/lobbyoptions.h"
#include "side/lobbyform.h"
#include "side/onlinepanel.h"
#include "side/passwordstore.h"
#include "widgets/dialogs.h"
#include "widgets/flatstyle.h"
#include "widgets/paths.h"

int main(int argc, char** argv) {
    const zindle::cli::Program program{
        "zindle-lobby", "Finds Zindle players and tables on a lobby server, and starts games.", "",
        "Without options the window asks for the server, the name and the password, and\n"
        "remembers the server and the name. The password stays in the desktop's keyring.\n"
        "With --account and --password-file it signs in at once (after creating the\n"
        "account with --register)."};
    std::optional<QApplication> application;
    zindle::cli::Parser parser;
    zindle::cli::LobbyOptionSet lobbyOptions;
    lobbyOptions.addTo(parser, true);
    if (auto done = zindle::cli::parseGui(argc, argv, program, parser, application)) return *done;
    if (!parser.positionalArguments().isEmpty())
        return zindle::cli::badUsage(parser, program,
                                     "unexpected argument " + parser.positionalArguments()[0]);
    QString why;
    const auto options = lobbyOptions.read(parser, why);
    if (!options) return zindle::cli::badUsage(parser, program, why);
    if (options->registerAccount && (options->account.isEmpty() || options->password.isEmpty()))
        return zindle::cli::badUsage(parser, program,
                                     "--register needs --account and --password-file");
    QApplication& app = *application;
    zindle::setProgramIdentity("org.zindle.Zindle.Lobby");
    zindle::applyFlatStyle(app);  // the same look as the game
    zindle::QtDialogs dialogs;
    zindle::KeyringStore keyring;
    zindle::Tlobby lobby(dialogs, &keyring);
    zindle::OnlinePanel& online = *lobby.online;
    if (!options->caFile.isEmpty()) online.setCaFile(options->caFile);
    if (!options->room.isEmpty()) online.setRoom(options->room);
    if (!options->server.isEmpty()) online.edit_server->setText(options->server);
    if (!options->account.isEmpty()) online.edit_account->setText(options->account);
    if (!options->password.isEmpty()) online.edit_password->setText(options->password);
    // Chosen on the command line, kept like a choice made in the window.
    if (options->relayOnly) online.check_relayOnly->setChecked(true);
    if (!options->mapping && !options->relayOnly) online.check_mapping->setChecked(false);
    // A mapping on the router goes with the lobby, on a signal as on closing.
    const zindle::QuitSignals quitSignals({SIGINT, SIGTERM, SIGHUP}, [] { QApplication::quit(); });
    lobby.show();
    if (!options->account.isEmpty() && !options->password.isEmpty())
        online.signIn(options->registerAccount);
    return app.exec();
}
