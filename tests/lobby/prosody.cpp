#include "lobby/prosody.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

namespace testsupport {

namespace {

int freePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

bool run(const QString& program, const QStringList& args, const QString& cwd) {
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

bool waitFor(const std::function<bool()>& done, int ms) {
    return QTest::qWaitFor(done, ms);
}

TestProsody::TestProsody() = default;

TestProsody::~TestProsody() {
    stop();
}

bool TestProsody::available() {
    return !QStandardPaths::findExecutable("prosody").isEmpty() &&
           !QStandardPaths::findExecutable("openssl").isEmpty();
}

QString TestProsody::caFile() const {
    return external() ? externalCa_ : dir_.filePath("ca.pem");
}

QString TestProsody::logFile() const {
    return dir_.filePath("prosody.log");
}

bool TestProsody::writeFiles() {
    const QString d = dir_.path();
    QFile ext(dir_.filePath("server.cnf"));
    if (!ext.open(QIODevice::WriteOnly)) return false;
    ext.write(
        "[srv]\nsubjectAltName=DNS:localhost,DNS:conference.localhost,DNS:proxy.localhost\n"
        "basicConstraints=CA:FALSE\n");
    ext.close();
    // A throwaway authority and a server certificate it signs.
    const bool ok = run("openssl",
                        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
                         "-out", "ca.pem", "-days", "2", "-subj", "/CN=Zindle test authority"},
                        d) &&
                    run("openssl",
                        {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
                         "server.csr", "-subj", "/CN=localhost"},
                        d) &&
                    run("openssl",
                        {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                         "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile",
                         "server.cnf", "-extensions", "srv"},
                        d);
    if (!ok) {
        why_ = "openssl could not make the test certificates";
        return false;
    }
    c2sPort_ = freePort();
    proxyPort_ = freePort();
    QFile cfg(dir_.filePath("prosody.cfg.lua"));
    if (!cfg.open(QIODevice::WriteOnly)) return false;
    const QString text = QStringLiteral(R"(-- Generated for one test run.
run_as_root = true
pidfile = "%1/prosody.pid"
data_path = "%1/data"
certificates = "%1"
log = { info = "%1/prosody.log" }
modules_enabled = { "roster", "saslauth", "tls", "disco", "ping", "register", "posix" }
modules_disabled = { "s2s" }
c2s_ports = { %2 }
c2s_interfaces = { "%4" }
c2s_direct_tls_ports = {}
s2s_ports = {}
component_ports = {}
http_ports = {}
https_ports = {}
proxy65_ports = { %3 }
proxy65_interfaces = { "%4" }
allow_registration = true
registration_whitelist = { "127.0.0.1", "%4" }
authentication = "internal_hashed"
c2s_require_encryption = true
ssl = { key = "%1/server.key", certificate = "%1/server.pem" }
VirtualHost "localhost"
Component "conference.localhost" "muc"
Component "proxy.localhost" "proxy65"
    proxy65_address = "%4"
)")
                             .arg(d)
                             .arg(c2sPort_)
                             .arg(proxyPort_)
                             .arg(address_);
    cfg.write(text.toUtf8());
    return true;
}

bool TestProsody::start() {
    if (!dir_.isValid()) {
        why_ = "no temporary folder";
        return false;
    }
    if (c2sPort_ == 0 && !writeFiles()) return false;
    QDir().mkpath(dir_.filePath("data"));
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(dir_.filePath("prosody.out"), QIODevice::Append);
    process_->start("prosody", {"--config", dir_.filePath("prosody.cfg.lua"), "-F"});
    if (!process_->waitForStarted(10000)) {
        why_ = "prosody did not start";
        return false;
    }
    if (!waitForPort(20000)) {
        why_ = "prosody did not open its port; see " + logFile();
        return false;
    }
    return true;
}

bool TestProsody::waitForPort(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (process_->state() == QProcess::NotRunning) return false;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress(address_), quint16(c2sPort_));
        if (probe.waitForConnected(200)) return true;
        QThread::msleep(50);
    }
    return false;
}

void TestProsody::stop() {
    if (!process_) return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(10000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
    process_.reset();
}

bool TestProsody::restart() {
    if (external()) return false;
    stop();
    return start();
}

bool TestProsody::running() const {
    return process_ && process_->state() == QProcess::Running;
}

zindle::lobby::Account TestProsody::account(const QString& name, const QString& password) const {
    zindle::lobby::Account a;
    a.jid = name + "@" + domain();
    a.password = password;
    a.server = server();
    a.caFile = caFile();
    return a;
}

bool TestProsody::registerAccount(const QString& name, const QString& password) {
    zindle::lobby::XmppSession session;
    bool done = false, ok = false;
    QObject::connect(&session, &zindle::lobby::XmppSession::registered, [&] { done = ok = true; });
    QObject::connect(&session, &zindle::lobby::XmppSession::ended,
                     [&](zindle::lobby::Failure) { done = true; });
    session.registerAccount(account(name, password));
    waitFor([&] { return done; }, 20000);
    return ok;
}

namespace {
std::unique_ptr<TestProsody> sharedServer;
bool tried = false;
}  // namespace

void TestProsody::stopShared() {
    sharedServer.reset();
}

TestProsody* TestProsody::shared() {
    if (!tried) {
        tried = true;
        if (qEnvironmentVariableIsSet("ZINDLE_TEST_SERVER")) {
            sharedServer = std::make_unique<TestProsody>();
            sharedServer->external_ = qEnvironmentVariable("ZINDLE_TEST_SERVER");
            sharedServer->externalCa_ = qEnvironmentVariable("ZINDLE_TEST_CA");
        } else if (available()) {
            sharedServer = std::make_unique<TestProsody>();
            if (!sharedServer->start()) {
                qWarning("test Prosody: %s", qPrintable(sharedServer->why()));
                sharedServer.reset();
            }
        }
    }
    return sharedServer.get();
}

}  // namespace testsupport
