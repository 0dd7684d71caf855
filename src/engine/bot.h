// A computer player that joins a host like any game window: one TCP
// connection, the seat's model fed by the host's messages, and a move sent
// on its turn after a thinking delay. It runs on the caller's event loop;
// the game window seats bots with it and zindle-bot is a thin main around it.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
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
    int delayMs = 1500;
    uint32_t seed = 0;  // 0: from the time of day
};

class Bot : public QObject {
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
    const BotSeat& seat() const { return seat_; }
    const BotOptions& options() const { return options_; }

    // The connection is over: the host closed it, or (failed) it never came up.
    std::function<void(bool failed)> onClosed;

private:
    void onRead(TSock& s);
    void think();
    void send(const std::string& message);
    void finish(bool failed);

    BotOptions options_;
    BotSeat seat_;
    TSock sock_;
    proto::Framer framer_;
    QTimer delay_;
    QTimer clock_;  // the turn clock, as a window keeps it
    bool connected_ = false;
    bool closed_ = false;
};

}  // namespace zindle::engine
