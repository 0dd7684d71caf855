#include "side/lobbyform.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QVBoxLayout>
#include <optional>

#include "lobby/hostedtable.h"
#include "lobby/relay.h"
#include "lobby/statuslink.h"
#include "net/protocol.h"
#include "side/onlinepanel.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"
#include "widgets/paths.h"
#include "widgets/placement.h"

namespace zindle {

namespace {

// The lobby's own settings; the game's "korvolobby.ini" is left to the game.
QString settingsPath() {
    return dataFile("zindlelobby.ini");
}

quint16 lobbyPort() {
    bool ok = false;
    const uint port = qEnvironmentVariable("ZINDLE_LOBBY_PORT").toUInt(&ok);
    if (ok && port > 0 && port < 65536) return quint16(port);
    return quint16(std::stoi(std::string(proto::kLobbyPort)));
}

}  // namespace

bool Tlobby::joinable(const QHostAddress& a) {
    // A link-local address needs the joiner's own interface name, which we cannot know.
    return !a.isNull() && !a.isLoopback() && !a.isLinkLocal() && !a.isMulticast() &&
           !a.isBroadcast() && a != QHostAddress::AnyIPv4 && a != QHostAddress::AnyIPv6;
}

QStringList Tlobby::machineAddresses() {
    QStringList out;
    for (QHostAddress a : lobby::machineAddresses()) {
        if (!joinable(a)) continue;
        a.setScopeId({});
        if (!out.contains(a.toString())) out.append(a.toString());
    }
    return out;
}

Tlobby::Tlobby(Dialogs& dialogs, PasswordStore* passwords, QWidget* parent)
    : QWidget(parent),
      dialogs(dialogs),
      linkServer(new QTcpServer(this)),
      linkPort(lobbyPort()),
      status(new lobby::StatusListener(this)) {
    setObjectName("lobby");
    setWindowTitle("Zindle Lobby");
    setWindowIcon(appIcon());
    new WindowPlacer(this);

    gameProgram = qEnvironmentVariable("ZINDLE_GAME");
    if (gameProgram.isEmpty()) gameProgram = QCoreApplication::applicationDirPath() + "/zindle";

    QSettings settings(settingsPath(), QSettings::IniFormat);
    edit_name = new QLineEdit(settings.value("Name").toString(), this);
    edit_name->setObjectName("edit_name");
    edit_name->setMaxLength(20);  // the game keeps no more
    edit_address = new QLineEdit(settings.value("Address").toString(), this);
    edit_address->setObjectName("edit_address");
    edit_address->setMaxLength(255);  // an IPv6 address or a full host name
    edit_address->setPlaceholderText("address of the player who hosts");

    button_host = new QPushButton("Host a Game", this);
    button_host->setObjectName("button_host");
    button_join = new QPushButton("Join Game", this);
    button_join->setObjectName("button_join");
    connect(button_host, &QPushButton::clicked, this, &Tlobby::button_hostClick);
    connect(button_join, &QPushButton::clicked, this, &Tlobby::button_joinClick);

    const QStringList mine = machineAddresses();
    label_addresses = new QLabel(
        mine.isEmpty() ? QStringLiteral("This machine has no network address; games stay on it.")
                       : "Friends join you at: " + mine.join(", "),
        this);
    label_addresses->setObjectName("label_addresses");
    label_addresses->setWordWrap(true);
    label_addresses->setTextInteractionFlags(Qt::TextSelectableByMouse);

    label_status = new QLabel(this);
    label_status->setObjectName("label_status");
    label_status->setWordWrap(true);

    tabs = new QTabWidget(this);
    tabs->setObjectName("tabs");
    online = new OnlinePanel(dialogs, passwords, tabs);
    networkTab = new QWidget(tabs);
    networkTab->setObjectName("networkTab");
    auto* form = new QFormLayout;
    form->addRow("Your name", edit_name);
    form->addRow("Host address", edit_address);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button_host);
    buttons->addWidget(button_join);
    auto* network = new QVBoxLayout(networkTab);
    network->addLayout(form);
    network->addLayout(buttons);
    network->addWidget(label_addresses);
    network->addStretch();
    tabs->addTab(online, "Onl&ine");
    tabs->addTab(networkTab, "This Networ&k");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addWidget(label_status);
    setMinimumWidth(360);
    resize(760, 560);

    connect(online, &OnlinePanel::hostRequested, this, &Tlobby::hostOnline);
    connect(online, &OnlinePanel::joinOffered, this, &Tlobby::joinOnline);
    connect(status, &lobby::StatusListener::reported, this, [this](const lobby::TableReport& r) {
        online->table().update(r.port, r.table);
        online->setHosting(true);
    });
    connect(status, &lobby::StatusListener::gameGone, this, [this] {
        online->table().close();
        online->setHosting(false);
    });

    connect(linkServer, &QTcpServer::newConnection, this, &Tlobby::linkAccepted);
    if (linkServer->listen(QHostAddress::LocalHost, linkPort)) {
        label_status->setText("Ready.");
    } else {
        // A game started now would find another program on the port, so none is started.
        label_status->setText(QStringLiteral("Port %1 is taken (%2). Is another lobby open?")
                                  .arg(linkPort)
                                  .arg(linkServer->errorString()));
        button_host->setEnabled(false);
        button_join->setEnabled(false);
    }
}

Tlobby::~Tlobby() {
    endGames();
}

bool Tlobby::listening() const {
    return linkServer->isListening();
}

void Tlobby::button_hostClick() {
    startGame("127.0.0.1", "true");
}

void Tlobby::button_joinClick() {
    const QString address = edit_address->text().trimmed();
    if (address.isEmpty()) {
        dialogs.message(this, windowTitle(), "Type the address of the player who hosts.");
        return;
    }
    startGame(address, "join");
}

