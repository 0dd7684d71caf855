// The game window measured as a player meets it:
//  - idle: a connected window and its host in one process, no game, 10 s of
//    the event loop; the CPU share of one core;
//  - catch-up: a latecomer joining a game with 150 letters on the board, from
//    connect to a complete board;
//  - start-up: the zindle program to a shown, logged-in window, median of 10.
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "server/server.h"
#include "widgets/dialogs.h"
#include "widgets/sounds.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool pump(const std::function<bool()>& done, int ms = 10000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

struct Window {
    explicit Window(QStringList params, zindle::TServer* server, int port) {
        zindle::ChatSetup setup;
        setup.dialogs = &dialogs;
        setup.sounds = &sounds;
        setup.params = std::move(params);
        setup.dataFolder = home.path();
        setup.port = std::to_string(port);
        setup.lobbyPort = std::to_string(1);  // nothing listens there: no lobby link
        chat = std::make_unique<zindle::Tchat>(setup);
        zindle::ChatWindows w;
        w.server = server;
        w.options = &options;
        w.spylist = &spylist;
        w.phrases = &phrases;
        chat->setWindows(w);
    }
    QTemporaryDir home;
    zindle::RecordingDialogs dialogs;
    zindle::RecordingSounds sounds;
    zindle::Tgameoptions options;
    zindle::Tspylist spylist;
    zindle::Tphrases phrases;
    std::unique_ptr<zindle::Tchat> chat;
};

std::unique_ptr<zindle::TServer> newHost() {
    zindle::ServerOptions o;
    o.port = "0";
    o.seed = 5;
    return std::make_unique<zindle::TServer>(o);
}

void idle() {
    auto server = newHost();
    Window w({"Ann", "127.0.0.1", "true"}, server.get(), 0);
    w.chat->show();
    if (!pump([&] { return w.chat->state.loggedIn && w.chat->receivedlist.empty(); })) {
        std::printf("idle: the window did not connect\n");
        return;
    }
    pump([] { return false; }, 500);  // let the greeting settle
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    QTimer::singleShot(10000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    std::printf("idle: window and host in one process, %.1f s: %.3f %% of one core "
                "(window queue timer running at the end: %s)\n",
                wall, 100.0 * cpu / wall, w.chat->Timer1.isActive() ? "yes" : "no");
}

void catchUp() {
    auto server = newHost();
    server->Sock1.setListen(true);
    Window ann({"Ann", "127.0.0.1", "join"}, nullptr, server->Sock1.LocalPort());
    ann.chat->show();
    pump([&] { return ann.chat->state.loggedIn; });
    ann.chat->sock.Send(proto::message(proto::cmd::startgame, {"Ann", 90, 12, 0, 0, "n", "n", ""}));
    pump([&] { return server->gameon && ann.chat->state.turnSeat != 0; });
    // 150 letters, as if many moves had been played.
    int laid = 0;
    for (int x = 0; x < zindle::kBoardSize && laid < 150; ++x)
        for (int y = 0; y < zindle::kBoardSize && laid < 150; y += 2, ++laid)
            server->letters[x][y] = (x + y) % 26;

    std::vector<double> ms;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        Window late({"Cat", "127.0.0.1", "join"}, nullptr, server->Sock1.LocalPort());
        late.chat->show();
        const bool ok = pump([&] {
            return late.chat->state.letters == server->letters && late.chat->state.turnSeat != 0;
        });
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (!ok) std::printf("catch-up: the board did not arrive\n");
        late.chat->sock.Close();
        pump([&] { return server->seats[2].conn == 0; }, 2000);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("catch-up: latecomer, 150 letters, connect to complete board: median %.0f ms "
                "(min %.0f, max %.0f, 5 runs)\n", ms[2], ms.front(), ms.back());
}

void startup() {
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    std::vector<double> ms;
    std::vector<double> shownMs;
    for (int run = 0; run < 10; ++run) {
        QTemporaryDir home;
        TSock lobby;
        lobby.setPortName("0");
        TSock* link = nullptr;
        lobby.OnAccept = [&](TSock& l) { l.Accept(link); };
        lobby.setListen(true);
        // The window opens the lobby link once it is shown; it logs in to its
        // own host; a probe then sees seat 1 announced.
        TSock listener;  // a free port for the game
        listener.setPortName("0");
        listener.setListen(true);
        const int port = listener.LocalPort();
        listener.setListen(false);
        QProcess game;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZINDLE_HOME", home.path());
        env.insert("ZINDLE_PORT", QString::number(port));
        env.insert("ZINDLE_LOBBY_PORT", QString::number(lobby.LocalPort()));
        if (!display) env.insert("QT_QPA_PLATFORM", "offscreen");
        game.setProcessEnvironment(env);
        const auto t0 = Clock::now();
        game.start(ZINDLE_GAME_PATH, {"Ann", "127.0.0.1", "true"});
        bool seated = false;
        pump([&] { return link != nullptr; }, 20000);
        shownMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        while (!seated && Clock::now() - t0 < std::chrono::seconds(20)) {
            TSock probe;
            probe.setHostName("127.0.0.1");
            probe.setPortName(std::to_string(port));
            std::string got;
            bool failed = false;
            probe.OnRead = [&](TSock& s, int) { got += s.Text(); };
            probe.OnInfo = [&](TSock&, TSocketInfo kind, const std::string&) {
                failed = failed || kind == siError || kind == siClose;
            };
            try {
                probe.Open();
            } catch (const ESockException&) {
            }
            pump([&] { return failed || got.find("CMD_sendlogininfo") != std::string::npos; }, 1000);
            if (got.find("CMD_sendlogininfo+2") != std::string::npos) {
                probe.Send(proto::message(proto::cmd::logininfo, {2, proto::kVersion, "probe"}));
                pump([&] { return got.find("CMD_existingplayers+1+") != std::string::npos; }, 2000);
                seated = got.find("CMD_existingplayers+1+Ann") != std::string::npos;
            }
            probe.Close();
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        game.terminate();
        game.waitForFinished(5000);
        if (!seated) std::printf("start-up: run %d did not come up\n", run);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(shownMs.begin(), shownMs.end());
    std::printf("start-up: zindle to a shown window that opens its lobby link: median %.0f ms\n",
                (shownMs[4] + shownMs[5]) / 2);
    std::printf("start-up: zindle to a shown, logged-in window (%s): median %.0f ms "
                "(min %.0f, max %.0f, 10 runs)\n",
                display ? "X server" : "offscreen", (ms[4] + ms[5]) / 2, ms.front(), ms.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    idle();
    catchUp();
    startup();
    return 0;
}
