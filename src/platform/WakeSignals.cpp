#include "platform/WakeSignals.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QNetworkInformation>

namespace pellmarch::platform {

namespace {
const QString kNetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNetworkManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
// NetworkManager's state when the machine reaches the internet.
constexpr uint kConnectedGlobal = 70;
} // namespace

WakeSignals::WakeSignals(const QDBusConnection &bus, bool watchNetwork,
                         std::chrono::milliseconds networkWait, QObject *parent)
    : QObject(parent) {
    m_networkWait.setSingleShot(true);
    m_networkWait.setInterval(networkWait);
    connect(&m_networkWait, &QTimer::timeout, this, &WakeSignals::woken);
    QDBusConnection connection(bus);
    connection.connect(QStringLiteral("org.freedesktop.login1"),
                       QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"),
                       QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    if (!watchNetwork)
        return;
    // Where NetworkManager runs, its own signal says when the network is back: Qt's network
    // information would load every backend it has (megabytes of libraries) to learn the same.
    if (connection.isConnected() && connection.interface() != nullptr &&
        connection.interface()->isServiceRegistered(kNetworkManager)) {
        connection.connect(kNetworkManager, kNetworkManagerPath, kNetworkManager,
                           QStringLiteral("StateChanged"), this, SLOT(networkStateChanged(uint)));
        QDBusMessage get = QDBusMessage::createMethodCall(
            kNetworkManager, kNetworkManagerPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << kNetworkManager << QStringLiteral("State");
        auto *asked = new QDBusPendingCallWatcher(connection.asyncCall(get), this);
        connect(asked, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher *call) {
                    const QDBusPendingReply<QDBusVariant> state = *call;
                    // A change that came first knows better.
                    if (!state.isError() && !m_stateSeen)
                        m_online = state.value().variant().toUInt() == kConnectedGlobal;
                    call->deleteLater();
                });
        return;
    }
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation *network = QNetworkInformation::instance();
    m_online = network->reachability() == QNetworkInformation::Reachability::Online;
    connect(network, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                setOnline(reachability == QNetworkInformation::Reachability::Online);
            });
}

void WakeSignals::prepareForSleep(bool starting) {
    // True as the machine goes to sleep, false once it has woken.
    if (starting) {
        // Asleep, the machine has no network: its return after the wake is what says the wake.
        m_networkWait.stop();
        m_online = false;
    } else if (!m_online) {
        // The network comes up some seconds after the wake (a return seen already has said it).
        m_networkWait.start();
    }
}

void WakeSignals::networkStateChanged(uint state) {
    m_stateSeen = true;
    setOnline(state == kConnectedGlobal);
}

void WakeSignals::setOnline(bool online) {
    const bool cameBack = online && !m_online;
    m_online = online;
    if (cameBack) {
        // Says a wake that waited for the network too, once.
        m_networkWait.stop();
        Q_EMIT woken();
    }
}

} // namespace pellmarch::platform
