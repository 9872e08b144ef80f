#include "session/Notices.h"

#include "platform/Notifier.h"
#include "protocol/RecordList.h"
#include "session/SavedSettings.h"

namespace pellmarch::session {

namespace {

using protocol::Exchange;

const QString kMovedTopic = QStringLiteral("moved");
// "Reachable again" takes the place of "cannot be reached" where that is still shown.
const QString kReachTopic = QStringLiteral("reach");
const QString kRefusedTopic = QStringLiteral("refused");
constexpr qsizetype kNamesListed = 5;
constexpr std::chrono::milliseconds kBoxCheck{1000};

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
    }
}

void Notices::exchanged(const Exchange &exchange) {
    if (exchange.kind == Exchange::Kind::Wait)
        return;
    // The login window says itself that the service cannot be reached.
    if (exchange.result == Exchange::Result::NoAnswer && exchange.kind != Exchange::Kind::Login) {
        if (!m_reachable)
            return;
        m_reachable = false;
        const QDateTime now = this->now();
        const bool quietTimeOver =
            !m_lastToldUnreachable.isValid() ||
            m_lastToldUnreachable.addSecs(std::chrono::seconds(kQuietTime).count()) <= now;
        m_toldUnreachable =
            quietTimeOver &&
            tell(kReachTopic, QStringLiteral("Verlund Dynamic DNS cannot be reached"),
                 QStringLiteral("Pellmarch keeps trying and will tell you when it is back."));
        if (m_toldUnreachable)
            m_lastToldUnreachable = now;
        return;
    }
    if (exchange.result != Exchange::Result::NoAnswer && !m_reachable) {
        m_reachable = true;
        if (std::exchange(m_toldUnreachable, false))
            tell(kReachTopic, QStringLiteral("Verlund Dynamic DNS is reachable again"),
                 QStringLiteral("Pellmarch is connected with the service."));
    }
    if (exchange.automatic && exchange.result == Exchange::Result::Refused &&
        (exchange.kind == Exchange::Kind::RecordAdd ||
         exchange.kind == Exchange::Kind::RecordDelete)) {
        const QString host = protocol::HostName(exchange.name, exchange.domain);
        tell(kRefusedTopic,
             (exchange.kind == Exchange::Kind::RecordAdd ? QStringLiteral("Could not set ")
                                                         : QStringLiteral("Could not remove ")) +
                 host + QStringLiteral(" at ") + exchange.address,
             exchange.reason.isEmpty() ? QStringLiteral("The service refused the change.")
                                       : QStringLiteral("The service said: ") + exchange.reason);
    }
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
