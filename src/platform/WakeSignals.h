#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace pellmarch::platform {

// Tells when the machine has woken from sleep (logind's PrepareForSleep(false) on the system
// bus) or the network has just come back (NetworkManager's state turning to "connected" where it
// runs, else a default route appearing, as the kernel tells over netlink): the public address
// may have changed, and waiting for the next refresh would leave the host name on the old one
// for up to half a minute. After a wake the network comes up some seconds later, and a check
// before that fails (the service would be reported out of reach and back after every sleep): a
// wake is said once the network is seen coming back, or when `networkWait` has passed without
// news of it. Where there is no system bus, no logind or no netlink, it simply never says
// anything.
class WakeSignals final : public QObject {
    Q_OBJECT
public:
    // How long after a wake the network may take to come back before the wake is said anyway.
    static constexpr std::chrono::milliseconds kDefaultNetworkWait{30000};

    // `bus`: where logind and NetworkManager are asked (the system bus in the program).
    // `watchNetwork`: whether to follow the network's reachability too.
    explicit WakeSignals(const QDBusConnection &bus, bool watchNetwork,
                         std::chrono::milliseconds networkWait = kDefaultNetworkWait,
                         QObject *parent = nullptr);

Q_SIGNALS:
    // The machine woke up and its network is back (or had its time to come back), or the
    // network came back.
    void woken();

private Q_SLOTS:
    void prepareForSleep(bool starting);
    void networkStateChanged(uint state);

private:
    void setOnline(bool online);
    // Without NetworkManager: follows the kernel's routes.
    void watchRoutes();

    bool m_online = true;
    bool m_stateSeen = false; // a change of NetworkManager's state has come
    QTimer m_networkWait;     // runs from a wake until the network is back
};

// Whether the kernel's routing tables (the text of /proc/net/route and /proc/net/ipv6_route) hold
// a default route that is up and does not reject: what GLib's network monitor, too, counts as
// online where NetworkManager does not run.
bool HasDefaultRoute(const QByteArray &ipv4Routes, const QByteArray &ipv6Routes);

} // namespace pellmarch::platform
