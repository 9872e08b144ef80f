#include "session/Notices.h"

#include "platform/Notifier.h"
#include "protocol/RecordList.h"
#include "session/SavedSettings.h"

#include <algorithm>

namespace pellmarch::session {

namespace {

using protocol::Exchange;

const QString kMovedTopic = QStringLiteral("moved");
// "Reachable again" takes the place of "cannot be reached" where that is still shown.
const QString kReachTopic = QStringLiteral("reach");
const QString kRefusedTopic = QStringLiteral("refused");
constexpr qsizetype kNamesListed = 5;
constexpr std::chrono::milliseconds kBoxCheck{1000};

bool QuietTimeOver(const QDateTime &lastTold, const QDateTime &now) {
    return !lastTold.isValid() ||
           lastTold.addSecs(std::chrono::seconds(Notices::kQuietTime).count()) <= now;
}

} // namespace

Notices::Notices(platform::Notifier &notifier, platform::SettingsStore &settings, QObject *parent)
    : QObject(parent), m_notifier(notifier), m_settings(settings) {
    m_waitForBoxes.setInterval(kBoxCheck);
    connect(&m_waitForBoxes, &QTimer::timeout, this, &Notices::tellWaiting);
}

bool Notices::isOn() const {
    return ReadSetting(m_settings, kNotificationsKey) != QLatin1String(kSettingOff);
}

void Notices::setOn(bool on) {
    WriteSetting(m_settings, kNotificationsKey, QLatin1String(on ? kSettingOn : kSettingOff));
    if (!on) {
        m_waiting.clear();
        m_waitForBoxes.stop();
        m_toldUnreachable = false;
        m_refused.clear();
    }
}

void Notices::exchanged(const Exchange &exchange) {
    // Only the refresh's exchanges count: the subscriber's own (the login, the parking when the
    // program ends) have their own messages, or come when nothing follows them.
    if (!exchange.automatic || exchange.kind == Exchange::Kind::Wait)
        return;
    const bool query = exchange.kind == Exchange::Kind::AddressQuery;
    // Every refresh begins with its address query: the refusals of the one before are told by
    // now, should its end have gone unseen, and never run together with this one's.
    if (query)
        tellRefused();
    const QDateTime now = this->now();
    if (exchange.result == Exchange::Result::NoAnswer) {
        // A record command comes only after an answered query; its lost answer is settled by
        // the next refresh, whose query tells whether the service is there.
        if (!query)
            return;
        if (!m_firstLost.isValid())
            m_firstLost = now;
        if (m_toldUnreachable ||
            m_firstLost.secsTo(now) < std::chrono::seconds(kLostTime).count() ||
            !QuietTimeOver(m_lastToldUnreachable, now))
            return;
        m_toldUnreachable =
            tell(kReachTopic, QStringLiteral("Verlund Dynamic DNS cannot be reached"),
                 QStringLiteral("Pellmarch keeps trying and will tell you when it is back."));
        if (m_toldUnreachable)
            m_lastToldUnreachable = now;
        return;
    }
    m_firstLost = {};
    // Back before the outage could be told (a message box was open): neither is told.
    if (std::exchange(m_toldUnreachable, false) && m_waiting.remove(kReachTopic) == 0)
        tell(kReachTopic, QStringLiteral("Verlund Dynamic DNS is reachable again"),
             QStringLiteral("Pellmarch is connected with the service."));
    // Refused while turned off: never told, not even when turned on before the refresh ends.
    if (exchange.result != Exchange::Result::Refused ||
        (exchange.kind != Exchange::Kind::RecordAdd &&
         exchange.kind != Exchange::Kind::RecordDelete) ||
        !isOn())
        return;
    const bool adding = exchange.kind == Exchange::Kind::RecordAdd;
    const QString host = protocol::HostName(exchange.name, exchange.domain);
    const QString topic = kRefusedTopic + (adding ? QLatin1Char('+') : QLatin1Char('-')) +
                          exchange.recordType + QLatin1Char(' ') + host + QLatin1Char(' ') +
                          exchange.address;
    if (std::none_of(m_refused.cbegin(), m_refused.cend(),
                     [&topic](const Refusal &refusal) { return refusal.topic == topic; }))
        m_refused.append({topic, now, adding, host, exchange.address, exchange.reason});
}

void Notices::refreshEnded() {
    tellRefused();
}

void Notices::tellRefused() {
    const QList<Refusal> refused = std::exchange(m_refused, {});
    // Each refused change at most once an hour, however often the refresh tries it again; a
    // notice names all of its refresh's refusals once one of them is new.
    const bool toldWithinTheHour =
        std::all_of(refused.cbegin(), refused.cend(), [this](const Refusal &refusal) {
            return !QuietTimeOver(m_lastRefused.value(refusal.topic), refusal.time);
        });
    const QDateTime now = this->now();
    m_lastRefused.removeIf([&now](const auto &told) { return QuietTimeOver(told.value(), now); });
    if (toldWithinTheHour) // none new, or none at all
        return;
    QStringList hosts;
    QStringList reasons;
    bool movedToOne = true; // every one an add to the same address: the refresh's move
    for (const Refusal &refusal : refused) {
        if (!hosts.contains(refusal.host))
            hosts.append(refusal.host);
        if (!refusal.reason.isEmpty() && !reasons.contains(refusal.reason))
            reasons.append(refusal.reason);
        movedToOne = movedToOne && refusal.adding && refusal.address == refused.first().address;
    }
    QString topic = kRefusedTopic;
    QString summary;
    if (refused.size() == 1) {
        const Refusal &refusal = refused.first();
        topic = refusal.topic;
        summary = (refusal.adding ? QStringLiteral("Could not set ")
                                  : QStringLiteral("Could not remove ")) +
                  refusal.host + QStringLiteral(" at ") + refusal.address;
    } else if (movedToOne && hosts.size() > 1) {
        summary = QStringLiteral("Could not move %1 host names to %2")
                      .arg(QString::number(hosts.size()), refused.first().address);
    } else {
        summary = hosts.size() == 1
                      ? QStringLiteral("Could not change ") + hosts.first()
                      : QStringLiteral("Could not change %1 host names").arg(hosts.size());
    }
    const QString body =
        reasons.isEmpty()
            ? (refused.size() == 1 ? QStringLiteral("The service refused the change.")
                                   : QStringLiteral("The service refused the changes."))
            : QStringLiteral("The service said: ") + reasons.join(QLatin1String("; "));
    if (tell(topic, summary, body))
        for (const Refusal &refusal : refused)
            m_lastRefused.insert(refusal.topic, refusal.time);
}

void Notices::moved(const QStringList &hostNames, const QString &address) {
    if (hostNames.isEmpty())
        return;
    QString names =
        hostNames.first(std::min(hostNames.size(), kNamesListed)).join(QLatin1String(", "));
    if (hostNames.size() > kNamesListed)
        names += QStringLiteral(" and %1 more").arg(hostNames.size() - kNamesListed);
    tell(kMovedTopic, QStringLiteral("Address changed to ") + address,
         names + (hostNames.size() == 1 ? QStringLiteral(" now points there.")
                                        : QStringLiteral(" now point there.")));
}

bool Notices::tell(const QString &topic, const QString &summary, const QString &body) {
    if (!isOn())
        return false;
    if (boxOpen()) {
        m_waiting.insert(topic, {summary, body});
        m_waitForBoxes.start();
        return true;
    }
    m_notifier.notify(topic, summary, body);
    return true;
}

void Notices::tellWaiting() {
    if (boxOpen())
        return;
    m_waitForBoxes.stop();
    const auto waiting = std::exchange(m_waiting, {});
    for (auto it = waiting.cbegin(); it != waiting.cend(); ++it)
        tell(it.key(), it.value().first, it.value().second);
}

} // namespace pellmarch::session
