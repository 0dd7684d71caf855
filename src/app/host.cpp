// zindle-host: the game host alone, without a window, for dedicated hosting
// and tests. The first connection to arrive is seat 1 and holds the host's powers once it
// has logged in.
// With --lobby it also signs in to a lobby server and announces its table there.
//
//   zindle-host [--port N] [--seed S] [--words FILE]
//               [--lobby --account JID --password-file FILE [--server HOST[:PORT]]
//                [--ca-file PEM] [--room JID] [--nick NAME] [--address HOST]
//                [--relay-only] [--no-mapping]
//                [--computers N] [--level easy|normal|hard]]

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/quitsignals.h"
#include "cli/commandline.h"
#include "cli/lobbyoptions.h"
#include "dedicated.h"
#include "engine/choose.h"
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
    const QCommandLineOption lobbyOption("lobby", "Announce the table in a lobby room.");
    zindle::cli::LobbyOptionSet lobbyOptions;
    const QCommandLineOption nickOption("nick", "The table's name in the room (the account's).",
                                        "NAME");
    const QCommandLineOption addressOption(
        "address", "Send joiners to HOST (this machine's first address).", "HOST");
    const QCommandLineOption computersOption(
        "computers", "Seat N computer players once a person sits down (0).", "N", "0");
    const QCommandLineOption levelOption("level", "The computers play easy, normal or hard.",
                                         "LEVEL", "normal");
    parser.addOption(lobbyOption);
    lobbyOptions.addTo(parser, false);
    parser.addOptions({nickOption, addressOption, computersOption, levelOption});
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

    std::optional<zindle::DedicatedOptions> dedicated;
    if (parser.isSet(lobbyOption)) {
        QString why;
        const auto lo = lobbyOptions.read(parser, why);
        if (!lo) return zindle::cli::badUsage(parser, program, why);
        if (lo->account.isEmpty() || lo->password.isEmpty())
            return zindle::cli::badUsage(parser, program,
                                         "--lobby needs --account and --password-file");
        zindle::DedicatedOptions d;
        d.lobby.account = {lo->account, lo->password, lo->server, lo->caFile};
        d.lobby.room = lo->room;
        d.lobby.nick = parser.value(nickOption);
        d.address = parser.value(addressOption);
        d.relayOnly = lo->relayOnly;
        d.mapping = lo->mapping;
        if (!parseUnsigned(parser.value(computersOption), 3, n))
            return zindle::cli::badUsage(parser, program, "--computers takes 0 to 3");
        d.computers = int(n);
        const auto level = zindle::engine::levelFromName(parser.value(levelOption).toStdString());
        if (!level)
            return zindle::cli::badUsage(parser, program, "--level takes easy, normal or hard");
        d.level = *level;
        dedicated = d;
    } else {
        for (const QCommandLineOption& o :
             {lobbyOptions.server, lobbyOptions.account, lobbyOptions.passwordFile,
              lobbyOptions.caFile, lobbyOptions.room, lobbyOptions.relayOnly,
              lobbyOptions.noMapping, nickOption, addressOption, computersOption, levelOption})
            if (parser.isSet(o))
                return zindle::cli::badUsage(parser, program,
                                             "--" + o.names().first() + " needs --lobby");
    }

    QCoreApplication app(argc, argv);
    // A closed terminal (SIGHUP) ends it as cleanly as an interrupt.
    const zindle::QuitSignals quitSignals({SIGINT, SIGTERM, SIGHUP},
                                          [] { QCoreApplication::quit(); });
    if (!quitSignals.ok()) return 1;

    // Destroyed before the application: it owns sockets with notifiers.
    auto server = std::make_unique<zindle::TServer>(options);
    // Before the first connection: the table follows every one of them.
    std::unique_ptr<zindle::DedicatedTable> table;
    if (dedicated) table = std::make_unique<zindle::DedicatedTable>(*server, *dedicated);
    try {
        server->listen();
    } catch (const ESockException& e) {
        std::fprintf(stderr, "zindle-host: %s\n", e.what());
        return 1;
    }
    std::printf("listening on port %d\n", server->port());
    std::fflush(stdout);
    if (table) table->start();

    app.exec();
    // The announcement goes before the table does.
    if (table) table->client().stop();
    table.reset();
    server.reset();
    return 0;
}
