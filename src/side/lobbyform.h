// The lobby stand-in: the least a lobby must do for the game. It listens on
// 127.0.0.1 port 9001 ($ZINDLE_LOBBY_PORT), starts "zindle NAME ADDRESS true"
// to host or "zindle NAME ADDRESS join" to join, and holds the game's link;
// closing the lobby closes the link, which ends the game.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTcpServer;
class QTcpSocket;

namespace zindle {

class Dialogs;

class Tlobby : public QWidget {
    Q_OBJECT
public:
    explicit Tlobby(Dialogs& dialogs, QWidget* parent = nullptr);
    ~Tlobby() override;

    // The game program: $ZINDLE_GAME, else zindle beside this program.
    QString gameProgram;

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
    void linkAccepted();

    Dialogs& dialogs;
    QTcpServer* linkServer;
    QList<QTcpSocket*> links;
    quint16 linkPort;
};

}  // namespace zindle
