#include "engine/bot.h"

#include <algorithm>

namespace zindle::engine {

namespace {

uint32_t seedFor(const BotOptions& o, const void* self) {
    if (o.seed != 0) return o.seed;
    return timeOfDaySeed() ^ static_cast<uint32_t>(reinterpret_cast<std::uintptr_t>(self) >> 4);
}

}  // namespace

Bot::Bot(BotOptions options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      seat_(sharedLexicon(), options_.name, options_.level, seedFor(options_, this)) {
    sock_.setHostName(options_.host);
    sock_.setPortName(std::to_string(options_.port));
    sock_.OnConnect = [this](TSock&) { connected_ = true; };
    sock_.OnRead = [this](TSock& s, int) { onRead(s); };
    sock_.OnInfo = [this](TSock&, TSocketInfo kind, const std::string& msg) {
        if (kind == siClose && msg == "Socket Closed") finish(false);
        if (kind == siError && !connected_) finish(true);
    };
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &Bot::think);
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, [this] {
        if (seat_.state().clockRunning) seat_.state().Timer2Timer();
    });
}

Bot::~Bot() {
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
    if (seat_.turnPending() && !delay_.isActive()) {
        // However long the chosen delay, the move goes before the turn clock runs out.
        int delay = options_.delayMs;
        const int left = seat_.state().turnSecondsLeft;
        if (left > 0) delay = std::min(delay, std::max(0, (left - 2) * 1000));
        delay_.start(delay);
    }
}

void Bot::think() {
    if (closed_) return;
    if (auto msg = seat_.play()) send(*msg);
}

void Bot::send(const std::string& message) {
    try {
        sock_.Send(message);
    } catch (const ESockException&) {
        // A closed connection is reported through OnInfo.
    }
}

}  // namespace zindle::engine
