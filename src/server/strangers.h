// Connections that have not logged in yet, counted by the address they come
// from, so that reconnecting strangers cannot keep honest players out.
//
// - At most `waiting` connections of one address may be waiting for their
//   login at once; logged-in players are never counted (a household behind
//   one router shares an address).
// - Each connection of an address that misses the login deadline bars the
//   address for a while, twice as long as the time before, up to a ceiling;
//   a quiet spell of `forgetMs` after the last miss forgives it.
// - The machine's own 127.0.0.1 and ::1 are never capped: the host's window
//   and its computer players come from there, all at once, at a solo start.
//   Any other loopback address (127.x.y.z) counts as an address of its own,
//   which is how a relay on this machine keeps its remote players apart.
// - IPv6 peers count by their /64 network, the least a home network gets.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace zindle {

class StrangerGate {
public:
    struct Limits {
        int waiting = 3;
        int64_t backoffMs = 2000;  // the first miss
        int64_t maxBackoffMs = 10 * 60 * 1000;
        int64_t forgetMs = 30 * 60 * 1000;
    };

    StrangerGate() = default;
    explicit StrangerGate(Limits limits) : limits_(limits) {}

    // What the caps count by, for the peer name the socket reports ("1.2.3.4",
    // "2001:db8::1"); empty for the uncapped own addresses.
    static std::string keyOf(const std::string& peer);

    // Whether a new connection from key may wait for its login now; it is
    // counted when so. Times are milliseconds on a steady clock.
    bool admit(const std::string& key, int64_t nowMs);
    // The connection logged in, or closed before it did.
    void loggedIn(const std::string& key) { release(key); }
    void left(const std::string& key) { release(key); }
    // The connection missed its deadline (it is closed next, and left).
    void missed(const std::string& key, int64_t nowMs);

    int waiting(const std::string& key) const;
    // How long the address must wait before it may connect, 0 when it may.
    int64_t barredFor(const std::string& key, int64_t nowMs) const;
    std::size_t addresses() const { return addresses_.size(); }

private:
    struct Address {
        int waiting = 0;
        int misses = 0;
        int64_t barredUntil = 0;
        int64_t lastMiss = 0;
    };
    void release(const std::string& key);
    void prune(int64_t nowMs);

    Limits limits_;
    std::unordered_map<std::string, Address> addresses_;
};

}  // namespace zindle
