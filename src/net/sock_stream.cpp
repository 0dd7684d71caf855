// TSock on a stream connection: readiness, reading, the send buffer and its
// flushing, the close of a dead or stalled connection, and the non-blocking
// side of Send and Receive.
#include <sys/socket.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <cerrno>
#include <thread>
#include <utility>

#include "net/sock.h"
#include "net/sock_support.h"

using namespace socksupport;

void TSock::onReadReady() {
    try {
        if (fd_ < 0) return;
        if (listen_) {
            handleAccept();
        } else if (socketType_ == stDatagram) {
            // No new notice until the owner has read this one, so a slow
            // owner is not flooded with notices for one datagram.
            if (readNotifier_) readNotifier_->setEnabled(false);
            if (OnRead) {
                ReadEvent h = OnRead;
                h(*this, static_cast<int>(recvBuf_.size()));
            }
        } else {
            handleRead();
        }
    } catch (const std::exception& e) {
        handlerFailed("read", e);
    }
}

void TSock::onWriteReady() {
    try {
        if (fd_ < 0) return;
        if (connecting_) {
            handleConnectDone();
            return;
        }
        if (pending() == 0) {
            updateWriteWatch();
            return;
        }
        auto alive = alive_;
        Send(std::string());
        if (!*alive || fd_ < 0) return;
        report(SockEvent::Sent, "Non-Blocking Outgoing Data");
        if (!*alive || !OnWrite) return;
        NotifyEvent h = OnWrite;
        h(*this);
    } catch (const std::exception& e) {
        handlerFailed("write", e);
    }
}

void TSock::handleRead() {
    auto alive = alive_;
    std::size_t old = recvBuf_.size();
    recvBuf_.resize(old + kReadChunk);
    ssize_t n;
    do {
        n = ::recv(fd_, recvBuf_.data() + old, kReadChunk, 0);
    } while (n < 0 && errno == EINTR);
    int err = errno;
    recvBuf_.resize(old + (n > 0 ? static_cast<std::size_t>(n) : 0));
    if (n == 0) {
        handleClose();
        return;
    }
    if (n < 0 && !transient(err)) {
        deadConnection(wsaErrorFromErrno(err));
        return;
    }
    report(SockEvent::Received, "Non-Blocking Incoming Data");
    if (!*alive || !OnRead) return;
    ReadEvent h = OnRead;
    h(*this, static_cast<int>(recvBuf_.size()));
}

void TSock::handleAccept() {
    // The next accept notice waits for Accept: an owner that takes its time
    // gets one notice per waiting connection, not a stream of them.
    if (readNotifier_) readNotifier_->setEnabled(false);
    if (autoAccept_ && OnAutoAccept) {
        TSock* s = nullptr;
        if (!Accept(s) || !s) return;
        AutoAcceptEvent h = OnAutoAccept;
        if (blocking_) {
            std::thread([h, this, s] { h(*this, *s); }).detach();
        } else {
            h(*this, *s);
        }
        return;
    }
    if (OnAccept) {
        NotifyEvent h = OnAccept;
        h(*this);
    }
}

void TSock::handleConnectDone() {
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) < 0) err = errno;
    if (err == 0) {
        sockaddr_in peer{};
        socklen_t plen = sizeof peer;
        if (getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &plen) < 0) {
            if (errno == ENOTCONN) return;  // woken early: still under way
            err = errno;
        }
    }
    if (err != 0) {
        connectFailed(err);
        return;
    }
    auto alive = alive_;
    connecting_ = false;
    connected_ = true;
    registerNotifications();
    report(SockEvent::Connected, "Non-Blocking Socket Connected");
    if (!*alive || !OnConnect) return;
    NotifyEvent h = OnConnect;
    h(*this);
}

void TSock::connectFailed(int err) {
    // Only reported; the instance stays connecting until Close. Nothing is
    // watched any more, so a dead socket cannot keep the loop busy.
    connecting_ = false;
    connectFailed_ = true;
    if (readNotifier_) readNotifier_->setEnabled(false);
    updateWriteWatch();
    report(SockEvent::Error, wsaErrorText(wsaErrorFromErrno(err)));
}

void TSock::handleClose() {
    auto alive = alive_;
    if (OnDisconnect) {
        NotifyEvent h = OnDisconnect;
        h(*this);
    }
    if (*alive) Close();
}

