#pragma once

#include <QDBusConnection>
#include <QObject>

namespace pellmarch::platform {

// Tells when the machine has just woken from sleep (logind's PrepareForSleep(false) on the
// system bus) or the network has just come back (the network information backend's
// reachability turning online): the public address may have changed, and waiting for the next
// refresh would leave the host name on the old one for up to half a minute. Where there is no
// system bus, no logind or no backend, it simply never says anything.
class WakeSignals final : public QObject {
    Q_OBJECT
public:
    // `bus`: where logind is asked (the system bus in the program). `watchNetwork`: whether to
    // follow the network's reachability too.
    explicit WakeSignals(const QDBusConnection &bus, bool watchNetwork, QObject *parent = nullptr);

Q_SIGNALS:
    // The machine woke up, or the network came back.
    void woken();

private Q_SLOTS:
    void prepareForSleep(bool starting);

private:
    bool m_online = true;
};

} // namespace pellmarch::platform
