#include "side/onlinepanel.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "side/passwordstore.h"
#include "widgets/dialogs.h"
#include "widgets/paths.h"

namespace zindle {

using lobby::LobbyClient;
using State = lobby::LobbyClient::State;

namespace {

QString settingsPath() {
    return dataFile("zindlelobby.ini");
}

enum Column { ColHost, ColSeats, ColWatching, ColState, ColTurn, ColZindles, ColDouble, ColTeams };

QString yesNo(bool b) {
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

OnlinePanel::OnlinePanel(Dialogs& dialogs, PasswordStore* passwords, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), passwords_(passwords), table_(client_) {
    setObjectName("online");
    pages_ = new QStackedWidget(this);
    auto* signInPage = new QWidget(pages_);
    auto* roomPage = new QWidget(pages_);
    buildSignIn(signInPage);
    buildRoom(roomPage);
    pages_->addWidget(signInPage);
    pages_->addWidget(roomPage);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);

    refresh_.setSingleShot(true);
    refresh_.setInterval(50);  // a burst of presences redraws the lists once
    connect(&refresh_, &QTimer::timeout, this, &OnlinePanel::refreshLists);
    connect(&client_, &LobbyClient::stateChanged, this, &OnlinePanel::stateChanged);
    connect(&client_, &LobbyClient::tableChanged, &refresh_, qOverload<>(&QTimer::start));
    connect(&client_, &LobbyClient::occupantJoined, this, [this](const QString& nick) {
        refresh_.start();
        if (wasOnline_ && nick != client_.nick())
            addLine(lobby::plainText(nick, lobby::kMaxName) + " joined the lobby.");
    });
    connect(&client_, &LobbyClient::occupantLeft, this, [this](const QString& nick) {
        refresh_.start();
        if (online() && nick != client_.nick())
            addLine(lobby::plainText(nick, lobby::kMaxName) + " left the lobby.");
    });
    connect(&client_, &LobbyClient::chatReceived, this,
            [this](const QString& nick, const QString& text) {
                addLine(lobby::plainText(nick, lobby::kMaxName) + ": " + text);
            });
    connect(&client_, &LobbyClient::invited, this,
            [this](const QString& from, const QString& host) {
                invitedTo_ = host;
                label_invite->setText(lobby::plainText(from, lobby::kMaxName) + " invites you to " +
                                      lobby::plainText(host, lobby::kMaxName) + "'s table.");
                label_invite->show();
                button_acceptInvite->show();
            });
    connect(&client_, &LobbyClient::joinAnswered, this, &OnlinePanel::answered);
    connect(&registrar_, &lobby::XmppSession::registered, this, [this] {
        creating_ = false;
        label_signIn->setText("Account created. Signing in...");
        signIn(false);
    });
    connect(&registrar_, &lobby::XmppSession::ended, this, [this](lobby::Failure why) {
        creating_ = false;
        label_signIn->setText(lobby::describe(
            why, account().server.isEmpty() ? account().domain() : account().server));
        updateButtons();
    });
    updateButtons();
}

OnlinePanel::~OnlinePanel() = default;

void OnlinePanel::buildSignIn(QWidget* page) {
    QSettings settings(settingsPath(), QSettings::IniFormat);
    edit_server = new QLineEdit(settings.value("Server").toString(), page);
    edit_server->setObjectName("edit_server");
    edit_server->setPlaceholderText("your community's server, e.g. chat.example.org");
    edit_server->setAccessibleName("Server");
    edit_account = new QLineEdit(settings.value("Account").toString(), page);
    edit_account->setObjectName("edit_account");
    edit_account->setMaxLength(3 * 1023);
    edit_account->setAccessibleName("Name");
    edit_account->setPlaceholderText("your name, or name@domain");
    edit_password = new QLineEdit(page);
    edit_password->setObjectName("edit_password");
    edit_password->setEchoMode(QLineEdit::Password);
    edit_password->setAccessibleName("Password");
    check_remember = new QCheckBox("&Remember the password in the keyring", page);
    check_remember->setObjectName("check_remember");
    check_remember->setEnabled(passwords_ != nullptr);
    caFile_ = settings.value("CaFile").toString();
    button_signIn = button("&Sign In", "button_signIn", page);
    button_create = button("&Create Account", "button_create", page);
    button_signIn->setDefault(true);
    label_signIn = new QLabel(page);
    label_signIn->setObjectName("label_signIn");
    label_signIn->setWordWrap(true);
    label_signIn->setTextFormat(Qt::PlainText);

    auto* form = new QFormLayout;
    auto* serverLabel = new QLabel("Se&rver", page);
    serverLabel->setBuddy(edit_server);
    auto* nameLabel = new QLabel("&Name", page);
    nameLabel->setBuddy(edit_account);
    auto* passwordLabel = new QLabel("&Password", page);
    passwordLabel->setBuddy(edit_password);
    form->addRow(serverLabel, edit_server);
    form->addRow(nameLabel, edit_account);
    form->addRow(passwordLabel, edit_password);
    form->addRow(QString(), check_remember);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button_signIn);
    buttons->addWidget(button_create);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(label_signIn);
    layout->addStretch();

