// Tchat: the game window. It connects to a host (its own in-process TServer
// when hosting), follows the game through the seat model in clientstate, and
// shows the board, the rack, the scoreboard and the chat.
//
// The class is split by concern: chatform.cpp (start-up, menus, settings),
// chatform_messages.cpp (queue and dispatch), chatform_board.cpp,
// chatform_scoreboard.cpp, chatform_chat.cpp, chatform_spectators.cpp.
#pragma once

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/colortext.h"
#include "client/inifile.h"
#include "clientstate/gamestate.h"
#include "coach/coach.h"
#include "net/protocol.h"
#include "net/sock.h"

class QFrame;

namespace zindle {

class AnimatedPicture;
class BoardView;
class Dialogs;
class PictureControl;
class SoundPlayer;
class TServer;
class Tgameoptions;
class Tphrases;
class Tspylist;
namespace engine {
class Bot;
}

struct ChatSetup {
    Dialogs* dialogs = nullptr;
    SoundPlayer* sounds = nullptr;
    QStringList params;           // the command line after the program name
    QString dataFolder;           // where "korvolobby.ini" lives
    std::string port = "7772";    // the game port to join
    std::string lobbyPort = "9001";
    int botDelayMs = 1500;  // how long a seated computer player thinks
};

// The other windows, created by the program in their fixed order.
struct ChatWindows {
    TServer* server = nullptr;
    QWidget* help = nullptr;
    QWidget* about = nullptr;
    Tgameoptions* options = nullptr;
    Tspylist* spylist = nullptr;
    QWidget* tally = nullptr;
    Tphrases* phrases = nullptr;
    QWidget* download = nullptr;
    // The tally window's side of loadchecklist and addgame.
    std::function<void(const QStringList& names)> fillChecklist;
    std::function<void(const QString& winner)> addgame;
};

class Tchat : public QMainWindow {
public:
    explicit Tchat(ChatSetup setup, QWidget* parent = nullptr);
    ~Tchat() override;
    void setWindows(const ChatWindows& w);

    GameState state;

    // ---- sockets, queue, timers
    TSock sock;     // the game connection
    TSock Sock11;   // the lobby link
    std::deque<std::string> receivedlist;
    QTimer Timer1;  // the queue, 1 ms, runs only while there is work
    QTimer Timer2;  // the clocks, 1 s
    bool phraseReady = true;
    int phraseTicks = 0;

    // ---- menu
    QAction* StartGame1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* PlaySounds1 = nullptr;
    QAction* textcolor1 = nullptr;
    std::array<QAction*, 4> textSizes{};  // N8, N10, N12, N14
    QAction* ActionColor1 = nullptr;
    QAction* ScrollChatOff1 = nullptr;
    QAction* ScrollChatOff2 = nullptr;  // the chat view's context menu
    QAction* ResetBoardLocation1 = nullptr;
    QAction* JustWatch1 = nullptr;
    QAction* TallyList1 = nullptr;
    QAction* SpyList1 = nullptr;
    QAction* PhraseList1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* About1 = nullptr;
    QAction* gameReviewAction = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;

