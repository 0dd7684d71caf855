// Tchat: building the window, its menus and panels, its geometry and scale, the
// connections to the host and the lobby, and the settings file.
#include "client/chatform.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QMenuBar>
#include <QSaveFile>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <cmath>
#include <cstdio>

#include "client/boardpanel.h"
#include "client/chatpanel.h"
#include "client/gameoptionsform.h"
#include "client/inifile.h"
#include "client/overlays.h"
#include "client/phrasesform.h"
#include "client/scoreboard.h"
#include "client/spylistform.h"
#include "engine/bot.h"
#include "server/server.h"
#include "widgets/artwork.h"
#include "widgets/codepage.h"
#include "widgets/dialogs.h"
#include "widgets/sounds.h"
#include "widgets/tiledbackground.h"

namespace zindle {

namespace {

constexpr const char* kSection = "Zindle";
constexpr QRect kBoardPlace{0, 0, 560, 604};
constexpr QRect kScoreboardPlace{560, 0, 297, 284};
constexpr QRect kChatPlace{560, 290, 297, 314};

}  // namespace

Tchat::Tchat(ChatSetup setup, QWidget* parent) : QMainWindow(parent), setup_(std::move(setup)) {
    setObjectName("chat");
    setWindowTitle("Zindle");
    setWindowIcon(appIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);

    // The scoreboard, the board and the rack start empty; the settings are read only once
    // the host confirms this window's seat.
    auto* central = new TiledBackground(this);
    central->setObjectName("background");
    setCentralWidget(central);
    art_ = &Artwork::forRatio(devicePixelRatioF());
    buildMenus();
    buildPanels();
    connectPanels();
    buildDispatch();

    // Children by name, so tools can watch the idle window's timers.
    queueTimer_.setParent(this);
    queueTimer_.setObjectName("queueTimer");
    clockTimer_.setParent(this);
    clockTimer_.setObjectName("clockTimer");
    queueTimer_.setInterval(1);
    connect(&queueTimer_, &QTimer::timeout, this, &Tchat::onQueueTick);
    clockTimer_.setInterval(1000);
    connect(&clockTimer_, &QTimer::timeout, this, &Tchat::clockTick);
    startTimeout_.setSingleShot(true);
    connect(&startTimeout_, &QTimer::timeout, this, [this] { sendStartWhenSeated(true); });
    artTimer_.setSingleShot(true);
    artTimer_.setInterval(150);
    connect(&artTimer_, &QTimer::timeout, this, [this] { useArtwork(stageLayout_.scale(), true); });

    for (TSock* s : {&sock, &lobbyLink_}) {
        s->OnRead = [this](TSock& t, int) { receive(t.Text(), &t == &lobbyLink_); };
        s->OnInfo = [this](TSock& t, TSocketInfo k, const std::string& m) { sockInfo(t, k, m); };
    }

    state_.clearall();
    useArtwork(1.0, false);
    boardPanel_->showRack();
    scoreboard_->showSeats();
    resize(kDefaultSize);
    fitToScreen();
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->geometry().width() <= 800) {
        screenNotice_->show();
        screenNotice_->raise();
    }
    chatPanel_->focusEntry();
}

Tchat::~Tchat() {
    queueTimer_.stop();
    clockTimer_.stop();
    sock.OnInfo = nullptr;
    lobbyLink_.OnInfo = nullptr;
}

void Tchat::setWindows(const ChatWindows& w) {
    windows_ = w;
    boardPanel_->setDictionary(windows_.server ? &windows_.server->dictionary() : nullptr);
    if (windows_.phrases) windows_.phrases->chat = this;
    if (windows_.options) {
        windows_.options->onStart = [this] {
            saveinifile();
            startWithComputers();
        };
    }
    if (windows_.spylist) windows_.spylist->onKick = [this](int seat) { kicking(seat); };
}

