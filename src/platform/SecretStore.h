#pragma once

#include <QString>

namespace pellmarch::platform {

// The desktop's store of secrets (the Secret Service: GNOME Keyring, KWallet, KeePassXC), where
// a remembered password is kept out of the program's own files. Every call has a deadline: a
// store that hangs never keeps the program waiting long.
class SecretStore {
public:
    enum class Result {
        Done,
        NoEntry, // the store answered: it holds nothing for the account
        NoStore, // there is no store on this desktop (none running, none that can be started)
        Failed,  // a store is there but refused, is locked, or did not answer in time
    };

    virtual ~SecretStore() = default;

    // Whether the desktop has a store, running or one it can start, as far as can be told at
    // once.
    virtual bool isThere() = 0;
    virtual Result read(const QString &account, QString *secret) = 0;
    virtual Result write(const QString &account, const QString &secret) = 0;
    virtual Result remove(const QString &account) = 0;
};

} // namespace pellmarch::platform
