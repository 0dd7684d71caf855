// TServer: the game host. It seats up to nine connections, logs them in,
// relays chat, and plays the authoritative game over the network: the
// referee (rules/referee.h) keeps the game and its clocks, the host reads
// the requests, says who sits where and sends what the referee announces.
// No window.
//
// Where it is stricter than a plain relay would be:
// - Every queued message remembers the connection it came from; a message
//   speaking for a seat other than its sender's is dropped, and so are the
//   entries still queued from a connection that has closed since (its seat
//   speaks for no one any more).
// - One connection may hold only its share of the queue
//   (proto::kMaxQueuedEntries / kMaxQueuedBytes); at it the connection is
//   not read until its entries drain, so TCP slows the sender and nothing
//   it sent is lost. Empty entries are never queued.
// - A connection that has not logged in within the login deadline is
//   closed, whatever it sends meanwhile: seats are few, seat 1 has the
//   host's powers, and a silent or dripping peer must not keep them.
// - Until its login a connection has no voice: whatever it sends but its
//   login is dropped, so it can neither chat nor act for its seat (nor use
//   seat 1's powers). One login a connection: the first stands.
// - Connections waiting for their login are capped by address, and an
//   address that keeps missing the deadline waits before it may connect
//   again (server/strangers.h).
// - Names, chat and action text are relayed without control bytes; an empty
//   name becomes "Player N", and a name already seated gets a number.
// - Chat and action lines are relayed no longer than a window can type.
// - The queue timer runs only while entries wait.
// - Once a game has ended, moves, passes and exchanges wait for the next start.
// - A start whose numbers are out of bounds is refused (GameSettings).
//
// The host can also run without sockets (attach/inject/detach with a send
// sink), which is how the fuzz target drives it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/protocol.h"
#include "net/sock.h"
#include "rules/mydict.h"
#include "rules/random.h"
#include "rules/referee.h"
#include "rules/seats.h"
#include "server/hostwire.h"
#include "server/strangers.h"

namespace zindle {

inline constexpr int kQueueTickMs = 10;  // one queued message per tick

// A seat's connection and player; the game's part of seats 1 to 4 is the
// referee's (PlayerState).
struct TSeat {
    std::string name;
    bool connected = false;
    TSock* sock = nullptr;  // null for a connection attached without a socket
    bool watching = false;
    proto::ConnId conn = 0;  // the connection holding the seat, 0 for none
    bool loggedin = false;   // its "CMD_logininfo" was taken
    std::string address;     // what the stranger caps count it by; empty when uncapped
};

inline constexpr int kLoginDeadlineMs = 15000;
using proto::kMaxChatLine;

struct ServerOptions {
    std::string port = std::string(proto::kGamePort);
    // The generator for every chance of the game; null means the process-wide one.
    Random* random = nullptr;
    // Set the generator to this state; otherwise it is left as the caller seeded it.
    std::optional<uint32_t> seed;
    // A plain word list (one word a line) instead of the built-in list.
    std::optional<std::string> wordsFile;
    // Where "English.dic dictionary not found!" goes; stderr when empty.
    TDictn::Reporter report;
    // Off in tests: they call socktimerTimer() and clockTick() themselves.
    bool runTimers = true;
    // How long a connection may take to log in before it is closed.
    int loginDeadlineMs = kLoginDeadlineMs;
    // Caps on connections waiting for their login, by address.
    StrangerGate::Limits strangers;
};

class TServer : public QObject {
    Q_OBJECT

public:
    explicit TServer(ServerOptions options = {}, QObject* parent = nullptr);
    ~TServer() override;
    TServer(const TServer&) = delete;
    TServer& operator=(const TServer&) = delete;

    // ---- the game port
    // Starts or stops listening; throws ESockException as TSock does.
    void listen(bool on = true);
    int port() const { return listener.LocalPort(); }

    // ---- steps the timers take; tests without timers take them by hand
    void socktimerTimer();  // one queued message
    void clockTick();       // the game clock, once a second while a game runs
    // Handles one message as if it had come queued from the seat's connection.
    void handle(std::string_view message, int fromSeat);

