#include "platform/WakeSignals.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFile>
#include <QSocketNotifier>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pellmarch::platform {

namespace {
const QString kNetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNetworkManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
// NetworkManager's state when the machine reaches the internet.
constexpr uint kConnectedGlobal = 70;
// Route flags of the kernel's tables (linux/route.h, and ipv6_route's for RTF_REJECT).
constexpr uint kRouteUp = 0x0001;
constexpr uint kRouteReject = 0x0200;

QByteArray readProcFile(const char *path) {
    QFile file{QLatin1String(path)};
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool routeUsable(const QByteArray &flags) {
    bool ok = false;
    const uint value = flags.toUInt(&ok, 16);
    return ok && (value & kRouteUp) != 0 && (value & kRouteReject) == 0;
}
} // namespace

bool HasDefaultRoute(const QByteArray &ipv4Routes, const QByteArray &ipv6Routes) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ..., after a heading line.
    const QList<QByteArray> ipv4 = ipv4Routes.split('\n');
    for (qsizetype i = 1; i < ipv4.size(); ++i) {
        const QList<QByteArray> field = ipv4.at(i).simplified().split(' ');
        if (field.size() >= 8 && field.at(1) == "00000000" && field.at(7) == "00000000" &&
            routeUsable(field.at(3)))
            return true;
    }
    // Destination, its prefix length, source, its prefix length, next hop, metric, references,
    // use, flags, interface; no heading.
    for (const QByteArray &line : ipv6Routes.split('\n')) {
        const QList<QByteArray> field = line.simplified().split(' ');
        if (field.size() >= 10 && field.at(0) == QByteArray(32, '0') && field.at(1) == "00" &&
            routeUsable(field.at(8)))
            return true;
    }
    return false;
}

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
    // Where NetworkManager runs, its own signal says when the network is back.
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
    // Qt's network information would load every backend it has (megabytes of libraries, GLib's
    // among them) to learn what the kernel says itself.
    watchRoutes();
}

void WakeSignals::watchRoutes() {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0)
        return;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    const auto online = [] {
        return HasDefaultRoute(readProcFile("/proc/net/route"),
                               readProcFile("/proc/net/ipv6_route"));
    };
    m_online = online();
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, fd, online] {
        // What changed is read anew from the tables; the messages only say that something did.
        char drained[8192];
        while (::recv(fd, drained, sizeof drained, 0) > 0) {
        }
        setOnline(online());
    });
    connect(notifier, &QObject::destroyed, [fd] { ::close(fd); });
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