    // ---- controls
    QWidget* panel_board = nullptr;
    PictureControl* Image1 = nullptr;  // the frame behind the board
    BoardView* board = nullptr;
    std::array<PictureControl*, 11> tiles{};  // tile_1 .. tile_10
    QLabel* image_dragging = nullptr;
    PictureControl* Image6 = nullptr;  // sort
    QLabel* bar = nullptr;
    QLabel* label_turntime = nullptr;
    QLabel* label_gametime = nullptr;
    QLabel* label_playtoscore = nullptr;
    QLabel* label_double = nullptr;
    QLabel* label_partners = nullptr;
    std::array<QLabel*, 5> label_playername{};
    std::array<QLabel*, 5> label_score{};
    std::array<QLabel*, 5> label_bonus{};
    std::array<QLabel*, 5> image_eyes{};
    QLabel* label_turn = nullptr;
    QLabel* label_timeofgame = nullptr;
    QLabel* label_timeofturn = nullptr;
    QLabel* label_tilesleft = nullptr;
    QLabel* label_preview = nullptr;
    QPushButton* button_done = nullptr;
    QPushButton* button_clear = nullptr;
    QPushButton* button_newtiles = nullptr;
    QPushButton* button_pass = nullptr;
    QPushButton* button_startgame = nullptr;
    QPushButton* hintButton = nullptr;    // solo games against this window's computers
    QFrame* panel_winner = nullptr;
    QPushButton* reviewButton = nullptr;  // on the game-over panel
    QLabel* hintsLabel = nullptr;
    QLabel* label_reason = nullptr;
    std::array<QLabel*, 5> label_winner{};  // [1..4]
    AnimatedPicture* image_zn = nullptr;
    QFrame* panel_screen = nullptr;
    QTextEdit* mainchat = nullptr;
    QLineEdit* mychat = nullptr;
    std::array<QToolButton*, 11> b_phrase{};  // [1..10]
    QMenu* popup_kick = nullptr;
    int popupSeat = 0;

    // ---- start-up and settings
    void processparams();
    void hostpress();
    void joinpress(const std::string& address);
    void loadinifile();
    void saveinifile();
    void savePhrases();
    void writeSettings(const std::vector<std::pair<std::string, std::string>>& keys);
    void sockInfo(TSock& s, TSocketInfo kind, const std::string& msg);
    void ResetBoardLocation1Click();
    void Image4Click();
    void PlaySounds1Click();
    void playsounds(const QString& name);
    QString iniPath() const;

    // ---- messages
    void sockRead(TSock& s, int count);
    // Bytes from the host (or the lobby link), cut into messages and queued.
    void receive(std::string_view bytes, bool lobby = false);
    void Timer1Timer();
    void processsocktimer();
    void sendToHost(const std::string& message);
    void sendloginfo(std::string_view f);
    void newplayerinfo(std::string_view f);
    void playerdisconnected(std::string_view f);
    void gamesettings(std::string_view f);
    void tilecount(std::string_view f);
    void notiles(std::string_view f);
    void gameFull();

    // ---- board and rack
    void arrangeboard(std::string_view f);
    void showboard(std::string_view f);
    void atile(std::string_view f);
    void reposition(std::string_view f);
    void newword(std::string_view f);
    void newtiles(std::string_view f);
    void boardMouseDown(QMouseEvent* e);
    void boardMouseMove(QMouseEvent* e);
    void boardKey(QKeyEvent* e);
    void announceCursor();
    void tile_1MouseDown(int slot, QMouseEvent* e);
    void followPointer(QWidget* from, const QPoint& pos);
    void Image6Click();
    void button_doneClick();
    void button_clearClick();
    void button_newtilesClick();
    void button_passClick();
    // The coach: a hint in solo games against this window's computers, and
    // the review of the player's turns after any game.
    bool coachAvailable() const;
    void onHintClicked();
    void openGameReview();
    int hintsTaken() const { return hintsTaken_; }
    void showRack();
    void cancelPick();
    void updatePreview();
    void refreshBoard(int laidBefore);
    void layAt(int x, int y, bool leftButton);
    void afterMoveButton();

    // ---- scoreboard
    void clearall();
    void startthegame(std::string_view f);
    void getnextplayer(std::string_view f);
    void colorlabels(int seat);
    void postscore(std::string_view f);
    void passed(std::string_view f);
    void timeup(std::string_view f);
    void turnEnded(std::string_view f, bool timeUp);
    void winner(std::string_view f);
    void Timer2Timer();
    void image_znChangeFrame();
    void showMoveButtons(bool on);
    void showScoreboard();
    void showSettings();
    void loadchecklist();
    QStringList otherPlayers() const;
    int znFrames = 0;
    bool countedThisGame = true;  // one tally count per game start

