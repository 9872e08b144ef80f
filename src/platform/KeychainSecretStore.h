#pragma once

#include "platform/SecretStore.h"

#include <QDBusConnection>

#include <chrono>
#include <functional>
#include <optional>

namespace QKeychain {
class Job;
}

namespace pellmarch::platform {

// The desktop's secret store through QtKeychain, which speaks the Secret Service (through
// libsecret, loaded when the program runs) or KWallet. QtKeychain alone cannot tell a desktop
// without a store from a store without the entry (a read answers "entry not found" either way),
// and where the bus can start no store it waits half a minute for one: so the session bus is
// asked first whether a store runs there or can be started, and each call waits at most `wait`
// (at session start the store may come up after the program). The bus is reached when the store
// is first asked, so that a start-up without a remembered login pays nothing for it.
class KeychainSecretStore final : public SecretStore {
public:
    static constexpr std::chrono::milliseconds kDefaultWait{10000};

    explicit KeychainSecretStore(
        QString service,
        std::function<QDBusConnection()> bus = [] { return QDBusConnection::sessionBus(); },
        std::chrono::milliseconds wait = kDefaultWait);
    KeychainSecretStore(QString service, const QDBusConnection &bus,
                        std::chrono::milliseconds wait = kDefaultWait);

    bool isThere() override;
    Result read(const QString &account, QString *secret) override;
    Result write(const QString &account, const QString &secret) override;
    Result remove(const QString &account) override;

private:
    // Whether a store's name is owned on the bus (`running`), or else one can be started.
    bool storeOnTheBus(bool running);
    QDBusConnection &bus();
    // Runs `job` (which deletes itself once it has finished) and waits for it.
    Result run(QKeychain::Job *job, QString *text);

    QString m_service;
    std::function<QDBusConnection()> m_reachBus;
    std::optional<QDBusConnection> m_bus; // once first asked
    std::chrono::milliseconds m_wait;
};

} // namespace pellmarch::platform
