// zindle-bot: a computer player that joins any host as a window would.
//
//   zindle-bot [--host H] [--port N] [--name NAME] [--level easy|normal|hard] [--delay MS]
//              [--think MS]
//
// It never starts a game itself, and exits with status 0 when the host closes.
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/bot.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: zindle-bot [--host H] [--port N] [--name NAME] [--level easy|normal|hard] "
                 "[--delay MS] [--think MS]\n");
    return 2;
}

bool parseNumber(const char* text, long max, int& out) {
    char* end = nullptr;
    if (!text || !*text || *text == '-') return false;
    const long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v > max) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    zindle::engine::BotOptions options;
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) return usage();
        if (arg == "--host" && *value) {
            options.host = value;
        } else if (arg == "--port") {
            if (!parseNumber(value, 65535, options.port) || options.port == 0) return usage();
        } else if (arg == "--name" && *value) {
            options.name = value;
        } else if (arg == "--level") {
            const auto level = zindle::engine::levelFromName(value);
            if (!level) return usage();
            options.level = *level;
        } else if (arg == "--delay") {
            if (!parseNumber(value, 600000, options.delayMs)) return usage();
        } else if (arg == "--think") {
            if (!parseNumber(value, 600000, options.thinkMs)) return usage();
        } else {
            return usage();
        }
    }

    QCoreApplication app(argc, argv);
    zindle::engine::Bot bot(options);
    int status = 0;
    bot.onClosed = [&](bool failed) {
        if (failed) {
            std::fprintf(stderr, "zindle-bot: cannot reach %s port %d\n", options.host.c_str(), options.port);
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
