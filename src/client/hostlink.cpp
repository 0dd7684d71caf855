#include "client/hostlink.h"

#include <algorithm>
#include <cstdio>

namespace zindle {

namespace {
// Many small messages, or fewer long ones.
constexpr std::size_t kMaxQueued = 200000;
constexpr std::size_t kMaxQueuedBytes = 32u << 20;
constexpr int kPhraseRest = 100;
}  // namespace

HostLink::HostLink(QObject* parent) : QObject(parent) {
    timer_.setParent(this);
    timer_.setObjectName("queueTimer");  // tools watch it to see an idle window idle
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &HostLink::tick);
    for (TSock* s : {&game_, &lobby_}) {
        s->OnRead = [this](TSock& t, int) { receive(t.Text(), &t == &lobby_); };
        s->OnInfo = [this](TSock& t, SockEvent e, const std::string&) { report(t, e); };
    }
}

HostLink::~HostLink() {
    timer_.stop();
    game_.OnInfo = nullptr;
    lobby_.OnInfo = nullptr;
}

void HostLink::open(const std::string& host, const std::string& port) {
    cutOff_ = false;
    openSocket(game_, host, port);
}

void HostLink::openLobby(const std::string& port) {
    openSocket(lobby_, "127.0.0.1", port);
}

void HostLink::openSocket(TSock& s, const std::string& host, const std::string& port) {
    try {
        s.setHostName(host);
        s.setPortName(port);
        s.Open();
    } catch (const ESockException& e) {
        emit problem(QString::fromStdString(e.what()));
    }
}

void HostLink::send(const std::string& message) {
    try {
        game_.Send(message);
    } catch (const ESockException& e) {
        emit problem(QString::fromStdString(e.what()));
    }
}

void HostLink::report(TSock& s, SockEvent event) {
    const bool game = &s == &game_;
    if (game && event == SockEvent::Error && s.Connected()) broke_ = true;
    if (event != SockEvent::Closed) return;
    if (game && cutOff_) return;  // its end was told when it was cut off
    emit ended(!game ? Ending::LobbyClosed : broke_ ? Ending::Lost : Ending::HostClosed);
}

void HostLink::receive(std::string_view bytes, bool lobby) {
    if (!lobby && cutOff_) return;
    std::vector<std::string> entries;
    (lobby ? lobbyFramer_ : gameFramer_).feed(bytes, entries);
    for (auto& e : entries) {
        if (e.empty()) continue;  // two terminators in a row: nothing to do
        if (queue_.size() >= kMaxQueued || queuedBytes_ + e.size() > kMaxQueuedBytes) {
            std::fprintf(stderr, "zindle: the host sends faster than a window can follow\n");
            cutOff_ = true;
            emit ended(Ending::Lost);  // once: the close that follows is not told again
            game_.Close();
            return;
        }
        queuedBytes_ += e.size();
        // A window trusts no host: no byte of its text may start a line of its own.
        queue_.push_back(proto::printable(e));
    }
    if (!queue_.empty() && !timer_.isActive()) timer_.start();
}

void HostLink::processOne() {
    if (queue_.empty()) return;
    const std::string entry = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= entry.size();
    if (onMessage) onMessage(entry);
}

void HostLink::tick() {
    processOne();
    if (!phraseReady_ && ++phraseTicks_ > kPhraseRest) {
        phraseReady_ = true;
        phraseTicks_ = 0;
    }
    if (queue_.empty() && phraseReady_) timer_.stop();
}

void HostLink::phraseSent() {
    phraseReady_ = false;
    phraseTicks_ = 0;
    if (!timer_.isActive()) timer_.start();
}

bool HostLink::waiting(std::string_view start) const {
    return std::any_of(queue_.begin(), queue_.end(),
                       [&](const std::string& m) { return m.starts_with(start); });
}

}  // namespace zindle
