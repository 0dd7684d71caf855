// The game window measured as a player meets it:
//  - idle: a connected window and its host in one process, no game, 10 s of
//    the event loop; the CPU share of one core;
//  - catch-up: a latecomer joining a game with 150 letters on the board, from
//    connect to a complete board;
//  - start-up: the zindle program to a shown, logged-in window, median of 10;
//  - hostile chat: the time to show a 64 KiB line without spaces against a
//    short line, the memory after 1,000 of them, and 30 s of a peer sending
//    them 20 a second through a real host while another window chats;
//  - hostile turns: memory after a host hands the player 100,000 turns (each
//    passed) without ever starting a new game.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "net/protocol.h"
#include "net/sock.h"
#include "server/server.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"
#include "widgets/soundeffects.h"

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
    zindle::SoundEffects sounds;  // the program's own: a recorder would grow with each sound
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
    if (!pump([&] { return w.chat->state().loggedIn() && w.chat->queued() == 0; })) {
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
    std::printf(
        "idle: window and host in one process, %.1f s: %.3f %% of one core "
        "(window queue timer running at the end: %s)\n",
        wall, 100.0 * cpu / wall,
        w.chat->findChild<QTimer*>("queueTimer")->isActive() ? "yes" : "no");
}

void catchUp() {
    auto server = newHost();
    server->listen();
    Window ann({"Ann", "127.0.0.1", "join"}, nullptr, server->port());
    ann.chat->show();
    pump([&] { return ann.chat->state().loggedIn(); });
    ann.chat->sendToHost(
        proto::message(proto::cmd::startgame, {"Ann", 90, 12, 0, 0, "n", "n", ""}));
    pump([&] { return server->referee().state().gameon && ann.chat->state().turnSeat() != 0; });
    // 150 letters, as if many moves had been played.
    int laid = 0;
    for (int x = 0; x < zindle::kBoardSize && laid < 150; ++x)
        for (int y = 0; y < zindle::kBoardSize && laid < 150; y += 2, ++laid)
            server->referee().arrange().letters[x][y] = (x + y) % 26;

    std::vector<double> ms;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        Window late({"Cat", "127.0.0.1", "join"}, nullptr, server->port());
        late.chat->show();
        const bool ok = pump([&] {
            return late.chat->state().letters() == server->referee().state().letters &&
                   late.chat->state().turnSeat() != 0;
        });
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (!ok) std::printf("catch-up: the board did not arrive\n");
        late.chat.reset();  // the connection goes with the window
        pump([&] { return server->seat(2).conn == 0; }, 2000);
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "catch-up: latecomer, 150 letters, connect to complete board: median %.0f ms "
        "(min %.0f, max %.0f, 5 runs)\n",
        ms[2], ms.front(), ms.back());
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
            probe.OnInfo = [&](TSock&, SockEvent e, const std::string&) {
                failed = failed || infoKind(e) == siError || infoKind(e) == siClose;
            };
            try {
                probe.Open();
            } catch (const ESockException&) {
            }
            pump([&] { return failed || got.find("CMD_sendlogininfo") != std::string::npos; },
                 1000);
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
    std::printf(
        "start-up: zindle to a shown, logged-in window (%s): median %.0f ms "
        "(min %.0f, max %.0f, 10 runs)\n",
        display ? "X server" : "offscreen", (ms[4] + ms[5]) / 2, ms.front(), ms.back());
}

