// Tchat: building the window, its menus and panels, its geometry and scale, the
// connections to the host and the lobby, and the settings file.
#include "client/chatform.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <cmath>

#include "client/boardpanel.h"
#include "client/chatpanel.h"
#include "client/chatsettings.h"
#include "client/gamemenus.h"
#include "client/gameoptionsform.h"
#include "client/overlays.h"
#include "client/panelstage.h"
#include "client/phrasesform.h"
#include "client/scoreboard.h"
#include "client/spylistform.h"
#include "engine/bot.h"
#include "server/server.h"
#include "widgets/artwork.h"
#include "widgets/codepage.h"
#include "widgets/dialogs.h"
#include "widgets/placement.h"
#include "widgets/sounds.h"
#include "widgets/tiledbackground.h"

namespace zindle {

Tchat::Tchat(ChatSetup setup, QWidget* parent)
    : QMainWindow(parent), setup_(std::move(setup)), computers_(setup_.botDelayMs) {
    setObjectName("chat");
    setWindowTitle("Zindle");
    setWindowIcon(appIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);

    // The scoreboard, the board and the rack start empty; the settings are read only once
    // the host confirms this window's seat.
    auto* central = new TiledBackground(this);
    central->setObjectName("background");
    setCentralWidget(central);
    buildMenus();
    designedMenuHeight_ = menuBar()->sizeHint().height();
    buildPanels();
    connectPanels();

    session_.setListener(this);
    link_.setParent(this);
    link_.onMessage = [this](std::string_view entry) {
        if (auto answer = session_.receive(entry)) sendToHost(*answer);
    };
    connect(&link_, &HostLink::problem, this, &Tchat::systemLine);
    connect(&link_, &HostLink::ended, this, &Tchat::onLinkEnded);
    clockTimer_.setInterval(1000);
    connect(&clockTimer_, &QTimer::timeout, this, &Tchat::clockTick);
    computers_.hints().answered = [this](std::uint64_t serial, const coach::Suggestion& s) {
        hintAnswered(serial, s);
    };
    connect(&computers_, &ComputerPlayers::ready, this, [this] {
        if (windows_.options) sendToHost(windows_.options->startMessage(state_.playerName()));
    });

    state_.clearall();
    boardPanel_->showRack();
    scoreboard_->showSeats();
    resize(kDefaultSize);
    fitToScreen();
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen && screen->geometry().width() <= 800) {
        screenNotice_->show();
        screenNotice_->raise();
    }
    chatPanel_->focusEntry();
}

Tchat::~Tchat() {
    clockTimer_.stop();
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
    menus_ = new GameMenus(menuBar());
    auto showWindow = [](QWidget* const& w) {
        return [&w] {
            if (w) w->show();
        };
    };
    connect(menus_, &GameMenus::startGame, this, &Tchat::openGameOptions);
    connect(menus_, &GameMenus::exit, this, &Tchat::close);
    connect(menus_, &GameMenus::playSoundsToggled, this, &Tchat::saveinifile);
    connect(menus_, &GameMenus::textColour, this, &Tchat::chooseTextColour);
    connect(menus_, &GameMenus::textSize, this, [this](int size) { setTextSize(size); });
    connect(menus_, &GameMenus::actionColour, this, &Tchat::chooseActionColour);
    connect(menus_, &GameMenus::resetScreenLocation, this, &Tchat::resetScreenLocation);
    connect(menus_, &GameMenus::justWatch, this, &Tchat::onJustWatchToggled);
    connect(menus_, &GameMenus::tallyList, this, showWindow(windows_.tally));
    connect(menus_, &GameMenus::spyList, this, [this] {
        if (windows_.spylist) showOver(windows_.spylist);
    });
    connect(menus_, &GameMenus::phraseList, this, &Tchat::openPhraseList);
    connect(menus_, &GameMenus::gameReview, this, &Tchat::openGameReview);
    connect(menus_, &GameMenus::help, this, showWindow(windows_.help));
    connect(menus_, &GameMenus::about, this, showWindow(windows_.about));
}

