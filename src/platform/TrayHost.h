#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>

class QDBusMessage;

namespace pellmarch::platform {

// Whether the desktop's panel shows tray icons that register over the bus: a
// StatusNotifierWatcher is there and says that a host (the panel) has registered with it. Qt
// asks this once, when the first tray icon of the run is made, and keeps that answer for the
// run; an autostarted program often runs before the panel, so the question is asked here and
// followed, and the icon made only once the host is there (or made anew for a new one). Where
// there is no bus it simply never says that a host is there.
class TrayHost final : public QObject {
    Q_OBJECT
public:
    // Asks at once, waiting for the answer, and follows the watcher from then on.
    explicit TrayHost(const QDBusConnection &bus, QObject *parent = nullptr);

    bool isThere() const { return !m_owner.isEmpty(); }

Q_SIGNALS:
    // A host is there that was not: the first one, or a new watcher in place of the one before
    // (a restarted panel knows nothing of the icons registered with the old one).
    void arrived();
    // The host has gone (the panel ended or restarts, the desktop's extension was turned off).
    void left();

private Q_SLOTS:
    // Asks the watcher again whether a host has registered with it.
    void ask();

private:
    void ownerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);
    void settle(const QDBusMessage &answer);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    // The watcher's unique name while it says a host is there; empty otherwise.
    QString m_owner;
};

} // namespace pellmarch::platform
