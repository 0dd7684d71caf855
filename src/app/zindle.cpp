// zindle: the game. No parameters plays solo; "NAME HOST true" hosts and
// "NAME HOST join" joins, with the lobby link on 127.0.0.1:9001.
//   ZINDLE_PORT, ZINDLE_LOBBY_PORT: the two ports; ZINDLE_HOME: the data folder.
#include <QApplication>
#include <QLabel>
#include <QSessionManager>
#include <QVBoxLayout>
#include <memory>
#include <optional>

#include "app/quitsignals.h"
#include "cli/commandline.h"
#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/singleinstance.h"
#include "client/spylistform.h"
#include "lobby/tablereport.h"
#include "rules/random.h"
#include "server/server.h"
#include "server/tablestatus.h"
#include "side/aboutform.h"
#include "side/downloadform.h"
#include "side/helpform.h"
#include "stats/tallyfile.h"
#include "stats/tallylistform.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"
#include "widgets/flatstyle.h"
#include "widgets/paths.h"
#include "widgets/soundeffects.h"

namespace {

std::string envPort(const char* name, const char* fallback) {
    const QByteArray v = qgetenv(name);
    bool ok = false;
    const int port = v.toInt(&ok);
    return ok && port > 0 && port < 65536 ? std::to_string(port) : std::string(fallback);
}

}  // namespace

int main(int argc, char** argv) {
    const zindle::cli::Program program{
        "zindle", "The Zindle word game.", "[NAME HOST MODE]",
        "With no arguments, a solo game against the computer players.\n"
        "NAME HOST true   host a game as NAME; HOST is this machine's address for the lobby\n"
        "NAME HOST join   join the game hosted at HOST (anything but \"true\" joins)\n\n"
        "Environment: ZINDLE_PORT (7772), ZINDLE_LOBBY_PORT (9001), ZINDLE_HOME (the data "
        "folder)."};
    std::optional<QApplication> application;
    zindle::cli::Parser parser;
    // Before the single-instance check, so --help neither joins nor raises a game.
    if (auto done = zindle::cli::parseGui(argc, argv, program, parser, application)) return *done;
    QApplication& app = *application;
    zindle::setProgramIdentity("org.zindle.Zindle");
    const QString folder = zindle::dataFolder();

    zindle::SingleInstance instance(folder);
    if (instance.otherRunning()) return 0;

    zindle::applyFlatStyle(app);
    QApplication::setWindowIcon(zindle::appIcon());
    zindle::randomize();

    zindle::QtDialogs dialogs;
    zindle::SoundEffects sounds;
    zindle::ChatSetup setup;
    setup.dialogs = &dialogs;
    setup.sounds = &sounds;
    setup.params = parser.positionalArguments();
    setup.dataFolder = folder;
    setup.port = envPort("ZINDLE_PORT", "7772");
    setup.lobbyPort = envPort("ZINDLE_LOBBY_PORT", "9001");

    // The windows in their fixed order; the game window is the main one.
    auto chat = std::make_unique<zindle::Tchat>(setup);
    zindle::Thelp help;
    zindle::ServerOptions serverOptions;
    serverOptions.port = setup.port;
    auto server = std::make_unique<zindle::TServer>(serverOptions);
    // A lobby that hosts this game online hears of its table here; the lobby
    // link itself stays silent.
    std::unique_ptr<zindle::TableWatch> tableWatch;
    std::unique_ptr<zindle::lobby::StatusSender> tableSender;
    if (const QString path = qEnvironmentVariable(zindle::lobby::kStatusVariable);
        !path.isEmpty()) {
        tableWatch = std::make_unique<zindle::TableWatch>(*server);
        tableSender = std::make_unique<zindle::lobby::StatusSender>(path);
        tableWatch->changed = [&tableSender](const zindle::TableStatus& s) {
            tableSender->send(zindle::lobby::tableReport(s));
        };
    }
    zindle::Tabout about;
    zindle::Tgameoptions options;
    zindle::Tspylist spylist;
    zindle::Ttallylist tally(dialogs);
    zindle::Tphrases phrases;
    zindle::Tdownload download(dialogs);

    zindle::ChatWindows w;
    w.server = server.get();
    w.help = &help;
    w.about = &about;
    w.options = &options;
    w.spylist = &spylist;
    w.tally = &tally;
    w.phrases = &phrases;
    w.download = &download;
    w.fillChecklist = [&tally](const QStringList& names) { tally.fillChecklist(names); };
    w.addgame = [&tally](const QString& winner) { tally.addgame(winner); };
    w.saveTally = [&tally] { tally.save(); };
    chat->setWindows(w);
    tally.refreshPlayers = [&chat] { chat->loadchecklist(); };
    help.showAbout = [&about] { about.show(); };
    help.centreOver(chat.get());
    about.centreOver(chat.get());
    tally.centreOver(chat.get());
    download.endGame = [&chat] { chat->close(); };
    QApplication::setQuitOnLastWindowClosed(false);
    chat->onClosed = [] { QCoreApplication::quit(); };
    // Ended from outside (a logout, kill, a closed terminal): saved as on a close.
    const zindle::QuitSignals quitSignals({SIGINT, SIGTERM, SIGHUP}, [&chat] { chat->close(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, chat.get(),
                     [&chat](QSessionManager&) { chat->saveState(); });

    instance.listen([&chat] {
        chat->showNormal();
        chat->raise();
        chat->activateWindow();
    });
    chat->show();
    const int rc = app.exec();
    tableWatch.reset();
    tableSender.reset();
    chat.reset();
    server.reset();
    return rc;
}
