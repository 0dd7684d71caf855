// zindle: the game. No parameters plays solo; "NAME HOST true" hosts and
// "NAME HOST join" joins, with the lobby link on 127.0.0.1:9001.
//   ZINDLE_PORT, ZINDLE_LOBBY_PORT: the two ports; ZINDLE_HOME: the data folder.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include <memory>

#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/singleinstance.h"
#include "client/spylistform.h"
#include "rules/random.h"
#include "server/server.h"
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
    QApplication app(argc, argv);
    QApplication::setApplicationName("zindle");
    QApplication::setApplicationDisplayName("Zindle");
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
    setup.params = app.arguments().mid(1);
    setup.dataFolder = folder;
    setup.port = envPort("ZINDLE_PORT", "7772");
    setup.lobbyPort = envPort("ZINDLE_LOBBY_PORT", "9001");

    // The windows in their fixed order; the game window is the main one.
    auto chat = std::make_unique<zindle::Tchat>(setup);
    zindle::ChatWindows w;
    zindle::ServerOptions serverOptions;
    serverOptions.port = setup.port;
    auto server = std::make_unique<zindle::TServer>(serverOptions);
    w.server = server.get();
    zindle::Tgameoptions options;
    zindle::Tspylist spylist;
    zindle::Tphrases phrases;
    w.options = &options;
    w.spylist = &spylist;
    w.phrases = &phrases;
    chat->setWindows(w);
    QApplication::setQuitOnLastWindowClosed(false);
    chat->onClosed = [] { QCoreApplication::quit(); };

    instance.listen([&chat] {
        chat->showNormal();
        chat->raise();
        chat->activateWindow();
    });
    chat->show();
    const int rc = app.exec();
    chat.reset();
    server.reset();
    return rc;
}
