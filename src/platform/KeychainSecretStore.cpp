#include "platform/KeychainSecretStore.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <optional>

namespace pellmarch::platform {

namespace {

// The names a store answers to: the Secret Service, and KWallet, which QtKeychain speaks on KDE.
const char *const kStoreNames[] = {"org.freedesktop.secrets", "org.kde.kwalletd6",
                                   "org.kde.kwalletd5"};
// Asking the bus itself must never keep the window waiting either.
constexpr int kBusQuestionMs = 2000;

QStringList namesOnTheBus(QDBusConnection &bus, const char *method) {
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QLatin1String(method));
    const QDBusReply<QStringList> reply = bus.call(ask, QDBus::Block, kBusQuestionMs);
    return reply.isValid() ? reply.value() : QStringList();
}

} // namespace

KeychainSecretStore::KeychainSecretStore(QString service, std::function<QDBusConnection()> bus,
                                         std::chrono::milliseconds wait)
    : m_service(std::move(service)), m_reachBus(std::move(bus)), m_wait(wait) {}

KeychainSecretStore::KeychainSecretStore(QString service, const QDBusConnection &bus,
                                         std::chrono::milliseconds wait)
    : m_service(std::move(service)), m_bus(bus), m_wait(wait) {}

QDBusConnection &KeychainSecretStore::bus() {
    if (!m_bus)
        m_bus = m_reachBus();
    return *m_bus;
}

bool KeychainSecretStore::storeOnTheBus(bool running) {
    if (!bus().isConnected())
        return false;
    const QStringList names = namesOnTheBus(bus(), running ? "ListNames" : "ListActivatableNames");
    for (const char *name : kStoreNames)
        if (names.contains(QLatin1String(name)))
            return true;
    return false;
}

bool KeychainSecretStore::isThere() {
    return storeOnTheBus(true) || storeOnTheBus(false);
}

SecretStore::Result KeychainSecretStore::run(QKeychain::Job *job, QString *text) {
    job->setAutoDelete(true);
    // Given up on, the job goes on by itself and deletes itself when it ends; nothing here
    // hears of it any more.
    QEventLoop loop;
    std::optional<QKeychain::Error> error;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job *done) {
        error = done->error();
        if (text != nullptr && error == QKeychain::NoError)
            if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(done))
                *text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(m_wait, &loop, &QEventLoop::quit);
    job->start();
    if (!error)
        loop.exec();
    if (!error)
        return Result::Failed; // no answer in time
    switch (*error) {
    case QKeychain::NoError:
        return Result::Done;
    case QKeychain::EntryNotFound:
        // Also what a read says when no store could be started: only a store that runs now
        // has said that it holds nothing.
        return storeOnTheBus(true) ? Result::NoEntry : Result::NoStore;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return Result::NoStore;
    default:
        return Result::Failed;
    }
}

SecretStore::Result KeychainSecretStore::read(const QString &account, QString *secret) {
    if (!isThere())
        return Result::NoStore;
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(account);
    return run(job, secret);
}

SecretStore::Result KeychainSecretStore::write(const QString &account, const QString &secret) {
    if (!isThere())
        return Result::NoStore;
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(account);
    job->setTextData(secret);
    return run(job, nullptr);
}

SecretStore::Result KeychainSecretStore::remove(const QString &account) {
    if (!isThere())
        return Result::NoStore;
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(account);
    const Result result = run(job, nullptr);
    return result == Result::NoEntry ? Result::Done : result;
}

} // namespace pellmarch::platform