void Tchat::buildPanels() {
    stage_ = new PanelStage(centralWidget());
    boardPanel_ = new BoardPanel(state_, stage_);
    scoreboard_ = new Scoreboard(state_, stage_);
    chatPanel_ = new ChatPanel(*setup_.dialogs, stage_);
    gameOver_ = new GameOverPanel(stage_);
    screenNotice_ = new ScreenNotice(stage_);
    // The board on the left; the scoreboard at the top right, the chat at the bottom right.
    const int right = BoardPanel::kDesigned.width();
    stage_->add(boardPanel_, QRect(QPoint(0, 0), BoardPanel::kDesigned),
                [this](qreal s, const Artwork& art) { boardPanel_->setScale(s, art); });
    stage_->add(scoreboard_, QRect(QPoint(right, 0), Scoreboard::kDesigned),
                [this](qreal s, const Artwork& art) { scoreboard_->setScale(s, art); });
    const int chatTop = PanelStage::kDesigned.height() - ChatPanel::kDesigned.height();
    stage_->add(chatPanel_, QRect(QPoint(right, chatTop), ChatPanel::kDesigned),
                [this](qreal s, const Artwork&) { chatPanel_->setScale(s); });
    stage_->add(gameOver_, GameOverPanel::kDesigned,
                [this](qreal s, const Artwork&) { gameOver_->setScale(s); });
    stage_->add(screenNotice_, ScreenNotice::kDesigned,
                [this](qreal s, const Artwork&) { screenNotice_->setScale(s); });
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
    connect(scoreboard_, &Scoreboard::startClicked, this, &Tchat::openGameOptions);
    connect(scoreboard_, &Scoreboard::removeRequested, this, &Tchat::kicking);
    connect(scoreboard_, &Scoreboard::justWatchRequested, this, &Tchat::setJustWatch);

    connect(chatPanel_, &ChatPanel::lineEntered, this, &Tchat::sendit);
    connect(chatPanel_, &ChatPanel::phraseClicked, this, &Tchat::onPhraseClicked);
    connect(chatPanel_, &ChatPanel::tabToBoard, boardPanel_, &BoardPanel::focusBoard);
    connect(chatPanel_, &ChatPanel::scrollLockToggled, menus_, &GameMenus::setScrollChatOff);
    connect(menus_, &GameMenus::scrollChatOff, chatPanel_, &ChatPanel::setScrollLocked);

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
    const QSize decoration = isVisible() ? frameGeometry().size() - size() : QSize();
    const int menu = menuBar()->sizeHint().height();
    const qreal room =
        std::min({1.0, qreal(area.width() - decoration.width()) / kDesignedClient.width(),
                  qreal(area.height() - decoration.height() - menu) / kDesignedClient.height()});
    const QSize least(int(kDesignedClient.width() * room),
                      int(kDesignedClient.height() * room) + menu);
    setMinimumSize(least);
    // Opened, or moved to another screen: inside its available area, frame and all.
    const QPoint inset = isVisible() ? geometry().topLeft() - frameGeometry().topLeft() : QPoint();
    const QRect frame = fitInside(QRect(pos(), size() + decoration), area);
    const QRect fitted(frame.topLeft() + inset, (frame.size() - decoration).expandedTo(least));
    if (fitted != geometry()) setGeometry(fitted);
}

// The menus' letters grow with the panels (never below the application's font). The scale is
// reckoned from the window with the menu bar at its designed height, as the panels would
// have it, so a taller menu bar cannot shrink the scale it was given.
void Tchat::scaleMenus() {
    const QSize least = PanelStage::kDesigned + PanelStage::kMargins;
    const qreal fit = std::min(qreal(width()) / least.width(),
                               qreal(height() - designedMenuHeight_) / least.height());
    const qreal scale = std::max(1.0, std::floor(fit * 100) / 100);
    if (scale == menuScale_) return;
    menuScale_ = scale;
    const QFont font = scaledFont(scale);
    menuBar()->setFont(font);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->setFont(font);
}

void Tchat::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    scaleMenus();
    // Without a window manager nothing else keeps the least size: the window grows back.
    if (size().width() < minimumWidth() || size().height() < minimumHeight()) {
        QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
    }
}

void Tchat::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shown_) return;
    shown_ = true;
    if (QWindow* w = windowHandle()) {
        connect(w, &QWindow::screenChanged, this, [this] {
            fitToScreen();
            stage_->refit();
        });
    }
    fitToScreen();
    // The window manager's frame is known only once it has framed the window: then the
    // title bar must fit on the screen too.
    QTimer::singleShot(300, this, &Tchat::fitToScreen);
    processparams();
}

void Tchat::processparams() {
    menus_->setStartEnabled(false);
    scoreboard_->showStartButton(false);
    state_.setLoginName({});
    const QStringList& p = setup_.params;
    if (p.isEmpty()) {
        systemLine("Loading Solo Game..Please wait.");
        if (windows_.download) windows_.download->show();
        state_.setPlayerName("You");
        hostpress();
        return;
    }
    systemLine("Loading Multi-player Game.. Please Wait.");
    state_.setPlayerName(toWire(p.value(0).left(20)));
    // Room for a full IPv6 address or a long host name.
    const std::string address = toWire(p.value(1).left(255));
    if (p.size() < 3) return;
    if (p[2] == "true")
        hostpress();  // the host's own window always comes in through the loopback address
    else
        joinpress(address);
    link_.openLobby(setup_.lobbyPort);
}

