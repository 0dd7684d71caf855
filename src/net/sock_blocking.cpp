// TSock in blocking mode (sending until all is taken, waiting to read), and
// the stream adapter over a TSock.
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "net/sock.h"
#include "net/sock_support.h"

using namespace socksupport;

// ---- Stream adapter -------------------------------------------------------

int TSockStream::Read(void* buffer, int count) {
    if (count <= 0) return 0;
    // Receive may hand back more than asked (a whole datagram, or everything a
    // blocking stream had buffered): the surplus waits here for the next Read.
    if (rest_.empty()) rest_ = sock_.Receive(count);
    const std::size_t n = std::min(rest_.size(), static_cast<std::size_t>(count));
    std::memcpy(buffer, rest_.data(), n);
    rest_.erase(0, n);
    return static_cast<int>(n);
}

int TSockStream::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    sock_.Send(std::string(static_cast<const char*>(buffer), static_cast<std::size_t>(count)));
    return count;
}

std::int64_t TSockStream::Seek(std::int64_t, int) {
    return 0;
}

// ---- Blocking mode --------------------------------------------------------

void TSock::sendBlocking() {
    while (pending() > 0) {
        ssize_t n = ::send(fd_, sendBuf_.data() + sendHead_, pending(), MSG_NOSIGNAL);
        if (n < 0) {
            int err = errno;
            if (err == EINTR || err == EINPROGRESS) continue;
            report(SockEvent::Error, "Socket Error On Send");
            throw ESockException("Send - Socket Error");
        }
        sendHead_ += static_cast<std::size_t>(n);
        report(SockEvent::Sent, "Blocking Outgoing Data");
    }
    sendBuf_.clear();
    sendHead_ = 0;
}

std::string TSock::receiveBlocking(int readSize) {
    auto alive = alive_;
    if (connected_ && fd_ >= 0 && waitReadable(fd_, blockingTimeout_)) {
        report(SockEvent::Received, "Blocking Incoming Data");
        if (!*alive) return {};
        std::string chunk(static_cast<std::size_t>(readSize), '\0');
        ssize_t n;
        do {
            n = ::recv(fd_, chunk.data(), chunk.size(), 0);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            int err = errno;
            recvBuf_.clear();
            std::string name = wsaErrorName(wsaErrorFromErrno(err));
            report(SockEvent::Error, "Socket Error On Receive");
            throw ESockException("Receive - Socket Error " + name);
        }
        if (n > 0) {
            recvBuf_.append(chunk.data(), static_cast<std::size_t>(n));
        } else {
            report(SockEvent::PeerClosed, "Socket Disconnected On Receive");
            if (!*alive) return {};
            Close();
            if (*alive && OnDisconnect) {
                NotifyEvent h = OnDisconnect;
                h(*this);
            }
            if (!*alive) return {};
        }
    }
    return std::exchange(recvBuf_, std::string());
}
