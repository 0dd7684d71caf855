#include "server/strangers.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace zindle {

namespace {

// Past this many addresses, those with nothing left to remember are dropped.
constexpr std::size_t kPruneAbove = 4096;
constexpr int kMaxDoublings = 20;

}  // namespace

std::string StrangerGate::keyOf(const std::string& peer) {
    if (peer.empty() || peer == "127.0.0.1" || peer == "::1") return {};
    in6_addr a6{};
    if (inet_pton(AF_INET6, peer.c_str(), &a6) != 1) return peer;
    if (IN6_IS_ADDR_LOOPBACK(&a6)) return {};
    if (IN6_IS_ADDR_V4MAPPED(&a6)) {
        char v4[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, a6.s6_addr + 12, v4, sizeof v4);
        return keyOf(v4);
    }
    std::memset(a6.s6_addr + 8, 0, 8);
    char net[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &a6, net, sizeof net);
    return std::string(net) + "/64";
}

bool StrangerGate::admit(const std::string& key, int64_t nowMs) {
    if (key.empty()) return true;
    if (addresses_.size() > kPruneAbove) prune(nowMs);
    auto it = addresses_.find(key);
    if (it == addresses_.end()) {
        if (limits_.waiting < 1) return false;
        addresses_[key].waiting = 1;
        return true;
    }
    Address& a = it->second;
    if (nowMs < a.barredUntil || a.waiting >= limits_.waiting) return false;
    ++a.waiting;
    return true;
}

void StrangerGate::release(const std::string& key) {
    auto it = addresses_.find(key);
    if (it == addresses_.end()) return;
    Address& a = it->second;
    if (a.waiting > 0) --a.waiting;
    if (a.waiting == 0 && a.misses == 0) addresses_.erase(it);
}

void StrangerGate::missed(const std::string& key, int64_t nowMs) {
    if (key.empty()) return;
    Address& a = addresses_[key];
    if (a.misses > 0 && nowMs - a.lastMiss > limits_.forgetMs) a.misses = 0;
    a.misses = std::min(a.misses + 1, kMaxDoublings + 1);
    a.lastMiss = nowMs;
    const int64_t wait =
        std::min(limits_.backoffMs << (a.misses - 1), std::max(limits_.maxBackoffMs, int64_t{0}));
    a.barredUntil = std::max(a.barredUntil, nowMs + wait);
}

int StrangerGate::waiting(const std::string& key) const {
    auto it = addresses_.find(key);
    return it == addresses_.end() ? 0 : it->second.waiting;
}

int64_t StrangerGate::barredFor(const std::string& key, int64_t nowMs) const {
    auto it = addresses_.find(key);
    return it == addresses_.end() ? 0 : std::max<int64_t>(0, it->second.barredUntil - nowMs);
}

void StrangerGate::prune(int64_t nowMs) {
    std::erase_if(addresses_, [&](const auto& entry) {
        const Address& a = entry.second;
        return a.waiting == 0 && nowMs >= a.barredUntil &&
               (a.misses == 0 || nowMs - a.lastMiss > limits_.forgetMs);
    });
}

}  // namespace zindle