    // ---- chat
    void addlinetochat(const QString& text, ColorRef color);
    // Host text as the window shows it: never longer than max characters.
    static QString shown(std::string_view wire, std::size_t max);
    static QString shownName(std::string_view wire) { return shown(wire, kMaxShownName); }
    static constexpr std::size_t kMaxShownName = 20;   // the longest name a window can log in with
    static constexpr std::size_t kMaxShownWord = 40;   // longer than any word the board holds
    // A name, its verb and a full entry line (the host's limit on what it relays).
    static constexpr qsizetype kMaxShownChat = kMaxShownName + 60 + proto::kMaxChatLine;
    static constexpr int kMaxChatChars = 512 * 1024;   // the chat view's text, whatever the line count
    void systemLine(const QString& text) { addlinetochat(text, kYellow); }
    void chatrecieved(std::string_view f);
    void sendit();
    void b_phrase1Click(int n);
    void PhraseList1Click();
    void textcolor1Click();
    void ActionColor1Click();
    void N14Click(int size, bool save = true);
    void ScrollChatOff1Click();
    void Copy1Click();
    void Paste1Click();
    void setPhrase(int n, const QString& phrase);
    void layoutPhrases();
    QString phrase(int n) const;
    ColorRef textColor = kWhite;    // ColorDialog
    ColorRef actionColor = kWhite;  // ColorDialog2
    int chatSize = 8;

    // ---- spectators and removal
    void justwatching(std::string_view f);
    void JustWatch1Click();
    void label_playername1ContextPopup(int seat, const QPoint& at);
    void kicking(int seat);
    void setJustWatch(int seat, bool on);
    void button_startClick();
    // The options dialog's start: seat the computer players first, then start.
    void startWithComputers();
    void sendStartWhenSeated(bool waitedEnough = false);
    std::vector<std::unique_ptr<engine::Bot>> bots;
    bool startPending = false;
    QTimer startTimeout;
    QAction* RemoveFromGame1 = nullptr;
    QAction* SettoJustWatch1 = nullptr;
    QAction* UnsetJustWatch1 = nullptr;

    // For tests: the lines of the chat view.
    QStringList chatLines() const;
    bool closing() const { return closing_; }
    std::function<void()> onClosed;  // the program ends with this window

protected:
    void showEvent(QShowEvent* e) override;      // FormShow
    void closeEvent(QCloseEvent* e) override;    // FormClose
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void buildMenus();
    void buildBoardPanel();
    void buildScoreboard(QWidget* parent);
    void buildChat(QWidget* parent);
    void buildPanels();
    void buildDispatch();
    void openSocket(TSock& s, const std::string& host, const std::string& port);
    // Closes from the event loop; why, when given, is told to the player first.
    void closeWindow(const QString& why = {});
    static constexpr const char* kConnectionLost = "The connection to the host was lost.";
    static constexpr const char* kRemoved = "You were removed from the game by the host.";
    void trimChat();
    void applyChatColors();
    void setLabelSeatColour(QLabel* l, int seat);

    ChatSetup setup_;
    ChatWindows windows_;
    proto::Framer gameFramer_;
    proto::Framer lobbyFramer_;
    proto::DispatchTable<> table_;
    QRect savedBounds_{3, 3, 874, 657};
    bool shown_ = false;
    std::vector<int> layOrder_;  // slots in the order they were laid
    coach::GameRecord record_;
    std::vector<Placement> sentMove_;  // the tiles of the last Done, for the record
    int hintsTaken_ = 0;
    bool keyboardMove_ = false;
    bool closing_ = false;
    bool connectionBroke_ = false;  // an error came before the host's socket closed
    bool saveFailureTold_ = false;  // a failed settings save is told once a session
    std::size_t queuedBytes_ = 0;
};

}  // namespace zindle