long residentKiB() {
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// A window shown at another scale paints the game's pictures once for it, after the resize.
void artwork() {
    for (const double ratio : {1.0, 0.91, 1.25, 2.0}) {
        std::vector<double> ms;
        for (int run = 0; run < 5; ++run) {
            const auto t0 = Clock::now();
            const zindle::Artwork art(ratio);
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("artwork: every picture painted for a pixel ratio of %.2f: median %.1f ms\n",
                    ratio, ms[2]);
    }
}

QStringList chatLines(const zindle::Tchat& w) {
    QStringList lines;
    for (QTextBlock b = w.findChild<QTextEdit*>("mainchat")->document()->begin(); b.isValid();
         b = b.next())
        lines << b.text();
    return lines;
}

double medianMs(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One line shown and painted, in milliseconds.
double showLine(Window& w, const std::string& line) {
    const auto t0 = Clock::now();
    w.chat->receive("CMD_chat+" + line + '\xFF');
    w.chat->processsocktimer();
    w.chat->findChild<QTextEdit*>("mainchat")->viewport()->repaint();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void hostileChat() {
    {
        Window w({}, nullptr, 1);
        w.chat->resize(874, 657);
        w.chat->show();
        pump([] { return false; }, 300);
        const std::string huge = "Eve chats: " + std::string(64 * 1024, 'x');
        const std::string plain = "Bob chats: an ordinary line of chat, like most of them|clLime";
        std::vector<double> shortMs, longMs;
        for (int i = 0; i < 50; ++i) {
            shortMs.push_back(showLine(w, plain));
            longMs.push_back(showLine(w, huge));
        }
        const long before = residentKiB();
        double worst = 0;
        for (int i = 0; i < 1000; ++i) worst = std::max(worst, showLine(w, huge));
        const long after = residentKiB();
        std::printf(
            "hostile chat: a 64 KiB line without spaces shown in median %.2f ms (worst of "
            "1,000 %.2f ms); an ordinary line %.2f ms; ratio %.1f\n",
            medianMs(longMs), worst, medianMs(shortMs),
            medianMs(longMs) / std::max(medianMs(shortMs), 1e-3));
        std::printf(
            "hostile chat: resident memory %ld KiB before 1,000 such lines, %ld KiB after\n",
            before, after);
    }
    auto server = newHost();
    Window ann({"Ann", "127.0.0.1", "true"}, server.get(), 0);
    ann.chat->show();
    pump([&] { return ann.chat->state().loggedIn(); });
    Window cat({"Cat", "127.0.0.1", "join"}, nullptr, server->port());
    cat.chat->show();
    Window eve({"Eve", "127.0.0.1", "join"}, nullptr, server->port());
    eve.chat->show();
    if (!pump([&] { return cat.chat->state().loggedIn() && eve.chat->state().loggedIn(); })) {
        std::printf("hostile chat: the windows did not connect\n");
        return;
    }
    const std::string flood = "CMD_chat+" + std::to_string(eve.chat->state().mySeat()) + "+" +
                              std::string(64 * 1024, 'x') + '\xFF';
    const long start = residentKiB();
    long peak = start;
    std::vector<double> latency;
    int sent = 0;
    const auto t0 = Clock::now();
    auto nextChat = t0 + std::chrono::seconds(1);
    int said = 0;
    QString waitingFor;
    Clock::time_point typed;
    pump(
        [&] {
            const auto now = Clock::now();
            const auto elapsed = std::chrono::duration<double>(now - t0).count();
            while (sent < static_cast<int>(elapsed * 20) && sent < 600) {
                eve.chat->sendToHost(flood);
                ++sent;
            }
            if (waitingFor.isEmpty() && now >= nextChat) {
                waitingFor = QString("Cat chats: line %1").arg(++said);
                auto* entry = cat.chat->findChild<QLineEdit*>("mychat");
                entry->setText(QString("line %1").arg(said));
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(entry, &enter);
                typed = now;
            } else if (!waitingFor.isEmpty() && chatLines(*ann.chat).contains(waitingFor)) {
                latency.push_back(std::chrono::duration<double, std::milli>(now - typed).count());
                waitingFor.clear();
                nextChat = now + std::chrono::seconds(1);
            }
            peak = std::max(peak, residentKiB());
            return (sent >= 600 && waitingFor.isEmpty()) || cat.chat->closing();
        },
        60000);
    std::printf(
        "hostile chat: 30 s of 64 KiB lines, 20 a second, through a host: the chatting "
        "window %s; %zu lines typed, delivery median %.0f ms, worst %.0f ms; resident "
        "memory %ld KiB at the start, peak %ld KiB\n",
        cat.chat->closing() ? "was dropped" : "stayed connected", latency.size(),
        latency.empty() ? -1.0 : medianMs(latency),
        latency.empty() ? -1.0 : *std::max_element(latency.begin(), latency.end()), start, peak);
}

// The window keeps a record of the player's turns for the review; a host that never starts
// a new game must not grow it without end.
void hostileTurns() {
    Window w({}, nullptr, 1);
    w.chat->show();
    w.chat->receive(
        "CMD_sendlogininfo+2\xFF"
        "CMD_newplayerinfo+2+Eve\xFF"
        "CMD_startgame+Eve+90+0+0+0+n+n+n\xFF");
    const auto turns = [&](int n) {
        for (int i = 0; i < n; ++i) {
            w.chat->receive(
                "CMD_nextplayer+2\xFF"
                "CMD_pass+2\xFF");
            while (w.chat->queued() > 0) w.chat->processsocktimer();
            if (i % 1000 == 0) QCoreApplication::processEvents();
        }
    };
    turns(5000);  // the chat view fills to its 5,000 lines first
    const long before = residentKiB();
    const auto t0 = Clock::now();
    std::vector<long> at;
    for (int quarter = 0; quarter < 4; ++quarter) {
        turns(25000);
        at.push_back(residentKiB());
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf(
        "hostile turns: resident memory %ld KiB after 5,000 turns a host hands the player "
        "without a new game; after 25,000, 50,000, 75,000 and 100,000 more: %ld, %ld, %ld, "
        "%ld KiB (%+ld KiB; %.0f s)\n",
        before, at[0], at[1], at[2], at[3], at[3] - before, s);
}

}  // namespace

int main(int argc, char** argv) {
    // A chosen offscreen screen (QT_QPA_PLATFORM=offscreen:configfile=...) is kept.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Named parts only, when named: bench_client turns chat
    const std::vector<std::pair<const char*, void (*)()>> parts{
        {"idle", idle},       {"catchup", catchUp},  {"artwork", artwork},
        {"startup", startup}, {"chat", hostileChat}, {"turns", hostileTurns}};
    for (const auto& [name, run] : parts)
        if (argc < 2 || std::find(argv + 1, argv + argc, std::string_view(name)) != argv + argc)
            run();
    return 0;
}
