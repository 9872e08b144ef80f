#pragma once

#include "protocol/ExchangeLog.h"

#include <QDateTime>
#include <QHash>
#include <QList>
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
// refresh that moved the host names to a new address, the service out of reach (once it has
// stayed so for two refreshes and a minute, at most once an hour) and back again, and the changes
// of a refresh that the service refused, with its reason (one notice for the refresh). Nothing
// while one of the program's own message boxes is open (told once it is closed), nothing when the
// subscriber has turned them off, never the password.
class Notices final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::hours kQuietTime{1};
    // An outage is told once the refreshes' address queries have had no answer in a row, the
    // first of them at least this long before the latest (so two of them at least): a single
    // lost answer (a time-out, the first refresh after a wake from sleep, before the network is
    // back) is no outage.
    static constexpr std::chrono::minutes kLostTime{1};

    Notices(platform::Notifier &notifier, platform::SettingsStore &settings,
            QObject *parent = nullptr);

    // The subscriber's choice, kept in the settings; on until turned off.
    bool isOn() const;
    void setOn(bool on);

    // Every exchange with the service as it ends.
    void exchanged(const protocol::Exchange &exchange);
    // A refresh has moved these host names to `address`.
    void moved(const QStringList &hostNames, const QString &address);
    // A refresh has ended: the changes it had refused are told now, in one notice.
    void refreshEnded();

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
    void tellRefused();

    // A change of a refresh that the service refused.
    struct Refusal {
        QString topic;  // the change: this record, added or removed, at this address
        QDateTime time; // when it was refused
        bool adding = false;
        QString host;
        QString address;
        QString reason;
    };

    platform::Notifier &m_notifier;
    platform::SettingsStore &m_settings;
    // Told while a box was open: sent once none is; the latest per topic.
    QHash<QString, std::pair<QString, QString>> m_waiting;
    QTimer m_waitForBoxes;
    QDateTime m_firstLost;          // the first of the address queries in a row without an answer
    bool m_toldUnreachable = false; // for the outage now: "reachable again" is said only then
    QDateTime m_lastToldUnreachable;
    // The refresh under way's refusals: a refresh that moves many records may have them all
    // refused, for one reason, and that is one thing to tell.
    QList<Refusal> m_refused;
    QHash<QString, QDateTime> m_lastRefused; // change -> when it was refused and told
};

} // namespace pellmarch::session