    connect(button_signIn, &QPushButton::clicked, this, [this] { signIn(false); });
    connect(button_create, &QPushButton::clicked, this, [this] { signIn(true); });
    connect(edit_password, &QLineEdit::returnPressed, this, [this] { signIn(false); });
    connect(edit_account, &QLineEdit::editingFinished, this, [this] {
        if (!passwords_ || !edit_password->text().isEmpty() || edit_account->text().isEmpty())
            return;
        const QString jid = account().jid;
        passwords_->read(jid, [this, jid](const QString& pw) {
            if (!pw.isEmpty() && account().jid == jid && edit_password->text().isEmpty()) {
                edit_password->setText(pw);
                check_remember->setChecked(true);
            }
        });
    });
}

void OnlinePanel::buildRoom(QWidget* page) {
    list_games = new QTreeWidget(page);
    list_games->setObjectName("list_games");
    list_games->setAccessibleName("Open tables");
    list_games->setRootIsDecorated(false);
    list_games->setUniformRowHeights(true);
    list_games->setHeaderLabels(
        {"Host", "Seats", "Watching", "State", "Turn time", "Zindles", "Double", "Teams"});
    list_games->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_games->installEventFilter(this);
    list_people = new QListWidget(page);
    list_people->setObjectName("list_people");
    list_people->setAccessibleName("Who is online");
    view_chat = new QPlainTextEdit(page);
    view_chat->setObjectName("view_chat");
    view_chat->setAccessibleName("Lobby chat");
    view_chat->setReadOnly(true);
    view_chat->setMaximumBlockCount(5000);
    edit_chat = new QLineEdit(page);
    edit_chat->setObjectName("edit_chat");
    edit_chat->setAccessibleName("Say in the lobby");
    edit_chat->setMaxLength(lobby::kMaxLine);
    edit_chat->setPlaceholderText("Say something to the lobby");

    button_hostOnline = button("&Host a Game", "button_hostOnline", page);
    button_joinTable = button("&Join", "button_joinTable", page);
    button_watch = button("&Watch", "button_watch", page);
    button_invite = button("&Invite", "button_invite", page);
    button_signOut = button("Sign &Out", "button_signOut", page);
    label_room = new QLabel(page);
    label_room->setObjectName("label_room");
    label_room->setWordWrap(true);
    label_room->setTextFormat(Qt::PlainText);
    label_invite = new QLabel(page);
    label_invite->setObjectName("label_invite");
    label_invite->setTextFormat(Qt::PlainText);
    button_acceptInvite = button("&Accept", "button_acceptInvite", page);
    label_invite->hide();
    button_acceptInvite->hide();
    QSettings settings(settingsPath(), QSettings::IniFormat);
    check_relayOnly = new QCheckBox("Re&lay only: nobody learns my address", page);
    check_relayOnly->setObjectName("check_relayOnly");
    check_relayOnly->setChecked(settings.value("RelayOnly", false).toBool());
    check_mapping = new QCheckBox("Ask the &router to open my table", page);
    check_mapping->setObjectName("check_mapping");
    check_mapping->setChecked(settings.value("PortMapping", true).toBool());
    label_reach = new QLabel(page);
    label_reach->setObjectName("label_reach");
    label_reach->setTextFormat(Qt::PlainText);
    for (QCheckBox* box : {check_relayOnly, check_mapping})
        connect(box, &QCheckBox::toggled, this, [this] {
            QSettings settings(settingsPath(), QSettings::IniFormat);
            settings.setValue("RelayOnly", check_relayOnly->isChecked());
            settings.setValue("PortMapping", check_mapping->isChecked());
            table_.relayOnly = check_relayOnly->isChecked();
            table_.mapping = mappingWanted();
            updateButtons();
        });
    table_.relayOnly = check_relayOnly->isChecked();
    table_.mapping = mappingWanted();
    connect(&table_, &lobby::HostedTable::reachChanged, this,
            [this] { setReach(table_.open() ? lobby::describe(table_.reach()) : QString()); });

    auto* tables = new QVBoxLayout;
    auto* tablesLabel = new QLabel("Open &tables", page);
    tablesLabel->setBuddy(list_games);
    tables->addWidget(tablesLabel);
    tables->addWidget(list_games, 1);
    auto* tableButtons = new QHBoxLayout;
    tableButtons->addWidget(button_hostOnline);
    tableButtons->addWidget(button_joinTable);
    tableButtons->addWidget(button_watch);
    tableButtons->addStretch();
    tableButtons->addWidget(button_signOut);
    tables->addLayout(tableButtons);
    auto* invite = new QHBoxLayout;
    invite->addWidget(label_invite, 1);
    invite->addWidget(button_acceptInvite);
    tables->addLayout(invite);
    auto* reach = new QHBoxLayout;
    reach->addWidget(check_relayOnly);
    reach->addWidget(check_mapping);
    reach->addStretch();
    tables->addLayout(reach);
    // A line of its own: beside the boxes it squeezed their captions.
    tables->addWidget(label_reach);
    label_reach->hide();

    auto* people = new QVBoxLayout;
    auto* peopleLabel = new QLabel("Pla&yers online", page);
    peopleLabel->setBuddy(list_people);
    people->addWidget(peopleLabel);
    people->addWidget(list_people, 1);
    people->addWidget(button_invite);

    auto* top = new QHBoxLayout;
    top->addLayout(tables, 3);
    top->addLayout(people, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top, 3);
    layout->addWidget(view_chat, 2);
    layout->addWidget(edit_chat);
    layout->addWidget(label_room);

    connect(button_hostOnline, &QPushButton::clicked, this, &OnlinePanel::hostRequested);
    connect(button_joinTable, &QPushButton::clicked, this, [this] { joinSelected(false); });
    connect(button_watch, &QPushButton::clicked, this, [this] { joinSelected(true); });
    connect(button_invite, &QPushButton::clicked, this, &OnlinePanel::inviteSelected);
    connect(list_games, &QTreeWidget::itemDoubleClicked, this, [this] { joinSelected(false); });
    connect(list_games, &QTreeWidget::itemSelectionChanged, this, &OnlinePanel::updateButtons);
    connect(list_people, &QListWidget::itemSelectionChanged, this, &OnlinePanel::updateButtons);
    connect(button_acceptInvite, &QPushButton::clicked, this, [this] {
        label_invite->hide();
        button_acceptInvite->hide();
        asked_ = invitedTo_;
        askedToWatch_ = false;
        label_room->setText("Asking " + lobby::plainText(asked_, lobby::kMaxName) + "...");
        client_.requestJoin(invitedTo_, false);
    });
    connect(edit_chat, &QLineEdit::returnPressed, this, [this] {
        if (client_.say(edit_chat->text())) edit_chat->clear();
    });
    connect(button_signOut, &QPushButton::clicked, this, [this] {
        client_.stop();
        emit signedOut();
    });
}

bool OnlinePanel::eventFilter(QObject* watched, QEvent* event) {
    // Return on the list joins the selected table, as a double click does.
    if (watched == list_games && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            joinSelected(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

lobby::Account OnlinePanel::account() const {
    lobby::Account a;
    a.server = edit_server->text().trimmed();
    QString name = edit_account->text().trimmed();
    if (!name.contains('@')) {
        // The server's own host is the domain: "chat.example.org:5222" signs in as
        // name@chat.example.org.
        QString host = a.server;
        if (host.startsWith('['))
            host = host.mid(1).section(']', 0, 0);
        else if (host.count(':') == 1)
            host = host.section(':', 0, 0);
        name += '@' + host;
    }
    a.jid = name;
    a.password = edit_password->text();
    a.caFile = caFile_;
    return a;
}

void OnlinePanel::signIn(bool create) {
    const lobby::Account a = account();
    if (edit_server->text().trimmed().isEmpty() && !edit_account->text().contains('@')) {
        label_signIn->setText("Type the name of your lobby server.");
        edit_server->setFocus();
        return;
    }
    if (a.name().isEmpty() || a.password.isEmpty()) {
        label_signIn->setText("Type your name and your password.");
        (a.name().isEmpty() ? edit_account : edit_password)->setFocus();
        return;
    }
    QSettings settings(settingsPath(), QSettings::IniFormat);
    settings.setValue("Server", edit_server->text().trimmed());
    settings.setValue("Account", edit_account->text().trimmed());
    if (!caFile_.isEmpty()) settings.setValue("CaFile", caFile_);
    if (create) {
        creating_ = true;
        label_signIn->setText("Creating the account...");
        registrar_.registerAccount(a);
        updateButtons();
        return;
    }
    if (passwords_) {
        if (check_remember->isChecked())
            passwords_->write(a.jid, a.password);
        else
            passwords_->forget(a.jid);
    }
    client_.start({a, room_, {}});
}

void OnlinePanel::stateChanged(State state, const QString& why) {
    switch (state) {
        case State::SigningIn:
            label_signIn->setText("Signing in...");
            if (wasOnline_) label_room->setText("Signing in again...");
            break;
        case State::Joining:
            break;
        case State::Online:
            pages_->setCurrentIndex(1);
            label_room->setText(wasOnline_ ? "Back in the lobby." : "In the lobby.");
            if (wasOnline_) addLine("Back in the lobby.");
            wasOnline_ = true;
            list_games->setFocus();
            break;
        case State::Waiting:
            // A drop: the room and its tables go until we are back; games keep running.
            if (wasOnline_) {
                label_room->setText(why);
                addLine(why);
            } else {
                label_signIn->setText(why);
            }
            break;
        case State::Failed:
        case State::Offline:
            pages_->setCurrentIndex(0);
            wasOnline_ = false;
            label_signIn->setText(why);
            break;
    }
    updateButtons();
}

void OnlinePanel::refreshLists() {
    const QString selected = selectedTable();
    list_games->clear();
    list_people->clear();
    QList<QTreeWidgetItem*> rows;
    for (const lobby::Occupant& o : client_.occupants()) {
        const QString name = lobby::plainText(o.nick, lobby::kMaxName);
        auto* person = new QListWidgetItem(name);
        person->setData(Qt::UserRole, o.nick);
        list_people->addItem(person);
        if (!o.table) continue;
        const lobby::TableInfo& t = *o.table;
        auto* row = new QTreeWidgetItem(
            QStringList{name, QStringLiteral("%1 of %2").arg(t.seats).arg(t.of),
                        QString::number(t.spectators), t.playing ? "playing" : "waiting",
                        t.turntime > 0 ? QStringLiteral("%1 s").arg(t.turntime) : "-",
                        QString::number(t.zindles), yesNo(t.doubleTiles), yesNo(t.teams)});
        row->setData(ColHost, Qt::UserRole, o.nick);
        rows << row;
    }
    list_games->addTopLevelItems(rows);
    for (QTreeWidgetItem* row : rows)
        if (row->data(ColHost, Qt::UserRole).toString() == selected)
            list_games->setCurrentItem(row);
    if (!list_games->currentItem() && !rows.isEmpty()) list_games->setCurrentItem(rows.first());
    updateButtons();
}

QString OnlinePanel::selectedTable() const {
    const QTreeWidgetItem* row = list_games->currentItem();
    return row ? row->data(ColHost, Qt::UserRole).toString() : QString();
}

void OnlinePanel::setHosting(bool hosting) {
    hosting_ = hosting;
    updateButtons();
}

void OnlinePanel::updateButtons() {
    const bool in = online();
    const QString table = selectedTable();
    const bool other = in && !table.isEmpty() && table != client_.nick();
    button_hostOnline->setEnabled(in && !hosting_);
    button_joinTable->setEnabled(other && asked_.isEmpty());
    // The host seats whoever comes in a free seat: watching is for full tables.
    const auto it = client_.occupants().find(table);
    const bool full = it != client_.occupants().end() && it->table && it->table->full();
    button_watch->setEnabled(other && full && asked_.isEmpty());
    const QListWidgetItem* person = list_people->currentItem();
    button_invite->setEnabled(in && hosting_ && person &&
                              person->data(Qt::UserRole).toString() != client_.nick());
    const bool busy =
        creating_ || client_.state() == State::SigningIn || client_.state() == State::Joining;
    button_signIn->setEnabled(!busy);
    button_create->setEnabled(!busy);
    // Whether to map is decided when the table opens.
    check_mapping->setEnabled(!hosting_ && !check_relayOnly->isChecked());
    check_relayOnly->setEnabled(!hosting_);
}

void OnlinePanel::joinSelected(bool watch) {
    const QString table = selectedTable();
    if (!online() || table.isEmpty() || table == client_.nick() || !asked_.isEmpty()) return;
    asked_ = table;
    askedToWatch_ = watch;
    label_room->setText("Asking " + lobby::plainText(table, lobby::kMaxName) + "...");
    updateButtons();
    client_.requestJoin(table, watch);
}

void OnlinePanel::inviteSelected() {
    const QListWidgetItem* person = list_people->currentItem();
    if (!person || !hosting_) return;
    const QString nick = person->data(Qt::UserRole).toString();
    if (client_.invite(nick))
        label_room->setText("Invited " + lobby::plainText(nick, lobby::kMaxName) + ".");
}

void OnlinePanel::answered(const QString& host, lobby::Refusal refusal,
                           const lobby::JoinOffer& offer) {
    if (host != asked_) return;
    const bool watched = askedToWatch_;
    asked_.clear();
    updateButtons();
    const QString name = lobby::plainText(host, lobby::kMaxName);
    if (refusal == lobby::Refusal::None) {
        label_room->setText((watched ? "Watching " : "Joining ") + name + "'s table...");
        emit joinOffered(host, offer);
        return;
    }
    if (refusal == lobby::Refusal::Full && !watched &&
        dialogs_.yesNo(this, window()->windowTitle(),
                       name + "'s table is full. Watch the game instead?")) {
        asked_ = host;
        askedToWatch_ = true;
        updateButtons();
        client_.requestJoin(host, true);
        return;
    }
    label_room->setText(name + ": " + lobby::describe(refusal));
}

bool OnlinePanel::relayOnly() const {
    return check_relayOnly->isChecked();
}

bool OnlinePanel::mappingWanted() const {
    return check_mapping->isChecked() && !check_relayOnly->isChecked();
}

void OnlinePanel::setReach(const QString& how) {
    label_reach->setText(how.isEmpty() ? QString() : "Your table: " + how);
    label_reach->setVisible(!how.isEmpty());
}

void OnlinePanel::addLine(const QString& line) {
    view_chat->appendPlainText(line);
}

}  // namespace zindle
