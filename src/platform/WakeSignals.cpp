#include "platform/WakeSignals.h"

#include <QNetworkInformation>

namespace pellmarch::platform {

WakeSignals::WakeSignals(const QDBusConnection &bus, bool watchNetwork, QObject *parent)
    : QObject(parent) {
    QDBusConnection(bus).connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(prepareForSleep(bool)));
    if (!watchNetwork ||
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation *network = QNetworkInformation::instance();
    m_online = network->reachability() == QNetworkInformation::Reachability::Online;
    connect(network, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                const bool online = reachability == QNetworkInformation::Reachability::Online;
                const bool cameBack = online && !m_online;
                m_online = online;
                if (cameBack)
                    Q_EMIT woken();
            });
}

void WakeSignals::prepareForSleep(bool starting) {
    // True as the machine goes to sleep, false once it has woken.
    if (!starting)
        Q_EMIT woken();
}

} // namespace pellmarch::platform
