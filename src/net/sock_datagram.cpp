// TSock on a datagram socket: one datagram out, one datagram in. The game
// does not use these; they keep the component whole.
#include <sys/socket.h>

#include <QSocketNotifier>

#include "net/sock.h"
#include "net/sock_support.h"

using namespace socksupport;

void TSock::SendDatagram(const std::string& data, const std::string& host) {
    if (fd_ < 0) throw ESockException("SendDatagram - Socket Not Connected");
    if (socketType_ == stStream)
        throw ESockException("SendDatagram - Datagram Send Not Supported On Stream Sockets");
    setHostName(host);
    if (data.empty()) return;
    if (!connected_) peerAddr_ = lookupHost(hostName_);
    sockaddr_in sa = makeAddr(peerAddr_, lookupPort(portName_));
    ::sendto(fd_, data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa),
             sizeof sa);
}

void TSock::ReceiveDatagram(std::string& data, std::string& host) {
    if (fd_ < 0) throw ESockException("ReceiveDatagram - Socket Not Connected");
    if (socketType_ == stStream)
        throw ESockException("ReceiveDatagram - Datagram Receive Not Supported On Stream Sockets");
    data.clear();
    host.clear();
    if (waitReadable(fd_, blockingTimeout_)) {
        std::string buf(static_cast<std::size_t>(kReadChunk), '\0');
        sockaddr_in from{};
        socklen_t len = sizeof from;
        ssize_t n =
            ::recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n >= 0) {
            data.assign(buf.data(), static_cast<std::size_t>(n));
            host = dotted(from.sin_addr.s_addr);
        }
    }
    if (readNotifier_ && !blocking_) readNotifier_->setEnabled(true);
}
