// Tchat: start-up, menus, layout, settings and the window's geometry.
#include "client/chatform.h"

#include <QHostAddress>
#include <QHostInfo>

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QSaveFile>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <cstdio>

#include "client/boardview.h"
#include "widgets/codepage.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "engine/bot.h"
#include "server/server.h"
#include "widgets/animatedpicture.h"
#include "widgets/artwork.h"
#include "widgets/dialogs.h"
#include "widgets/sounds.h"
#include "widgets/tiledbackground.h"

namespace zindle {

namespace {

constexpr int kDefaultWidth = 874;
constexpr int kDefaultHeight = 657;
constexpr int kPanelWidth = 857;
constexpr int kPanelHeight = 604;
constexpr const char* kSection = "Zindle";

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

}  // namespace

Tchat::Tchat(ChatSetup setup, QWidget* parent) : QMainWindow(parent), setup_(std::move(setup)) {
    setObjectName("chat");
    setWindowTitle("Zindle");
    setWindowIcon(appIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);

    // FormCreate: the scoreboard, the board and the rack start empty; the
    // settings are read only once the host confirms this window's seat.
    auto* central = new TiledBackground(this);
    central->setObjectName("background");
    setCentralWidget(central);
    buildMenus();
    buildBoardPanel();
    buildPanels();
    buildDispatch();

    Timer1.setInterval(1);
    connect(&Timer1, &QTimer::timeout, this, &Tchat::Timer1Timer);
    startTimeout.setSingleShot(true);
    connect(&startTimeout, &QTimer::timeout, this, [this] { sendStartWhenSeated(true); });
    Timer2.setInterval(1000);
    connect(&Timer2, &QTimer::timeout, this, &Tchat::Timer2Timer);

    for (TSock* s : {&sock, &Sock11}) {
        s->OnRead = [this](TSock& t, int n) { sockRead(t, n); };
        s->OnInfo = [this](TSock& t, TSocketInfo k, const std::string& m) { sockInfo(t, k, m); };
    }

    clearall();
    resize(kDefaultWidth, kDefaultHeight);
    // FormResize: the client area never shrinks below the board panel plus its margins.
    setMinimumSize(kPanelWidth + 15, kPanelHeight + 12 + menuBar()->sizeHint().height());

    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen && screen->geometry().width() <= 800) {
        panel_screen->show();
        panel_screen->raise();
    }
    mychat->setFocus();
}

Tchat::~Tchat() {
    Timer1.stop();
    Timer2.stop();
    sock.OnInfo = nullptr;
    Sock11.OnInfo = nullptr;
}

void Tchat::setWindows(const ChatWindows& w) {
    windows_ = w;
    if (windows_.phrases) windows_.phrases->chat = this;
    if (windows_.options) {
        windows_.options->onStart = [this] {
            saveinifile();
            startWithComputers();
        };
    }
    if (windows_.spylist) windows_.spylist->onKick = [this](int seat) { kicking(seat); };
}

QString Tchat::iniPath() const { return QDir(setup_.dataFolder).filePath("korvolobby.ini"); }

