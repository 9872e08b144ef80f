#pragma once

#include "protocol/ExchangeLog.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <utility>

namespace pellmarch::platform {
class Notifier;
class SettingsStore;
} // namespace pellmarch::platform

namespace pellmarch::session {

// What the subscriber is told on the desktop while the program works in the background: a
// refresh that moved the host names to a new address, the service out of reach (at most once an
// hour, however many refreshes fail) and back again, and a change of a refresh that the service
// refused, with its reason. Nothing while one of the program's own message boxes is open (told
// once it is closed), nothing when the subscriber has turned them off, never the password.
class Notices final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::hours kQuietTime{1};

    Notices(platform::Notifier &notifier, platform::SettingsStore &settings,
            QObject *parent = nullptr);

    // The subscriber's choice, kept in the settings; on until turned off.
    bool isOn() const;
    void setOn(bool on);

    // Every exchange with the service as it ends.
    void exchanged(const protocol::Exchange &exchange);
    // A refresh has moved these host names to `address`.
    void moved(const QStringList &hostNames, const QString &address);

    // Seams for tests: the time now, and whether a message box of the program's is open.
    std::function<QDateTime()> now = [] {
        return QDateTime::currentDateTimeUtc();
    };
    std::function<bool()> boxOpen = [] {
        return false;
    };

private:
    // False when nothing will be said (turned off).
    bool tell(const QString &topic, const QString &summary, const QString &body);
    void tellWaiting();

    platform::Notifier &m_notifier;
    platform::SettingsStore &m_settings;
    // Told while a box was open: sent once none is; the latest per topic.
    QHash<QString, std::pair<QString, QString>> m_waiting;
    QTimer m_waitForBoxes;
    bool m_reachable = true;
    bool m_toldUnreachable = false; // for the outage now: "reachable again" is said only then
    QDateTime m_lastToldUnreachable;
    QHash<QString, QDateTime> m_lastRefused; // topic -> when it was told, within the hour
};

} // namespace pellmarch::session
