// A dedicated zindle-host with four players and five spectators on loopback:
// the round trip of a move ("CMD_done" sent until "CMD_nextplayer" is back),
// the CPU the host uses while idle with nine connections, and two floods:
// 2 MiB of bare terminators from one seat, then a stream of junk entries from
// another. For each flood, the host's memory before and after, and how long
// seat 1's chat line took to come back to seat 2.
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "net/sock.h"

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

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
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

    int pipeFd[2];
    if (::pipe(pipeFd) != 0) return 1;
    const pid_t host = ::fork();
    if (host == 0) {
        ::dup2(pipeFd[1], 1);
        ::close(pipeFd[0]);
        ::execl(ZINDLE_HOST_PATH, "zindle-host", "--port", "0", "--seed", "1", "--words",
                words.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(pipeFd[1]);
    std::string line;
    char c;
    while (::read(pipeFd[0], &c, 1) == 1 && c != '\n') line += c;
    int port = 0;
    if (std::sscanf(line.c_str(), "listening on port %d", &port) != 1) {
        std::fprintf(stderr, "zindle-host did not start: '%s'\n", line.c_str());
        return 1;
    }
    std::filesystem::remove(words);  // the host has its own copy now

    std::vector<std::unique_ptr<Window>> w;
    for (int i = 1; i <= 9; ++i) {
        w.push_back(std::make_unique<Window>(port, "W" + std::to_string(i)));
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
        flooder.sock.OnInfo = [&](TSock&, TSocketInfo, const std::string& m) {
            if (m == "Socket Closed") closedNow = true;
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

    ::kill(host, SIGTERM);
    int status = 0;
    ::waitpid(host, &status, 0);

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
    std::printf("zindle-host exit status on SIGTERM: %d\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    if (bare.chatMs < 0 || junk.chatMs < 0) return 1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
