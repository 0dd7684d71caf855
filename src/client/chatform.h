// Tchat: the game window. It builds the panels (the board with the rack, the scoreboard,
// the chat, the game-over panel), connects them, and owns the connection to the host. The
// host's messages go to the seat session, which tells the window what changed; the window
// shows it and sends what the player asks.
//
// chatform.cpp builds the window and keeps its settings and geometry;
// chatform_messages.cpp follows the host's messages; chatform_players.cpp is what the
// player does, the host's seat actions and the coach.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/chatsetup.h"
#include "client/colortext.h"
#include "client/computerplayers.h"
#include "client/hostlink.h"
#include "client/panelstage.h"
#include "clientstate/gamestate.h"
#include "clientstate/session.h"
#include "coach/coach.h"

namespace zindle {

class BoardPanel;
class ChatPanel;
class GameMenus;
class GameOverPanel;
class Scoreboard;
class ScreenNotice;

class Tchat : public QMainWindow, private SessionListener {
public:
    // The least client area, room permitting: the designed panels and their margins.
    static constexpr QSize kDesignedClient = PanelStage::kDesigned + PanelStage::kMargins;
    static constexpr QSize kDefaultSize{874, 657};

    explicit Tchat(ChatSetup setup, QWidget* parent = nullptr);
    ~Tchat() override;
    void setWindows(const ChatWindows& w);

    const GameState& state() const { return state_; }
    // The receive path: bytes from the host (or the lobby link) are cut into messages and
    // queued; each tick of the queue timer hands one message to its handler.
    void receive(std::string_view bytes) { link_.receive(bytes); }
    void processsocktimer() { link_.processOne(); }
    std::size_t queued() const { return link_.queued(); }
    void clockTick();  // the clocks' second
    void sendToHost(const std::string& message) { link_.send(message); }

    void loadchecklist();
    void setPhrase(int n, const QString& phrase);
    void savePhrases();
    bool closing() const { return closing_; }
    // Writes what a close keeps (the window's bounds when they changed, and the tally)
    // without closing: before the window tells why it ends, and when the desktop session ends.
    void saveState();
    std::function<void()> onClosed;  // the program ends with this window

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // ---- building, geometry and settings (chatform.cpp)
    void buildMenus();
    void buildPanels();
    void connectPanels();
    void fitToScreen();
    void scaleMenus();
    void processparams();
    void hostpress();
    void joinpress(const std::string& address);
    void onLinkEnded(HostLink::Ending why);
    // Closes from the event loop; why, when given, is told to the player first.
    void closeWindow(const QString& why = {});
    void loadinifile();
    void saveinifile();
    void saveSettings(
        const std::vector<std::pair<std::string, std::string>>& keys);  // told once when it fails
    QString iniPath() const;
    void resetScreenLocation();
    void setTextSize(int size, bool save = true);
    void chooseTextColour();
    void chooseActionColour();
    void playsounds(const QString& name);

    // ---- what the host's messages changed, told by the session (chatform_messages.cpp)
    void chatLine(std::string_view text) override;
    void playerJoined(const PlayerNews& news) override;
    void playerLeft(const PlayerNews& news) override;
    void otherVersion(std::string_view name) override;
    void ownVersionDiffers() override;
    void tableFull() override;
    void settingsChanged() override;
    void boardArranged() override;
    void gameStarted(const StartNews& news) override;
    void modelCleared() override;
    void turnBegan(int seat) override;
    void turnEnded(int seat, bool timeUp) override;
    void tileDealt(int slot) override;
    void cellShown(const Placement& cell) override;
    void tilesRepositioned(const std::vector<Placement>& cells) override;
    void wordLaid(const std::vector<Placement>& cells) override;
    void scored(const ScoreNews& news) override;
    void tilesExchanged(const TileNews& news) override;
    void moveRefused(const std::vector<int>& slots) override;
    void exchangeRefused(bool alreadyBought) override;
    void tilesCounted(int left) override;
    void outOfTiles(int seat) override;
    void watchingChanged(int seat, bool watching) override;
    void gameEnded(const std::string& reason) override;
    void winnersNamed(const std::vector<int>& seats) override;
    void addlinetochat(const QString& text, ColorRef color);
    void systemLine(const QString& text) { addlinetochat(text, kYellow); }
    QStringList otherPlayers() const;

    // ---- the player's actions, seats, computers and the coach (chatform_players.cpp)
    void sendit(const QString& text);
    void onPhraseClicked(int n);
    void onDoneClicked();
    void onClearClicked();
    void onNewTilesClicked();
    void onPassClicked();
    void afterMove(bool fromKeyboard);
    void showMoveButtons(bool on);
    void openGameOptions();  // "Start Game"
    void onJustWatchToggled();
    void kicking(int seat);
    void setJustWatch(int seat, bool on);
    void openPhraseList();
    // One of the game's own dialogs, over this window and kept above it.
    void showOver(QWidget* dialog);
    // The options dialog's start: seat the computer players first, then start.
    void startWithComputers();
    // The coach: a hint in solo games against this window's computers, and
    // the review of the player's turns after any game.
    bool coachAvailable() const;
    void onHintClicked();
    void hintAnswered(std::uint64_t serial, const coach::Suggestion& s);
    void openGameReview();

    ChatSetup setup_;
    ChatWindows windows_;
    SeatSession session_;
    GameState& state_ = session_.state();

    BoardPanel* boardPanel_ = nullptr;
    Scoreboard* scoreboard_ = nullptr;
    ChatPanel* chatPanel_ = nullptr;
    GameOverPanel* gameOver_ = nullptr;
    ScreenNotice* screenNotice_ = nullptr;
    PanelStage* stage_ = nullptr;

    GameMenus* menus_ = nullptr;
    int designedMenuHeight_ = 0;  // the menu bar's height in the application's font
    qreal menuScale_ = 1.0;

    HostLink link_;
    QTimer clockTimer_;  // the clocks, 1 s

    ColorRef textColor_ = kWhite;
    ColorRef actionColor_ = kWhite;
    int chatSize_ = 8;
    QRect savedBounds_{QPoint(3, 3), kDefaultSize};
    bool shown_ = false;
    bool closing_ = false;
    bool saveFailureTold_ = false;  // a failed settings save is told once a session
    bool countedThisGame_ = true;   // one tally count per game start

    ComputerPlayers computers_;
    coach::GameRecord record_;
    std::vector<Placement> sentMove_;  // the tiles of the last Done, for the record
    int hintsTaken_ = 0;
    // Changes whenever a turn of ours begins or ends: a hint worked out for another turn is
    // dropped when it comes back.
    std::uint64_t turnSerial_ = 0;
};

}  // namespace zindle
