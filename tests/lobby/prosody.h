// A real Prosody for tests and benchmarks, started as a child process in a
// temporary folder with a configuration of its own: random loopback ports,
// the domain "localhost", a MUC component, in-band registration, the SOCKS5
// proxy, and TLS from a certificate authority made with openssl for this
// run. Nothing of a system Prosody (/etc/prosody, its service) is used.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "lobby/xmppsession.h"

namespace testsupport {

class TestProsody {
public:
    TestProsody();
    ~TestProsody();

    // Whether the prosody and openssl programs are installed.
    static bool available();
    // Generates everything and starts the server; false with why() on failure.
    bool start();
    void stop();
    // Stops and starts again on the same ports, with the same accounts.
    bool restart();
    bool running() const;
    QString why() const { return why_; }

    QString domain() const { return QStringLiteral("localhost"); }
    QString server() const {
        return external_.isEmpty() ? QStringLiteral("%1:%2").arg(address_).arg(c2sPort_)
                                   : external_;
    }
    // Listens (and has its proxy listen) on this address rather than
    // 127.0.0.1; set before start().
    void setAddress(const QString& address) { address_ = address; }
    // Another server already running (ZINDLE_TEST_SERVER=HOST:PORT with
    // ZINDLE_TEST_CA=PEM, domain localhost): the scenarios run against it,
    // as they were tried against ejabberd. It cannot be restarted from here.
    bool external() const { return !external_.isEmpty(); }
    int c2sPort() const { return c2sPort_; }
    int proxyPort() const { return proxyPort_; }
    QString caFile() const;
    QString folder() const { return dir_.path(); }
    QString logFile() const;

    // An account on this server (created by registerAccount).
    zindle::lobby::Account account(const QString& name,
                                   const QString& password = QStringLiteral("secret")) const;
    // Creates the account by in-band registration, as a player would.
    bool registerAccount(const QString& name, const QString& password = QStringLiteral("secret"));

    // The one server of a test binary, started on first use; null when
    // Prosody is not installed (the caller skips).
    static TestProsody* shared();
    // Stops the shared server before the application goes.
    static void stopShared();

private:
    bool writeFiles();
    bool waitForPort(int ms);

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    QString address_ = QStringLiteral("127.0.0.1");
    int c2sPort_ = 0;
    int proxyPort_ = 0;
    QString why_;
    QString external_;
    QString externalCa_;
};

// Runs the event loop until done() or the time is up; returns done().
bool waitFor(const std::function<bool()>& done, int ms = 10000);

}  // namespace testsupport
