#include "platform/DesktopNotifications.h"

#include "platform/ProgramTitle.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace pellmarch::platform {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The desktop entry's and the icon's name, so the desktop shows the program's own icon and
// groups its messages under it.
const QString kDesktopEntry = QStringLiteral("net.verlund.Pellmarch");
constexpr int kServerDecidesHowLong = -1;
} // namespace

DesktopNotifications::DesktopNotifications(std::function<QDBusConnection()> bus, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)) {}

void DesktopNotifications::notify(const QString &topic, const QString &summary,
                                  const QString &body) {
    if (!m_connection) {
        m_connection = m_bus();
        if (m_connection->isConnected()) {
            m_connection->connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"),
                                  this, SLOT(forget(uint)));
            auto *watcher = new QDBusPendingCallWatcher(
                m_connection->asyncCall(QDBusMessage::createMethodCall(
                    kService, kPath, kInterface, QStringLiteral("GetCapabilities"))),
                this);
            connect(watcher, &QDBusPendingCallWatcher::finished, this,
                    [this](QDBusPendingCallWatcher *call) {
                        const QDBusPendingReply<QStringList> reply = *call;
                        // Without an answer nobody shows the messages; markup is as good a
                        // guess as any then.
                        m_markup = reply.isError() ||
                                   reply.value().contains(QStringLiteral("body-markup"));
                        call->deleteLater();
                        for (const Message &message : std::exchange(m_waiting, {}))
                            send(message);
                    });
        }
    }
    if (!m_connection->isConnected())
        return;
    if (!m_markup) {
        m_waiting.append({topic, summary, body});
        return;
    }
    send({topic, summary, body});
}

void DesktopNotifications::forget(uint id) {
    m_shown.removeIf([id](const auto &shown) { return shown.value() == id; });
}

void DesktopNotifications::send(const Message &message) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QString::fromLatin1(kProgramTitle) << m_shown.value(message.topic) << kDesktopEntry
         << message.summary << (*m_markup ? message.body.toHtmlEscaped() : message.body)
         << QStringList() << QVariantMap{{QStringLiteral("desktop-entry"), kDesktopEntry}}
         << kServerDecidesHowLong;
    auto *watcher = new QDBusPendingCallWatcher(m_connection->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, topic = message.topic](QDBusPendingCallWatcher *reply) {
                const QDBusPendingReply<uint> id = *reply;
                if (!id.isError())
                    m_shown.insert(topic, id.value());
                reply->deleteLater();
            });
}

} // namespace pellmarch::platform