void Tchat::hostpress() {
    std::string port = setup_.port;
    if (windows_.server) {
        try {
            windows_.server->listen();
            port = std::to_string(windows_.server->port());
        } catch (const ESockException& e) {
            systemLine(QString::fromStdString(e.what()));
        }
    }
    state_.setLoginName(state_.playerName());
    state_.setHost(true);
    link_.open("127.0.0.1", port);
    menus_->setStartEnabled(true);
    scoreboard_->showStartButton(true);
    if (windows_.spylist) windows_.spylist->setHost(true);
}

void Tchat::joinpress(const std::string& address) {
    state_.setLoginName(state_.playerName());
    QString host = QString::fromStdString(address);
    if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
    if (!QHostAddress(host).isNull()) {
        link_.open(address, setup_.port);
    } else {
        // A name is looked up off the window's thread, so a slow resolver never freezes it.
        QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) {
            if (closing_) return;
            if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
                systemLine("Host Lookup - Could Not Find Host Entry");
                return;
            }
            link_.open(info.addresses().first().toString().toStdString(), setup_.port);
        });
    }
    menus_->setStartEnabled(false);
    scoreboard_->showStartButton(false);
}

void Tchat::onLinkEnded(HostLink::Ending why) {
    if (why == HostLink::Ending::LobbyClosed) {
        closeWindow();
        return;
    }
    // A removal is told just before the close and may still wait in the queue.
    const bool removed = state_.mySeat() != 0 && link_.waiting(goneNoticePrefix(state_.mySeat()));
    closeWindow(removed ? QString("You were removed from the game by the host.")
                : why == HostLink::Ending::Lost ? QString("The connection to the host was lost.")
                                                : QString("The host closed the game."));
}

void Tchat::closeWindow(const QString& why) {
    if (closing_) return;
    closing_ = true;
    // Not from inside the socket's own report: the close tears the sockets down. What a
    // close keeps is written before the box, which may wait for OK until the session ends.
    QTimer::singleShot(0, this, [this, why] {
        saveState();
        if (!why.isEmpty()) setup_.dialogs->message(this, "Zindle", why);
        close();
    });
}

QString Tchat::iniPath() const {
    return QDir(setup_.dataFolder).filePath("korvolobby.ini");
}

void Tchat::loadinifile() {
    // A newcomer's first solo game has an opponent; the options still allow none.
    const ChatSettings ini = ChatSettings::read(iniPath(), QRect(QPoint(3, 3), kDefaultSize),
                                                setup_.params.isEmpty() ? 1 : 0);
    setGeometry(ini.bounds);
    // Bounds saved on a larger screen are fitted to this one, and stay in the file for that one.
    fitToScreen();
    savedBounds_ = geometry();
    setTextSize(ini.textSize, false);
    menus_->markTextSize(chatSize_);
    textColor_ = ini.textColor;
    actionColor_ = ini.actionColor;
    chatPanel_->setEntryColour(textColor_);
    menus_->setPlaySounds(ini.playSounds);
    for (int n = 1; n <= 10; ++n)
        if (!ini.phrases[std::size_t(n)].isEmpty())
            chatPanel_->setPhrase(n, ini.phrases[std::size_t(n)]);
    if (windows_.options) {
        windows_.options->setValues(ini.turnTime, ini.squares, ini.gameTime, ini.score);
        windows_.options->checkit("image_double", ini.doubleTiles);
        windows_.options->checkit("image_team", ini.team);
        windows_.options->setComputers(ini.computers, ini.level);
    }
}

void Tchat::saveSettings(const SettingKeys& keys) {
    const QString why = writeSettings(iniPath(), keys);
    if (why.isEmpty() || saveFailureTold_) return;
    saveFailureTold_ = true;
    setup_.dialogs->message(
        this, "Zindle", QString("Your settings could not be saved to %1: %2").arg(iniPath(), why));
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
    keys.emplace_back("Playsounds", menus_->playSounds() ? "true" : "false");
    saveSettings(keys);
}

void Tchat::savePhrases() {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int n = 1; n <= 10; ++n)
        keys.emplace_back("Phrase" + std::to_string(n), toWire(chatPanel_->phrase(n)));
    saveSettings(keys);
}

void Tchat::setPhrase(int n, const QString& phrase) {
    if (n >= 1 && n <= 10) chatPanel_->setPhrase(n, phrase);
}

void Tchat::saveState() {
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
    if (windows_.saveTally) windows_.saveTally();
}

void Tchat::closeEvent(QCloseEvent* e) {
    closing_ = true;
    saveState();
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
    if (setup_.dialogs->pickColor(this, toQColor(actionColor_), chosen))
        actionColor_ = fromQColor(chosen);
    saveinifile();
}

void Tchat::playsounds(const QString& name) {
    if (menus_->playSounds() && setup_.sounds) setup_.sounds->play(name);
}

}  // namespace zindle