void Tchat::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& text, auto handler) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    // Mnemonics and the desktop's own shortcuts come on top of the game's.
    QMenu* file = menuBar()->addMenu("&File");
    StartGame1 = add(file, "StartGame1", "Start Game", &Tchat::button_startClick);
    StartGame1->setEnabled(false);
    file->addSeparator();
    Exit1 = add(file, "Exit1", "E&xit", &Tchat::close);
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* options = menuBar()->addMenu("&Options");
    PlaySounds1 = add(options, "PlaySounds1", "Play Sounds", &Tchat::PlaySounds1Click);
    PlaySounds1->setCheckable(true);
    PlaySounds1->setChecked(true);
    options->addSeparator();
    textcolor1 = add(options, "textcolor1", "Text Color", &Tchat::textcolor1Click);
    QMenu* sizes = options->addMenu("Text Size");
    const std::array<int, 4> sizeValues{8, 10, 12, 14};
    for (std::size_t i = 0; i < sizeValues.size(); ++i) {
        const int size = sizeValues[i];
        QAction* a = sizes->addAction(QString::number(size));
        a->setObjectName(QString("N%1").arg(size));
        a->setCheckable(true);
        a->setData(size);
        // The tick shows the size the settings gave at the start, not the last click.
        connect(a, &QAction::triggered, this, [this, a, size] {
            a->setChecked(!a->isChecked());
            N14Click(size);
        });
        textSizes[i] = a;
    }
    ActionColor1 = add(options, "ActionColor1", "Action Color", &Tchat::ActionColor1Click);
    ScrollChatOff1 = add(options, "ScrollChatOff1", "Scroll Chat Off", &Tchat::ScrollChatOff1Click);
    ScrollChatOff1->setCheckable(true);
    ScrollChatOff1->setShortcut(QKeySequence("Ctrl+S"));
    ResetBoardLocation1 = add(options, "ResetBoardLocation1", "Reset Screen Location",
                              &Tchat::ResetBoardLocation1Click);
    options->addSeparator();
    JustWatch1 = add(options, "JustWatch1", "Just Watch", &Tchat::JustWatch1Click);
    JustWatch1->setCheckable(true);

    QMenu* view = menuBar()->addMenu("&View");
    TallyList1 = add(view, "TallyList1", "Tally List", [this] {
        if (windows_.tally) windows_.tally->show();
    });
    SpyList1 = add(view, "SpyList1", "Spy List", [this] {
        if (windows_.spylist) windows_.spylist->show();
    });
    PhraseList1 = add(view, "PhraseList1", "Phrase List", &Tchat::PhraseList1Click);
    view->addSeparator();
    gameReviewAction = add(view, "gameReviewAction", "Game &Review", &Tchat::openGameReview);

    QMenu* help = menuBar()->addMenu("&Help");
    Help2 = add(help, "Help2", "Content", [this] {
        if (windows_.help) windows_.help->show();
    });
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    About1 = add(help, "About1", "About", [this] {
        if (windows_.about) windows_.about->show();
    });
}

void Tchat::buildBoardPanel() {
    panel_board = new QWidget(centralWidget());
    panel_board->setObjectName("panel_board");
    panel_board->setFixedSize(kPanelWidth, kPanelHeight);
    auto* outer = new QHBoxLayout(centralWidget());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel_board, 0, Qt::AlignCenter);

    const Artwork& art = Artwork::forRatio(devicePixelRatioF());
    Image1 = new PictureControl(panel_board);
    Image1->setObjectName("Image1");
    Image1->setGeometry(4, 4, 548, 548);
    Image1->setPixmap(art.boardFrame());
    Image1->onMouseMove = [this](QMouseEvent* e) { followPointer(Image1, e->position().toPoint()); };

    board = new BoardView(state, panel_board);
    board->setObjectName("board");
    board->setGeometry(12, 12, 19 * kCellPx, 19 * kCellPx);
    board->onMouseDown = [this](QMouseEvent* e) { boardMouseDown(e); };
    board->onMouseMove = [this](QMouseEvent* e) { boardMouseMove(e); };
    board->onKey = [this](QKeyEvent* e) { boardKey(e); };
    board->setAccessibleName("Board");
    announceCursor();

    bar = new QLabel(panel_board);
    bar->setObjectName("bar");
    bar->setGeometry(20, 594, 510, 10);

    for (int slot = 1; slot <= kRackSize; ++slot) {
        auto* t = new PictureControl(panel_board);
        t->setObjectName(QString("tile_%1").arg(slot));
        t->setProperty("tag", slot);
        t->setGeometry(33 + 48 * (slot - 1), 552, kRackTilePx, kRackTilePx);
        t->setToolTip("n");
        t->hide();
        t->onMouseDown = [this, slot](QMouseEvent* e) { tile_1MouseDown(slot, e); };
        t->onMouseMove = [this, t](QMouseEvent* e) { followPointer(t, e->position().toPoint()); };
        tiles[slot] = t;
    }
    Image6 = new PictureControl(panel_board);
    Image6->setObjectName("Image6");
    Image6->setGeometry(524, 560, 24, 24);
    Image6->setPixmap(art.sortPicture());
    Image6->setToolTip("Sort the rack");
    Image6->setAccessibleName("Sort the rack");
    Image6->onClick = [this] { Image6Click(); };

    image_dragging = new QLabel(panel_board);
    image_dragging->setObjectName("image_dragging");
    image_dragging->setGeometry(0, 0, kCellPx, kCellPx);
    image_dragging->setAttribute(Qt::WA_TransparentForMouseEvents);
    image_dragging->hide();

    auto* side = new QWidget(panel_board);
    side->setObjectName("panel_side");
    side->setGeometry(560, 0, kPanelWidth - 560, kPanelHeight);
    buildScoreboard(side);
    buildChat(side);
}

