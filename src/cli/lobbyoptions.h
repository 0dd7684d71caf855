// The options both lobby programs take (zindle-lobby, zindle-host --lobby).
#pragma once

#include <QCommandLineOption>
#include <QString>
#include <optional>

#include "cli/commandline.h"

namespace zindle::cli {

struct LobbyOptions {
    QString server;    // HOST[:PORT], empty: the account's domain
    QString account;   // name@domain
    QString password;  // from --password-file
    QString caFile;
    QString room;
    bool registerAccount = false;
    bool relayOnly = false;  // hosts and joins only through the server's relay
    bool mapping = true;     // asks the router to open the game port
};

struct LobbyOptionSet {
    QCommandLineOption server{"server", "Connect to the XMPP server at HOST[:PORT].",
                              "HOST[:PORT]"};
    QCommandLineOption account{"account", "Sign in as JID (name@domain).", "JID"};
    QCommandLineOption passwordFile{"password-file", "Read the password from FILE's first line.",
                                    "FILE"};
    QCommandLineOption caFile{"ca-file", "Trust the certificate authority in PEM as well.", "PEM"};
    QCommandLineOption room{"room", "Meet in the room JID (lobby@conference.DOMAIN).", "JID"};
    QCommandLineOption registerAccount{"register", "Create the account first."};
    QCommandLineOption relayOnly{"relay-only",
                                 "Play only through the server's relay: nobody learns your "
                                 "address."};
    QCommandLineOption noMapping{"no-mapping", "Do not ask the router to open the game port."};

    void addTo(Parser& parser, bool takesRegister);
    bool withRegister = false;  // zindle-host takes no --register
    // The values, or the reason they cannot be used.
    std::optional<LobbyOptions> read(const Parser& parser, QString& why) const;
};

// The first line of a password file, without its line end.
std::optional<QString> readPasswordFile(const QString& path, QString& why);

}  // namespace zindle::cli
