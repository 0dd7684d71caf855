// The online half of the lobby window: signing in (or creating an account)
// on an XMPP server, then the lobby room: the live list of tables, who is
// online, the room's chat, Host, Join, Watch and invitations. Starting games
// is the window's business: this panel asks for it by signal.
#pragma once

#include <QTimer>
#include <QWidget>

#include "lobby/hostedtable.h"
#include "lobby/lobbyclient.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace zindle {

class Dialogs;
class PasswordStore;

class OnlinePanel : public QWidget {
    Q_OBJECT
public:
    OnlinePanel(Dialogs& dialogs, PasswordStore* passwords, QWidget* parent = nullptr);
    ~OnlinePanel() override;

    lobby::LobbyClient& client() { return client_; }
    lobby::HostedTable& table() { return table_; }

    // From the command line: trust this authority, meet in this room.
    void setCaFile(const QString& path) { caFile_ = path; }
    void setRoom(const QString& room) { room_ = room; }
    // Signs in with what the form holds (creating the account first when asked).
    void signIn(bool create);
    // The account the form names: name@domain, or the name at the server's host.
    lobby::Account account() const;
    // Our name in the room and in the games we start from it.
    QString playerName() const { return client_.nick(); }
    bool online() const { return client_.state() == lobby::LobbyClient::State::Online; }
    // Whether we host a table now: Invite needs one, Host is off while it runs.
    void setHosting(bool hosting);
    QString selectedTable() const;

    // The sign-in page.
    QLineEdit* edit_server;
    QLineEdit* edit_account;
    QLineEdit* edit_password;
    QCheckBox* check_remember;
    QPushButton* button_signIn;
    QPushButton* button_create;
    QLabel* label_signIn;
    // The room page.
    QTreeWidget* list_games;
    QListWidget* list_people;
    QPlainTextEdit* view_chat;
    QLineEdit* edit_chat;
    QPushButton* button_hostOnline;
    QPushButton* button_joinTable;
    QPushButton* button_watch;
    QPushButton* button_invite;
    QPushButton* button_signOut;
    QLabel* label_room;
    QLabel* label_invite;
    QPushButton* button_acceptInvite;
    // How others reach our table, and what we let them learn.
    QCheckBox* check_relayOnly;
    QCheckBox* check_mapping;
    QLabel* label_reach;

    bool relayOnly() const;
    bool mappingWanted() const;
    // Says how our table can be reached: "open to the Internet", "through
    // the relay" or "this network only".
    void setReach(const QString& how);

    void joinSelected(bool watch);
    void inviteSelected();

signals:
    void hostRequested();
    void joinOffered(const QString& hostNick, const zindle::lobby::JoinOffer& offer);
    void signedOut();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSignIn(QWidget* page);
    void buildRoom(QWidget* page);
    void stateChanged(lobby::LobbyClient::State state, const QString& why);
    void refreshLists();
    void updateButtons();
    void answered(const QString& host, lobby::Refusal refusal, const lobby::JoinOffer& offer);
    void addLine(const QString& line);

    Dialogs& dialogs_;
    PasswordStore* passwords_;
    lobby::LobbyClient client_;
    lobby::HostedTable table_;
    QStackedWidget* pages_;
    QString caFile_, room_;
    bool hosting_ = false;
    bool creating_ = false;
    bool wasOnline_ = false;
    QString invitedTo_;
    QString asked_;  // the table we asked to join, while we wait
    bool askedToWatch_ = false;
    lobby::XmppSession registrar_;
    QTimer refresh_;
};

}  // namespace zindle