void Tchat::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& text, auto handler) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto showWindow = [](QWidget* const& w) {
        return [&w] {
            if (w) w->show();
        };
    };
    // Mnemonics and the desktop's own shortcuts come on top of the game's.
    QMenu* file = menuBar()->addMenu("&File");
    startGameAction_ = add(file, "startGameAction", "Start Game", &Tchat::button_startClick);
    startGameAction_->setEnabled(false);
    file->addSeparator();
    add(file, "exitAction", "E&xit", &Tchat::close)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* options = menuBar()->addMenu("&Options");
    playSoundsAction_ = add(options, "playSoundsAction", "Play Sounds", &Tchat::saveinifile);
    playSoundsAction_->setCheckable(true);
    playSoundsAction_->setChecked(true);
    options->addSeparator();
    add(options, "textColorAction", "Text Color", &Tchat::chooseTextColour);
    QMenu* sizes = options->addMenu("Text Size");
    const std::array<int, 4> sizeValues{8, 10, 12, 14};
    for (std::size_t i = 0; i < sizeValues.size(); ++i) {
        const int size = sizeValues[i];
        QAction* a = sizes->addAction(QString::number(size));
        a->setObjectName(QString("textSize%1").arg(size));
        a->setCheckable(true);
        a->setData(size);
        // The tick shows the size the settings gave at the start, not the last click.
        connect(a, &QAction::triggered, this, [this, a, size] {
            a->setChecked(!a->isChecked());
            setTextSize(size);
        });
        textSizeActions_[i] = a;
    }
    add(options, "actionColorAction", "Action Color", &Tchat::chooseActionColour);
    scrollChatOffAction_ = add(options, "scrollChatOffAction", "Scroll Chat Off",
                               [this] { chatPanel_->setScrollLocked(scrollChatOffAction_->isChecked()); });
    scrollChatOffAction_->setCheckable(true);
    scrollChatOffAction_->setShortcut(QKeySequence("Ctrl+S"));
    add(options, "resetScreenLocationAction", "Reset Screen Location", &Tchat::resetScreenLocation);
    options->addSeparator();
    justWatchAction_ = add(options, "justWatchAction", "Just Watch", &Tchat::onJustWatchToggled);
    justWatchAction_->setCheckable(true);

    QMenu* view = menuBar()->addMenu("&View");
    add(view, "tallyListAction", "Tally List", showWindow(windows_.tally));
    add(view, "spyListAction", "Spy List", [this] {
        if (windows_.spylist) windows_.spylist->show();
    });
    add(view, "phraseListAction", "Phrase List", &Tchat::openPhraseList);
    view->addSeparator();
    add(view, "gameReviewAction", "Game &Review", &Tchat::openGameReview);

    QMenu* help = menuBar()->addMenu("&Help");
    add(help, "helpAction", "Content", showWindow(windows_.help))->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    add(help, "aboutAction", "About", showWindow(windows_.about));
}

void Tchat::buildPanels() {
    stage_ = new QWidget(centralWidget());
    stage_->setObjectName("panel_board");
    boardPanel_ = new BoardPanel(state_, stage_);
    scoreboard_ = new Scoreboard(state_, stage_);
    chatPanel_ = new ChatPanel(*setup_.dialogs, stage_);
    gameOver_ = new GameOverPanel(stage_);
    screenNotice_ = new ScreenNotice(stage_);
    stageLayout_.place(boardPanel_, kBoardPlace);
    stageLayout_.place(scoreboard_, kScoreboardPlace);
    stageLayout_.place(chatPanel_, kChatPlace);
    stageLayout_.place(gameOver_, GameOverPanel::kDesigned);
    stageLayout_.place(screenNotice_, ScreenNotice::kDesigned);
    setTabOrder(chatPanel_->entry(), boardPanel_->board());
}

void Tchat::connectPanels() {
    connect(boardPanel_, &BoardPanel::sound, this, &Tchat::playsounds);
    connect(boardPanel_, &BoardPanel::previewChanged, scoreboard_, &Scoreboard::showPreview);
    connect(boardPanel_, &BoardPanel::doneRequested, this, [this] {
        onDoneClicked();
        afterMove(true);
    });
    connect(boardPanel_, &BoardPanel::clearRequested, this, [this] {
        onClearClicked();
        afterMove(true);
    });
    connect(boardPanel_, &BoardPanel::hintRequested, this, &Tchat::onHintClicked);

    auto move = [this](void (Tchat::*handler)()) {
        return [this, handler] {
            (this->*handler)();
            afterMove(false);
        };
    };
    connect(scoreboard_, &Scoreboard::doneClicked, this, move(&Tchat::onDoneClicked));
    connect(scoreboard_, &Scoreboard::clearClicked, this, move(&Tchat::onClearClicked));
    connect(scoreboard_, &Scoreboard::newTilesClicked, this, move(&Tchat::onNewTilesClicked));
    connect(scoreboard_, &Scoreboard::passClicked, this, move(&Tchat::onPassClicked));
    connect(scoreboard_, &Scoreboard::hintClicked, this, &Tchat::onHintClicked);
    connect(scoreboard_, &Scoreboard::startClicked, this, &Tchat::button_startClick);
    connect(scoreboard_, &Scoreboard::removeRequested, this, &Tchat::kicking);
    connect(scoreboard_, &Scoreboard::justWatchRequested, this, &Tchat::setJustWatch);

    connect(chatPanel_, &ChatPanel::lineEntered, this, &Tchat::sendit);
    connect(chatPanel_, &ChatPanel::phraseClicked, this, &Tchat::onPhraseClicked);
    connect(chatPanel_, &ChatPanel::tabToBoard, boardPanel_, &BoardPanel::focusBoard);
    connect(chatPanel_, &ChatPanel::scrollLockToggled, scrollChatOffAction_, &QAction::setChecked);

    connect(gameOver_, &GameOverPanel::reviewRequested, this, &Tchat::openGameReview);
    connect(screenNotice_, &ScreenNotice::accepted, this, [this] {
        screenNotice_->hide();
        close();
    });
}

