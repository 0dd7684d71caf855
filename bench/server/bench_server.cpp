// A dedicated zindle-host with four players and five spectators on loopback:
// the round trip of a move ("CMD_done" sent until "CMD_nextplayer" is back),
// the CPU the host uses while idle with nine connections, and two floods:
// 2 MiB of bare terminators from one seat, then a stream of junk entries from
// another. For each flood, the host's memory before and after, and how long
// seat 1's chat line took to come back to seat 2.
// Then strangers at a fresh host each: nine connections that never log in and
// reconnect the moment they are closed, first from one address, then from
// nine; meanwhile an honest player from another address joins again and
// again. How long it waits for its seat, and the host's CPU and memory.
// ZINDLE_HOST runs another zindle-host (an older build, for comparison).
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "net/sock.h"
#include "support/hostprocess.h"
#include "support/scriptedclient.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Window {
    TSock sock;
    proto::Framer framer;
    std::vector<std::string> got;
    int seat = 0;
    bool in = false;

    Window(int port, const std::string& name) {
        sock.setHostName("127.0.0.1");
        sock.setPortName(std::to_string(port));
        sock.OnRead = [this, name](TSock& s, int) {
            for (std::string& m : framer.feed(s.Text())) {
                if (m.rfind("CMD_sendlogininfo+", 0) == 0) {
                    seat = std::stoi(m.substr(18));
                    s.Send("CMD_logininfo+" + std::to_string(seat) + "+2.1.0+" + name + '\xFF');
                }
                if (m == "CMD_newplayerinfo+" + std::to_string(seat) + "+" + name) in = true;
                got.push_back(std::move(m));
            }
        };
        sock.Open();
    }
    void send(const std::string& m) { sock.Send(m + '\xFF'); }
    // Index of the first message at or after from that starts with prefix.
    std::size_t find(std::size_t from, const std::string& prefix) const {
        for (std::size_t i = from; i < got.size(); ++i)
            if (got[i].rfind(prefix, 0) == 0) return i;
        return std::string::npos;
    }
};

bool pumpUntil(const std::function<bool()>& done, int ms = 5000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(50);
    }
    return true;
}

long residentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// CPU time in nanoseconds, from the scheduler's own count.
long long cpuNanos(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    long long ns = -1;
    in >> ns;
    return ns;
}

long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::vector<std::string> f;
    std::size_t p = close + 2;
    while (p < text.size()) {
        const auto q = text.find(' ', p);
        f.push_back(text.substr(p, q - p));
        if (q == std::string::npos) break;
        p = q + 1;
    }
    // After the name: state is field 3, utime 14, stime 15.
    return f.size() > 12 ? std::stol(f[11]) + std::stol(f[12]) : -1;
}

const char* hostPath() {
    const char* other = std::getenv("ZINDLE_HOST");
    return other && *other ? other : ZINDLE_HOST_PATH;
}

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

struct StormFigures {
    double seconds = 0;
    std::vector<double> waitsMs;  // of the honest joiner that got a seat
    int attempts = 0;
    std::size_t stormSeatings = 0, refusals = 0, connects = 0;
    double cpuPct = 0;
    long rssBefore = 0, rssAfter = 0;
};

