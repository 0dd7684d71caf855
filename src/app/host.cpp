// zindle-host: the game host alone, without a window, for dedicated hosting
// and tests. The first connection to arrive is seat 1 and holds the host's powers.
//
//   zindle-host [--port N] [--seed S] [--words FILE]
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commandline.h"
#include "server/server.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}

bool parseUnsigned(const QString& text, unsigned long max, unsigned long& out) {
    bool ok = false;
    out = text.startsWith('-') ? 0 : text.toULong(&ok);
    return ok && out <= max;
}

}  // namespace

int main(int argc, char** argv) {
    const zindle::cli::Program program{"zindle-host", "Hosts a Zindle game without a window.", "",
                                       ""};
    zindle::cli::Parser parser;
    const QCommandLineOption portOption("port", "Listen on TCP port N (7772).", "N", "7772");
    const QCommandLineOption seedOption("seed", "Replay the games of seed S.", "S");
    const QCommandLineOption wordsOption("words", "Judge words against FILE.", "FILE");
    parser.addOptions({portOption, seedOption, wordsOption});
    if (auto done = zindle::cli::parse(parser, program, zindle::cli::arguments(argc, argv)))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return zindle::cli::badUsage(parser, program,
                                     "unexpected argument " + parser.positionalArguments()[0]);

    zindle::ServerOptions options;
    unsigned long n = 0;
    if (!parseUnsigned(parser.value(portOption), 65535, n))
        return zindle::cli::badUsage(parser, program, "--port takes a number up to 65535");
    options.port = std::to_string(n);
    const bool seeded = parser.isSet(seedOption);
    if (seeded) {
        if (!parseUnsigned(parser.value(seedOption), 0xFFFFFFFFul, n))
            return zindle::cli::badUsage(parser, program, "--seed takes a number up to 4294967295");
        options.seed = static_cast<uint32_t>(n);
    }
    if (parser.isSet(wordsOption)) options.wordsFile = parser.value(wordsOption).toStdString();
    if (!seeded) zindle::randomize();

    QCoreApplication app(argc, argv);
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    QSocketNotifier quitNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    // Destroyed before the application: it owns sockets with notifiers.
    auto server = std::make_unique<zindle::TServer>(options);
    try {
        server->listener.setListen(true);
    } catch (const ESockException& e) {
        std::fprintf(stderr, "zindle-host: %s\n", e.what());
        return 1;
    }
    std::printf("listening on port %d\n", server->listener.LocalPort());
    std::fflush(stdout);

    app.exec();
    server.reset();
    return 0;
}
