// A computer player that joins a host like any game window: one TCP
// connection, the seat's model fed by the host's messages, and a move sent
// on its turn after a thinking delay. It reads and writes on the caller's
// event loop and thinks on a thread of its own, so a long look ahead never
// holds up a window; the game window seats bots with it and zindle-bot is a
// thin main around it.
#pragma once

#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "engine/seat.h"
#include "net/protocol.h"
#include "net/sock.h"

namespace zindle::engine {

struct BotOptions {
    std::string host = "127.0.0.1";
    int port = 7772;
    std::string name = "Computer";
    Level level = Level::Normal;
    int delayMs = 1500;  // the least time a turn takes, thinking included
    int thinkMs = 1000;  // the most time Hard's look ahead may take
    uint32_t seed = 0;   // 0: from the time of day
};

// Decides turns on the thread it lives on and answers with a queued signal.
class Thinker : public QObject {
    Q_OBJECT
public:
    explicit Thinker(const Lexicon& lex) : lex_(lex) {}
    // budget.stop, when set, must outlive the call.
    void think(const zindle::engine::Turn& turn, const zindle::engine::Budget& budget);

signals:
    void decided(const zindle::engine::Turn& turn, const zindle::engine::Decision& decision);

private:
    const Lexicon& lex_;
};

class Bot : public QObject {
    Q_OBJECT
public:
    explicit Bot(BotOptions options, QObject* parent = nullptr);
    ~Bot() override;

    // Connects; everything else happens on the event loop.
    void start();
    // Closes the connection: the host frees the seat.
    void leave();

    // A seated bot plays its next turns at this level.
    void setLevel(Level level) {
        options_.level = level;
        seat_.setLevel(level);
    }

    bool closed() const { return closed_; }
    bool thinking() const { return thinking_.has_value(); }
    const BotSeat& seat() const { return seat_; }
    const BotOptions& options() const { return options_; }

    // The connection is over: the host closed it, or (failed) it never came up.
    std::function<void(bool failed)> onClosed;

signals:
    // A decision was sent to the host (tests and benchmarks follow the game with it).
    void moved();

private:
    void onRead(TSock& s);
    void startThinking();
    void stopThinking();
    void onDecided(const Turn& turn, const Decision& decision);
    void sendIfDue();
    void send(const std::string& message);
    void finish(bool failed);

    BotOptions options_;
    BotSeat seat_;
    TSock sock_;
    proto::Framer framer_;
    QThread worker_;
    Thinker* thinker_ = nullptr;  // lives on worker_
    std::optional<Turn> thinking_;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::optional<std::string> ready_;  // decided, waiting for the delay
    uint64_t readySerial_ = 0;          // the turn it was decided for
    QTimer delay_;
    QTimer clock_;  // the turn clock, as a window keeps it
    bool connected_ = false;
    bool closed_ = false;
};

}  // namespace zindle::engine