// A fresh host and a storm from sources (one connection each); an honest player from
// 127.0.0.200 joins, leaves a second later, and joins again, trying again 100 ms after a
// refusal, for `seconds`: past the first login deadline (15 s) and the waits after it.
StormFigures storm(const std::vector<std::string>& sources, int seconds = 25) {
    StormFigures f;
    testsupport::HostProcess hostProcess(hostPath(), {"--port", "0"});
    const pid_t host = hostProcess.pid;
    const int port = hostProcess.port;
    if (port == 0) return f;
    std::vector<std::unique_ptr<testsupport::LoginStorm>> storms;
    for (const std::string& from : sources)
        storms.push_back(std::make_unique<testsupport::LoginStorm>(port, from, 1));
    f.rssBefore = residentKiB(host);
    const long long cpu0 = cpuNanos(host);
    const auto t0 = Clock::now();
    const auto end = t0 + std::chrono::seconds(seconds);
    std::unique_ptr<testsupport::ScriptedClient> honest;
    Clock::time_point firstTry{}, retryAt{}, nextTry = t0 + std::chrono::seconds(1);
    while (Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (auto& s : storms) s->step();
        const auto now = Clock::now();
        if (!honest) {
            if (now < nextTry) continue;
            honest = std::make_unique<testsupport::ScriptedClient>(port, "Honest");
            honest->setSource("127.0.0.200");
            honest->open();
            firstTry = now;
            ++f.attempts;
        } else if (honest->seat() > 0 &&
                   honest->has("CMD_newplayerinfo+" + std::to_string(honest->seat()) + "+Honest")) {
            f.waitsMs.push_back(std::chrono::duration<double, std::milli>(now - firstTry).count());
            honest.reset();
            nextTry = now + std::chrono::seconds(1);
        } else if (honest->closed()) {
            // Refused: the player tries again a moment later.
            if (retryAt == Clock::time_point{}) {
                retryAt = now + std::chrono::milliseconds(100);
            } else if (now >= retryAt) {
                retryAt = {};
                honest->open();
            }
        }
    }
    f.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    f.cpuPct = 100.0 * static_cast<double>(cpuNanos(host) - cpu0) / 1e9 / f.seconds;
    f.rssAfter = residentKiB(host);
    for (const auto& s : storms) {
        f.stormSeatings += s->seatings();
        f.refusals += s->refusals();
        f.connects += s->connects();
    }
    hostProcess.stop(SIGTERM);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int moves = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;

    const std::string words = std::filesystem::temp_directory_path() /
                              ("zindle-bench-words-" + std::to_string(::getpid()));
    {
        std::ofstream out(words);
        for (char a = 'a'; a <= 'z'; ++a)
            for (char b = 'a'; b <= 'z'; ++b) out << a << b << '\n';
    }

    testsupport::HostProcess hostProcess(hostPath(),
                                         {"--port", "0", "--seed", "1", "--words", words});
    const pid_t host = hostProcess.pid;
    const int port = hostProcess.port;
    if (port == 0) {
        std::fprintf(stderr, "zindle-host did not start\n");
        return 1;
    }
    std::filesystem::remove(words);  // the host has its own copy now

    std::vector<std::unique_ptr<Window>> w;
    for (int i = 1; i <= 9; ++i) {
        std::string name = "W";
        name += std::to_string(i);  // not "W" + ...: GCC 12 warns of a false overlap there
        w.push_back(std::make_unique<Window>(port, name));
        if (!pumpUntil([&] { return w.back()->in; })) {
            std::fprintf(stderr, "window %d did not log in\n", i);
            return 1;
        }
    }

    // Idle: nine connections, no game, nothing said.
    const long hz = ::sysconf(_SC_CLK_TCK);
    const long before = cpuTicks(host);
    const long long nsBefore = cpuNanos(host);
    const auto t0 = Clock::now();
    pumpUntil([] { return false; }, idleSeconds * 1000);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const long after = cpuTicks(host);
    const long long nsAfter = cpuNanos(host);
    // The scheduler's nanoseconds when there are any; clock ticks (10 ms) are too coarse.
    const double idlePct =
        nsBefore >= 0 && nsAfter >= 0
            ? 100.0 * static_cast<double>(nsAfter - nsBefore) / 1e9 / wall
            : 100.0 * static_cast<double>(after - before) / static_cast<double>(hz) / wall;

    // Each move is the first word of a fresh game: two tiles in one row are
    // always a listed two-letter word.
    std::vector<double> ms;
    for (int i = 0; i < moves; ++i) {
        std::vector<std::size_t> marks;
        for (const auto& win : w) marks.push_back(win->got.size());
        w[0]->send("CMD_startgame+W1+90+0+0+0+n+n+");
        // The first turn of this game, as one window sees it: the answers of
        // the last move may still be arriving before the start.
        auto firstTurn = [&](std::size_t k) {
            const std::size_t start = w[k]->find(marks[k], "CMD_startgame+");
            return start == std::string::npos ? start : w[k]->find(start, "CMD_nextplayer+");
        };
        std::size_t at = std::string::npos;
        if (!pumpUntil([&] { return (at = firstTurn(0)) != std::string::npos; })) {
            std::fprintf(stderr, "start %d: no turn\n", i);
            return 1;
        }
        const int seat = std::stoi(w[0]->got[at].substr(15));
        Window& mover = *w[static_cast<std::size_t>(seat - 1)];
        std::size_t own = std::string::npos;
        if (!pumpUntil([&] {
                return (own = firstTurn(static_cast<std::size_t>(seat - 1))) != std::string::npos;
            }))
            return 1;
        const std::size_t from = own + 1;
        const auto sent = Clock::now();
        mover.send("CMD_done+" + std::to_string(seat) + "+1+n+0+0+2+n+1+0");
        if (!pumpUntil([&] { return mover.find(from, "CMD_nextplayer+") != std::string::npos; })) {
            std::fprintf(stderr, "move %d got no answer\n", i);
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        if (mover.find(from, "CMD_postscore+") == std::string::npos) {
            std::fprintf(stderr, "move %d was not scored\n", i);
            return 1;
        }
    }

    // Floods, each while seat 1 chats: the host must stay small and relay on.
    struct Flood {
        const char* what;
        long before = 0, after = 0;
        double chatMs = -1;
        bool closed = false;
    };
    auto flood = [&](Flood& f, Window& flooder, const std::string& bytes, int line) {
        f.before = residentKiB(host);
        bool closedNow = false;
        flooder.sock.OnInfo = [&](TSock&, SockEvent e, const std::string&) {
            if (e == SockEvent::Closed) closedNow = true;
        };
        flooder.sock.Send(bytes);
        const std::string text = "flood " + std::to_string(line);
        const auto sent = Clock::now();
        w[0]->send("CMD_chat+1+" + text);
        const std::string relayed = "CMD_chat+W1 chats: " + text;
        if (pumpUntil([&] { return w[1]->find(0, relayed) != std::string::npos; }, 60000))
            f.chatMs = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        // A flooder the host slows down rather than closes may take minutes
        // to drain; memory is measured while it still pushes.
        pumpUntil([&] { return closedNow || flooder.sock.SendBufferSize() == 0; }, 10000);
        pumpUntil([] { return false; }, 500);
        f.closed = closedNow;
        f.after = residentKiB(host);
    };
    Flood bare{"2 MiB of bare terminators"};
    flood(bare, *w[2], std::string(2u << 20, '\xFF'), 1);
    Flood junk{"1.2 MiB of junk chat entries"};
    std::string entries;
    while (entries.size() < (1200u << 10)) entries += "CMD_chat+9+junk\xFF";
    flood(junk, *w[8], entries, 2);

    const int hostStatus = hostProcess.stop(SIGTERM);
    const StormFigures oneAddress = storm(std::vector<std::string>(9, "127.0.0.2"));
    std::vector<std::string> nine;
    for (int i = 10; i < 19; ++i) {
        std::string address = "127.0.0.";
        address += std::to_string(i);
        nine.push_back(address);
    }
    const StormFigures nineAddresses = storm(nine);

    std::printf(
        "move round trip, 4 players + 5 spectators, %d moves: median %.2f ms, p99 %.2f ms, max "
        "%.2f ms\n",
        moves, percentile(ms, 0.5), percentile(ms, 0.99), percentile(ms, 1.0));
    std::printf("idle zindle-host, 9 connections, %.1f s: %.4f %% of one core\n", wall, idlePct);
    for (const Flood* f : {&bare, &junk})
        std::printf(
            "flood, %s: host memory %ld KiB before, %ld KiB after; seat 1's chat back in "
            "%.1f ms; flooder %s\n",
            f->what, f->before, f->after, f->chatMs, f->closed ? "closed" : "kept");
    std::printf("zindle-host exit status on SIGTERM: %d\n", hostStatus);
    for (const auto& [what, f] :
         {std::pair{"one address", &oneAddress}, std::pair{"nine addresses", &nineAddresses}}) {
        std::vector<double> waits = f->waitsMs;
        const bool any = !waits.empty();
        std::printf(
            "storm, 9 reconnecting connections that never log in, from %s, %.0f s: an honest "
            "joiner seated %zu of %d times, wait median %.0f ms, max %.0f ms; the storm was "
            "seated %zu times and refused %zu times (%zu connects); host CPU %.1f %% of one "
            "core (%.1f us a connect), memory %ld KiB before, %ld KiB after\n",
            what, f->seconds, waits.size(), f->attempts, any ? percentile(waits, 0.5) : -1.0,
            any ? percentile(waits, 1.0) : -1.0, f->stormSeatings, f->refusals, f->connects,
            f->cpuPct,
            f->connects ? f->cpuPct / 100.0 * f->seconds * 1e6 / static_cast<double>(f->connects)
                        : 0.0,
            f->rssBefore, f->rssAfter);
    }
    if (bare.chatMs < 0 || junk.chatMs < 0) return 1;
    return hostStatus == 0 ? 0 : 1;
}
