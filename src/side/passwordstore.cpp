#include "side/passwordstore.h"

#include <qt6keychain/keychain.h>

namespace zindle {

namespace {
const QString kService = QStringLiteral("org.zindle.Zindle.Lobby");
}

void KeyringStore::read(const QString& account, std::function<void(const QString&)> done) {
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setInsecureFallback(false);  // a keyring or nothing
    job->setKey(account);
    QObject::connect(job, &QKeychain::Job::finished, [job, done](QKeychain::Job*) {
        done(job->error() == QKeychain::NoError ? job->textData() : QString());
    });
    job->start();
}

void KeyringStore::write(const QString& account, const QString& password) {
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setInsecureFallback(false);
    job->setKey(account);
    job->setTextData(password);
    job->start();
}

void KeyringStore::forget(const QString& account) {
    auto* job = new QKeychain::DeletePasswordJob(kService);
    job->setInsecureFallback(false);
    job->setKey(account);
    job->start();
}

}  // namespace zindle
