#include "platform/TrayHost.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace pellmarch::platform {

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

QDBusMessage hostQuestion() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}
} // namespace

TrayHost::TrayHost(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus),
      m_watcher(kWatcher, bus, QDBusServiceWatcher::WatchForOwnerChange) {
    if (!m_bus.isConnected())
        return;
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayHost::ownerChanged);
    // A panel that starts registers its host after the watcher is there (the watcher may be
    // another program's), and one that restarts leaves the watcher standing.
    for (const QString &signal : {QStringLiteral("StatusNotifierHostRegistered"),
                                  QStringLiteral("StatusNotifierHostUnregistered")})
        m_bus.connect(kWatcher, kWatcherPath, kWatcher, signal, this, SLOT(ask()));
    // The window decides on its icon as it first shows, from this answer.
    settle(m_bus.call(hostQuestion()));
}

void TrayHost::ask() {
    auto *asked = new QDBusPendingCallWatcher(m_bus.asyncCall(hostQuestion()), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        settle(call->reply());
        call->deleteLater();
    });
}

void TrayHost::ownerChanged(const QString &, const QString &, const QString &newOwner) {
    if (newOwner.isEmpty())
        settle(QDBusMessage());
    else
        ask();
}

void TrayHost::settle(const QDBusMessage &answer) {
    // The answer comes from the watcher's unique name: a new one is a new watcher.
    const bool hosted = answer.type() == QDBusMessage::ReplyMessage &&
                        !answer.arguments().isEmpty() &&
                        answer.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    const QString owner = hosted ? answer.service() : QString();
    if (owner == m_owner)
        return;
    const bool wasThere = isThere();
    m_owner = owner;
    if (isThere())
        Q_EMIT arrived();
    else if (wasThere)
        Q_EMIT left();
}

} // namespace pellmarch::platform
