#include "lobby/portmap.h"

#include <arpa/inet.h>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <natpmp.h>
#include <sys/select.h>

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>

namespace zindle::lobby {

namespace {

constexpr char kDescription[] = "Zindle table";

// One NAT-PMP request and its answer, within waitMs (the library alone
// would retry for a minute).
bool natpmpAsk(natpmp_t& n, natpmpresp_t& answer, int waitMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        timeval timeout{};
        if (getnatpmprequesttimeout(&n, &timeout) < 0) return false;
        const qint64 left = waitMs - clock.elapsed();
        if (left <= 0) return false;
        if (timeout.tv_sec * 1000 + timeout.tv_usec / 1000 > left) {
            timeout.tv_sec = left / 1000;
            timeout.tv_usec = (left % 1000) * 1000;
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(n.s, &fds);
        select(n.s + 1, &fds, nullptr, nullptr, &timeout);
        const int r = readnatpmpresponseorretry(&n, &answer);
        if (r == NATPMP_TRYAGAIN) continue;
        return r >= 0;
    }
}

Mapping natpmpMap(int port, int leaseSeconds, int waitMs) {
    Mapping m;
    m.method = "NAT-PMP";
    natpmp_t n;
    if (initnatpmp(&n, 0, 0) < 0) {
        m.why = "no gateway";
        return m;
    }
    natpmpresp_t answer{};
    if (sendpublicaddressrequest(&n) < 0 || !natpmpAsk(n, answer, waitMs) ||
        answer.type != NATPMP_RESPTYPE_PUBLICADDRESS) {
        closenatpmp(&n);
        m.why = "NAT-PMP: no answer";
        return m;
    }
    char address[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &answer.pnu.publicaddress.addr, address, sizeof address);
    if (sendnewportmappingrequest(&n, NATPMP_PROTOCOL_TCP, uint16_t(port), uint16_t(port),
                                  uint32_t(leaseSeconds)) < 0 ||
        !natpmpAsk(n, answer, waitMs) || answer.type != NATPMP_RESPTYPE_TCPPORTMAPPING ||
        answer.pnu.newportmapping.mappedpublicport == 0) {
        closenatpmp(&n);
        m.why = "NAT-PMP: refused";
        return m;
    }
    closenatpmp(&n);
    m.ok = true;
    m.external = QString::fromLatin1(address);
    m.externalPort = answer.pnu.newportmapping.mappedpublicport;
    return m;
}

Mapping upnpMap(int port, int leaseSeconds, int waitMs) {
    Mapping m;
    m.method = "UPnP";
    int error = 0;
    UPNPDev* devices = upnpDiscover(waitMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error);
    if (!devices) {
        m.why = "UPnP: no router answered";
        return m;
    }
    UPNPUrls urls{};
    IGDdatas data{};
    char lan[64] = {};
    const int igd = UPNP_GetValidIGD(devices, &urls, &data, lan, sizeof lan);
    freeUPNPDevlist(devices);
    if (igd != 1) {
        if (igd != 0) FreeUPNPUrls(&urls);
        m.why = "UPnP: no connected router";
        return m;
    }
    char external[64] = {};
    const QByteArray p = QByteArray::number(port);
    const QByteArray lease = QByteArray::number(leaseSeconds);
    if (UPNP_GetExternalIPAddress(urls.controlURL, data.first.servicetype, external) != 0 ||
        !external[0] ||
        UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, p.constData(), p.constData(),
                            lan, kDescription, "TCP", nullptr, lease.constData()) != 0) {
        FreeUPNPUrls(&urls);
        m.why = "UPnP: refused";
        return m;
    }
    m.ok = true;
    m.external = QString::fromLatin1(external);
    m.externalPort = port;
    m.controlUrl = urls.controlURL;
    m.serviceType = data.first.servicetype;
    FreeUPNPUrls(&urls);
    return m;
}

}  // namespace

Mapping mapPort(int port, int leaseSeconds, int waitMs) {
    QElapsedTimer clock;
    clock.start();
    // NAT-PMP answers at once where it is spoken; UPnP waits out its discovery.
    Mapping m = natpmpMap(port, leaseSeconds, waitMs);
    if (!m.ok) {
        const QString first = m.why;
        m = upnpMap(port, leaseSeconds, waitMs);
        if (!m.ok) m.why = first + "; " + m.why;
    }
    m.ms = clock.elapsed();
    return m;
}

bool unmapPort(const Mapping& m, int port, int waitMs) {
    if (!m.ok) return true;
    const QByteArray p = QByteArray::number(m.externalPort);
    if (m.method == "UPnP")
        return UPNP_DeletePortMapping(m.controlUrl.constData(), m.serviceType.constData(),
                                      p.constData(), "TCP", nullptr) == 0;
    natpmp_t n;
    if (initnatpmp(&n, 0, 0) < 0) return false;
    natpmpresp_t answer{};
    // A lifetime of 0 removes the mapping.
    const bool ok = sendnewportmappingrequest(&n, NATPMP_PROTOCOL_TCP, uint16_t(port), 0, 0) >= 0 &&
                    natpmpAsk(n, answer, waitMs);
    closenatpmp(&n);
    return ok;
}

PortMapper::PortMapper(QObject* parent) : QObject(parent) {
    renew_.setSingleShot(true);
    connect(&renew_, &QTimer::timeout, this, [this] {
        if (port_ != 0) open(port_);
    });
}

PortMapper::~PortMapper() {
    join();
    if (mapping_.ok) unmapPort(mapping_, port_, waitMs);
}

void PortMapper::join() {
    if (worker_ && worker_->joinable()) worker_->join();
    worker_.reset();
}

void PortMapper::run(std::function<void()> job) {
    join();
    worker_ = std::make_unique<std::thread>(std::move(job));
}

void PortMapper::open(int port) {
    if (busy()) join();
    if (mapping_.ok && port != port_) close();
    port_ = port;
    const int lease = leaseSeconds, wait = waitMs;
    QPointer<PortMapper> self(this);
    run([self, port, lease, wait] {
        const Mapping m = mapPort(port, lease, wait);
        QMetaObject::invokeMethod(
            self.data(),
            [self, m, port] {
                if (!self || self->port_ != port) return;
                self->join();
                self->mapping_ = m;
                // Renewed halfway through the lease; tried again later when refused.
                self->renew_.start(m.ok ? self->leaseSeconds * 500 : 10 * 60 * 1000);
                emit self->finished();
            },
            Qt::QueuedConnection);
    });
}

void PortMapper::close() {
    renew_.stop();
    join();
    const Mapping m = std::exchange(mapping_, {});
    const int port = std::exchange(port_, 0);
    if (m.ok) unmapPort(m, port, waitMs);
}

}  // namespace zindle::lobby
