// Where the lobby keeps a player's password: the desktop's keyring, never a
// settings file. Without a keyring the lobby asks each time.
#pragma once

#include <QObject>
#include <functional>

namespace zindle {

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // Calls done with the password, or an empty text when there is none.
    virtual void read(const QString& account, std::function<void(const QString&)> done) = 0;
    virtual void write(const QString& account, const QString& password) = 0;
    virtual void forget(const QString& account) = 0;
};

// The desktop's keyring through QtKeychain.
class KeyringStore : public PasswordStore {
public:
    void read(const QString& account, std::function<void(const QString&)> done) override;
    void write(const QString& account, const QString& password) override;
    void forget(const QString& account) override;
};

}  // namespace zindle
