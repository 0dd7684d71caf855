// A host on a free loopback port with its own seeded generator and a small
// word list (every word of two and three letters), plus scripted windows.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "server/server.h"
#include "support/scriptedclient.h"

namespace servertest {

using testsupport::ScriptedClient;
using Msgs = std::vector<std::string>;

// Writes the list to a fresh file; the host reads it into memory when it starts.
inline std::string shortWords() {
    std::string p = std::filesystem::temp_directory_path() /
                    ("zindle-short-words-" + std::to_string(::getpid()));
    std::ofstream out(p);
    for (char a = 'a'; a <= 'z'; ++a)
        for (char b = 'a'; b <= 'z'; ++b) {
            out << a << b << '\n';
            for (char c = 'a'; c <= 'z'; ++c) out << a << b << c << '\n';
        }
    return p;
}

class Host : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureApp(); }
    void TearDown() override {
        clients.clear();
        server.reset();
    }

    // With timers the host paces its own queue and clocks, as a real one does.
    void startHost(uint32_t seed = 1234, bool timers = false) {
        zindle::ServerOptions o;
        o.port = "0";
        o.random = &random;
        o.seed = seed;
        o.wordsFile = shortWords();
        o.runTimers = timers;
        o.loginDeadlineMs = loginDeadlineMs;
        o.strangers = strangers;
        server = std::make_unique<zindle::TServer>(o);
        std::filesystem::remove(*o.wordsFile);
        server->listen();
        port = server->port();
    }

    void tick() {
        while (server->queued()) server->socktimerTimer();
    }
    bool pump(const std::function<bool()>& done, int ms = 5000) {
        return testsupport::pumpUntil(
            done, [this] { tick(); }, ms);
    }
    // Lets every message in flight arrive and be handled.
    void settle() {
        pump([] { return false; }, 60);
    }

    // A window that logs in, from source (an IPv4 address) when given.
    ScriptedClient& join(const std::string& name, std::string version = "2.1.0",
                         const std::string& source = {}) {
        clients.push_back(std::make_unique<ScriptedClient>(port, name, true, version));
        ScriptedClient& c = *clients.back();
        if (!source.empty()) c.setSource(source);
        c.open();
        EXPECT_TRUE(pump([&] { return c.count("CMD_newplayerinfo+") > 0 || c.closed(); }));
        settle();
        return c;
    }
    void forgetAll() {
        for (auto& c : clients) c->take();
    }
    // Sends and waits until the host has handled it and the answers are in.
    void say(ScriptedClient& c, const std::string& msg) {
        c.send(msg);
        settle();
    }
    void tickClock(int n = 1) {
        for (int i = 0; i < n; ++i) server->clockTick();
        settle();
    }

    // The game as the host's referee keeps it, and the same to set up a
    // position by hand.
    const zindle::RefereeState& game() const { return server->referee().state(); }
    zindle::RefereeState& arrange() { return server->referee().arrange(); }

    int loginDeadlineMs = zindle::kLoginDeadlineMs;
    zindle::StrangerGate::Limits strangers;
    zindle::Random random;
    std::unique_ptr<zindle::TServer> server;
    int port = 0;
    std::vector<std::unique_ptr<ScriptedClient>> clients;
};

// Seed 1234, two players: arrangement (3, 4, 1, 2), seat 2 on turn first.
class ServerTwoPlayers : public Host {
protected:
    void start(const std::string& settings) {
        startHost(1234);
        ann = &join("Ann");
        bob = &join("Bob");
        forgetAll();
        say(*ann, "CMD_startgame+Ann+" + settings);
    }
    ScriptedClient* ann = nullptr;
    ScriptedClient* bob = nullptr;
};

}  // namespace servertest
