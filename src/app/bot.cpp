// zindle-bot: a computer player that joins any host as a window would.
//
//   zindle-bot [--host H] [--port N] [--name NAME] [--level easy|normal|hard] [--delay MS]
//              [--think MS]
//
// It never starts a game itself, and exits with status 0 when the host closes.
#include "engine/bot.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commandline.h"

namespace {

bool parseNumber(const QString& text, long max, int& out) {
    bool ok = false;
    const long v = text.startsWith('-') ? -1 : text.toLong(&ok);
    if (!ok || v < 0 || v > max) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const zindle::cli::Program program{"zindle-bot", "A computer player that joins a Zindle host.",
                                       "", ""};
    zindle::cli::Parser parser;
    const QCommandLineOption hostOption(
        "host", "Join host H: an IPv4 or IPv6 address or a name (127.0.0.1).", "H");
    const QCommandLineOption portOption("port", "The host's TCP port (7772).", "N");
    const QCommandLineOption nameOption("name", "Play as NAME (Computer).", "NAME");
    const QCommandLineOption levelOption("level", "Play at easy, normal or hard (normal).",
                                         "LEVEL");
    const QCommandLineOption delayOption(
        "delay", "Wait at least MS milliseconds before each move (1500).", "MS");
    const QCommandLineOption thinkOption("think",
                                         "Think for at most MS milliseconds a move (1000).", "MS");
    parser.addOptions({hostOption, portOption, nameOption, levelOption, delayOption, thinkOption});
    if (auto done = zindle::cli::parse(parser, program, zindle::cli::arguments(argc, argv)))
        return *done;
    auto bad = [&](const QString& cause) { return zindle::cli::badUsage(parser, program, cause); };
    if (!parser.positionalArguments().isEmpty())
        return bad("unexpected argument " + parser.positionalArguments()[0]);

    zindle::engine::BotOptions options;
    if (parser.isSet(hostOption)) {
        if (parser.value(hostOption).isEmpty()) return bad("--host is empty");
        options.host = parser.value(hostOption).toStdString();
    }
    if (parser.isSet(portOption) &&
        (!parseNumber(parser.value(portOption), 65535, options.port) || options.port == 0))
        return bad("--port takes a number from 1 to 65535");
    if (parser.isSet(nameOption)) {
        if (parser.value(nameOption).isEmpty()) return bad("--name is empty");
        options.name = parser.value(nameOption).toStdString();
    }
    if (parser.isSet(levelOption)) {
        const auto level = zindle::engine::levelFromName(parser.value(levelOption).toStdString());
        if (!level) return bad("--level takes easy, normal or hard");
        options.level = *level;
    }
    if (parser.isSet(delayOption) &&
        !parseNumber(parser.value(delayOption), 600000, options.delayMs))
        return bad("--delay takes milliseconds up to 600000");
    if (parser.isSet(thinkOption) &&
        !parseNumber(parser.value(thinkOption), 600000, options.thinkMs))
        return bad("--think takes milliseconds up to 600000");

    QCoreApplication app(argc, argv);
    zindle::engine::Bot bot(options);
    int status = 0;
    bot.onClosed = [&](bool failed) {
        if (failed) {
            std::fprintf(stderr, "zindle-bot: cannot reach %s port %d\n", options.host.c_str(),
                         options.port);
            status = 1;
        }
        QCoreApplication::exit(status);
    };
    bot.start();
    if (bot.closed()) return status;
    const int rc = app.exec();
    if (bot.seat().refused() > 0)
        std::fprintf(stderr, "zindle-bot: the host refused %d moves\n", bot.seat().refused());
    return rc;
}
