#pragma once

#include <QDBusConnection>
#include <QObject>

namespace pellmarch::platform {

// Tells when the machine has just woken from sleep (logind's PrepareForSleep(false) on the
// system bus) or the network has just come back (NetworkManager's state turning to "connected"
// where it runs, else the network information backend's reachability turning online): the
// public address may have changed, and waiting for the next refresh would leave the host name
// on the old one for up to half a minute. Where there is no system bus, no logind or no
// backend, it simply never says anything.
class WakeSignals final : public QObject {
    Q_OBJECT
public:
    // `bus`: where logind and NetworkManager are asked (the system bus in the program).
    // `watchNetwork`: whether to follow the network's reachability too.
    explicit WakeSignals(const QDBusConnection &bus, bool watchNetwork, QObject *parent = nullptr);

Q_SIGNALS:
    // The machine woke up, or the network came back.
    void woken();

private Q_SLOTS:
    void prepareForSleep(bool starting);
    void networkStateChanged(uint state);

private:
    void setOnline(bool online);

    bool m_online = true;
    bool m_stateSeen = false; // a change of NetworkManager's state has come
};

} // namespace pellmarch::platform
