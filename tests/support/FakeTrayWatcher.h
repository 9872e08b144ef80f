#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace pellmarch::testing {

// The panel's side of the tray protocol (org.kde.StatusNotifierWatcher), for a test to export
// on a bus of its own: it says a host (the panel) is there and writes down the items that
// register.
class FakeTrayWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }

    QStringList registered;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message);
    void RegisterStatusNotifierHost(const QString &) {}
};

} // namespace pellmarch::testing
