// The download against a real HTTP server on a free loopback port.
#include "side/downloadform.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "support/qtprint.h"
#include "widgets/dialogs.h"

using zindle::Tdownload;

namespace {

// Answers every request from a script: what to send and whether to hang up.
class HttpServer : public QObject {
public:
    enum class Mode { Complete, NotFound, CutHalfWay, Slow };

    HttpServer(Mode mode, QByteArray body) : mode(mode), body(std::move(body)) {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] { onRequest(s); });
            }
        });
        server.listen(QHostAddress::LocalHost, 0);
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }

    QByteArray request;
    const Mode mode;
    const QByteArray body;

private:
    void onRequest(QTcpSocket* s) {
        request += s->readAll();
        if (!request.contains("\r\n\r\n")) return;
        s->disconnect(this);
        const QByteArray length = QByteArray::number(body.size());
        switch (mode) {
            case Mode::Complete:
                s->write(
                    "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                    "Content-Length: " +
                    length + "\r\n\r\n" + body);
                s->disconnectFromHost();
                break;
            case Mode::NotFound:
                s->write(
                    "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n"
                    "Content-Length: 22\r\n\r\n<h1>404 Not Found</h1>");
                s->disconnectFromHost();
                break;
            case Mode::CutHalfWay:
                s->write("HTTP/1.0 200 OK\r\nContent-Length: " + length + "\r\n\r\n" +
                         body.left(body.size() / 2));
                s->disconnectFromHost();
                break;
            case Mode::Slow:
                // Headers now, a first piece a little later, the rest never.
                s->write(
                    "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                    "Content-Length: " +
                    length + "\r\n\r\n");
                s->flush();
                QTimer::singleShot(300, s, [this, s] { s->write(body.left(100)); });
                break;
        }
    }

    QTcpServer server;
};

class DownloadWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("ZINDLE_HOME", home.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("ZINDLE_HOME"); }

    QStringList filesInDataFolder() const {
        return QDir(home.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // A window that downloads from server, trusting an installer with the
    // body's digest unless told another.
    static std::unique_ptr<Tdownload> windowFor(const HttpServer& server, zindle::Dialogs& dialogs,
                                                int& ended, QByteArray digest = {}) {
        if (digest.isEmpty())
            digest = QCryptographicHash::hash(server.body, QCryptographicHash::Sha256).toHex();
        qputenv("ZINDLE_LOBBY_SERVER", server.base().toLocal8Bit());
        qputenv("ZINDLE_LOBBY_SHA256", digest);
        auto w = std::make_unique<Tdownload>(dialogs);
        qunsetenv("ZINDLE_LOBBY_SERVER");
        qunsetenv("ZINDLE_LOBBY_SHA256");
        w->endGame = [&ended] { ++ended; };
        return w;
    }

    static void startDownload(Tdownload& w) {
        w.show();
        QTest::mouseClick(w.getbutton, Qt::LeftButton);
    }

    static bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }

    QTemporaryDir home;
};

