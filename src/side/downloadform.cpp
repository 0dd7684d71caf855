#include "side/downloadform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QVBoxLayout>

#include "widgets/artwork.h"
#include "widgets/dialogs.h"
#include "widgets/paths.h"
#include "widgets/placement.h"

#ifndef ZINDLE_LOBBY_SHA256
#define ZINDLE_LOBBY_SHA256 ""
#endif
#ifndef ZINDLE_LOBBY_SERVER
#define ZINDLE_LOBBY_SERVER "http://www.korvo9.com"
#endif

namespace zindle {

namespace {

const QString kInstallerPath = QStringLiteral("/lobby/kvlsetup.exe");
const QString kNoLobby = QStringLiteral(
    "Please close the game and open the Korvo9 Lobby using the icon on your desktop or using "
    "the your Window's start-up menu.");
const QString kStartFailed = QStringLiteral("An Error has Occurred.");

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QFrame* whitePanel(const char* name, QWidget* parent) {
    auto* p = new QFrame(parent);
    p->setObjectName(name);
    // White with dark text; the flat kit's dark panel would hide the offer.
    p->setStyleSheet(QStringLiteral("QFrame#%1 { background: white; border: 1px solid #5a7488;"
                                    " border-radius: 4px; }"
                                    " QLabel { color: #1a1a1a; background: transparent; }")
                         .arg(QLatin1String(name)));
    return p;
}

// A panel's explanation and the button under it.
QPushButton* addOffer(QFrame* panel, const char* labelName, const char* text,
                      const char* buttonName, const char* caption) {
    auto* layout = new QVBoxLayout(panel);
    auto* label = wrappedLabel(text, panel);
    label->setObjectName(labelName);
    layout->addWidget(label);
    auto* button = new QPushButton(caption, panel);
    button->setObjectName(buttonName);
    layout->addWidget(button);
    return button;
}

// The last path segment: everything up to each "/" goes, until none is left.
QString lastSegment(QString path) {
    for (qsizetype slash; (slash = path.indexOf('/')) >= 0;) path.remove(0, slash + 1);
    return path;
}

}  // namespace

QUrl Tdownload::defaultUrl() {
    QString server = qEnvironmentVariable("ZINDLE_LOBBY_SERVER");
    if (server.isEmpty()) server = QStringLiteral(ZINDLE_LOBBY_SERVER);
    while (server.endsWith('/')) server.chop(1);
    if (!server.contains("://")) server.prepend("http://");
    return QUrl(server + kInstallerPath);
}

QByteArray Tdownload::defaultDigest() {
    QByteArray hex = qgetenv("ZINDLE_LOBBY_SHA256");
    if (hex.isEmpty()) hex = QByteArrayLiteral(ZINDLE_LOBBY_SHA256);
    return hex.trimmed().toLower();
}

Tdownload::Tdownload(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      url(defaultUrl()),
      installerDigest(defaultDigest()),
      lobbyProgram(QCoreApplication::applicationDirPath() + "/zindle-lobby"),
      dialogs(dialogs),
      http(new QNetworkAccessManager(this)) {
    setObjectName("download");
    setWindowTitle("Download The Korvo9 Lobby");
    setWindowIcon(appIcon());
    resize(724, 500);
    new WindowPlacer(this);  // centred on the desktop, not over the game window

    // Left: the offer to download.
    installPanel = whitePanel("installPanel", this);
    lobbyPicture = new QLabel(installPanel);
    lobbyPicture->setObjectName("lobbyPicture");
    lobbyPicture->setPixmap(appIconPixmap(160));
    lobbyPicture->setAlignment(Qt::AlignCenter);
    label_closed = new QLabel("IS CLOSED", lobbyPicture);
    label_closed->setObjectName("label_closed");
    QFont bold = label_closed->font();
    bold.setPointSize(bold.pointSize() + 10);
    bold.setBold(true);
    label_closed->setFont(bold);
    label_closed->setStyleSheet("color: #b00000; background: rgba(255,255,255,200);");
    label_closed->adjustSize();
    auto* offer = wrappedLabel(
        "Download The Korvo9 Lobby Now to play this  and other exciting games online with "
        "other players!",
        installPanel);
    offer->setObjectName("label_offer");
    getbutton = new QPushButton("Download And Install The Korvo9 Lobby Now", installPanel);
    getbutton->setObjectName("getbutton");
    abortbutton = new QPushButton("Stop Download", installPanel);
    abortbutton->setObjectName("abortbutton");
    infolabel = new QLabel(installPanel);
    infolabel->setObjectName("infolabel");
    infolabel->setAlignment(Qt::AlignCenter);
    infolabel3 = new QLabel(installPanel);
    infolabel3->setObjectName("infolabel3");
    infolabel3->setAlignment(Qt::AlignCenter);
    infolabel2 = new QLabel(installPanel);
    infolabel2->setObjectName("infolabel2");
    infolabel2->hide();
    auto* left = new QVBoxLayout(installPanel);
    left->addWidget(lobbyPicture, 1);
    left->addWidget(offer);
    left->addWidget(getbutton);
    left->addWidget(abortbutton);
    left->addWidget(infolabel);
    left->addWidget(infolabel3);

    // Upper right: go on alone.
    soloPanel = whitePanel("soloPanel", this);
    soloButton = addOffer(soloPanel, "label_solo",
                          "To proceed to the game without the ability to play against others click "
                          "the button below.",
                          "soloButton", "Play Solo Game");
    auto* firewall = wrappedLabel(
        "Note: Even if you are playing offline, you will need to configure your FIREWALL to "
        "allow the game to access the internet components.",
        soloPanel);
    firewall->setObjectName("label_firewall");
    soloPanel->layout()->addWidget(firewall);

    // Lower right: leave for an installed lobby.
    othersPanel = whitePanel("othersPanel", this);
    othersButton = addOffer(othersPanel, "label_others",
                            "If you already have The Korvo9 Lobby and you wish to play with others "
                            "then click the button below to close this game and open The Korvo9 "
                            "Lobby.",
                            "othersButton", "Play with Others");

    auto* grid = new QGridLayout(this);
    grid->addWidget(installPanel, 0, 0, 2, 1);
    grid->addWidget(soloPanel, 0, 1);
    grid->addWidget(othersPanel, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    connect(getbutton, &QPushButton::clicked, this, &Tdownload::getbuttonClick);
    connect(abortbutton, &QPushButton::clicked, this, &Tdownload::abortbuttonClick);
    connect(soloButton, &QPushButton::clicked, this, &Tdownload::onSoloClicked);
    connect(othersButton, &QPushButton::clicked, this, &Tdownload::onOthersClicked);
}

// A download still running is dropped with the window; its file is never committed.
Tdownload::~Tdownload() {
    if (reply) {
        reply->disconnect(this);
        reply->abort();
    }
    delete file;
}

void Tdownload::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    label_closed->move((lobbyPicture->width() - label_closed->width()) / 2,
                       (lobbyPicture->height() - label_closed->height()) / 2);
}

void Tdownload::getbuttonClick() {
    if (reply) return;
    infoTag = 1;
    const QString name = lastSegment(url.path());
    infolabel2->setText(name);

    delete file;
    file = new QSaveFile(dataFile(name));
    if (name.isEmpty() || !file->open(QIODevice::WriteOnly)) {
        delete file;
        file = nullptr;
        infolabel->setText("Download Aborted");
        infoTag = 2;
        emit downloadEnded();
        return;
    }
    received = 0;
    digest.reset();
    docBegun = false;
    writeFailed = false;

    getbutton->setEnabled(false);
    abortbutton->setEnabled(true);
    infolabel->setText("Loading");

    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible)");
    request.setRawHeader("Accept", "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    // The bytes as the server counts them, so the announced length can be checked.
    request.setRawHeader("Accept-Encoding", "identity");
    reply = http->get(request);
    connect(reply, &QNetworkReply::metaDataChanged, this, &Tdownload::HttpCli1HeaderData);
    connect(reply, &QNetworkReply::readyRead, this, &Tdownload::HttpCli1DocData);
    connect(reply, &QNetworkReply::finished, this, &Tdownload::requestDone);
}

void Tdownload::HttpCli1HeaderData() {
    // The headers arrive together here; one dot for each line of them.
    infolabel->setText("Loading" + QString(reply->rawHeaderPairs().size(), '.'));
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!docBegun && status >= 200 && status < 300) {
        docBegun = true;
        infolabel3->setText("Downloading: " + infolabel2->text());
    }
}

void Tdownload::HttpCli1DocData() {
    const QByteArray piece = reply->readAll();
    // An error page is not an installer; it never reaches the file.
    if (!docBegun || writeFailed) return;
    if (file->write(piece) != piece.size()) {
        writeFailed = true;
        reply->abort();
        return;
    }
    received += piece.size();
    digest.addData(piece);
    infolabel->setText(QString::number(received) + " bytes");
}

void Tdownload::requestDone() {
    QNetworkReply* done = reply;
    reply = nullptr;
    done->deleteLater();
    if (done->bytesAvailable() > 0) {
        reply = done;
        HttpCli1DocData();
        reply = nullptr;
    }

    // Only a whole installer is kept: a good status, no transfer error, and
    // exactly the length the server announced.
    const int status = done->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = done->header(QNetworkRequest::ContentLengthHeader);
    bool complete = infoTag != 2 && !writeFailed && done->error() == QNetworkReply::NoError &&
                    docBegun && status >= 200 && status < 300 &&
                    (!length.isValid() || length.toLongLong() == received);
    if (complete) {
        // The installer must be runnable once it is here.
        file->setPermissions(file->permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
        complete = file->commit();
    } else {
        file->cancelWriting();  // nothing partial is ever left behind
    }
    delete file;
    file = nullptr;

    if (complete) {
        infolabel->setText("Received " + QString::number(received) + " bytes");
    } else {
        infolabel->setText("Download Aborted");
        infoTag = 2;
    }
    getbutton->setEnabled(true);
    abortbutton->setEnabled(false);

    if (infoTag != 2 && !trusted(*done)) {
        // Kept for the player to check and run by hand; never run unchecked.
        infolabel3->setText("Not installed: the download could not be verified");
    } else if (infoTag != 2) {
        infolabel3->setText("Installing");
        const QString installer = dataFile(infolabel2->text());
        if (!dialogs.startProgram(installer, {"/SP-", "/silent", "/noicons"}, dataFolder())) {
            dialogs.message(this, "Zindle", kStartFailed);
        } else if (endGame) {
            endGame();
        }
    }
    emit downloadEnded();
}

bool Tdownload::trusted(const QNetworkReply& done) {
    if (!installerDigest.isEmpty() && digest.result().toHex() == installerDigest) return true;
    // Redirects are followed only as far as they stay as safe, so the final
    // address tells how the bytes came.
    const QUrl from = done.url();
    return url.scheme() == "https" && from.scheme() == "https" && from.host() == url.host();
}

void Tdownload::abortbuttonClick() {
    infolabel->setText("Download has been aborted.");
    infoTag = 2;
    infolabel3->setText("Download Aborted");
    // Ends the request at once; requestDone then reports "Download Aborted".
    if (reply) reply->abort();
}

void Tdownload::onSoloClicked() {
    hide();
}

void Tdownload::onOthersClicked() {
    if (!QFileInfo(lobbyProgram).isFile()) {
        dialogs.message(this, "Zindle", kNoLobby);
        return;
    }
    if (!dialogs.startProgram(lobbyProgram, {}, {})) {
        dialogs.message(this, "Zindle", kStartFailed);
        return;
    }
    if (endGame) endGame();
}

}  // namespace zindle
