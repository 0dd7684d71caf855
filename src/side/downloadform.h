// The window offered at a solo start: download and run the lobby's installer,
// go on alone, or leave for an installed lobby.
#pragma once

#include <QCryptographicHash>
#include <QUrl>
#include <QWidget>
#include <functional>

class QFrame;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QSaveFile;

namespace zindle {

class Dialogs;

class Tdownload : public QWidget {
    Q_OBJECT
public:
    Tdownload(Dialogs& dialogs, QWidget* parent = nullptr);
    ~Tdownload() override;

    // "Play with Others" ends the game: the game window sets this to close itself.
    std::function<void()> endGame;

    // The installer's address: the lobby server ($ZINDLE_LOBBY_SERVER, else the
    // one chosen at build time) and "/lobby/kvlsetup.exe".
    QUrl url;
    // The installer is started only when its SHA-256 is this (hex; from
    // $ZINDLE_LOBBY_SHA256, else the one set at build time), or when it came
    // over HTTPS from url's server. Plain HTTP can be tampered with on the way.
    QByteArray installerDigest;
    // The installed lobby that "Play with Others" starts: zindle-lobby beside this program.
    QString lobbyProgram;

    QFrame* installPanel;
    QFrame* soloPanel;
    QFrame* othersPanel;
    QLabel* lobbyPicture;
    QLabel* label_closed;
    QPushButton* getbutton;
    QPushButton* abortbutton;
    QLabel* infolabel;
    QLabel* infolabel2;  // hidden: the name of the file being downloaded
    QLabel* infolabel3;
    QPushButton* soloButton;    // "Play Solo Game"
    QPushButton* othersButton;  // "Play with Others"

    // infolabel's Tag: 1 while a download runs, 2 once it was aborted or failed.
    int tag() const { return infoTag; }
    bool downloading() const { return reply != nullptr; }

    void getbuttonClick();
    void abortbuttonClick();
    void onSoloClicked();
    void onOthersClicked();

    static QUrl defaultUrl();
    static QByteArray defaultDigest();

signals:
    // A download has ended, whatever its outcome.
    void downloadEnded();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void HttpCli1HeaderData();
    void HttpCli1DocData();
    void requestDone();
    bool trusted(const QNetworkReply& done);

    Dialogs& dialogs;
    QNetworkAccessManager* http;
    QNetworkReply* reply = nullptr;
    QSaveFile* file = nullptr;
    qint64 received = 0;
    QCryptographicHash digest{QCryptographicHash::Sha256};
    bool docBegun = false;
    bool writeFailed = false;
    int infoTag = 0;
};

}  // namespace zindle