void Tchat::buildPanels() {
    // The game-over panel and the Zindle effect lie over the middle of the board.
    panel_winner = new QFrame(panel_board);
    panel_winner->setObjectName("panel_winner");
    panel_winner->setProperty("kit", "panel");
    panel_winner->setGeometry(86, 190, 380, 160);
    label_reason = makeLabel(panel_winner, "label_reason", "Game Over!", {0, 14, 380, 24});
    label_reason->setAlignment(Qt::AlignCenter);
    // label_winner1 and 2 draw the same text one pixel apart: yellow over grey.
    const std::array<QRect, 5> rects{QRect(), QRect(1, 51, 380, 28), QRect(0, 50, 380, 28),
                                     QRect(1, 91, 380, 40), QRect(0, 90, 380, 40)};
    for (int i = 1; i <= 4; ++i) {
        label_winner[i] = makeLabel(panel_winner, qPrintable(QString("label_winner%1").arg(i)), "",
                                    rects[i]);
        label_winner[i]->setAlignment(Qt::AlignCenter);
        label_winner[i]->setWordWrap(i >= 3);
        label_winner[i]->setStyleSheet(QString("color: %1; font-size: %2pt; font-weight: bold;")
                                           .arg(i % 2 ? "#505050" : "#ffff00")
                                           .arg(i <= 2 ? 14 : 12));
    }
    label_reason->setStyleSheet("color: white; font-size: 11pt; font-weight: bold;");
    hintsLabel = makeLabel(panel_winner, "hintsLabel", "", {10, 134, 240, 20});
    reviewButton = new QPushButton("Game Review", panel_winner);
    reviewButton->setObjectName("reviewButton");
    reviewButton->setGeometry(260, 130, 110, 24);
    connect(reviewButton, &QPushButton::clicked, this, &Tchat::openGameReview);
    label_winner[2]->raise();
    label_winner[4]->raise();
    panel_winner->hide();

    image_zn = new AnimatedPicture(panel_board);
    image_zn->setObjectName("image_zn");
    image_zn->setGeometry(12 + 266 - 35, 12 + 266 - 30, 71, 61);
    image_zn->hide();
    connect(image_zn, &AnimatedPicture::frameChanged, this, &Tchat::image_znChangeFrame);

    panel_screen = new QFrame(centralWidget());
    panel_screen->setObjectName("panel_screen");
    panel_screen->setProperty("kit", "panel");
    panel_screen->setGeometry(100, 150, 560, 160);
    makeLabel(panel_screen, "label_screen1",
              "This game is designed to run on screen resolutions of 1024/768 or higher.",
              {10, 20, 540, 24})
        ->setAlignment(Qt::AlignCenter);
    makeLabel(panel_screen, "label_screen2", "Please adjust your screen resolutions before playing.",
              {10, 50, 540, 24})
        ->setAlignment(Qt::AlignCenter);
    auto* ok = new QPushButton("Ok", panel_screen);
    ok->setObjectName("Image4");
    ok->setGeometry(230, 100, 100, 30);
    connect(ok, &QPushButton::clicked, this, &Tchat::Image4Click);
    panel_screen->hide();
}

void Tchat::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shown_) return;
    shown_ = true;  // FormShow: once
    processparams();
}

