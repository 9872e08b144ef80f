#pragma once

#include "platform/Notifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

namespace pellmarch::platform {

// The desktop's notification service (org.freedesktop.Notifications on the session bus). The
// bus is reached only when the first message goes out, so start-up pays nothing for it. Where
// there is no bus or no service, messages are dropped without a word; nothing ever waits for
// the service's answer.
class DesktopNotifications final : public QObject, public Notifier {
    Q_OBJECT
public:
    explicit DesktopNotifications(
        std::function<QDBusConnection()> bus = [] { return QDBusConnection::sessionBus(); },
        QObject *parent = nullptr);

    void notify(const QString &topic, const QString &summary, const QString &body) override;

private Q_SLOTS:
    // The service has closed the message with this id (it timed out, or the subscriber
    // dismissed it): its topic's next message is a new one, and the id is let go.
    void forget(uint id);

private:
    struct Message {
        QString topic;
        QString summary;
        QString body;
    };
    void send(const Message &message);

    std::function<QDBusConnection()> m_bus;
    std::optional<QDBusConnection> m_connection;
    // Whether the service reads the body as markup, where "<" and "&" must be escaped. Asked
    // first; what is told meanwhile waits for the answer.
    std::optional<bool> m_markup;
    QList<Message> m_waiting;
    QHash<QString, uint> m_shown; // topic -> the service's id of the message on the screen
};

} // namespace pellmarch::platform
