// The lobby window. Online, it signs in to a lobby server and shows the
// room: tables, people, chat (OnlinePanel). On this network, without a
// server, it hosts or joins by address. Either way it listens on 127.0.0.1
// port 9001 ($ZINDLE_LOBBY_PORT), starts "zindle NAME ADDRESS true" to host
// or "zindle NAME ADDRESS join" to join, and holds the game's link; closing
// the lobby closes the link, which ends the game. A game hosted online
// reports its table back on a private channel (ZINDLE_TABLE_STATUS).
#pragma once

#include <QHostAddress>
#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTcpServer;
class QTcpSocket;

namespace zindle {

class Dialogs;
class OnlinePanel;
class PasswordStore;
namespace lobby {
class JoinPath;
class StatusListener;
struct JoinOffer;
}  // namespace lobby

class Tlobby : public QWidget {
    Q_OBJECT
public:
    // Without a password store the lobby asks for the password each time.
    explicit Tlobby(Dialogs& dialogs, PasswordStore* passwords = nullptr,
                    QWidget* parent = nullptr);
    ~Tlobby() override;

    // The game program: $ZINDLE_GAME, else zindle beside this program.
    QString gameProgram;

    QTabWidget* tabs;
    OnlinePanel* online;
    QWidget* networkTab;
    QLineEdit* edit_name;
    QLineEdit* edit_address;
    QPushButton* button_host;
    QPushButton* button_join;
    QLabel* label_addresses;
    QLabel* label_status;

    quint16 port() const { return linkPort; }
    bool listening() const;
    // Games that hold a link to this lobby now.
    int games() const { return links.size(); }

    void button_hostClick();
    void button_joinClick();
    // Online: hosts a table announced in the room, or joins one that answered.
    void hostOnline();
    void joinOnline(const QString& hostNick, const lobby::JoinOffer& offer);
    // Starts the game at the offer's direct address.
    void joinDirect(const QString& hostNick, const lobby::JoinOffer& offer);
    // Closes every game's link, which ends those games.
    void endGames();

    // This machine's addresses others can reach, for the host to pass on.
    static QStringList machineAddresses();
    // Whether a friend elsewhere could join at a: no loopback, link-local,
    // multicast or unspecified addresses.
    static bool joinable(const QHostAddress& a);

signals:
    void gameLinked();
    void gameUnlinked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool startGame(const QString& address, const QString& mode);
    using Environment = QList<QPair<QByteArray, QByteArray>>;
    bool launch(const QString& name, const QString& address, const QString& mode,
                const Environment& env);
    void linkAccepted();

    Dialogs& dialogs;
    QTcpServer* linkServer;
    QList<QTcpSocket*> links;
    quint16 linkPort;
    lobby::StatusListener* status;
    QList<lobby::JoinPath*> paths;  // joins under way and relayed games
};

}  // namespace zindle
