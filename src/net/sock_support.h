// Helpers shared by the socket's source files; not part of its interface.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>

#include <cerrno>
#include <cstdint>
#include <exception>
#include <string>

namespace socksupport {

// A handler that throws inside the event loop, or while its socket closes,
// has nobody to throw to: its cause goes to the log and the loop goes on.
void handlerFailed(const char* where, const std::exception& e);

inline std::string dotted(std::uint32_t addrNet) {
    in_addr a{};
    a.s_addr = addrNet;
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

inline sockaddr_in makeAddr(std::uint32_t addrNet, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = addrNet;
    return sa;
}

inline void setNonBlocking(int fd, bool on) {
    int fl = fcntl(fd, F_GETFL, 0);
    if (fl < 0) return;
    fcntl(fd, F_SETFL, on ? (fl | O_NONBLOCK) : (fl & ~O_NONBLOCK));
}

inline bool transient(int err) {
    return err == EAGAIN || err == EWOULDBLOCK || err == EINTR;
}

// Waits for readability; seconds < 0 waits without limit.
inline bool waitReadable(int fd, int seconds) {
    pollfd p{fd, POLLIN, 0};
    int ms = seconds < 0 ? -1 : seconds * 1000;
    for (;;) {
        int r = ::poll(&p, 1, ms);
        if (r < 0 && errno == EINTR) continue;
        return r > 0;
    }
}

}  // namespace socksupport
