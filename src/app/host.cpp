// zindle-host: the game host alone, without a window, for dedicated hosting
// and tests. The first connection to arrive is seat 1 and holds the host's powers.
//
//   zindle-host [--port N] [--seed S] [--words FILE]
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

#include "server/server.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}

int usage() {
    std::fprintf(stderr, "usage: zindle-host [--port N] [--seed S] [--words FILE]\n");
    return 2;
}

bool parseUnsigned(const char* text, unsigned long max, unsigned long& out) {
    char* end = nullptr;
    if (!text || !*text || *text == '-') return false;
    out = std::strtoul(text, &end, 10);
    return *end == '\0' && out <= max;
}

}  // namespace

int main(int argc, char** argv) {
    zindle::ServerOptions options;
    bool seeded = false;
    // Every option takes a value, so the arguments go in pairs.
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long n = 0;
        if (arg == "--port" && parseUnsigned(value, 65535, n)) {
            options.port = std::to_string(n);
        } else if (arg == "--seed" && parseUnsigned(value, 0xFFFFFFFFul, n)) {
            options.seed = static_cast<uint32_t>(n);
            seeded = true;
        } else if (arg == "--words" && value) {
            options.wordsFile = value;
        } else {
            return usage();
        }
    }
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
        server->Sock1.setListen(true);
    } catch (const ESockException& e) {
        std::fprintf(stderr, "zindle-host: port %s: %s\n", options.port.c_str(), e.what());
        return 1;
    }
    std::printf("listening on port %d\n", server->Sock1.LocalPort());
    std::fflush(stdout);

    app.exec();
    server.reset();
    return 0;
}
