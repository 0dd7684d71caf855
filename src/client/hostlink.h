// The game window's connection to its host, and the lobby's lifeline. Bytes from either are
// cut into messages and queued; the queue hands on one message per tick of its 1 ms timer,
// which runs only while there is work, so an idle window costs nothing. A host that sends
// faster than the window can follow is cut off rather than let it take all memory.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "net/protocol.h"
#include "net/sock.h"

namespace zindle {

class HostLink : public QObject {
    Q_OBJECT
public:
    enum class Ending { HostClosed, Lost, LobbyClosed };

    explicit HostLink(QObject* parent = nullptr);
    ~HostLink() override;
    void open(const std::string& host, const std::string& port);
    void openLobby(const std::string& port);
    void send(const std::string& message);

    void receive(std::string_view bytes, bool lobby = false);
    void processOne();
    std::size_t queued() const { return queue_.size(); }
    // Whether a message beginning so still waits in the queue.
    bool waiting(std::string_view start) const;

    // The phrase buttons rest for a hundred ticks of the queue after a click.
    bool phraseReady() const { return phraseReady_; }
    void phraseSent();

    std::function<void(std::string_view entry)> onMessage;

signals:
    void problem(const QString& text);  // what the socket could not do, for the chat
    void ended(HostLink::Ending why);   // once for each connection

private:
    void tick();
    void openSocket(TSock& s, const std::string& host, const std::string& port);
    void report(TSock& s, SockEvent event);

    TSock game_;
    TSock lobby_;
    proto::Framer gameFramer_;
    proto::Framer lobbyFramer_;
    std::deque<std::string> queue_;
    std::size_t queuedBytes_ = 0;
    QTimer timer_;
    bool phraseReady_ = true;
    int phraseTicks_ = 0;
    bool broke_ = false;   // an error came before the host's socket closed
    bool cutOff_ = false;  // the host sent faster than the window follows: nothing more is taken
};

}  // namespace zindle