// The least size holds the designed panels; on a screen too small for them, the largest
// size of the same proportions that fits, so the window never runs off the screen.
void Tchat::fitToScreen() {
    const QScreen* screen = this->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize();
    const int menu = menuBar()->sizeHint().height();
    const qreal room = std::min({1.0, qreal(area.width() - frame.width()) / kDesignedClient.width(),
                                 qreal(area.height() - frame.height() - menu) / kDesignedClient.height()});
    const QSize least(int(kDesignedClient.width() * room), int(kDesignedClient.height() * room) + menu);
    setMinimumSize(least);
    // Opened, or moved to another screen: inside its available area.
    QRect g = geometry();
    g.setSize(g.size().boundedTo(area.size() - frame).expandedTo(least));
    g.moveLeft(std::clamp(g.left(), area.left(), std::max(area.left(), area.right() - g.width() - frame.width() + 1)));
    g.moveTop(std::clamp(g.top(), area.top(), std::max(area.top(), area.bottom() - g.height() - frame.height() + 1)));
    if (g != geometry()) setGeometry(g);
}

void Tchat::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    // Without a window manager nothing else keeps the least size: the window grows back.
    if (size().width() < minimumWidth() || size().height() < minimumHeight()) {
        QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
    }
    scalePanels();
}

void Tchat::scalePanels() {
    const QSize area = centralWidget()->size();
    qreal scale = std::min(qreal(area.width()) / kDesignedClient.width(),
                           qreal(area.height()) / kDesignedClient.height());
    scale = std::clamp(std::floor(scale * 100) / 100, 0.2, 8.0);
    const QSize panel(int(std::lround(kDesignedPanel.width() * scale)),
                      int(std::lround(kDesignedPanel.height() * scale)));
    stage_->setGeometry(QRect(QPoint((area.width() - panel.width()) / 2, (area.height() - panel.height()) / 2), panel));
    stageLayout_.apply(scale);
    useArtwork(scale, false);
}

// The artwork is painted for the screen's ratio times the scale, so it stays sharp. While a
// resize goes on, the last artwork is stretched; it is painted anew once the size settles.
void Tchat::useArtwork(qreal scale, bool paintNow) {
    const qreal dpr = devicePixelRatioF();
    const auto key = [](qreal ratio) { return std::lround(ratio * 100); };
    const Artwork* wanted = nullptr;
    if (key(scale) == 100) {
        wanted = &Artwork::forRatio(dpr);
        scaledArt_.reset();
    } else if (scaledArt_ && key(scaledArt_->ratio()) == key(dpr * scale)) {
        wanted = scaledArt_.get();
    } else if (paintNow) {
        scaledArt_ = std::make_unique<Artwork>(dpr * scale);
        wanted = scaledArt_.get();
    } else {
        artTimer_.start();
        wanted = art_;
    }
    art_ = wanted;
    boardPanel_->setScale(scale, *art_);
    scoreboard_->setScale(scale, *art_);
    chatPanel_->setScale(scale);
    gameOver_->setScale(scale);
    screenNotice_->setScale(scale);
}

void Tchat::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shown_) return;
    shown_ = true;
    if (QWindow* w = windowHandle()) {
        connect(w, &QWindow::screenChanged, this, [this] {
            fitToScreen();
            scalePanels();
        });
    }
    fitToScreen();
    processparams();
}

void Tchat::processparams() {
    startGameAction_->setEnabled(false);
    scoreboard_->showStartButton(false);
    state_.loginName.clear();
    const QStringList& p = setup_.params;
    if (p.isEmpty()) {
        systemLine("Loading Solo Game..Please wait.");
        if (windows_.download) windows_.download->show();
        state_.playerName = "You";
        hostpress();
        return;
    }
    systemLine("Loading Multi-player Game.. Please Wait.");
    state_.playerName = toWire(p.value(0).left(20));
    // Room for a full IPv6 address or a long host name.
    const std::string address = toWire(p.value(1).left(255));
    if (p.size() < 3) return;
    if (p[2] == "true")
        hostpress();  // the host's own window always comes in through the loopback address
    else
        joinpress(address);
    openSocket(lobbyLink_, "127.0.0.1", setup_.lobbyPort);
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
    state_.loginName = state_.playerName;
    state_.isHost = true;
    openSocket(sock, "127.0.0.1", port);
    startGameAction_->setEnabled(true);
    scoreboard_->showStartButton(true);
    if (windows_.spylist) windows_.spylist->setHost(true);
}

