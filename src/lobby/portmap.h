// Asks the home router to forward the game port: UPnP-IGD (miniupnpc) and
// NAT-PMP (libnatpmp). Both libraries block, so the asking runs on a
// thread of its own; answers come back on the Qt thread. The lease is
// renewed while the table is open and removed when it closes or the
// program ends.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <thread>

namespace zindle::lobby {

struct Mapping {
    bool ok = false;
    QString method;    // "UPnP" or "NAT-PMP"
    QString external;  // the router's address on the Internet
    int externalPort = 0;
    QString why;    // when not ok: what the routers said
    qint64 ms = 0;  // how long the asking took
    // What removing it takes (UPnP: the router's control address and service).
    QByteArray controlUrl, serviceType;
};

// Blocking; for the worker thread, tests and benchmarks.
Mapping mapPort(int port, int leaseSeconds, int waitMs);
bool unmapPort(const Mapping& mapping, int port, int waitMs);

class PortMapper : public QObject {
    Q_OBJECT
public:
    explicit PortMapper(QObject* parent = nullptr);
    // Removes a mapping still held, waiting for the router briefly.
    ~PortMapper() override;

    // Maps port (again, for the renewal); finished() follows.
    void open(int port);
    // Removes the mapping; nothing follows.
    void close();
    const Mapping& mapping() const { return mapping_; }
    bool busy() const { return worker_ != nullptr; }
    int port() const { return port_; }

    int leaseSeconds = 1800;
    int waitMs = 2000;  // for each way of asking

signals:
    void finished();

private:
    void run(std::function<void()> job);
    void join();

    Mapping mapping_;
    int port_ = 0;
    std::unique_ptr<std::thread> worker_;
    QTimer renew_;
};

}  // namespace zindle::lobby
