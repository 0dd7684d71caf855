// Random message sequences from several fake connections, fed straight into
// the host's dispatch with no network. Each input is a little program:
// connect, disconnect, send raw bytes, send a well-formed message with
// fuzzed numbers, or tick one of the two clocks.
#include <unistd.h>

#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "server/server.h"

namespace {

std::string wordsFile;

void removeWords() {
    std::error_code ec;
    std::filesystem::remove(wordsFile, ec);
}

class Input {
public:
    Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool empty() const { return p_ == end_; }
    uint8_t byte() { return p_ == end_ ? 0 : *p_++; }
    // Small numbers, with the occasional edge value.
    int number() {
        const uint8_t b = byte();
        switch (b % 16) {
            case 0:
                return -1;
            case 1:
                return 100;
            case 2:
                return 19;
            case 3:
                return -1000;
            default:
                return b % 20;
        }
    }
    std::string bytes(size_t n) {
        std::string s;
        while (n-- && p_ != end_) s.push_back(static_cast<char>(*p_++));
        return s;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

std::string num(int n) {
    return std::to_string(n);
}

std::string wellFormed(Input& in, int seat) {
    const std::string s = num(in.byte() % 8 == 0 ? in.number() : seat);
    switch (in.byte() % 9) {
        case 0:
            return "CMD_logininfo+" + s + "+2.1.0+" + in.bytes(in.byte() % 8);
        case 1:
            return "CMD_chat+" + s + "+" + in.bytes(in.byte() % 8);
        case 2:
            return "CMD_kickhim+" + s + "+" + num(in.number()) + "+";
        case 3:
            return "CMD_startgame+x+" + num(in.number()) + "+" + num(in.byte() % 24) + "+" +
                   num(in.byte() % 3) + "+" + num(in.number() * 5) + "+" +
                   (in.byte() & 1 ? "y" : "n") + "+" + (in.byte() & 1 ? "y" : "n") + "+";
        case 4: {
            std::string m = "CMD_done+" + s;
            for (int g = in.byte() % 5; g > 0; --g)
                m += "+" + num(in.number() % 12) + "+" + (in.byte() & 1 ? "y" : "n") + "+" +
                     num(in.number()) + "+" + num(in.number());
            return m;
        }
        case 5:
            return "CMD_newtiles+" + s;
        case 6:
            return "CMD_pass+" + s;
        case 7:
            return "CMD_justwatch+" + s + "+" + num(in.byte() % 4);
        default:
            return "CMD_action+" + s + "+" + in.bytes(in.byte() % 8);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    wordsFile = std::filesystem::temp_directory_path() /
                ("zindle-fuzz-words-" + std::to_string(::getpid()));
    std::ofstream out(wordsFile);
    for (char a = 'a'; a <= 'z'; ++a)
        for (char b = 'a'; b <= 'z'; ++b) out << a << b << '\n';
    std::atexit(removeWords);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zindle::Random random;
    zindle::ServerOptions o;
    o.random = &random;
    o.seed = 42;
    o.wordsFile = wordsFile;
    o.runTimers = false;
    o.report = [](const std::string&) {};
    zindle::TServer server(o);
    std::vector<proto::ConnId> conns;
    server.setSinks([](proto::ConnId, const std::string& m) {
        if (m.empty() || m.back() != '\xFF') __builtin_trap();
    });

    Input in(data, size);
    int steps = 0;
    while (!in.empty() && ++steps < 2000) {
        const uint8_t op = in.byte();
        proto::ConnId conn = conns.empty() ? 0 : conns[in.byte() % conns.size()];
        switch (op % 7) {
            case 0:
                if (auto c = server.attach()) conns.push_back(c);
                break;
            case 1:
                server.detach(conn);
                break;
            case 2:
                server.inject(conn, in.bytes(in.byte() % 32));
                break;
            case 3:
            case 4: {
                const int seat = server.seatOf(conn);
                server.inject(conn, wellFormed(in, seat) + '\xFF');
                server.socktimerTimer();
                break;
            }
            case 5:
                server.socktimerTimer();
                break;
            default:
                for (int n = in.byte() % 100; n >= 0; --n) server.clockTick();
                break;
        }
        // Whatever happened, the seat table must hold together.
        for (int s = 1; s <= zindle::kSeats; ++s) {
            const auto& st = server.seat(s);
            if (st.connected && server.seatOf(st.conn) != s) __builtin_trap();
            if (s > server.seatCount() && st.connected) __builtin_trap();
        }
        if (server.referee().state().bag.bagpos < 0 ||
            server.referee().state().bag.bagpos > zindle::kMaxDrawn)
            __builtin_trap();
        // No connection holds more than its share of the queue.
        if (server.queued() > zindle::kSeats * proto::kMaxQueuedEntries) __builtin_trap();
    }
    return 0;
}
