#include "cli/lobbyoptions.h"

#include <QFile>

namespace zindle::cli {

void LobbyOptionSet::addTo(Parser& parser, bool takesRegister) {
    parser.addOptions({server, account, passwordFile, caFile, room, relayOnly, noMapping});
    withRegister = takesRegister;
    if (withRegister) parser.addOption(registerAccount);
}

std::optional<QString> readPasswordFile(const QString& path, QString& why) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        why = "cannot read the password file " + path + ": " + f.errorString();
        return std::nullopt;
    }
    QByteArray line = f.readLine(1024);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) {
        why = "the password file " + path + " is empty";
        return std::nullopt;
    }
    return QString::fromUtf8(line);
}

std::optional<LobbyOptions> LobbyOptionSet::read(const Parser& parser, QString& why) const {
    LobbyOptions o;
    o.server = parser.value(server).trimmed();
    o.account = parser.value(account).trimmed();
    o.caFile = parser.value(caFile);
    o.room = parser.value(room).trimmed();
    // Asking about an option never added makes Qt warn on stderr.
    o.registerAccount = withRegister && parser.isSet(registerAccount);
    o.relayOnly = parser.isSet(relayOnly);
    o.mapping = !parser.isSet(noMapping) && !o.relayOnly;
    if (!o.account.isEmpty()) {
        const qsizetype at = o.account.indexOf('@');
        if (at <= 0 || at == o.account.size() - 1 || o.account.count('@') != 1) {
            why = "--account takes name@domain";
            return std::nullopt;
        }
    }
    if (!o.room.isEmpty() && !o.room.contains('@')) {
        why = "--room takes a room's JID, room@service";
        return std::nullopt;
    }
    if (!o.caFile.isEmpty() && !QFile::exists(o.caFile)) {
        why = "no such file: " + o.caFile;
        return std::nullopt;
    }
    if (parser.isSet(passwordFile)) {
        const auto pw = readPasswordFile(parser.value(passwordFile), why);
        if (!pw) return std::nullopt;
        o.password = *pw;
    }
    return o;
}

}  // namespace zindle::cli