    // ---- connections without sockets (fuzzing, tests)
    // Seats a new connection as an accept would; 0 when the game is full
    // (the sink then got "CMD_full+" and closeSink the new id).
    proto::ConnId attach();
    void inject(proto::ConnId from, std::string_view bytes);
    void detach(proto::ConnId from);
    using SendSink = std::function<void(proto::ConnId, const std::string&)>;
    using CloseSink = std::function<void(proto::ConnId)>;
    void setSinks(SendSink send, CloseSink close = {});

    // ---- inspection
    std::size_t queued() const { return receivedlist.size(); }
    bool queueTimerRunning() const { return socktimer.isActive(); }
    bool clockRunning() const { return referee_.state().clockOn; }
    const TSeat& seat(int s) const { return seats[static_cast<std::size_t>(s)]; }
    int seatCount() const { return seatcount; }
    int seatOf(proto::ConnId conn) const;
    const TDictn& dictionary() const { return spellit; }
    const Referee& referee() const { return referee_; }
    Referee& referee() { return referee_; }
    const StrangerGate& strangers() const { return gate_; }
    int64_t nowMs() const { return since_.elapsed(); }
    // The accepted connections' sockets still alive (closed ones go on the
    // event loop's next turn).
    std::size_t socketsAlive() const;

signals:
    // Something a table's status is made of may have changed: a seat taken
    // or freed, a login, a message handled, a clock second.
    void changed();

private:
    // What the referee asks of the seats.
    class SeatView final : public Seating {
    public:
        explicit SeatView(const TServer& host) : host_(host) {}
        bool open(int seat) const override;
        bool watching(int seat) const override;
        int highestSeat() const override { return host_.seatcount; }

    private:
        const TServer& host_;
    };

    static std::optional<std::vector<unsigned char>> loadWords(const ServerOptions& options);

    // ---- events
    void onAccept(TSock& from);
    void onRead(TSock& sock, int count);
    void tempsockDisconnect(TSock& sock);
    void tempsockInfo(TSock& sock, SockEvent event);

    // ---- seat handlers (fromSeat is the sending connection's seat)
    void receivedlogininfo(std::string_view fields, int fromSeat);
    void kickhim(std::string_view fields, int fromSeat);
    void chat(std::string_view fields, int fromSeat);
    void action(std::string_view fields, int fromSeat);
    void justwatch(std::string_view fields, int fromSeat);
    void disconnectsock(int seat);

    // ---- the game: the referee's flow over the network
    void startgame(std::string_view fields, int fromSeat);
    void done(std::string_view fields, int fromSeat);
    void newtiles(std::string_view fields, int fromSeat);
    void pass(std::string_view fields, int fromSeat);

    int chooseSeat() const;  // 0 when full
    proto::ConnId seatConnection(int seat, TSock* sock, std::string address = {});
    void connectionClosed(int seat);
    int seatOfSock(const TSock& sock) const;

    void sendto(int seat, const std::string& msg);
    void sendtoall(const std::string& msg);
    void sendtoplayers(const std::string& msg);
    void bringUpToDate(int seat);  // a newcomer during a game
    void setClock(bool on);
    void wakeQueue();
    void resumeReading(proto::ConnId conn);
    void loginOverdue(proto::ConnId conn);
    std::string distinctName(std::string name, int seat) const;

    // ---- components
    TSock listener;  // the game port
    TSock tempsock;  // never opened: holds the handlers copied onto each connection
    QTimer socktimer;
    QTimer clockTimer;

    // ---- seats (one game at a time; nothing is saved)
    std::array<TSeat, kSeats + 1> seats{};  // [1..9]
    int seatcount = 0;
    SendSink sendSink;
    CloseSink closeSink;

    // Members used while building spellit come first.
    ServerOptions options_;
    Random& random_;
    std::optional<std::vector<unsigned char>> wordRecords_;
    TDictn spellit;
    SeatView seatView_{*this};
    HostWire wire_;
    Referee referee_;

    proto::Inbox receivedlist;
    proto::DispatchTable<int> table_;
    proto::ConnId nextConn_ = 0;
    QElapsedTimer lastTick_;  // when the queue timer last fired
    bool shuttingDown_ = false;
    StrangerGate gate_;
    QElapsedTimer since_;  // the gate's clock
};

}  // namespace zindle