void TSock::deadConnection(int wsaCode) {
    // A broken connection is reported, then closed like an orderly one so the
    // owner frees whatever hangs on it.
    auto alive = alive_;
    unsigned gen = gen_;
    try {
        report(SockEvent::Error, wsaErrorText(wsaCode));
    } catch (const ESockException& e) {
        handlerFailed("error report", e);  // the close below must still happen
    }
    if (!*alive || fd_ < 0 || gen != gen_) return;
    handleClose();
}

// ---- Send / Receive -------------------------------------------------------

void TSock::flushNonBlocking() {
    std::size_t left = pending();
    if (left > 0) {
        ssize_t n;
        do {
            n = ::send(fd_, sendBuf_.data() + sendHead_, left, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        if (n > 0) {
            sendHead_ += static_cast<std::size_t>(n);
            if (sendHead_ == sendBuf_.size()) {
                sendBuf_.clear();
                sendHead_ = 0;
            }
        } else if (n < 0 && !transient(errno) && !connecting_) {
            // Kept queued, unreported; the read side notices the broken connection.
            sendBroken_ = true;
        }
    }
    updateWriteWatch();
    // The peer stopped reading: taken as dead, closed like a broken connection.
    if (connected_ && !closing_ && pending() > kMaxSendBuffer) scheduleDeadClose(10055);
}

void TSock::PauseReading(bool paused) {
    if (listen_ || socketType_ != stStream) return;
    readPaused_ = paused;
    if (readNotifier_ && fd_ >= 0 && !closing_ && !connecting_ && !connectFailed_)
        readNotifier_->setEnabled(!paused);
}

void TSock::Drop() {
    if (fd_ < 0 || listen_ || closing_) return;
    scheduleDeadClose(10055);
}

void TSock::scheduleDeadClose(int wsaCode) {
    // Closing from inside a call would run the owner's close handlers in the
    // middle of whatever it is doing; the event loop runs them next.
    closing_ = true;
    if (writeNotifier_) writeNotifier_->setEnabled(false);
    if (readNotifier_) readNotifier_->setEnabled(false);
    unsigned gen = gen_;
    QMetaObject::invokeMethod(
        this,
        [this, gen, wsaCode] {
            if (gen == gen_ && closing_ && fd_ >= 0) deadConnection(wsaCode);
        },
        Qt::QueuedConnection);
}

bool TSock::Send(const std::string& data) {
    if (fd_ < 0) throw ESockException("Send - Socket Not Connected");
    if (listen_) throw ESockException("Send - Cannot Send On A Listener Socket");
    if (socketType_ == stDatagram) {
        SendDatagram(data, hostName_);
        return true;
    }
    if (closing_) return true;  // a connection already given up: its close is on the way
    if (sendHead_ > 0 && sendHead_ >= sendBuf_.size() / 2) {
        sendBuf_.erase(0, sendHead_);
        sendHead_ = 0;
    }
    sendBuf_.append(data);
    if (pending() == 0) return true;
    if (blocking_) {
        sendBlocking();
        return true;
    }
    auto alive = alive_;
    report(SockEvent::Sent, "Non-Blocking Outgoing Data");
    if (!*alive || fd_ < 0) return true;
    flushNonBlocking();
    return true;
}

std::string TSock::Receive(int count) {
    if (fd_ < 0 && recvBuf_.empty()) throw ESockException("Receive - Socket Not Connected");
    if (listen_) throw ESockException("Receive - Cannot Receive On A Listener Socket");
    // Only -1 means everything. Any other count below 1 asks for nothing and
    // must not touch the network: a blocking read of 0 bytes looks like the
    // peer's close.
    if (count == 0 || count < -1) return {};
    const int readSize = (count == -1 || count > kReadChunk) ? kReadChunk : count;

    if (socketType_ == stDatagram) {
        std::string data, host;
        ReceiveDatagram(data, host);
        return data;
    }
    if (blocking_) return receiveBlocking(readSize);

    if (count == -1 || static_cast<std::size_t>(count) >= recvBuf_.size())
        return std::exchange(recvBuf_, std::string());
    std::string head = recvBuf_.substr(0, static_cast<std::size_t>(count));
    recvBuf_.erase(0, static_cast<std::size_t>(count));
    return head;
}