void Tchat::processparams() {
    StartGame1->setEnabled(false);
    button_startgame->hide();
    state.loginName.clear();
    const QStringList& p = setup_.params;
    if (p.isEmpty()) {
        systemLine("Loading Solo Game..Please wait.");
        if (windows_.download) windows_.download->show();
        state.playerName = "You";
        hostpress();
        return;
    }
    systemLine("Loading Multi-player Game.. Please Wait.");
    state.playerName = toWire(p.value(0).left(20));
    // Room for a full IPv6 address or a long host name.
    const std::string address = toWire(p.value(1).left(255));
    if (p.size() < 3) return;
    if (p[2] == "true")
        hostpress();  // the host's own window always comes in through the loopback address
    else
        joinpress(address);
    openSocket(Sock11, "127.0.0.1", setup_.lobbyPort);
}

void Tchat::hostpress() {
    std::string port = setup_.port;
    if (windows_.server) {
        try {
            windows_.server->Sock1.setListen(true);
            port = std::to_string(windows_.server->Sock1.LocalPort());
        } catch (const ESockException& e) {
            systemLine(QString::fromStdString(e.what()));
        }
    }
    state.loginName = state.playerName;
    state.isHost = true;
    openSocket(sock, "127.0.0.1", port);
    StartGame1->setEnabled(true);
    button_startgame->show();
    if (windows_.spylist) windows_.spylist->setHost(true);
}

void Tchat::joinpress(const std::string& address) {
    state.loginName = state.playerName;
    QString host = QString::fromStdString(address);
    if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
    if (!QHostAddress(host).isNull()) {
        openSocket(sock, address, setup_.port);
    } else {
        // A name is looked up off the window's thread, so a slow resolver never freezes it.
        QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) {
            if (closing_) return;
            if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
                systemLine("Host Lookup - Could Not Find Host Entry");
                return;
            }
            openSocket(sock, info.addresses().first().toString().toStdString(), setup_.port);
        });
    }
    StartGame1->setEnabled(false);
    button_startgame->hide();
}

void Tchat::openSocket(TSock& s, const std::string& host, const std::string& port) {
    try {
        s.setHostName(host);
        s.setPortName(port);
        s.Open();
    } catch (const ESockException& e) {
        systemLine(QString::fromStdString(e.what()));
    }
}

void Tchat::sockInfo(TSock& s, TSocketInfo kind, const std::string& msg) {
    const bool game = &s == &sock;
    if (game && kind == siError && s.Connected()) connectionBroke_ = true;
    if (msg != "Socket Closed") return;
    if (!game) {
        closeWindow();
        return;
    }
    // A removal is told just before the close and may still wait in the queue.
    const std::string removed = "CMD_playerdisconnected+" + std::to_string(state.mySeat) + "+";
    const bool wasRemoved = state.mySeat != 0 && std::any_of(receivedlist.begin(), receivedlist.end(),
                                                             [&](const std::string& m) { return m.starts_with(removed); });
    closeWindow(wasRemoved ? QString(kRemoved)
                : connectionBroke_ ? QString(kConnectionLost)
                                   : QString("The host closed the game."));
}

void Tchat::closeWindow(const QString& why) {
    if (closing_) return;
    closing_ = true;
    // Not from inside the socket's own report: the close tears the sockets down.
    QTimer::singleShot(0, this, [this, why] {
        if (!why.isEmpty()) setup_.dialogs->message(this, "Zindle", why);
        close();
    });
}

void Tchat::loadinifile() {
    QFile f(iniPath());
    IniFile ini;
    if (f.open(QIODevice::ReadOnly)) ini.parse(f.readAll().toStdString());
    QRect r(ini.getInt(kSection, "Left", 3), ini.getInt(kSection, "Top", 3),
            ini.getInt(kSection, "Width", kDefaultWidth),
            ini.getInt(kSection, "Height", kDefaultHeight));
    setGeometry(r);
    savedBounds_ = r;
    N14Click(ini.getInt(kSection, "Textsize", 8), false);
    for (QAction* a : textSizes) a->setChecked(a->data().toInt() == chatSize);
    textColor = parseColorText(ini.get(kSection, "Textcolor", "clwhite")).value_or(kWhite);
    actionColor = parseColorText(ini.get(kSection, "Actioncolor", "clwhite")).value_or(kWhite);
    applyChatColors();
    PlaySounds1->setChecked(ini.get(kSection, "Playsounds", "true") != "false");
    for (int n = 1; n <= 10; ++n) {
        const std::string text = ini.get(kSection, "Phrase" + std::to_string(n), "");
        if (!text.empty()) setPhrase(n, fromWire(text));
    }
    if (windows_.options) {
        windows_.options->setValues(ini.getInt(kSection, "Turntime", 90),
                                    ini.getInt(kSection, "Squares", 12),
                                    ini.getInt(kSection, "Gametime", 0),
                                    ini.getInt(kSection, "Score", 0));
        windows_.options->checkit("image_double", ini.get(kSection, "Double", "0") == "1");
        windows_.options->checkit("image_team", ini.get(kSection, "Team", "0") == "1");
        // A newcomer's first solo game has an opponent; the options still allow none.
        const int computers = setup_.params.isEmpty() ? 1 : 0;
        windows_.options->setComputers(ini.getInt(kSection, "Computers", computers),
                                       QString::fromStdString(ini.get(kSection, "Level", "Normal")));
    }
}

