// zindle-host: the game host alone, without a window, for dedicated hosting
// and tests. The first connection to arrive is seat 1 and holds the host's powers once it
// has logged in.
//
//   zindle-host [--port N] [--seed S] [--words FILE]
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/quitsignals.h"
#include "cli/commandline.h"
#include "server/server.h"

namespace {

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
    // A closed terminal (SIGHUP) ends it as cleanly as an interrupt.
    const zindle::QuitSignals quitSignals({SIGINT, SIGTERM, SIGHUP},
                                          [] { QCoreApplication::quit(); });
    if (!quitSignals.ok()) return 1;

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
