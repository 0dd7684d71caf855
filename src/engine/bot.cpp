#include "engine/bot.h"

#include <algorithm>

namespace zindle::engine {

namespace {

uint32_t seedFor(const BotOptions& o, const void* self) {
    if (o.seed != 0) return o.seed;
    return timeOfDaySeed() ^ static_cast<uint32_t>(reinterpret_cast<std::uintptr_t>(self) >> 4);
}

}  // namespace

void Thinker::think(const Turn& turn, const Budget& budget) {
    emit decided(turn, turn.passOnly ? Decision{} : turn.decide(lex_, budget));
}

Bot::Bot(BotOptions options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      seat_(sharedLexicon(), options_.name, options_.level, seedFor(options_, this)) {
    sock_.setHostName(options_.host);
    sock_.setPortName(std::to_string(options_.port));
    sock_.OnConnect = [this](TSock&) { connected_ = true; };
    sock_.OnRead = [this](TSock& s, int) { onRead(s); };
    sock_.OnInfo = [this](TSock&, SockEvent event, const std::string&) {
        if (event == SockEvent::Closed) finish(false);
        if (event == SockEvent::Error && !connected_) finish(true);
    };
    thinker_ = new Thinker(sharedLexicon());
    thinker_->moveToThread(&worker_);
    connect(&worker_, &QThread::finished, thinker_, &QObject::deleteLater);
    connect(thinker_, &Thinker::decided, this, &Bot::onDecided, Qt::QueuedConnection);
    worker_.start();
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &Bot::sendIfDue);
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, [this] {
        if (seat_.state().clockRunning()) seat_.state().clockTick();
    });
}

Bot::~Bot() {
    stopThinking();
    worker_.quit();
    worker_.wait();
    sock_.OnInfo = nullptr;
    sock_.OnRead = nullptr;
    sock_.OnConnect = nullptr;
}

void Bot::start() {
    closed_ = false;
    try {
        sock_.Open();
    } catch (const ESockException&) {
        finish(true);
        return;
    }
    clock_.start();
}

void Bot::leave() {
    try {
        sock_.Close();
    } catch (const ESockException&) {
    }
    finish(false);
}

void Bot::finish(bool failed) {
    if (closed_) return;
    closed_ = true;
    stopThinking();
    delay_.stop();
    clock_.stop();
    if (failed) {
        try {
            sock_.Close();
        } catch (const ESockException&) {
        }
    }
    if (onClosed) onClosed(failed);
}

void Bot::onRead(TSock& s) {
    std::string text;
    try {
        text = s.Text();
    } catch (const ESockException&) {
        return;
    }
    for (const std::string& entry : framer_.feed(text)) {
        if (auto answer = seat_.receive(entry)) send(*answer);
    }
    // The turn thought about is over (the clock ran out, the game ended).
    if (thinking_ && thinking_->serial != seat_.turnSerial()) stopThinking();
    if (ready_ && readySerial_ != seat_.turnSerial()) ready_.reset();
    if (seat_.turnPending() && !thinking_ && !ready_) startThinking();
}

void Bot::startThinking() {
    thinking_ = seat_.beginTurn();
    if (!thinking_) return;
    // However long the chosen delay and the look ahead, the move goes
    // before the turn clock runs out.
    int delay = options_.delayMs;
    Budget budget;
    budget.time = std::chrono::milliseconds(options_.thinkMs);
    const int left = seat_.state().turnSecondsLeft();
    if (left > 0) {
        delay = std::min(delay, std::max(0, (left - 2) * 1000));
        budget.time =
            std::min(budget.time, std::chrono::milliseconds(std::max(50, (left - 3) * 1000)));
    }
    stop_ = std::make_shared<std::atomic<bool>>(false);
    budget.stop = stop_.get();
    delay_.start(delay);
    // The flag is kept alive by the call itself, whatever becomes of this bot.
    QMetaObject::invokeMethod(
        thinker_,
        [thinker = thinker_, turn = *thinking_, budget, stop = stop_] {
            thinker->think(turn, budget);
        },
        Qt::QueuedConnection);
}

void Bot::stopThinking() {
    if (stop_) stop_->store(true);
    stop_.reset();
    thinking_.reset();
    ready_.reset();
}

void Bot::onDecided(const Turn& turn, const Decision& decision) {
    if (closed_ || !thinking_ || thinking_->serial != turn.serial ||
        turn.serial != seat_.turnSerial())
        return;
    thinking_.reset();
    stop_.reset();
    ready_ = seat_.finishTurn(turn, decision);
    readySerial_ = turn.serial;
    if (!ready_) return;
    sendIfDue();
}

void Bot::sendIfDue() {
    if (closed_ || delay_.isActive() || !ready_) return;
    const std::string message = std::move(*ready_);
    ready_.reset();
    send(message);
    emit moved();
}

void Bot::send(const std::string& message) {
    try {
        sock_.Send(message);
    } catch (const ESockException&) {
        // A closed connection is reported through OnInfo.
    }
}

}  // namespace zindle::engine
