// Messages per second through a TSock pair on loopback, next to plain
// blocking sockets moving the same bytes in the same batches.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdint>
#include <string>

#include "net/protocol.h"
#include "net/sock.h"

namespace {

constexpr int kBatch = 500;  // 30 KB: fits the kernel buffers, so one thread never blocks itself

// A typical score line, about 60 bytes with its terminator.
const std::string& sample() {
    static const std::string m = proto::message(
        proto::cmd::postscore, {57, 2, 0, 35, 210, 4, 180, "quartzesquartzesquartzes", ""});
    return m;
}

struct TSockPair {
    TSock listener;
    TSock client;
    TSock* server = nullptr;
    std::size_t received = 0;
    std::size_t dispatched = 0;
    // Drained after every read, so it needs no share per connection.
    proto::Inbox inbox{SIZE_MAX, SIZE_MAX};
    proto::DispatchTable<> table;
    bool frame = false;

    explicit TSockPair(bool withFraming) : frame(withFraming) {
        table.on(proto::cmd::postscore, [this](std::string_view f) {
            proto::FieldReader r(f);
            if (r.number()) ++dispatched;
        });
        listener.setPortName("0");
        listener.OnAccept = [this](TSock& l) {
            if (l.Accept(server)) {
                server->OnRead = [this](TSock& s, int) {
                    std::string t = s.Text();
                    received += t.size();
                    if (frame) {
                        inbox.receive(1, t);
                        while (auto e = inbox.take()) table.dispatch(e->text);
                    }
                };
            }
        };
        listener.setListen(true);
        client.setHostName("127.0.0.1");
        client.setPortName(std::to_string(listener.LocalPort()));
        client.Open();
        while (!(client.Connected() && server)) QCoreApplication::processEvents();
    }
};

void runTSock(benchmark::State& state, bool withFraming) {
    TSockPair p(withFraming);
    const std::string& m = sample();
    for (auto _ : state) {
        std::size_t target = p.received + m.size() * kBatch;
        for (int i = 0; i < kBatch; ++i) p.client.Send(m);
        while (p.received < target) QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.SetBytesProcessed(state.iterations() * kBatch * static_cast<std::int64_t>(m.size()));
    if (withFraming && p.dispatched != static_cast<std::size_t>(state.iterations()) * kBatch)
        state.SkipWithError("messages lost");
}

void BM_TSockPair(benchmark::State& state) {
    runTSock(state, false);
}
void BM_TSockPairFramed(benchmark::State& state) {
    runTSock(state, true);
}

void BM_PlainBlocking(benchmark::State& state) {
    int lfd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(lfd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(lfd, 5);
    socklen_t len = sizeof sa;
    getsockname(lfd, reinterpret_cast<sockaddr*>(&sa), &len);
    int cfd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(cfd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    int sfd = ::accept(lfd, nullptr, nullptr);
    const std::string& m = sample();
    std::string buf(32768, '\0');
    for (auto _ : state) {
        std::size_t want = m.size() * kBatch;
        for (int i = 0; i < kBatch; ++i) ::send(cfd, m.data(), m.size(), MSG_NOSIGNAL);
        while (want > 0) {
            ssize_t n = ::recv(sfd, buf.data(), buf.size(), 0);
            if (n <= 0) break;
            want -= static_cast<std::size_t>(n);
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.SetBytesProcessed(state.iterations() * kBatch * static_cast<std::int64_t>(m.size()));
    ::close(cfd);
    ::close(sfd);
    ::close(lfd);
}

}  // namespace

BENCHMARK(BM_PlainBlocking)->MinTime(1.0);
BENCHMARK(BM_TSockPair)->MinTime(1.0);
BENCHMARK(BM_TSockPairFramed)->MinTime(1.0);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