void Tchat::joinpress(const std::string& address) {
    state_.loginName = state_.playerName;
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
    startGameAction_->setEnabled(false);
    scoreboard_->showStartButton(false);
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
    const std::string removed = "CMD_playerdisconnected+" + std::to_string(state_.mySeat) + "+";
    const bool wasRemoved =
        state_.mySeat != 0 && std::any_of(receivedlist_.begin(), receivedlist_.end(),
                                          [&](const std::string& m) { return m.starts_with(removed); });
    closeWindow(wasRemoved          ? QString("You were removed from the game by the host.")
                : connectionBroke_ ? QString("The connection to the host was lost.")
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

QString Tchat::iniPath() const { return QDir(setup_.dataFolder).filePath("korvolobby.ini"); }

void Tchat::loadinifile() {
    QFile f(iniPath());
    IniFile ini;
    if (f.open(QIODevice::ReadOnly)) ini.parse(f.readAll().toStdString());
    const QRect r(ini.getInt(kSection, "Left", 3), ini.getInt(kSection, "Top", 3),
                  ini.getInt(kSection, "Width", kDefaultSize.width()),
                  ini.getInt(kSection, "Height", kDefaultSize.height()));
    setGeometry(r);
    // Bounds saved on a larger screen are fitted to this one, and stay in the file for that one.
    fitToScreen();
    savedBounds_ = geometry();
    setTextSize(ini.getInt(kSection, "Textsize", 8), false);
    for (QAction* a : textSizeActions_) a->setChecked(a->data().toInt() == chatSize_);
    textColor_ = parseColorText(ini.get(kSection, "Textcolor", "clwhite")).value_or(kWhite);
    actionColor_ = parseColorText(ini.get(kSection, "Actioncolor", "clwhite")).value_or(kWhite);
    chatPanel_->setEntryColour(textColor_);
    playSoundsAction_->setChecked(ini.get(kSection, "Playsounds", "true") != "false");
    for (int n = 1; n <= 10; ++n) {
        const std::string text = ini.get(kSection, "Phrase" + std::to_string(n), "");
        if (!text.empty()) chatPanel_->setPhrase(n, fromWire(text));
    }
    if (windows_.options) {
        windows_.options->setValues(ini.getInt(kSection, "Turntime", 90), ini.getInt(kSection, "Squares", 12),
                                    ini.getInt(kSection, "Gametime", 0), ini.getInt(kSection, "Score", 0));
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
    setup_.dialogs->message(this, "Zindle", QString("Your settings could not be saved to %1: %2").arg(iniPath(), why));
}

void Tchat::saveinifile() {
    std::vector<std::pair<std::string, std::string>> keys{
        {"Textsize", std::to_string(chatSize_)},
        {"Textcolor", colorText(textColor_)},
        {"Actioncolor", colorText(actionColor_)},
        {"Top", std::to_string(geometry().top())},
        {"Left", std::to_string(geometry().left())},
        {"Width", std::to_string(geometry().width())},
        {"Height", std::to_string(geometry().height())},
    };
    if (windows_.options) {
        for (auto& kv : windows_.options->settings()) keys.push_back(kv);
    }
    keys.emplace_back("Playsounds", playSoundsAction_->isChecked() ? "true" : "false");
    writeSettings(keys);
}

void Tchat::savePhrases() {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int n = 1; n <= 10; ++n) keys.emplace_back("Phrase" + std::to_string(n), toWire(chatPanel_->phrase(n)));
    writeSettings(keys);
}

void Tchat::setPhrase(int n, const QString& phrase) {
    if (n >= 1 && n <= 10) chatPanel_->setPhrase(n, phrase);
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
    queueTimer_.stop();
    clockTimer_.stop();
    e->accept();
    if (onClosed) onClosed();
}

void Tchat::resetScreenLocation() {
    setGeometry(QRect(QPoint(3, 3), kDefaultSize));
    fitToScreen();
}

void Tchat::setTextSize(int size, bool save) {
    chatSize_ = std::clamp(size, 1, 200);
    chatPanel_->setTextSize(chatSize_);
    if (save) saveinifile();
}

void Tchat::chooseTextColour() {
    QColor chosen;
    if (!setup_.dialogs->pickColor(this, toQColor(textColor_), chosen)) return;
    textColor_ = fromQColor(chosen);
    chatPanel_->setEntryColour(textColor_);
    saveinifile();
}

void Tchat::chooseActionColour() {
    QColor chosen;
    if (setup_.dialogs->pickColor(this, toQColor(actionColor_), chosen)) actionColor_ = fromQColor(chosen);
    saveinifile();
}

void Tchat::playsounds(const QString& name) {
    if (playSoundsAction_->isChecked() && setup_.sounds) setup_.sounds->play(name);
}

}  // namespace zindle