bool Tlobby::startGame(const QString& address, const QString& mode) {
    const QString name = edit_name->text().trimmed();
    if (name.isEmpty()) {
        dialogs.message(this, windowTitle(), "Type your name first.");
        return false;
    }
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue("Name", name);
    if (mode != "true") settings.setValue("Address", address);
    settings.sync();
    return launch(name, address, mode, {});
}

bool Tlobby::launch(const QString& name, const QString& address, const QString& mode,
                    const Environment& env) {
    // The game reads these at its start; the lobby's own values come back after.
    QList<QPair<QByteArray, std::optional<QByteArray>>> saved;
    Environment all = env;
    all.append({"ZINDLE_LOBBY_PORT", QByteArray::number(linkPort)});  // the link is ours
    for (const auto& [key, value] : all) {
        saved.append({key, qEnvironmentVariableIsSet(key.constData())
                               ? std::optional<QByteArray>(qgetenv(key.constData()))
                               : std::nullopt});
        if (value.isNull())
            qunsetenv(key.constData());
        else
            qputenv(key.constData(), value);
    }
    const bool started = dialogs.startProgram(gameProgram, {name, address, mode});
    for (const auto& [key, value] : saved) {
        if (value)
            qputenv(key.constData(), *value);
        else
            qunsetenv(key.constData());
    }
    if (!started) {
        dialogs.message(this, windowTitle(), "The game could not be started: " + gameProgram);
        return false;
    }
    label_status->setText(mode == "true" ? "Starting the game as host..."
                                         : "Joining " + address + "...");
    return true;
}

void Tlobby::hostOnline() {
    if (!links.isEmpty()) {
        dialogs.message(this, windowTitle(), "A game is already running. Close it first.");
        return;
    }
    if (!online->online() || status->path().isEmpty()) return;
    online->setHosting(true);  // until the game reports, or never comes
    if (!launch(online->playerName(), "127.0.0.1", "true",
                {{lobby::kStatusVariable, status->path().toLocal8Bit()}}))
        online->setHosting(false);
}

void Tlobby::joinOnline(const QString& hostNick, const lobby::JoinOffer& offer) {
    if (!links.isEmpty()) {
        dialogs.message(this, windowTitle(), "A game is already running. Close it first.");
        return;
    }
    if (!offer.relay && !offer.direct()) return;
    // Direct first (a short try), else through the server's relay.
    auto* path = new lobby::JoinPath(online->client(), hostNick, offer, online->relayOnly(), this);
    paths.append(path);
    auto forget = [this, path] {
        paths.removeOne(path);
        path->deleteLater();
    };
    connect(path, &lobby::JoinPath::direct, this,
            [this, hostNick, forget](const QString& host, int port) {
                forget();
                lobby::JoinOffer direct;
                direct.host = host;
                direct.port = port;
                joinDirect(hostNick, direct);
            });
    connect(path, &lobby::JoinPath::relayed, this, [this, forget](int port) {
        if (launch(online->playerName(), "127.0.0.1", "join",
                   {{"ZINDLE_PORT", QByteArray::number(port)}, {lobby::kStatusVariable, {}}}))
            label_status->setText("Joining through the relay...");
        else
            forget();
    });
    connect(path, &lobby::JoinPath::failed, this, [this, forget](const QString& why) {
        forget();
        label_status->setText(why);
    });
    connect(path, &lobby::JoinPath::ended, this, forget);
    label_status->setText(online->relayOnly() || !offer.direct() ? "Opening the relay..."
                                                                 : "Connecting...");
    path->start();
}

void Tlobby::joinDirect(const QString& hostNick, const lobby::JoinOffer& offer) {
    // The game keeps 20 characters of a host address: a longer name is
    // looked up here and the game is given an address that fits.
    if (offer.host.size() > lobby::kMaxName) {
        QHostInfo::lookupHost(offer.host, this, [this, hostNick, offer](const QHostInfo& info) {
            for (const QHostAddress& a : info.addresses()) {
                if (a.toString().size() > lobby::kMaxName) continue;
                lobby::JoinOffer fits = offer;
                fits.host = a.toString();
                joinDirect(hostNick, fits);
                return;
            }
            label_status->setText("The table's address " + offer.host + " cannot be found.");
        });
        return;
    }
    launch(online->playerName(), offer.host, "join",
           {{"ZINDLE_PORT", QByteArray::number(offer.port)}, {lobby::kStatusVariable, {}}});
}

void Tlobby::linkAccepted() {
    while (QTcpSocket* link = linkServer->nextPendingConnection()) {
        links.append(link);
        connect(link, &QTcpSocket::disconnected, this, [this, link] {
            links.removeOne(link);
            link->deleteLater();
            if (links.isEmpty()) online->setHosting(online->table().open());
            label_status->setText("The game has ended.");
            emit gameUnlinked();
        });
        // The game sends nothing; anything that arrives is dropped.
        connect(link, &QTcpSocket::readyRead, link, [link] { link->readAll(); });
        label_status->setText("The game is running. Closing the lobby ends it.");
        emit gameLinked();
    }
}

void Tlobby::endGames() {
    // Relayed games end with their streams.
    const QList<lobby::JoinPath*> relayed = std::exchange(paths, {});
    for (lobby::JoinPath* p : relayed) delete p;
    const QList<QTcpSocket*> open = links;
    links.clear();
    for (QTcpSocket* link : open) {
        link->disconnect(this);
        link->abort();
        link->deleteLater();
    }
}

void Tlobby::closeEvent(QCloseEvent* event) {
    endGames();
    QWidget::closeEvent(event);
}

}  // namespace zindle
