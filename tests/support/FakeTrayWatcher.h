#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace pellmarch::testing {

// The panel's side of the tray protocol (org.kde.StatusNotifierWatcher), for a test to export
// on a bus of its own: it says whether a host (the panel) is there and writes down the items
// that register.
class FakeTrayWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool isHostRegistered() const {
        ++hostAsked;
        return hostRegistered;
    }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }

    bool hostRegistered = true;
    mutable int hostAsked = 0; // how often a program asked whether a host is there
    QStringList registered;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message);
    void RegisterStatusNotifierHost(const QString &) {}

Q_SIGNALS:
    // Said once a host has registered (exported with the signals).
    void StatusNotifierHostRegistered();
};

} // namespace pellmarch::testing
