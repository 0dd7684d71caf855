// A scripted game window: connects with TSock, answers the login request,
// records every message it receives in order and sends whatever it is told.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/protocol.h"
#include "net/sock.h"

namespace testsupport {

// A QCoreApplication for the whole test binary (sockets need an event loop).
void ensureApp();

// Runs the event loop, and tick after each pass, until done() holds or the
// time is up. Returns done().
bool pumpUntil(const std::function<bool()>& done, const std::function<void()>& tick = {},
               int timeoutMs = 5000);

class ScriptedClient {
public:
    ScriptedClient(int port, std::string name, bool autoLogin = true,
                   std::string version = std::string(proto::kVersion));
    ~ScriptedClient();
    ScriptedClient(const ScriptedClient&) = delete;
    ScriptedClient& operator=(const ScriptedClient&) = delete;

    // Connects from this IPv4 address ("127.0.0.2") rather than any: the host
    // counts strangers by address.
    void setSource(const std::string& address) { sock_.setLocalHost(address); }
    // Starts connecting; the answer comes while the loop is pumped. A closed
    // client connects again (what it received stays).
    void open();
    // A message without its terminator; the terminator is added here.
    void send(const std::string& msg);
    void close();
    // Closes with SO_LINGER 0, so the peer sees a reset, not an orderly close.
    void reset();

    int seat() const { return seat_; }
    bool closed() const { return closed_; }
    const std::vector<std::string>& received() const { return received_; }
    // The messages received since the last take(), which are forgotten.
    std::vector<std::string> take();
    bool has(std::string_view msg) const;
    std::size_t count(std::string_view prefix) const;
    // Rack as the host dealt it (slots 1..10, 100 when unknown), from CMD_atile.
    std::vector<int> rack() const;
    TSock& sock() { return sock_; }

private:
    void onRead(TSock& s);

    TSock sock_;
    proto::Framer framer_;
    std::string name_;
    std::string version_;
    bool autoLogin_;
    int seat_ = 0;
    bool closed_ = false;
    std::vector<std::string> received_;
    std::size_t taken_ = 0;
};

// Connections from one address that never log in and come back the moment
// the host closes them: a stranger trying to keep everyone else out.
class LoginStorm {
public:
    LoginStorm(int port, const std::string& source, int connections);
    // Reconnects whatever the host has closed; call it as the loop is pumped.
    void step();
    // Connections holding a seat now, seats handed out so far, and refusals.
    int seated() const;
    std::size_t seatings() const;
    std::size_t refusals() const;
    std::size_t connects() const { return connects_; }

private:
    std::vector<std::unique_ptr<ScriptedClient>> peers_;
    std::size_t connects_ = 0;
};

}  // namespace testsupport
