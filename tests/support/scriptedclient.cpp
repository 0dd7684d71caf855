#include "support/scriptedclient.h"

#include <sys/socket.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>

namespace testsupport {

void ensureApp() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "zindle-tests";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);  // lives as long as the test binary
}

bool pumpUntil(const std::function<bool()>& done, const std::function<void()>& tick,
               int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // Closed sockets are freed with deleteLater; a pump is not a real loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (tick) tick();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        QThread::usleep(200);
    }
}

ScriptedClient::ScriptedClient(int port, std::string name, bool autoLogin, std::string version)
    : name_(std::move(name)), version_(std::move(version)), autoLogin_(autoLogin) {
    sock_.setHostName("127.0.0.1");
    sock_.setPortName(std::to_string(port));
    sock_.OnRead = [this](TSock& s, int) { onRead(s); };
    sock_.OnInfo = [this](TSock&, SockEvent event, const std::string&) {
        if (event == SockEvent::Closed) closed_ = true;
    };
}

ScriptedClient::~ScriptedClient() {
    sock_.OnInfo = nullptr;
    sock_.OnRead = nullptr;
}

void ScriptedClient::open() {
    closed_ = false;
    seat_ = 0;
    framer_.reset();
    sock_.Open();
}

void ScriptedClient::send(const std::string& msg) {
    try {
        sock_.Send(msg + proto::kTerminator);
    } catch (const ESockException&) {
    }
}

void ScriptedClient::close() {
    sock_.Close();
}

void ScriptedClient::reset() {
    linger l{1, 0};
    ::setsockopt(sock_.Handle(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
    sock_.Close();
}

void ScriptedClient::onRead(TSock& s) {
    std::string text;
    try {
        text = s.Text();
    } catch (const ESockException&) {
        return;
    }
    for (std::string& m : framer_.feed(text)) {
        if (m.rfind("CMD_sendlogininfo+", 0) == 0) {
            seat_ = proto::parseNumber(std::string_view(m).substr(18)).value_or(0);
            if (autoLogin_)
                send("CMD_logininfo+" + std::to_string(seat_) + "+" + version_ + "+" + name_);
        }
        received_.push_back(std::move(m));
    }
}

std::vector<std::string> ScriptedClient::take() {
    std::vector<std::string> out(received_.begin() + static_cast<std::ptrdiff_t>(taken_),
                                 received_.end());
    taken_ = received_.size();
    return out;
}

bool ScriptedClient::has(std::string_view msg) const {
    for (const auto& m : received_)
        if (m == msg) return true;
    return false;
}

std::size_t ScriptedClient::count(std::string_view prefix) const {
    std::size_t n = 0;
    for (const auto& m : received_)
        if (m.rfind(prefix, 0) == 0) ++n;
    return n;
}

std::vector<int> ScriptedClient::rack() const {
    std::vector<int> r(11, 100);
    for (const auto& m : received_) {
        if (m.rfind("CMD_startgame+", 0) == 0) r.assign(11, 100);
        if (m.rfind("CMD_atile+", 0) != 0) continue;
        proto::FieldReader f(std::string_view(m).substr(10));
        const auto slot = f.number();
        const auto code = f.restNumber();
        if (slot && code && *slot >= 1 && *slot <= 10) r[static_cast<std::size_t>(*slot)] = *code;
    }
    return r;
}

LoginStorm::LoginStorm(int port, const std::string& source, int connections) {
    for (int i = 0; i < connections; ++i) {
        peers_.push_back(std::make_unique<ScriptedClient>(port, "", false));
        peers_.back()->setSource(source);
    }
}

void LoginStorm::step() {
    for (auto& p : peers_) {
        if (p->sock().Handle() >= 0) continue;
        ++connects_;
        try {
            p->open();
        } catch (const ESockException&) {
        }
    }
}

int LoginStorm::seated() const {
    int n = 0;
    for (const auto& p : peers_) n += p->seat() > 0 && !p->closed();
    return n;
}

std::size_t LoginStorm::seatings() const {
    std::size_t n = 0;
    for (const auto& p : peers_) n += p->count("CMD_sendlogininfo+");
    return n;
}

std::size_t LoginStorm::refusals() const {
    std::size_t n = 0;
    for (const auto& p : peers_) n += p->count("CMD_full+");
    return n;
}

}  // namespace testsupport