TEST_F(DownloadWindow, CompleteDownloadStartsTheInstallerSilentlyAndEndsTheGame) {
    // The "installer" is a script that writes down the parameters it was given.
    const QString argsFile = home.filePath("installer-args");
    const QByteArray script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + argsFile.toLocal8Bit() +
                              ".tmp' && mv '" + argsFile.toLocal8Bit() + ".tmp' '" +
                              argsFile.toLocal8Bit() + "'\n" + QByteArray(4000, '#') + "\n";
    HttpServer server(HttpServer::Mode::Complete, script);
    zindle::QtDialogs dialogs;
    int ended = 0;
    auto window = windowFor(server, dialogs, ended);
    Tdownload& w = *window;

    startDownload(w);
    EXPECT_FALSE(w.getbutton->isEnabled());
    EXPECT_TRUE(w.abortbutton->isEnabled());
    EXPECT_EQ(w.tag(), 1);
    EXPECT_EQ(w.infolabel2->text(), "kvlsetup.exe");
    ASSERT_TRUE(waitFor([&] { return !w.downloading(); }));

    EXPECT_TRUE(server.request.startsWith("GET /lobby/kvlsetup.exe HTTP/1."));
    EXPECT_TRUE(server.request.contains("User-Agent: Mozilla/3.0 (compatible)\r\n"));
    EXPECT_TRUE(server.request.contains(
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"));

    EXPECT_EQ(w.infolabel->text(), QStringLiteral("Received %1 bytes").arg(script.size()));
    EXPECT_EQ(w.infolabel3->text(), "Installing");
    EXPECT_TRUE(w.getbutton->isEnabled());
    EXPECT_FALSE(w.abortbutton->isEnabled());
    QFile installer(home.filePath("kvlsetup.exe"));
    ASSERT_TRUE(installer.open(QIODevice::ReadOnly));
    EXPECT_EQ(installer.readAll(), script);
    EXPECT_EQ(ended, 1);

    ASSERT_TRUE(waitFor([&] { return QFile::exists(argsFile); }));
    QFile args(argsFile);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(args.readAll(), "/SP-\n/silent\n/noicons\n");
}

// A 404, a connection cut half-way and "Stop Download" during a slow transfer:
// nothing is started and no file, whole or partial, is left.
TEST_F(DownloadWindow, IncompleteDownloadsStartNothingAndLeaveNoFile) {
    const QByteArray body(64 * 1024, 'x');
    for (auto mode :
         {HttpServer::Mode::NotFound, HttpServer::Mode::CutHalfWay, HttpServer::Mode::Slow}) {
        SCOPED_TRACE(int(mode));
        HttpServer server(mode, body);
        zindle::RecordingDialogs dialogs;
        int ended = 0;
        auto window = windowFor(server, dialogs, ended);
        Tdownload& w = *window;
        startDownload(w);
        if (mode == HttpServer::Mode::Slow) {
            ASSERT_TRUE(waitFor([&] { return w.infolabel->text() == "Loading.."; }));
            ASSERT_TRUE(waitFor([&] { return w.infolabel->text() == "100 bytes"; }));
            EXPECT_EQ(w.infolabel3->text(), "Downloading: kvlsetup.exe");
            QTest::mouseClick(w.abortbutton, Qt::LeftButton);
            EXPECT_EQ(w.infolabel3->text(), "Download Aborted");
        }
        ASSERT_TRUE(waitFor([&] { return !w.downloading(); }));

        EXPECT_EQ(w.infolabel->text(), "Download Aborted");
        EXPECT_EQ(w.tag(), 2);
        EXPECT_TRUE(w.getbutton->isEnabled());
        EXPECT_FALSE(w.abortbutton->isEnabled());
        EXPECT_TRUE(dialogs.calls.isEmpty());
        EXPECT_EQ(ended, 0);
        EXPECT_EQ(filesInDataFolder(), QStringList());
    }
}

// Over plain HTTP only the digest set at build time vouches for the bytes.
TEST_F(DownloadWindow, AnInstallerWithAnotherDigestIsKeptButNeverStarted) {
    const QByteArray body = "#!/bin/sh\necho swapped on the way\n";
    HttpServer server(HttpServer::Mode::Complete, body);
    for (const QByteArray& digest :
         {QCryptographicHash::hash("the real installer", QCryptographicHash::Sha256).toHex(),
          QByteArray(" ")}) {  // none set at all
        SCOPED_TRACE(digest.toStdString());
        zindle::RecordingDialogs dialogs;
        int ended = 0;
        auto window = windowFor(server, dialogs, ended, digest);
        Tdownload& w = *window;
        startDownload(w);
        ASSERT_TRUE(waitFor([&] { return !w.downloading(); }));
        EXPECT_EQ(w.infolabel->text(), QStringLiteral("Received %1 bytes").arg(body.size()));
        EXPECT_EQ(w.infolabel3->text(), "Not installed: the download could not be verified");
        EXPECT_TRUE(dialogs.calls.isEmpty());
        EXPECT_EQ(ended, 0);
        QFile kept(home.filePath("kvlsetup.exe"));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), body);
    }
}

TEST_F(DownloadWindow, StopBeforeAnyDownloadOnlyMarksItAborted) {
    zindle::RecordingDialogs dialogs;
    Tdownload w(dialogs);
    QTest::mouseClick(w.abortbutton, Qt::LeftButton);
    EXPECT_EQ(w.infolabel->text(), "Download has been aborted.");
    EXPECT_EQ(w.infolabel3->text(), "Download Aborted");
    EXPECT_EQ(w.tag(), 2);
    EXPECT_TRUE(dialogs.calls.isEmpty());
}

TEST_F(DownloadWindow, InstallerThatCannotStartIsReportedAndTheGameGoesOn) {
    HttpServer server(HttpServer::Mode::Complete, "installer");
    zindle::RecordingDialogs dialogs;
    dialogs.startAnswer = false;
    int ended = 0;
    auto window = windowFor(server, dialogs, ended);
    Tdownload& w = *window;
    startDownload(w);
    ASSERT_TRUE(waitFor([&] { return !w.downloading(); }));
    ASSERT_EQ(dialogs.calls.size(), 2);
    EXPECT_EQ(dialogs.calls[0].text, home.filePath("kvlsetup.exe") + " /SP- /silent /noicons");
    EXPECT_EQ(dialogs.calls[1].kind, "message");
    EXPECT_EQ(dialogs.calls[1].text, "An Error has Occurred.");
    EXPECT_EQ(ended, 0);
}

TEST_F(DownloadWindow, SoloGoesOnAndOthersStartsTheInstalledLobbyOrSaysWhereToFindIt) {
    zindle::RecordingDialogs dialogs;
    Tdownload w(dialogs);
    int ended = 0;
    w.endGame = [&] { ++ended; };
    w.lobbyProgram = home.filePath("zindle-lobby");
    EXPECT_EQ(w.url.path(), "/lobby/kvlsetup.exe");
    w.show();
    QTest::mouseClick(w.soloButton, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ended, 0);

    QTest::mouseClick(w.othersButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].kind, "message");
    EXPECT_EQ(dialogs.calls[0].text,
              "Please close the game and open the Korvo9 Lobby using the icon on your desktop "
              "or using the your Window's start-up menu.");
    EXPECT_EQ(ended, 0);

    QFile lobby(w.lobbyProgram);
    ASSERT_TRUE(lobby.open(QIODevice::WriteOnly));
    lobby.close();
    dialogs.calls.clear();
    QTest::mouseClick(w.othersButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].kind, "startProgram");
    EXPECT_EQ(dialogs.calls[0].text, w.lobbyProgram);
    EXPECT_EQ(ended, 1);
}

}  // namespace