// Reads the shared file again, changes our keys and writes it whole and
// atomically, so other programs' sections survive and a crash leaves either
// the old file or the new one. Returns why it could not, or nothing.
static QString updateIni(const QString& path, const std::vector<std::pair<std::string, std::string>>& keys) {
    IniFile ini;
    QFile in(path);
    if (in.open(QIODevice::ReadOnly)) ini.parse(in.readAll().toStdString());
    in.close();
    for (const auto& [key, value] : keys) ini.set(kSection, key, value);
    QSaveFile out(path);
    const std::string text = ini.text();
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
        !out.commit()) {
        const QString why = out.errorString().isEmpty() ? QString("unknown error") : out.errorString();
        std::fprintf(stderr, "zindle: cannot write %s: %s\n", qPrintable(path), qPrintable(why));
        return why;
    }
    return {};
}

void Tchat::writeSettings(const std::vector<std::pair<std::string, std::string>>& keys) {
    const QString why = updateIni(iniPath(), keys);
    if (why.isEmpty() || saveFailureTold_) return;
    saveFailureTold_ = true;
    setup_.dialogs->message(this, "Zindle",
                            QString("Your settings could not be saved to %1: %2").arg(iniPath(), why));
}

void Tchat::saveinifile() {
    std::vector<std::pair<std::string, std::string>> keys{
        {"Textsize", std::to_string(chatSize)},
        {"Textcolor", colorText(textColor)},
        {"Actioncolor", colorText(actionColor)},
        {"Top", std::to_string(geometry().top())},
        {"Left", std::to_string(geometry().left())},
        {"Width", std::to_string(geometry().width())},
        {"Height", std::to_string(geometry().height())},
    };
    if (windows_.options) {
        for (auto& kv : windows_.options->settings()) keys.push_back(kv);
    }
    keys.emplace_back("Playsounds", PlaySounds1->isChecked() ? "true" : "false");
    writeSettings(keys);
}

void Tchat::savePhrases() {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int n = 1; n <= 10; ++n) keys.emplace_back("Phrase" + std::to_string(n), toWire(phrase(n)));
    writeSettings(keys);
}

void Tchat::closeEvent(QCloseEvent* e) {
    closing_ = true;
    const QRect g = geometry();
    if (g != savedBounds_) {
        if (const QScreen* screen = this->screen()) {
            const QRect work = screen->availableGeometry();
            QRect r = g;
            if (r.width() > work.width()) r.setWidth(r.width() - 15);
            if (r.height() > work.height()) r.setHeight(r.height() - 15);
            if (r != g) setGeometry(r);
        }
        savedBounds_ = geometry();
        saveinifile();
    }
    Timer1.stop();
    Timer2.stop();
    e->accept();
    if (onClosed) onClosed();
}

void Tchat::ResetBoardLocation1Click() { setGeometry(3, 3, kDefaultWidth, kDefaultHeight); }

void Tchat::Image4Click() {
    panel_screen->hide();
    close();
}

void Tchat::PlaySounds1Click() { saveinifile(); }

void Tchat::playsounds(const QString& name) {
    if (PlaySounds1->isChecked() && setup_.sounds) setup_.sounds->play(name);
}

}  // namespace zindle
