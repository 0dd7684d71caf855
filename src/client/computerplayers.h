// Computer players seated in the host's own game through the loopback address, as ordinary
// clients. They stay for the next game; a lower count lets the last ones leave. A start
// waits until each has its seat, or until it has waited long enough for the missing ones.
#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

#include "coach/hintthread.h"
#include "engine/choose.h"

namespace zindle {

class GameState;
namespace engine {
class Bot;
}

class ComputerPlayers : public QObject {
    Q_OBJECT
public:
    explicit ComputerPlayers(int thinkMs, QObject* parent = nullptr);
    ~ComputerPlayers() override;
    // Seats as many as wanted in the seats the state shows free, then reports ready.
    void seat(int wanted, engine::Level level, int port, const GameState& state);
    void seatsChanged(const GameState& state);  // after a player is announced
    // Every other player of the game is one of ours: the coach may help.
    bool holdAllOtherSeats(const GameState& state) const;
    // The coach's hints are worked out on the computer players' own thread, off the window's.
    coach::HintThread& hints() { return hints_; }

signals:
    void ready();

private:
    void readyWhenSeated(const GameState* state);

    std::vector<std::unique_ptr<engine::Bot>> bots_;
    bool pending_ = false;
    QTimer timeout_;
    int thinkMs_;
    coach::HintThread hints_;
};

}  // namespace zindle
